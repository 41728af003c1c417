// lodemar_screenshots: draws the program's windows with the offscreen
// platform and saves each as a PNG, for the documentation and for
// comparing the windows with their templates by eye. Message boxes are
// answered silently; nothing touches a keyboard. The offscreen platform
// draws no window frame, so each picture gets a plain one with the window's
// caption (the progress window's percentage lives there).
//
//   lodemar_screenshots OUTPUT_DIR [NAME...]   (no names: every window)
//
// Each window is one entry of SHOTS; a new window adds an entry.
#include <app/CAboutDialog.h>
#include <app/CDataAreaGauge.h>
#include <app/CMainDialog.h>
#include <driverchannel/CUnavailableDriverBackend.h>
#include <presenters/PresenterTexts.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <dialogs/CConfigDialog.h>
#include <dialogs/CKeyProgrammingDialog.h>
#include <dialogs/CSpinControl.h>
#include <keydata/KeyTable.h>
#include <resources/Resources.h>
#include <transfer/TransferTexts.h>
#include <widgets/ControlId.h>
#include <widgets/CProgramProfile.h>
#include <widgets/CProgressPopup.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLinearGradient>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

namespace {

using namespace app;
using namespace dialoglayout;

std::unique_ptr<driverchannel::CDriverChannel> offlineChannel()
{
    return std::make_unique<driverchannel::CDriverChannel>(
        std::make_unique<driverchannel::CUnavailableDriverBackend>());
}

// The pictures' contents are fixed: one that cannot be stored is a mistake
// here, never a picture of something else.
void stored(int result)
{
    if (result != keydata::KEYTABLE_OK) {
        std::fprintf(stderr, "lodemar_screenshots: a picture's key content was refused (%d)\n", result);
        std::exit(1);
    }
}

// Programs the key shown by the key cap with this control id.
void store(keydata::KeyTable& table, int controlId, std::uint8_t kind, std::string_view bytes)
{
    const keydata::GridSlot slot = keydata::slotOfGridIndex(controlId - IDC_KEY_FIRST);
    stored(keydata::storeKey(table.Record(slot.row, slot.column), kind,
        { reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() }));
}

// Which caption buttons a frame shows.
enum FrameButtons { NO_BUTTONS = 0, CLOSE_BUTTON = 1, MINIMIZE_BUTTON = 2 };

// A plain window frame around a client picture: a 3-D border and a caption
// bar with the title, optionally the program icon and caption buttons.
QPixmap framed(const QPixmap& client, const QString& title, int buttons, bool icon = false)
{
    constexpr int BORDER = 4;
    constexpr int CAPTION = 20;
    const QColor face(0xD4, 0xD0, 0xC8);
    QPixmap out(client.width() + 2 * BORDER, client.height() + CAPTION + 2 * BORDER + 1);
    out.fill(face);
    QPainter painter(&out);
    const QRect all = out.rect();
    painter.setPen(Qt::white);
    painter.drawLine(all.topLeft() + QPoint(1, 1), all.topRight() + QPoint(-1, 1));
    painter.drawLine(all.topLeft() + QPoint(1, 1), all.bottomLeft() + QPoint(1, -1));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(all.bottomLeft() + QPoint(1, -1), all.bottomRight() + QPoint(-1, -1));
    painter.drawLine(all.topRight() + QPoint(-1, 1), all.bottomRight() + QPoint(-1, -1));
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawRect(all.adjusted(0, 0, -1, -1));

    const QRect bar(BORDER, BORDER, out.width() - 2 * BORDER, CAPTION);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, QColor(0x0A, 0x24, 0x6A));
    gradient.setColorAt(1, QColor(0xA6, 0xCA, 0xF0));
    painter.fillRect(bar, gradient);
    int textLeft = bar.left() + 4;
    if (icon) {
        const QPixmap small = resources::resourceIcon(resources::ICON_PROGRAM).pixmap(16, 16);
        painter.drawPixmap(bar.left() + 2, bar.top() + 2, small);
        textLeft += 18;
    }
    QFont font = widgets::dialogFont();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(textLeft, bar.top(), bar.width() - textLeft, bar.height()),
        Qt::AlignVCenter | Qt::AlignLeft, title);

    // Caption buttons from the right: close, then minimise.
    int right = bar.right() - 2;
    auto button = [&](const QString& glyph) {
        const QRect box(right - 16, bar.top() + 2, 16, 14);
        painter.fillRect(box, face);
        painter.setPen(Qt::white);
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.setPen(QColor(0x40, 0x40, 0x40));
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomRight());
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, glyph);
        right -= 18;
    };
    if (buttons & CLOSE_BUTTON)
        button(QStringLiteral("x"));
    if (buttons & MINIMIZE_BUTTON)
        button(QStringLiteral("_"));

    painter.drawPixmap(BORDER, BORDER + CAPTION + 1, client);
    return out;
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

