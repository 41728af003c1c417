#include <app/AppTexts.h>
#include <app/CAboutDialog.h>
#include <app/CMainDialog.h>
#include <app/DataAreaGauge.h>
#include <app/ProgramChannel.h>

#include <dialogs/ConfigDialog.h>
#include <driverchannel/CUnavailableDriverPlatform.h>
#include <keydata/KeyboardFit.h>
#include <keydata/KeyText.h>
#include <resources/Resources.h>
#include <transfer/CKeyboardTransfer.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>
#include <widgets/PhysicalKeys.h>
#include <widgets/Profile.h>
#include <widgets/SkinnedButton.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include <algorithm>
#include <string>

namespace app {
namespace {

using widgets::CSkinnedButton;

QRect placed(const DialogPlace& p)
{
    return widgets::dialogRect(p.x, p.y, p.width, p.height);
}

bool loadFace(CSkinnedButton* button, const SkinFace& face)
{
    return button->LoadSkin(face.skin, face.frames, face.top, face.bottom, face.left, face.right);
}

// Text shown in a menu as it stands: "&" would mark a mnemonic.
QByteArray menuText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&")).toUtf8();
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
    , m_channel(std::move(channel))
    , m_icon(resources::resourceIcon(resources::ICON_PROGRAM))
    , m_emulatedKeyboard(emulatedKeyboard)
{
    // Without a channel the transfers still run their course and fail as
    // they do with no device.
    const bool noChannel = !m_channel;
    if (noChannel)
        m_channel = std::make_unique<driverchannel::CDriverChannel>(
            std::make_unique<driverchannel::CUnavailableDriverPlatform>());
    m_transfer = std::make_unique<transfer::CKeyboardTransfer>(*m_channel);
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT));
    SetTitle(TITLE_TEMPLATE);
    CreateControls();
    OnInitDialog(noChannel);

    // Undo and redo work wherever the focus is in the window; the menu
    // shows the same actions.
    m_undoAction = new QAction(this);
    m_undoAction->setShortcut(QKeySequence::Undo);
    connect(m_undoAction, &QAction::triggered, this, &CMainDialog::Undo);
    m_redoAction = new QAction(this);
    m_redoAction->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    connect(m_redoAction, &QAction::triggered, this, &CMainDialog::Redo);
    addAction(m_undoAction);
    addAction(m_redoAction);
    UpdateEditActions();
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
        m_keyCaps[std::size_t(id - 1000)] = cap;
    }
    for (CSkinnedButton* cap : m_keyCaps) {
        if (!cap)
            continue;
        // Enter on a key cap is the grid's (see eventFilter), not a default button's.
        cap->setAutoDefault(false);
        cap->installEventFilter(this);
        const int id = cap->ControlId();
        connect(cap, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
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

    m_dataArea = new CDataAreaGauge(this);
    m_dataArea->setGeometry(placed(DATA_AREA_PLACE));

    for (const dialoglayout::CommandButton& command : COMMAND_BUTTONS) {
        auto* button = new CSkinnedButton(QString::fromLatin1(command.caption), this);
        button->SetControlId(command.id);
        button->setGeometry(placed(commandButtonPlace(command)));
        const int id = command.id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        *CommandMember(id) = button;
    }

    m_decoration = new QLabel(this);
    m_decoration->setGeometry(placed(DECORATION_PLACE));
    m_decoration->setPixmap(resources::resourcePixmap(resources::BITMAP_DECORATION));
}

void CMainDialog::OnInitDialog(bool noChannel)
{
    // The About entry lives in the context menu (CreateContextMenu): the
    // window manager owns the system menu here.
    setWindowIcon(m_icon);
    LoadFaces();
    m_editMode = 1;
    m_reading = 0;

    m_loadResult
        = noChannel ? driverchannel::CHANNEL_NO_DEVICE : m_channel->Load(DRIVER_NAME, nullptr, nullptr, true);
    if (m_loadResult != driverchannel::CHANNEL_SUCCESS) {
        QString text = QString::fromLatin1(MSG_DRIVER_LOAD_FAILED);
        // Another run holds the keyboard: say which, after the system's text.
        if (m_loadResult == driverchannel::CHANNEL_KEYBOARD_IN_USE)
            text += QString::asprintf(MSG_KEYBOARD_IN_USE, m_channel->KeyboardHolder().c_str());
        widgets::ShowMessage(this, text, widgets::MessageIcon::Stop);
    }
    if (!m_emulatedKeyboard)
        for (CSkinnedButton* transfer : { m_writeButton, m_readButton })
            transfer->setToolTip(QString::fromLatin1(TIP_KEYBOARD_PAUSED));

    BuildGridMap();
}

void CMainDialog::LoadFaces()
{
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST_MAIN; ++id)
        loadFace(KeyCap(id), KEY_FACE);
    for (int id = IDC_SMALL_KEY_FIRST; id <= IDC_KEY_LAST; ++id)
        loadFace(KeyCap(id), SMALL_KEY_FACE);
    for (CSkinnedButton* button : { m_browseEditButton, m_configButton, m_writeButton, m_readButton,
             m_saveButton, m_loadButton, m_quitButton }) {
        loadFace(button, COMMAND_FACE);
        button->SetCaptionColor(COLOR_COMMAND_CAPTION);
    }
}

