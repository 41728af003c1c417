#include <presenters/CMainDialogPresenter.h>

#include "Utf8Paths.h"

#include <presenters/PresenterTexts.h>

#include <driverchannel/CUnavailableDriverBackend.h>
#include <keycomposition/VirtualKeys.h>
#include <keydata/KeyboardProtocol.h>
#include <keydata/KeyText.h>
#include <keydata/WritePackets.h>
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>
#include <transfer/CKeyboardTransfer.h>
#include <transfer/TransferTexts.h>

#include <algorithm>
#include <utility>

namespace presenters {

using namespace dialoglayout;
using lodemar::format;

namespace {

std::size_t capIndex(int id)
{
    return static_cast<std::size_t>(id - 1000);
}

} // namespace

std::string menuText(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    return escaped;
}

std::string recentFileMenuText(int index, const std::string& path)
{
    return format(MENU_RECENT_ENTRY, index + 1, menuText(path).c_str());
}

CMainDialogPresenter::CMainDialogPresenter(CMainView& view, CFrontEndServices& services,
    std::unique_ptr<driverchannel::CDriverChannel> channel, bool emulatedKeyboard)
    : m_view(view)
    , m_services(services)
    , m_channel(std::move(channel))
    , m_emulatedKeyboard(emulatedKeyboard)
{
    // Without a channel the transfers still run their course and fail as
    // they do with no device.
    m_noChannel = !m_channel;
    if (m_noChannel)
        m_channel = std::make_unique<driverchannel::CDriverChannel>(
            std::make_unique<driverchannel::CUnavailableDriverBackend>());
    m_transfer = std::make_unique<transfer::CKeyboardTransfer>(*m_channel);
}

CMainDialogPresenter::~CMainDialogPresenter() = default;

void CMainDialogPresenter::Initialize()
{
    m_view.SetTitle(TitleOf(TITLE_TEMPLATE));
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id)
        ShowKeyCap(id);
    m_editMode = true;
    m_busy = BusyState::Idle;

    m_loadResult = m_noChannel ? driverchannel::CHANNEL_NO_DEVICE
                               : m_channel->Load(driverchannel::DRIVER_NAME, nullptr, nullptr, true);
    if (!m_emulatedKeyboard)
        for (const int id : { IDC_WRITE_KB, IDC_READ_KB })
            m_view.SetControlTip(id, TIP_KEYBOARD_PAUSED);

    for (int index = 0; index < keydata::GRID_MAP_SIZE; ++index)
        m_gridMap[static_cast<std::size_t>(index)] = keydata::slotOfGridIndex(index);
    ShowDataArea();
    ShowEditActions();
}

void CMainDialogPresenter::OnShown()
{
    ReportLoadFailure();
    if (!m_startFile.empty()) {
        const std::string file = std::exchange(m_startFile, std::string());
        LoadFile(file);
    }
}

void CMainDialogPresenter::ReportLoadFailure()
{
    if (m_loadResult == driverchannel::CHANNEL_SUCCESS || m_loadReported)
        return;
    m_loadReported = true;
    // The system's text first, then why, as a sentence, and what to try.
    std::string text = transfer::text::LOAD_DRIVER_FAIL;
    if (std::string reason
        = m_loadFailureReason ? m_loadFailureReason(*m_channel, m_loadResult) : std::string();
        !reason.empty()) {
        // A program's own message ("tavrin-emu: ...") keeps its name as written.
        const std::size_t word = reason.find_first_of(" :");
        const bool quotesProgram = word != std::string::npos && reason[word] == ':';
        if (!quotesProgram && reason[0] >= 'a' && reason[0] <= 'z')
            reason[0] = static_cast<char>(reason[0] - 'a' + 'A');
        text += "\n\n" + reason + ".";
    }
    text += "\n\n";
    text += m_emulatedKeyboard ? MSG_LOAD_HINT_EMULATED : MSG_LOAD_HINT;
    Tell(text, MessageIcon::Stop);
}

std::string CMainDialogPresenter::TitleOf(const char* title) const
{
    std::string text = title;
    if (m_emulatedKeyboard)
        text += TITLE_EMULATED_SUFFIX;
    return text;
}

const KeyCapLook& CMainDialogPresenter::KeyCap(int id) const
{
    static const KeyCapLook none;
    return isKeyCapId(id) ? m_keyCaps[capIndex(id)] : none;
}

