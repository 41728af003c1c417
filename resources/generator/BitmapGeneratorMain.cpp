// Writes the program's bitmaps and icons:
//   lodemar-bitmapgen OUTDIR            bitmaps/<id>.png and icons/<id>-<size>.png
//   lodemar-bitmapgen --windows OUTDIR  <id>.bmp and <id>.ico for the resource script
//   lodemar-bitmapgen --sheet FILE      every picture, enlarged, on one sheet
// The build runs it to make the Qt resources; nothing it writes is committed.
#include "BitmapArt.h"
#include "WindowsArt.h"

#include <resources/ResourceIds.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace resources;

namespace {

bool writeAll(const QString& outDir)
{
    if (!QDir().mkpath(outDir + "/bitmaps") || !QDir().mkpath(outDir + "/icons"))
        return false;
    for (const BitmapSpec& shape : BITMAPS) {
        const QImage image = drawBitmap(shape.id);
        if (image.size() != QSize(shape.width, shape.height))
            return false;
        if (!image.save(QString("%1/bitmaps/%2.png").arg(outDir).arg(shape.id)))
            return false;
    }
    for (int size : ICON_SIZES)
        if (!drawIcon(size).save(QString("%1/icons/%2-%3.png").arg(outDir).arg(ICON_PROGRAM).arg(size)))
            return false;
    return true;
}

// The icon sizes of the Windows icon: the small and large icons of every
// version, and the 48 pixels of the larger views.
inline constexpr int WINDOWS_ICON_SIZES[] = { 16, 32, 48 };

bool writeWindows(const QString& outDir)
{
    if (!QDir().mkpath(outDir))
        return false;
    for (const BitmapSpec& shape : BITMAPS)
        if (!writeBmp(drawBitmap(shape.id), QString("%1/%2.bmp").arg(outDir).arg(shape.id)))
            return false;
    std::vector<QImage> icons;
    for (int size : WINDOWS_ICON_SIZES)
        icons.push_back(drawIcon(size));
    return writeIco(icons, QString("%1/%2.ico").arg(outDir).arg(ICON_PROGRAM));
}

// A contact sheet at four times the size, on a neutral ground, for review.
bool writeSheet(const QString& file)
{
    const int zoom = 4, margin = 12;
    int width = 0, height = margin;
    for (const BitmapSpec& shape : BITMAPS) {
        width = std::max(width, shape.width * zoom + 2 * margin);
        height += shape.height * zoom + margin;
    }
    height += 256 + margin;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(0xEF, 0xEF, 0xEF));
    QPainter p(&sheet);
    int y = margin;
    for (const BitmapSpec& shape : BITMAPS) {
        const QImage image = drawBitmap(shape.id);
        p.drawImage(QRect(margin, y, shape.width * zoom, shape.height * zoom), image);
        y += shape.height * zoom + margin;
    }
    int x = margin;
    for (int size : ICON_SIZES) {
        p.drawImage(x, y, drawIcon(size));
        x += size + margin;
    }
    p.end();
    return sheet.save(file);
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing text needs a GUI application but never a display; a private
    // runtime folder keeps Qt from warning about a missing one.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(
            runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--sheet") == 0)
        return writeSheet(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--windows") == 0) {
        if (writeWindows(QString::fromLocal8Bit(argv[2])))
            return 0;
        std::fprintf(stderr, "%s: cannot write the Windows pictures to %s\n", argv[0], argv[2]);
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR | --windows OUTDIR | --sheet FILE\n", argv[0]);
        return 2;
    }
    if (!writeAll(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write the pictures to %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