void CMainDialog::BuildGridMap()
{
    for (int index = 0; index < keydata::GRID_MAP_SIZE; ++index)
        m_gridMap[std::size_t(index)] = keydata::slotOfGridIndex(index);
}

void CMainDialog::SetTitle(const char* title)
{
    QString text = QString::fromLatin1(title);
    if (m_emulatedKeyboard)
        text += QString::fromLatin1(TITLE_EMULATED_SUFFIX);
    setWindowTitle(text);
}

CSkinnedButton** CMainDialog::CommandMember(int id)
{
    switch (id) {
    case IDC_BROWSE_EDIT:
        return &m_browseEditButton;
    case IDC_CONFIG:
        return &m_configButton;
    case IDC_WRITE_KB:
        return &m_writeButton;
    case IDC_READ_KB:
        return &m_readButton;
    case IDC_SAVE_FILE:
        return &m_saveButton;
    case IDC_LOAD_FILE:
        return &m_loadButton;
    default:
        return &m_quitButton;
    }
}

CSkinnedButton* CMainDialog::KeyCap(int controlId) const
{
    return isKeyCapId(controlId) ? m_keyCaps[std::size_t(controlId - 1000)] : nullptr;
}

CSkinnedButton* CMainDialog::CommandButton(int controlId) const
{
    for (CSkinnedButton* button : { m_browseEditButton, m_configButton, m_writeButton, m_readButton,
             m_saveButton, m_loadButton, m_quitButton })
        if (button && button->ControlId() == controlId)
            return button;
    return nullptr;
}

bool CMainDialog::OnCommand(int id)
{
    // A keyboard read runs: nothing happens. A write disables the window,
    // and its message pump must not start anything either.
    if (m_reading || m_writing)
        return true;
    if (isKeyCapId(id))
        RunKeyCommand(id);
    switch (id) {
    case IDC_BROWSE_EDIT:
        OnBrowseEdit();
        break;
    case IDC_CONFIG:
        OnConfig();
        break;
    case IDC_WRITE_KB:
        OnWriteToKb();
        break;
    case IDC_READ_KB:
        OnReadKbData();
        break;
    case IDC_SAVE_FILE:
        OnSaveToFile();
        break;
    case IDC_LOAD_FILE:
        OnLoadFromFile();
        break;
    case IDC_QUIT:
        OnQuit();
        break;
    default:
        break;
    }
    return true;
}

