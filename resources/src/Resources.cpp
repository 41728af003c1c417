#include <resources/Resources.h>

#include <QBitmap>
#include <QString>

namespace resources {
namespace {

QString bitmapPath(int id)
{
    return QStringLiteral(":/lodemar/bitmaps/%1.png").arg(id);
}

QString iconPath(int id, int size)
{
    return QStringLiteral(":/lodemar/icons/%1-%2.png").arg(id).arg(size);
}

} // namespace

QImage resourceImage(int id)
{
    if (id == ICON_PROGRAM)
        return QImage(iconPath(id, ICON_DEFAULT_SIZE));
    if (!findBitmapSpec(id))
        return {};
    // Loaded as 32-bit RGB whatever the PNG encoder chose, so that callers
    // may compare pixels with 0xRRGGBB values.
    return QImage(bitmapPath(id)).convertToFormat(QImage::Format_RGB32);
}

QPixmap resourcePixmap(int id)
{
    const QImage image = resourceImage(id);
    if (image.isNull())
        return {};
    if (!image.hasAlphaChannel()) {
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setMask(
            QBitmap::fromImage(image.createMaskFromColor(0xFF000000u | RGB_TRANSPARENT, Qt::MaskInColor)));
        return pixmap;
    }
    return QPixmap::fromImage(image);
}

QIcon resourceIcon(int id)
{
    QIcon icon;
    if (id != ICON_PROGRAM)
        return icon;
    for (int size : ICON_SIZES)
        icon.addFile(iconPath(id, size), QSize(size, size));
    return icon;
}

} // namespace resources
