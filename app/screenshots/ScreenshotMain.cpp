// lodemar_screenshots: draws the program's windows with the offscreen
// platform and saves each as a PNG, for the documentation and for
// comparing the windows with their templates by eye. Message boxes are
// answered silently; nothing touches a keyboard.
//
//   lodemar_screenshots OUTPUT_DIR [NAME...]   (no names: every window)
//
// Each window is one entry of SHOTS; a new window adds an entry.
#include <app/CAboutDialog.h>
#include <app/CMainDialog.h>
#include <driverchannel/CUnavailableDriverPlatform.h>

#include <keydata/KeyTable.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>
#include <widgets/SkinnedButton.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

namespace {

using namespace app;

std::unique_ptr<driverchannel::CDriverChannel> offlineChannel()
{
    return std::make_unique<driverchannel::CDriverChannel>(std::make_unique<driverchannel::CUnavailableDriverPlatform>());
}

// Programs the key shown by the key cap with this control id.
void store(keydata::KeyTable& table, int controlId, std::uint8_t kind, std::string_view bytes)
{
    const keydata::GridSlot slot = keydata::slotOfGridIndex(controlId - IDC_KEY_FIRST);
    keydata::storeKey(table.record(slot.row, slot.column), kind,
        { reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() });
}

// Shows the window, lets it settle, and grabs its client area.
QPixmap grabShown(QWidget& window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    (void)QTest::qWaitForWindowActive(&window);
    QApplication::processEvents();
    return window.grab();
}

// The main window with a few programmed keys: captions black after a
// refresh, one just edited (red), one key selected in the content box.
QPixmap mainWindow()
{
    CMainDialog dialog(offlineChannel());
    keydata::KeyTable& table = dialog.Table();
    store(table, 1001, keydata::KIND_STRING, "Hello, world\r");
    store(table, 1006, keydata::KIND_STRING, "user@example.org\t");
    store(table, 1021, keydata::KIND_FUNCTION, "\x14\x21\xE1\x14");
    store(table, 1042, keydata::KIND_SWITCH, "\x02");
    store(table, 1071, keydata::KIND_FUNCTION, "\xE0\x75");
    store(table, 1095, keydata::KIND_STRING, "OK\r");
    store(table, 1096, keydata::KIND_SWITCH, "\x58");
    dialog.RefreshGrid();
    dialog.OnCommand(1006); // no key editor: shows the key's text
    store(table, 1023, keydata::KIND_STRING, "Total");
    if (auto* cap = dialog.KeyCap(1023)) { // as just edited
        cap->setText(QStringLiteral("23"));
        cap->SetCaptionColor(COLOR_KEY_CHANGED);
    }
    if (auto* cap = dialog.KeyCap(1006))
        cap->setFocus();
    return grabShown(dialog);
}

QPixmap aboutBox()
{
    CAboutDialog about;
    return grabShown(about);
}

struct Shot {
    const char* name;
    std::function<QPixmap()> draw;
};

const Shot SHOTS[] = {
    { "main-window", mainWindow },
    { "about", aboutBox },
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lodemar"));
    widgets::installFontSubstitutions();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [NAME...]\n", argv[0]);
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(output.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    widgets::CSeamRecorder seams; // answers the load failure and any other box
    int failures = 0;
    for (const Shot& shot : SHOTS) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], shot.name) == 0;
        if (!wanted)
            continue;
        const QString file = output.filePath(QString::fromLatin1(shot.name) + QStringLiteral(".png"));
        if (shot.draw().save(file)) {
            std::printf("%s\n", qPrintable(file));
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
