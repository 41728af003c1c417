// lodemar_dialog_screenshots OUTDIR: draws the key programming dialog and
// the configuration dialog offscreen into OUTDIR/key-programming-dialog.png
// and OUTDIR/config-dialog.png, each with a key or settings worth showing.
#include <dialogs/ConfigDialog.h>
#include <dialogs/DialogImage.h>
#include <dialogs/KeyProgrammingDialog.h>

#include <keydata/KeyTable.h>

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lodemar"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "%s: cannot create %s\n", argv[0], argv[1]);
        return 1;
    }

    keydata::KeyTable table;
    // Key 5: left Shift, A, release of left Shift, a delay, then Enter.
    const std::uint8_t content[] = { 0x12, 0x1C, 0xE1, 0x12, 0xE3, 0xE3, 0x5A };
    keydata::storeKey(table.record(0, 4), keydata::KIND_FUNCTION, content);
    table.mcrConfig = 0x0B;

    CKeyProgrammingDialog keyDialog(table);
    keyDialog.SetTitle(QStringLiteral("Editing Key 5"));
    keyDialog.SetPosition(0, 4);
    CConfigDialog configDialog(table);

    bool ok = dialogs::saveDialogImage(keyDialog, out.filePath(QStringLiteral("key-programming-dialog.png")));
    ok = dialogs::saveDialogImage(configDialog, out.filePath(QStringLiteral("config-dialog.png"))) && ok;
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write the pictures into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
