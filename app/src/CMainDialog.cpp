#include <app/CMainDialog.h>

#include <app/CDataAreaGauge.h>

#include <presenters/PresenterTexts.h>
#include <resources/Resources.h>
#include <widgets/ControlId.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/DialogUnits.h>
#include <widgets/PhysicalKeys.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

namespace app {

using namespace dialoglayout;
using widgets::CSkinnedButton;

namespace {

QRect placed(const DialogPlace& p)
{
    return widgets::dialogRect(p.x, p.y, p.width, p.height);
}

void loadFace(CSkinnedButton* button, const SkinFace& face)
{
    button->LoadSkin(face.skin, face.frames, face.top, face.bottom, face.left, face.right);
}

QString qtText(const std::string& text)
{
    return QString::fromStdString(text);
}

// The first local file of a drag, or an empty string.
QString droppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty())
        return QString();
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

CMainDialog::CMainDialog(
    std::unique_ptr<driverchannel::CDriverChannel> channel, bool emulatedKeyboard, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_icon(resources::resourceIcon(resources::ICON_PROGRAM))
    , m_services(this)
{
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT));
    setWindowIcon(m_icon);
    CreateControls();
    m_presenter = std::make_unique<presenters::CMainDialogPresenter>(
        static_cast<presenters::CMainView&>(*this), m_services, std::move(channel), emulatedKeyboard);
    m_presenter->Initialize();
    setAcceptDrops(true);
}

CMainDialog::~CMainDialog() = default;

// The controls in the template's order, which is also the focus order.
void CMainDialog::CreateControls()
{
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id) {
        auto* cap = new CSkinnedButton(this);
        cap->SetControlId(id);
        cap->setGeometry(placed(keyCapPlace(id)));
        loadFace(cap, id <= IDC_KEY_LAST_MAIN ? KEY_FACE : SMALL_KEY_FACE);
        // Enter on a key cap is the grid's (see eventFilter), not a default button's.
        cap->setAutoDefault(false);
        cap->installEventFilter(this);
        connect(cap, &QPushButton::clicked, this, [this, id] { m_presenter->OnCommand(id); });
        m_keyCaps[std::size_t(id - 1000)] = cap;
    }

    m_keyContent = new QPlainTextEdit(this);
    widgets::setControlId(m_keyContent, IDC_KEY_CONTENT);
    m_keyContent->setGeometry(placed(KEY_CONTENT_PLACE));
    m_keyContent->setReadOnly(true);
    m_keyContent->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_keyContent->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_keyContent->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_keyContent->installEventFilter(this);
    m_keyContent->setAcceptDrops(false); // a dropped file is the window's
    m_keyContent->setAccessibleName(QString::fromLatin1(NAME_KEY_CONTENT));

    m_dataArea = new CDataAreaGauge(this);
    widgets::setControlId(m_dataArea, IDC_DATA_AREA);
    m_dataArea->setAccessibleName(QString::fromLatin1(NAME_DATA_AREA));
    m_dataArea->setGeometry(placed(DATA_AREA_PLACE));

    for (std::size_t i = 0; i < std::size(COMMAND_BUTTONS); ++i) {
        const dialoglayout::CommandButton& command = COMMAND_BUTTONS[i];
        auto* button = new CSkinnedButton(QString::fromLatin1(command.caption), this);
        button->SetControlId(command.id);
        button->setGeometry(placed(commandButtonPlace(command)));
        loadFace(button, COMMAND_FACE);
        button->SetCaptionColor(COLOR_COMMAND_CAPTION);
        const int id = command.id;
        connect(button, &QPushButton::clicked, this, [this, id] { m_presenter->OnCommand(id); });
        m_commands[i] = button;
    }

    m_decoration = new QLabel(this);
    m_decoration->setGeometry(placed(DECORATION_PLACE));
    m_decoration->setPixmap(resources::resourcePixmap(resources::BITMAP_DECORATION));

    // Undo and redo work wherever the focus is in the window; the menu
    // shows the same actions.
    m_undoAction = new QAction(this);
    m_undoAction->setShortcut(QKeySequence::Undo);
    connect(m_undoAction, &QAction::triggered, this, [this] { m_presenter->Undo(); });
    m_redoAction = new QAction(this);
    m_redoAction->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    connect(m_redoAction, &QAction::triggered, this, [this] { m_presenter->Redo(); });
    addAction(m_undoAction);
    addAction(m_redoAction);
    // The shortcuts desktop programs have, with the buttons' own handlers.
    for (const auto& [keys, id] : { std::pair { QKeySequence::Save, IDC_SAVE_FILE },
             std::pair { QKeySequence::Open, IDC_LOAD_FILE } }) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, command = id] { m_presenter->OnCommand(command); });
        addAction(action);
    }
}