QPixmap framedWindow(QWidget& window, int buttons, bool icon = false)
{
    const QPixmap client = grabShown(window);
    return framed(client, window.windowTitle(), buttons, icon);
}

// Draws popup centred over picture.
void centre(QPixmap& picture, const QPixmap& popup)
{
    QPainter painter(&picture);
    painter.drawPixmap((picture.width() - popup.width()) / 2, (picture.height() - popup.height()) / 2, popup);
}

// The key dialog over key cap controlId, as if the user typed text and OK.
void editKey(CMainDialog& dialog, int controlId, std::string_view text)
{
    const widgets::ModalHook previous = widgets::SetModalHook([&](QDialog&) {
        store(dialog.Table(), controlId, keydata::KIND_STRING, text);
        return int(QDialog::Accepted);
    });
    dialog.Presenter().OnCommand(controlId);
    widgets::SetModalHook(previous);
}

// The main window of `lodemar --emulate` with a few programmed keys:
// captions black after a refresh, one just edited (red), one key selected
// in the content box.
void programKeys(CMainDialog& dialog)
{
    keydata::KeyTable& table = dialog.Table();
    store(table, 1001, keydata::KIND_STRING, "Hello, world\r");
    store(table, 1006, keydata::KIND_STRING, "user@example.org\t");
    store(table, 1021, keydata::KIND_FUNCTION, "\x14\x21\xE1\x14");
    store(table, 1042, keydata::KIND_SWITCH, "\x02");
    store(table, 1071, keydata::KIND_FUNCTION, "\xE0\x75");
    store(table, 1095, keydata::KIND_STRING, "OK\r");
    store(table, 1096, keydata::KIND_SWITCH, "\x58");
    presenters::CMainDialogPresenter& presenter = dialog.Presenter();
    presenter.RefreshGrid();
    editKey(dialog, 1023, "Total"); // as just edited
    presenter.OnCommand(1006); // the key dialog answered Cancel: shows the key's text
    if (auto* cap = dialog.KeyCap(1006))
        cap->setFocus();
}

QPixmap mainWindow()
{
    CMainDialog dialog(offlineChannel(), true);
    programKeys(dialog);
    return framedWindow(dialog, MINIMIZE_BUTTON | CLOSE_BUTTON, true);
}

// A write under way: the progress window over the disabled main window,
// as the write shows it while key 57 is sent.
QPixmap progressWindow()
{
    CMainDialog dialog(offlineChannel(), true);
    programKeys(dialog);
    widgets::CProgressPopup progress;
    progress.SetKeepPosition(false);
    progress.Create(&dialog, QString::fromLatin1(transfer::text::PROGRESS_TITLE), false);
    progress.BeginModal();
    progress.SetBounds(0, keydata::KEY_NUMBER_COUNT, 1);
    progress.SetPosition(58);
    progress.SetStatus(transfer::text::PROGRESS_STATUS, 57);
    QApplication::processEvents();

    QPixmap picture = framed(dialog.grab(), dialog.windowTitle(), MINIMIZE_BUTTON | CLOSE_BUTTON, true);
    centre(picture, framed(progress.Window()->grab(), progress.Window()->windowTitle(), NO_BUTTONS));
    progress.Close();
    return picture;
}