// Ids above 1100 would address slots without a key cap (row 5 from column
// 5 on, or row 6, outside the table); no control sends them, and
// isKeyCapId keeps them out.
void CMainDialog::RunKeyCommand(int id)
{
    const GridPosition position = gridPositionOfControl(id);
    m_navigationRow = position.row;
    m_navigationColumn = position.column;
    keydata::KeyRecord& record = m_table.record(position.row, position.column);
    const keydata::KeyRecord before = record;
    CSkinnedButton* cap = KeyCap(id);

    if (m_editMode && m_keyEditor) {
        const keydata::KeyTable tableBefore = m_table;
        const QString title = QString::asprintf(EDIT_KEY_TITLE_FORMAT, id - 1000);
        const int result = m_keyEditor(m_table, position.row, position.column, title, this);
        std::string caption;
        keydata::keyCaption(id, false, caption);
        RememberChange(tableBefore, QString::asprintf(UNDO_KEY, caption.c_str()));
        // Only the bytes count: a change of kind alone is no change.
        if (result == QDialog::Accepted && !std::ranges::equal(before.bytes(), record.bytes())) {
            SetKeyCaption(cap, id, record);
            cap->SetCaptionColor(COLOR_KEY_CHANGED);
            cap->update();
        }
    }

    ShowKeyText(record);
    if (record.isEmpty())
        cap->setText(QString());
}

void CMainDialog::SetKeyCaption(CSkinnedButton* cap, int id, const keydata::KeyRecord& record)
{
    std::string caption;
    keydata::keyCaption(id, record.isEmpty(), caption);
    cap->setText(QString::fromLatin1(caption));
}

void CMainDialog::ShowKeyText(const keydata::KeyRecord& record)
{
    std::string text;
    keydata::renderKeyText(record, text);
    // Key text is byte text; string content bytes are ISO-8859-1 characters.
    m_keyContentText = QString::fromLatin1(text);
    m_keyContent->setPlainText(m_keyContentText);
}

void CMainDialog::OnBrowseEdit()
{
    if (m_editMode) {
        m_browseEditButton->setText(QString::fromLatin1(CAPTION_EDIT));
        SetTitle(TITLE_BROWSE_MODE);
        m_editMode = 0;
    } else {
        m_browseEditButton->setText(QString::fromLatin1(CAPTION_BROWSE));
        SetTitle(TITLE_EDIT_MODE);
        m_editMode = 1;
    }
}

// The settings bytes change in place; what the grid shows does not.
void CMainDialog::OnConfig()
{
    const keydata::KeyTable before = m_table;
    CConfigDialog dialog(m_table, this);
    widgets::RunModal(dialog);
    RememberChange(before, QString::fromLatin1(UNDO_CONFIG));
}

void CMainDialog::OnQuit()
{
    ConfirmQuit();
}

bool CMainDialog::ConfirmQuit()
{
    // With changes nothing holds, the question about them is the one asked.
    if (HasUnsavedChanges()) {
        if (!ConfirmDiscard(DISCARD_QUIT))
            return false;
    } else if (widgets::ShowMessage(this, QString::fromLatin1(MSG_CONFIRM_QUIT),
                   widgets::MessageIcon::Question, widgets::MessageButtons::YesNo)
        != widgets::MessageAnswer::Yes) {
        return false;
    }
    done(QDialog::Rejected);
    return true;
}

bool CMainDialog::ConfirmDiscard(const char* question)
{
    if (!HasUnsavedChanges())
        return true;
    return widgets::ShowMessage(this, QString::asprintf(MSG_DISCARD_CHANGES, question),
               widgets::MessageIcon::Question, widgets::MessageButtons::YesNo)
        == widgets::MessageAnswer::Yes;
}

void CMainDialog::RememberChange(const keydata::KeyTable& before, const QString& what)
{
    if (!(before == m_table)) {
        m_undo.push_back({ before, what });
        if (m_undo.size() > UNDO_LIMIT)
            m_undo.erase(m_undo.begin());
        m_redo.clear();
    }
    m_dataArea->Show(keydata::checkKeyboardFit(m_table));
    UpdateEditActions();
}

void CMainDialog::Undo()
{
    TakeStep(m_undo, m_redo);
}

void CMainDialog::Redo()
{
    TakeStep(m_redo, m_undo);
}

// The table of the last step in from replaces the current one, which goes
// to the other list under the same name.
void CMainDialog::TakeStep(std::vector<TableStep>& from, std::vector<TableStep>& to)
{
    if (m_reading || m_writing || from.empty())
        return;
    TableStep step = std::move(from.back());
    from.pop_back();
    std::swap(step.table, m_table);
    ShowReplacedTable(step.table);
    to.push_back(std::move(step));
    UpdateEditActions();
}