// What a screen reader says of a key cap: which key it is and what it
// sends, from the record as it is now.
void CMainDialogPresenter::ShowKeyCap(int id)
{
    KeyCapLook& look = m_keyCaps[capIndex(id)];
    std::string caption;
    keydata::keyCaption(id, false, caption);
    look.accessibleName = format(KEY_CAP_NAME, caption.c_str());
    const keydata::GridSlot slot = keydata::slotOfGridIndex(id - IDC_KEY_FIRST);
    const keydata::KeyRecord& record = m_table.Record(slot.row, slot.column);
    std::string text;
    keydata::renderKeyText(record, text);
    const std::string shown = keylayout::displayText(text, false); // ISO-8859-1 to UTF-8
    const std::uint8_t first = record.Bytes().empty() ? 0 : record.Bytes()[0];
    const bool lock
        = first == keydata::LOCK_CAPS || first == keydata::LOCK_NUM || first == keydata::LOCK_SCROLL;
    switch (record.IsEmpty() ? keydata::KIND_EMPTY : record.kind) {
    case keydata::KIND_EMPTY:
        look.accessibleDescription = KEY_CAP_EMPTY;
        break;
    case keydata::KIND_STRING:
        look.accessibleDescription = format(KEY_CAP_STRING, shown.c_str());
        break;
    case keydata::KIND_FUNCTION:
        look.accessibleDescription = format(KEY_CAP_FUNCTION, shown.c_str());
        break;
    case keydata::KIND_SWITCH:
        look.accessibleDescription = format(lock ? KEY_CAP_LOCK : KEY_CAP_LAYER_SWITCH, shown.c_str());
        break;
    default:
        look.accessibleDescription = KEY_CAP_UNKNOWN;
        break;
    }
    m_view.ShowKeyCap(id, look);
}

void CMainDialogPresenter::SetKeyCaption(int id, const keydata::KeyRecord& record)
{
    std::string caption;
    keydata::keyCaption(id, record.IsEmpty(), caption);
    m_keyCaps[capIndex(id)].caption = caption;
}

template <typename Visit> void CMainDialogPresenter::ForEachKeyCap(Visit visit) const
{
    for (int index = 0; index < keydata::GRID_KEYS; ++index) {
        const keydata::GridSlot slot = m_gridMap[static_cast<std::size_t>(index)];
        if (slot.IsValid())
            visit(IDC_KEY_FIRST + index, slot);
    }
}