// The key programming dialog as the grid opens it for key 5, holding left
// Shift, A, the release of left Shift, a delay and Enter.
QPixmap keyProgrammingDialog()
{
    keydata::KeyTable table;
    const std::uint8_t content[] = { 0x12, 0x1C, 0xE1, 0x12, 0xE3, 0xE3, 0x5A };
    stored(keydata::storeKey(table.Record(0, 4), keydata::KIND_FUNCTION, content));
    CQtServices services(nullptr);
    CKeyProgrammingDialog dialog(table, services);
    dialog.SetTitle(QStringLiteral("Editing Key 5"));
    dialog.SetPosition(0, 4);
    return framedWindow(dialog, CLOSE_BUTTON);
}

// The key programming dialog over key cap controlId holding kind and
// content, after the given actions on its controls.
QPixmap keyDialog(int controlId, std::uint8_t kind, std::string_view content,
    const std::function<void(CKeyProgrammingDialog&)>& actions = {})
{
    keydata::KeyTable table;
    store(table, controlId, kind, content);
    const keydata::GridSlot slot = keydata::slotOfGridIndex(controlId - IDC_KEY_FIRST);
    CQtServices services(nullptr);
    CKeyProgrammingDialog dialog(table, services);
    dialog.SetTitle(QStringLiteral("Editing Key %1").arg(controlId - 1000));
    dialog.SetPosition(slot.row, slot.column);
    const QPixmap client = grabShown(dialog);
    if (!actions)
        return framed(client, dialog.windowTitle(), CLOSE_BUTTON);
    actions(dialog);
    QApplication::processEvents();
    return framed(dialog.grab(), dialog.windowTitle(), CLOSE_BUTTON);
}

// A string key: "Hello, world" and Enter, typed in String Mode.
// Clicks the dialog's on-screen keys in order, as the user does.
void clickKeys(CKeyProgrammingDialog& dialog, std::initializer_list<int> ids)
{
    for (const int id : ids)
        if (auto* key = qobject_cast<QAbstractButton*>(widgets::findControl(&dialog, id)))
            key->click();
}

QPixmap keyStringMode()
{
    // Shift, H, Shift, e, l, l, o, ",", space, w, o, r, l, d, Enter: typed,
    // so that Undo is there to take it back.
    return keyDialog(1001, keydata::KIND_EMPTY, "", [](CKeyProgrammingDialog& dialog) {
        clickKeys(dialog,
            { KEY_LEFT_SHIFT, 1036, KEY_LEFT_SHIFT, 1019, 1039, 1039, 1025, 1053, KEY_SPACE, 1018, 1025, 1020,
                1039, 1033, KEY_ENTER });
    });
}

// A function key whose layer 1 holds Ctrl+C, a delay of 3 and Ctrl+V
// (layer 0 left empty), shown on layer 1.
QPixmap keyFunctionDelay()
{
    // As the user's guide tells it: Function Mode, layer 1, Ctrl C Ctrl, a
    // delay of 3, Ctrl V Ctrl.
    return keyDialog(1002, keydata::KIND_EMPTY, "", [](CKeyProgrammingDialog& dialog) {
        clickKeys(dialog, { ID_FUNCTION_MODE });
        qobject_cast<dialogs::CSpinControl*>(widgets::findControl(&dialog, ID_LAYER_SPIN))
            ->UpButton()
            ->click();
        clickKeys(dialog, { KEY_LEFT_CTRL, 1048, KEY_LEFT_CTRL });
        auto* delay = qobject_cast<QLineEdit*>(widgets::findControl(&dialog, ID_DELAY));
        delay->setFocus();
        delay->setText(QStringLiteral("3"));
        widgets::findControl(&dialog, ID_KEY_DATA)->setFocus();
        clickKeys(dialog, { KEY_LEFT_CTRL, 1049, KEY_LEFT_CTRL });
    });
}

// A layer switch: the small key "L" switches to layer 2.
QPixmap keyLayerSwitch()
{
    return keyDialog(1096, keydata::KIND_SWITCH, "\x02", [](CKeyProgrammingDialog& dialog) {
        if (auto* combo
            = qobject_cast<QComboBox*>(widgets::findControl(&dialog, dialoglayout::ID_SWITCH_LAYER)))
            combo->hidePopup();
    });
}