template <typename Visit> void CMainDialog::ForEachKeyCap(Visit visit)
{
    for (int index = 0; index < keydata::GRID_KEYS; ++index) {
        const int id = IDC_KEY_FIRST + index;
        CSkinnedButton* cap = KeyCap(id);
        const keydata::GridSlot slot = m_gridMap[std::size_t(index)];
        if (cap && slot.valid())
            visit(cap, id, slot);
    }
}

void CMainDialog::ShowReplacedTable(const keydata::KeyTable& before)
{
    ForEachKeyCap([&](CSkinnedButton* cap, int id, keydata::GridSlot slot) {
        const keydata::KeyRecord& record = m_table.record(slot.row, slot.column);
        if (record == before.record(slot.row, slot.column))
            return;
        SetKeyCaption(cap, id, record);
        cap->SetCaptionColor(COLOR_KEY_CHANGED);
        cap->update();
    });
    const keydata::KeyRecord& shown = m_table.record(m_navigationRow, m_navigationColumn);
    if (!(shown == before.record(m_navigationRow, m_navigationColumn)))
        ShowKeyText(shown);
    m_dataArea->Show(keydata::checkKeyboardFit(m_table));
}

QString CMainDialog::UndoText() const
{
    return m_undo.empty() ? QString::fromLatin1(MENU_UNDO)
                          : QString::asprintf(MENU_UNDO_WHAT, menuText(m_undo.back().what).constData());
}

QString CMainDialog::RedoText() const
{
    return m_redo.empty() ? QString::fromLatin1(MENU_REDO)
                          : QString::asprintf(MENU_REDO_WHAT, menuText(m_redo.back().what).constData());
}

void CMainDialog::UpdateEditActions()
{
    if (!m_undoAction)
        return;
    m_undoAction->setText(UndoText());
    m_undoAction->setEnabled(CanUndo());
    m_redoAction->setText(RedoText());
    m_redoAction->setEnabled(CanRedo());
}

QStringList CMainDialog::RecentFiles() const
{
    QStringList files;
    const QString section = QString::fromLatin1(PROFILE_RECENT_SECTION);
    for (int i = 1; i <= RECENT_FILES_MAX; ++i) {
        const QString file
            = widgets::ReadProfileString(section, QString::fromLatin1(PROFILE_RECENT_KEY).arg(i));
        if (!file.isEmpty())
            files.append(file);
    }
    return files;
}

void CMainDialog::AddRecentFile(const QString& path)
{
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList files = RecentFiles();
    files.removeAll(file);
    files.prepend(file);
    const QString section = QString::fromLatin1(PROFILE_RECENT_SECTION);
    for (int i = 1; i <= RECENT_FILES_MAX && i <= files.size(); ++i)
        widgets::WriteProfileString(
            section, QString::fromLatin1(PROFILE_RECENT_KEY).arg(i), files[qsizetype(i - 1)]);
}

void CMainDialog::RefreshGrid()
{
    ForEachKeyCap([&](CSkinnedButton* cap, int id, keydata::GridSlot slot) {
        const keydata::KeyRecord& record = m_table.record(slot.row, slot.column);
        if (!record.isEmpty()) {
            SetKeyCaption(cap, id, record);
            cap->SetCaptionColor(COLOR_KEY_STORED);
        } else {
            cap->setText(QString());
        }
        cap->update();
    });

    m_dataArea->Show(keydata::checkKeyboardFit(m_table));

    // The last focused key is only ever a key cap id; anything else (the
    // content box's own id among them) has no record and leaves the box.
    const int last = widgets::LastFocusedKey();
    if (KeyCap(last)) {
        const keydata::GridSlot slot = m_gridMap[std::size_t(last - IDC_KEY_FIRST)];
        if (slot.valid())
            ShowKeyText(m_table.record(slot.row, slot.column));
    }
}