bool CMainDialogPresenter::OnCommand(int id)
{
    // A keyboard read or write runs: nothing starts meanwhile (the write's
    // progress window lets messages through).
    if (IsBusy())
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
void CMainDialogPresenter::RunKeyCommand(int id)
{
    const GridPosition position = gridPositionOfControl(id);
    m_navigation = position;
    keydata::KeyRecord& record = m_table.Record(position.row, position.column);
    const keydata::KeyRecord before = record;

    if (m_editMode) {
        const keydata::KeyTable tableBefore = m_table;
        const bool accepted = m_services.RunKeyDialog(
            m_table, position.row, position.column, format(EDIT_KEY_TITLE_FORMAT, id - 1000));
        std::string caption;
        keydata::keyCaption(id, false, caption);
        RememberChange(tableBefore, format(UNDO_KEY, caption.c_str()));
        // Only the bytes count: a change of kind alone is no change.
        if (accepted && !std::ranges::equal(before.Bytes(), record.Bytes())) {
            SetKeyCaption(id, record);
            m_keyCaps[capIndex(id)].color = COLOR_KEY_CHANGED;
            ShowKeyCap(id);
        }
    }

    ShowKeyText(record);
    if (record.IsEmpty())
        m_keyCaps[capIndex(id)].caption.clear();
    ShowKeyCap(id);
}

void CMainDialogPresenter::ShowKeyText(const keydata::KeyRecord& record)
{
    m_keyContentText.clear();
    keydata::renderKeyText(record, m_keyContentText);
    m_view.ShowKeyContent(m_keyContentText);
}

void CMainDialogPresenter::OnBrowseEdit()
{
    m_editMode = !m_editMode;
    m_view.SetControlText(IDC_BROWSE_EDIT, m_editMode ? CAPTION_BROWSE : CAPTION_EDIT);
    m_view.SetTitle(TitleOf(m_editMode ? TITLE_EDIT_MODE : TITLE_BROWSE_MODE));
}

// The settings bytes change in place; what the grid shows does not.
void CMainDialogPresenter::OnConfig()
{
    const keydata::KeyTable before = m_table;
    m_services.RunConfigDialog(m_table);
    RememberChange(before, UNDO_CONFIG);
}

void CMainDialogPresenter::OnQuit()
{
    ConfirmQuit();
}

bool CMainDialogPresenter::ConfirmQuit()
{
    // With changes nothing holds, the question about them is the one asked.
    if (HasUnsavedChanges()) {
        if (!KeepChanges(UNSAVED_QUIT))
            return false;
    } else if (!Confirmed(MSG_CONFIRM_QUIT)) {
        return false;
    }
    m_view.Close();
    return true;
}

void CMainDialogPresenter::OnCancel()
{
    // The window cannot go away under a transfer.
    if (IsBusy() || !KeepChanges(UNSAVED_QUIT))
        return;
    m_view.Close();
}

void CMainDialogPresenter::Tell(const std::string& text, MessageIcon icon)
{
    m_services.ShowMessage(text, icon, MessageButtons::Ok);
}

bool CMainDialogPresenter::Confirmed(const char* question)
{
    return m_services.ShowMessage(question, MessageIcon::Question, MessageButtons::YesNo)
        == MessageAnswer::Yes;
}

bool CMainDialogPresenter::KeepChanges(const char* question)
{
    if (!HasUnsavedChanges())
        return true;
    switch (m_services.ShowMessage(
        format(MSG_UNSAVED_CHANGES, question), MessageIcon::Question, MessageButtons::SaveDiscardCancel)) {
    case MessageAnswer::Save:
        return SaveToFile();
    case MessageAnswer::Discard:
        return true;
    default:
        return false;
    }
}

void CMainDialogPresenter::RememberChange(const keydata::KeyTable& before, const std::string& what)
{
    if (!(before == m_table)) {
        m_undo.push_back({ before, what });
        if (m_undo.size() > UNDO_LIMIT)
            m_undo.erase(m_undo.begin());
        m_redo.clear();
    }
    ShowDataArea();
    ShowEditActions();
}

void CMainDialogPresenter::Undo()
{
    TakeStep(m_undo, m_redo);
}

void CMainDialogPresenter::Redo()
{
    TakeStep(m_redo, m_undo);
}

// The table of the last step in from replaces the current one, which goes
// to the other list under the same name.
void CMainDialogPresenter::TakeStep(std::vector<TableStep>& from, std::vector<TableStep>& to)
{
    if (IsBusy() || from.empty())
        return;
    TableStep step = std::move(from.back());
    from.pop_back();
    std::swap(step.table, m_table);
    ShowReplacedTable(step.table);
    to.push_back(std::move(step));
    ShowEditActions();
}

void CMainDialogPresenter::ShowReplacedTable(const keydata::KeyTable& before)
{
    ForEachKeyCap([&](int id, keydata::GridSlot slot) {
        const keydata::KeyRecord& record = m_table.Record(slot.row, slot.column);
        if (record == before.Record(slot.row, slot.column))
            return;
        SetKeyCaption(id, record);
        m_keyCaps[capIndex(id)].color = COLOR_KEY_CHANGED;
        ShowKeyCap(id);
    });
    const keydata::KeyRecord& shown = m_table.Record(m_navigation.row, m_navigation.column);
    if (!(shown == before.Record(m_navigation.row, m_navigation.column)))
        ShowKeyText(shown);
    ShowDataArea();
}

std::string CMainDialogPresenter::UndoText() const
{
    return m_undo.empty() ? std::string(MENU_UNDO)
                          : format(MENU_UNDO_WHAT, menuText(m_undo.back().what).c_str());
}

std::string CMainDialogPresenter::RedoText() const
{
    return m_redo.empty() ? std::string(MENU_REDO)
                          : format(MENU_REDO_WHAT, menuText(m_redo.back().what).c_str());
}

void CMainDialogPresenter::ShowEditActions()
{
    m_view.ShowEditActions({ UndoText(), CanUndo(), RedoText(), CanRedo() });
}

void CMainDialogPresenter::ShowDataArea()
{
    const keydata::KeyboardFit fit = keydata::checkKeyboardFit(m_table);
    const std::size_t size = keydata::DATA_AREA_SIZE;
    const std::size_t percent = (fit.dataUsed * 100 + size - 1) / size;
    m_dataArea.permille = static_cast<int>(std::min<std::size_t>(fit.dataUsed * 1000 / size, 1000));
    m_dataArea.level = !fit.Fits()                                          ? DataAreaLevel::Refused
        : percent >= static_cast<std::size_t>(DATA_AREA_NEAR_LIMIT_PERCENT) ? DataAreaLevel::NearLimit
                                                                            : DataAreaLevel::Normal;
    m_dataArea.text = format(
        TEXT_DATA_AREA, static_cast<int>(fit.dataUsed), static_cast<int>(size), static_cast<int>(percent));
    m_dataArea.tip
        = fit.Fits() ? format(TIP_DATA_AREA, static_cast<int>(fit.dataFree)) : transfer::fitRefusalText(fit);
    m_view.ShowDataArea(m_dataArea);
}

std::vector<std::string> CMainDialogPresenter::RecentFiles() const
{
    std::vector<std::string> files;
    for (int i = 1; i <= RECENT_FILES_MAX; ++i) {
        std::string file
            = m_services.ReadProfileString(PROFILE_RECENT_SECTION, format(PROFILE_RECENT_KEY, i));
        if (!file.empty())
            files.push_back(std::move(file));
    }
    return files;
}

void CMainDialogPresenter::AddRecentFile(const std::string& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(pathOfUtf8(path), error);
    const std::string file = utf8OfPath((error ? pathOfUtf8(path) : absolute).lexically_normal());
    std::vector<std::string> files = RecentFiles();
    std::erase(files, file);
    files.insert(files.begin(), file);
    for (int i = 1; i <= RECENT_FILES_MAX && i <= static_cast<int>(files.size()); ++i)
        m_services.WriteProfileString(
            PROFILE_RECENT_SECTION, format(PROFILE_RECENT_KEY, i), files[static_cast<std::size_t>(i - 1)]);
}

void CMainDialogPresenter::RefreshGrid()
{
    ForEachKeyCap([&](int id, keydata::GridSlot slot) {
        const keydata::KeyRecord& record = m_table.Record(slot.row, slot.column);
        KeyCapLook& look = m_keyCaps[capIndex(id)];
        if (!record.IsEmpty()) {
            SetKeyCaption(id, record);
            look.color = COLOR_KEY_STORED;
        } else {
            look.caption.clear();
        }
        ShowKeyCap(id);
    });
    ShowDataArea();

    // The last focused key is only ever a key cap id; anything else has no
    // record and leaves the box.
    const int last = m_view.LastFocusedKey();
    if (isKeyCapId(last)) {
        const keydata::GridSlot slot = m_gridMap[static_cast<std::size_t>(last - IDC_KEY_FIRST)];
        if (slot.IsValid())
            ShowKeyText(m_table.Record(slot.row, slot.column));
    }
}

void CMainDialogPresenter::MarkKeys(ColorRef color)
{
    ForEachKeyCap([&](int id, keydata::GridSlot slot) {
        if (m_table.Record(slot.row, slot.column).IsEmpty())
            return;
        m_keyCaps[capIndex(id)].color = color;
        ShowKeyCap(id);
    });
}

bool CMainDialogPresenter::OnKeyDown(int focusedId, int virtualKey)
{
    if (IsBusy())
        return false;
    // Enter in the read-only content box has nothing to do.
    if (focusedId == IDC_KEY_CONTENT)
        return virtualKey == VK_RETURN;
    if (focusedId < IDC_KEY_FIRST || focusedId > IDC_NAVIGATION_LAST)
        return false;
    GridPosition position = m_navigation;
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
    m_navigation = position;

    // A position without a key cap (row 5 from column 5 on) moves nothing.
    const int target = keyControlIdAt(position);
    // Enter has just run the key's command.
    if (isKeyCapId(target) && m_view.FocusControl(target) && !m_editMode && virtualKey != VK_RETURN)
        OnCommand(target);
    return true;
}

void CMainDialogPresenter::OnSysCommand(int command)
{
    if (IsBusy())
        return;
    switch (command & SYSTEM_COMMAND_MASK) {
    case IDM_ABOUTBOX:
        m_services.RunAboutDialog();
        break;
    case SC_MINIMIZE_COMMAND:
        m_view.Minimize();
        break;
    case SC_RESTORE_COMMAND:
        m_view.Restore();
        break;
    case SC_CLOSE_COMMAND:
        OnCancel();
        break;
    default:
        break;
    }
}

} // namespace presenters