// The question before changes are lost: "&Quit" with keys nothing holds.
// The real box is drawn over the window, then answered No.
QPixmap unsavedChanges()
{
    CMainDialog dialog(offlineChannel(), true);
    programKeys(dialog); // keys neither written nor saved
    QPixmap picture = framedWindow(dialog, MINIMIZE_BUTTON | CLOSE_BUTTON, true);
    const widgets::MessageHook answers = widgets::SetMessageHook({});
    QPixmap box;
    QTimer::singleShot(0, [&box] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QApplication::processEvents();
            box = framed(modal->grab(), modal->windowTitle(), CLOSE_BUTTON);
            modal->close(); // No
        }
    });
    dialog.Presenter().OnQuit();
    widgets::SetMessageHook(answers);
    centre(picture, box);
    return picture;
}

// The data area gauge in its three colours, cut out of the window: a
// layout well within the area, one near its end, one past it.
QPixmap dataAreaGauge()
{
    CMainDialog dialog(offlineChannel(), true);
    grabShown(dialog);
    const CDataAreaGauge* gauge = dialog.DataAreaGauge();
    const QRect area = gauge->geometry().adjusted(-6, -4, 6, 4);
    QPixmap out(area.width(), area.height() * 3);
    QPainter painter(&out);
    int y = 0;
    for (const int keys : { 4, 13, 15 }) {
        for (int key = 0; key < keys; ++key)
            store(dialog.Table(), IDC_KEY_FIRST + key, keydata::KIND_STRING, std::string(255, 'k'));
        dialog.Presenter().RefreshGrid();
        QApplication::processEvents();
        painter.drawPixmap(0, y, dialog.grab(area));
        y += area.height();
    }
    return out;
}

// The window's context menu after a key edit, with two recent files.
QPixmap contextMenu()
{
    const QString section = QString::fromLatin1(presenters::PROFILE_RECENT_SECTION);
    widgets::WriteProfileString(
        section, QStringLiteral("File1"), QStringLiteral("/home/pat/layouts/shop.dat"));
    widgets::WriteProfileString(
        section, QStringLiteral("File2"), QStringLiteral("/home/pat/layouts/menu.json"));
    CMainDialog dialog(offlineChannel(), true);
    programKeys(dialog);
    editKey(dialog, 1023, "Sum");
    QPixmap picture = framedWindow(dialog, MINIMIZE_BUTTON | CLOSE_BUTTON, true);
    std::unique_ptr<QMenu> menu(dialog.CreateContextMenu());
    menu->popup(dialog.mapToGlobal(QPoint(330, 24)));
    QApplication::processEvents();
    const QPixmap popup = menu->grab();
    menu->hide();
    const QPoint place(334, 52); // under the pointer, in the framed picture
    QPainter painter(&picture);
    painter.drawPixmap(place, popup);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawRect(QRect(place, popup.size()).adjusted(0, 0, -1, -1));
    return picture;
}

// The configuration dialog with "Track2 enable" cleared.
QPixmap configDialog()
{
    keydata::KeyTable table;
    table.mcrConfig = 0x0B;
    CConfigDialog dialog(table);
    return framedWindow(dialog, CLOSE_BUTTON);
}

QPixmap aboutBox()
{
    CAboutDialog about;
    return framedWindow(about, CLOSE_BUTTON);
}

struct Shot {
    const char* name;
    std::function<QPixmap()> draw;
};

const Shot SHOTS[] = {
    { "main-window", mainWindow },
    { "key-programming-dialog", keyProgrammingDialog },
    { "config-dialog", configDialog },
    { "progress-window", progressWindow },
    { "about", aboutBox },
    { "key-string-mode", keyStringMode },
    { "key-function-delay", keyFunctionDelay },
    { "key-layer-switch", keyLayerSwitch },
    { "unsaved-changes", unsavedChanges },
    { "data-area-gauge", dataAreaGauge },
    { "context-menu", contextMenu },
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