CSkinnedButton* CMainDialog::KeyCap(int controlId) const
{
    return isKeyCapId(controlId) ? m_keyCaps[std::size_t(controlId - 1000)] : nullptr;
}

CSkinnedButton* CMainDialog::CommandButton(int controlId) const
{
    for (CSkinnedButton* button : m_commands)
        if (button && button->ControlId() == controlId)
            return button;
    return nullptr;
}

void CMainDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Once the window is on the screen, so that a message stands over it.
    QTimer::singleShot(0, this, [this] { m_presenter->OnShown(); });
}

void CMainDialog::SetTitle(const std::string& title)
{
    setWindowTitle(qtText(title));
}

void CMainDialog::SetControlText(int id, const std::string& text)
{
    if (CSkinnedButton* button = CommandButton(id))
        button->setText(qtText(text));
}

void CMainDialog::SetControlTip(int id, const std::string& tip)
{
    if (QWidget* control = widgets::findControl(this, id))
        control->setToolTip(qtText(tip));
}

void CMainDialog::ShowKeyCap(int id, const presenters::KeyCapLook& look)
{
    CSkinnedButton* cap = KeyCap(id);
    if (!cap)
        return;
    cap->setText(QString::fromLatin1(look.caption));
    cap->SetCaptionColor(look.color);
    cap->setAccessibleName(qtText(look.accessibleName));
    cap->setAccessibleDescription(qtText(look.accessibleDescription));
    cap->update();
}

void CMainDialog::ShowKeyContent(const std::string& latin1Text)
{
    // Key text is byte text; string content bytes are ISO-8859-1 characters.
    m_keyContent->setPlainText(QString::fromLatin1(latin1Text));
}

void CMainDialog::ShowDataArea(const presenters::DataAreaLook& look)
{
    m_dataArea->Show(look);
    m_dataArea->setAccessibleDescription(qtText(look.text));
}

void CMainDialog::ShowEditActions(const presenters::EditActions& actions)
{
    m_undoAction->setText(qtText(actions.undoText));
    m_undoAction->setEnabled(actions.canUndo);
    m_redoAction->setText(qtText(actions.redoText));
    m_redoAction->setEnabled(actions.canRedo);
}

bool CMainDialog::FocusControl(int id)
{
    QWidget* control = widgets::findControl(this, id);
    if (!control)
        return false;
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

int CMainDialog::LastFocusedKey() const
{
    return widgets::LastFocusedKey();
}

void CMainDialog::ReleaseMouseCapture()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

void CMainDialog::Minimize()
{
    showMinimized();
}

void CMainDialog::Restore()
{
    showNormal();
}

void CMainDialog::Close()
{
    QDialog::done(QDialog::Rejected);
}

void CMainDialog::reject()
{
    m_presenter->OnCancel();
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Only the focus widget's own key events: a key event that a child
    // passes on to its parent would otherwise be seen twice.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && watched == QApplication::focusWidget()) {
        widgets::PhysicalKey key;
        if (widgets::physicalKeyOf(event, key) && key.message == widgets::KeyMessage::KeyDown
            && m_presenter->OnKeyDown(widgets::controlId(static_cast<QWidget*>(watched)), key.virtualKey))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

QMenu* CMainDialog::CreateContextMenu()
{
    using namespace presenters;
    auto* menu = new QMenu(this);
    menu->addAction(
        QString::fromLatin1(MENU_MINIMIZE), this, [this] { m_presenter->OnSysCommand(SC_MINIMIZE_COMMAND); });
    menu->addAction(
        QString::fromLatin1(MENU_CLOSE), this, [this] { m_presenter->OnSysCommand(SC_CLOSE_COMMAND); });
    menu->addSeparator();
    menu->addAction(m_undoAction);
    menu->addAction(m_redoAction);
    QMenu* recent = menu->addMenu(QString::fromLatin1(MENU_RECENT));
    const std::vector<std::string> files = m_presenter->RecentFiles();
    recent->setEnabled(!files.empty());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        recent->addAction(
            qtText(recentFileMenuText(int(i), file)), this, [this, file] { m_presenter->LoadFile(file); });
    }
    menu->addSeparator();
    menu->addAction(
        QString::fromLatin1(ABOUT_MENU_TEXT), this, [this] { m_presenter->OnSysCommand(IDM_ABOUTBOX); });
    return menu;
}

void CMainDialog::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_presenter->IsBusy())
        return;
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(event->globalPos());
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_presenter->IsBusy() && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    m_presenter->LoadFile(file.toStdString());
}

} // namespace app