void CMainDialog::MarkKeys(widgets::ColorRef color)
{
    ForEachKeyCap([&](CSkinnedButton* cap, int, keydata::GridSlot slot) {
        if (m_table.record(slot.row, slot.column).isEmpty())
            return;
        cap->SetCaptionColor(color);
        cap->update();
    });
}

bool CMainDialog::OnGridKey(int focusedId, int virtualKey)
{
    GridPosition position = NavigationPosition();
    switch (virtualKey) {
    case VK_TAB:
        return true;
    case VK_RETURN:
        OnCommand(focusedId);
        position = gridPositionOfControl(focusedId);
        break;
    case VK_LEFT:
        position = moveOnGrid(position, GridMove::Left);
        break;
    case VK_RIGHT:
        position = moveOnGrid(position, GridMove::Right);
        break;
    case VK_UP:
        position = moveOnGrid(position, GridMove::Up);
        break;
    case VK_DOWN:
        position = moveOnGrid(position, GridMove::Down);
        break;
    default:
        return false;
    }
    m_navigationRow = position.row;
    m_navigationColumn = position.column;

    // A position without a key cap (row 5 from column 5 on) moves nothing.
    const int target = keyControlIdAt(position);
    if (CSkinnedButton* cap = KeyCap(target)) {
        cap->setFocus(Qt::OtherFocusReason);
        // Enter has just run the key's command.
        if (!m_editMode && virtualKey != VK_RETURN)
            OnCommand(target);
    }
    return true;
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Only the focus widget's own key events: a key event that a child
    // passes on to its parent would otherwise be seen twice.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && watched == QApplication::focusWidget()) {
        widgets::PhysicalKey key;
        if (widgets::physicalKeyOf(event, key) && key.message == widgets::KeyMessage::KeyDown) {
            auto* widget = static_cast<QWidget*>(watched);
            const int id = widgets::controlId(widget);
            if (id >= IDC_KEY_FIRST && id <= IDC_NAVIGATION_LAST)
                return OnGridKey(id, key.virtualKey);
            // Enter in the read-only content box has nothing to do.
            if (widget == m_keyContent && key.virtualKey == VK_RETURN)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QMenu* CMainDialog::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(QString::fromLatin1(MENU_MINIMIZE), this, [this] { OnSysCommand(SC_MINIMIZE_COMMAND); });
    menu->addAction(QString::fromLatin1(MENU_CLOSE), this, [this] { OnSysCommand(SC_CLOSE_COMMAND); });
    menu->addSeparator();
    UpdateEditActions();
    menu->addAction(m_undoAction);
    menu->addAction(m_redoAction);
    QMenu* recent = menu->addMenu(QString::fromLatin1(MENU_RECENT));
    const QStringList files = RecentFiles();
    recent->setEnabled(!files.isEmpty());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        recent->addAction(QString::asprintf(MENU_RECENT_ENTRY, int(i + 1), menuText(file).constData()), this,
            [this, file] { LoadFile(file); });
    }
    menu->addSeparator();
    menu->addAction(QString::fromLatin1(ABOUT_MENU_TEXT), this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    return menu;
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_reading && !m_writing && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    LoadFile(file);
}

void CMainDialog::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_reading || m_writing)
        return;
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(event->globalPos());
}

void CMainDialog::OnSysCommand(int command)
{
    if (m_reading || m_writing)
        return;
    switch (command & SYSTEM_COMMAND_MASK) {
    case IDM_ABOUTBOX:
        ShowAbout();
        break;
    case SC_MINIMIZE_COMMAND:
        showMinimized();
        break;
    case SC_RESTORE_COMMAND:
        showNormal();
        break;
    case SC_CLOSE_COMMAND:
        close();
        break;
    default:
        break;
    }
}

void CMainDialog::ShowAbout()
{
    CAboutDialog about(this);
    widgets::RunModal(about);
}

void CMainDialog::reject()
{
    // The window cannot go away under a transfer.
    if (m_reading || m_writing)
        return;
    if (!ConfirmDiscard(DISCARD_QUIT))
        return;
    QDialog::reject();
}

} // namespace app
