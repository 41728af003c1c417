// CMainDialogPresenter: the main window's behaviour, without a toolkit. It
// owns the key table and its clean copy, undo and redo, the recent files,
// the mode and the navigation position, the driver channel and the
// keyboard transfers, and routes every command of the window; what the
// window shows it tells its CMainView, what it asks the user it asks
// through CFrontEndServices.
//
//   CMainDialogPresenter presenter(view, services, CreateProgramChannel(options), options.emulate);
//   presenter.Initialize();   // when the window has been made
//   presenter.OnShown();      // when it is on the screen
//   presenter.OnCommand(IDC_WRITE_KB);
//
// One busy state stands for a keyboard read or write: while it is set,
// every entry point (commands, system commands, keys, undo, files dropped,
// the context menu, closing) does nothing.
#pragma once

#include <presenters/CFrontEndServices.h>
#include <presenters/CMainView.h>
#include <presenters/GridNavigation.h>

#include <dialoglayout/MainDialogLayout.h>
#include <driverchannel/CDriverChannel.h>
#include <keydata/KeyboardFit.h>
#include <keydata/KeyTable.h>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace transfer {
class CKeyboardTransfer;
}

namespace presenters {

// Caption colours of the key caps (0x00BBGGRR): the last thing that
// happened to the key.
inline constexpr ColorRef COLOR_KEY_CHANGED = dialoglayout::makeColorRef(255, 0, 0); // red: edited
inline constexpr ColorRef COLOR_KEY_STORED
    = dialoglayout::makeColorRef(0, 0, 0); // black: loaded, read, saved
inline constexpr ColorRef COLOR_KEY_WRITTEN = dialoglayout::makeColorRef(0, 0, 255); // blue: written

// From this share of the data area on, the gauge warns.
inline constexpr int DATA_AREA_NEAR_LIMIT_PERCENT = 80;

enum class BusyState { Idle, Reading, Writing };

// Why Load failed, for the user: the channel's reason for a result.
using LoadFailureReason = std::function<std::string(const driverchannel::CDriverChannel&, int result)>;

class CMainDialogPresenter {
public:
    // A null channel counts as a failed load: the window then works over a
    // channel that reaches no device.
    CMainDialogPresenter(CMainView& view, CFrontEndServices& services,
        std::unique_ptr<driverchannel::CDriverChannel> channel, bool emulatedKeyboard);
    ~CMainDialogPresenter();
    CMainDialogPresenter(const CMainDialogPresenter&) = delete;
    CMainDialogPresenter& operator=(const CMainDialogPresenter&) = delete;

    // The reason told under a failed load (by default none).
    void SetLoadFailureReason(LoadFailureReason reason) { m_loadFailureReason = std::move(reason); }
    // A file to load once the window is shown (the command line's).
    void SetStartFile(std::string path) { m_startFile = std::move(path); }

    // The window has been made: title, tips, every key cap, edit mode, the
    // driver Load, the grid map.
    void Initialize();
    // The window is on the screen: a failed load is told now, over it; then
    // the start file is loaded.
    void OnShown();

    // Command routing: every button and key cap. Key caps (1001..1100) run
    // the key command; then the command's handler runs. Always consumed.
    bool OnCommand(int id);
    // System commands: IDM_ABOUTBOX, minimise, restore, close.
    void OnSysCommand(int command);
    // A key-down on the control focusedId: the grid's navigation keys (and
    // Enter, which the content box takes for nothing). Returns whether the
    // key was consumed.
    bool OnKeyDown(int focusedId, int virtualKey);
    // Escape and the window's close button: the window ends, asking first
    // only when changes would be lost.
    void OnCancel();

    void OnBrowseEdit();
    // The configuration dialog over the table's settings bytes; the grid is
    // not refreshed.
    void OnConfig();
    // Writes the table under the progress window: a table the keyboard
    // cannot store is refused first, then the user confirms; after a
    // complete write the programmed keys turn blue.
    void OnWriteToKb();
    // Reads the table out of the keyboard and refreshes the grid.
    void OnReadKbData();
    // Saves to a ".dat" file the user chooses; the programmed keys turn black.
    void OnSaveToFile();
    // Loads a file the user chooses and refreshes the grid.
    void OnLoadFromFile();
    void OnQuit();
    // Asks before quitting; ends the window on Yes. Returns whether it ended.
    bool ConfirmQuit();
    // Loads a ".dat" file or a JSON layout (by its ".json" suffix) as
    // "&Load from file..." loads the file it is given: dropped on the
    // window, one of the recent files, the command line's.
    void LoadFile(const std::string& path);

    // Refresh after a load or read: captions from the table (non-empty keys
    // black), then the content box shows the last focused key.
    void RefreshGrid();
    // Colours every non-empty key; captions stay.
    void MarkKeys(ColorRef color);

    // Undo and redo of the table's changes: key edits, loads, reads and the
    // configuration. Keys whose content an undo or redo changes turn red.
    void Undo();
    void Redo();
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // The menu texts of the next undo and redo ("&Undo key 23").
    std::string UndoText() const;
    std::string RedoText() const;
    static constexpr std::size_t UNDO_LIMIT = 100;

    // Changes that neither the keyboard nor a file holds.
    bool HasUnsavedChanges() const { return !(m_table == m_cleanTable); }
    // The files loaded or saved last, newest first (kept in the profile).
    std::vector<std::string> RecentFiles() const;
    static constexpr int RECENT_FILES_MAX = 6;

    BusyState Busy() const { return m_busy; }
    bool IsBusy() const { return m_busy != BusyState::Idle; }
    bool IsEditMode() const { return m_editMode; }
    GridPosition NavigationPosition() const { return m_navigation; }
    // What the content box shows (ISO-8859-1 key text).
    const std::string& KeyContentText() const { return m_keyContentText; }
    const KeyCapLook& KeyCap(int id) const;
    const DataAreaLook& DataArea() const { return m_dataArea; }
    // The result of the driver Load at initialisation.
    int LoadResult() const { return m_loadResult; }
    bool IsEmulatedKeyboard() const { return m_emulatedKeyboard; }
    keydata::KeyTable& Table() { return m_table; }
    driverchannel::CDriverChannel& Channel() { return *m_channel; }

private:
    struct TableStep {
        keydata::KeyTable table;
        std::string what;
    };

    std::string TitleOf(const char* title) const;
    void RunKeyCommand(int id);
    void ShowKeyText(const keydata::KeyRecord& record);
    void ShowKeyCap(int id);
    void SetKeyCaption(int id, const keydata::KeyRecord& record);
    // Calls visit(id, slot) for every key cap that has a slot.
    template <typename Visit> void ForEachKeyCap(Visit visit) const;
    void ShowDataArea();
    void ShowEditActions();

    bool Confirmed(const char* question);
    bool ConfirmDiscard(const char* question);
    void ReportLoadFailure();
    void LoadChosenFile(const std::string& path);
    bool LoadKeyDataFile(const std::string& path);
    bool LoadJsonLayout(const std::string& path);
    void RememberChange(const keydata::KeyTable& before, const std::string& what);
    void MarkClean() { m_cleanTable = m_table; }
    void ShowReplacedTable(const keydata::KeyTable& before);
    void TakeStep(std::vector<TableStep>& from, std::vector<TableStep>& to);
    void AddRecentFile(const std::string& path);
    void Tell(const std::string& text, MessageIcon icon);
    void WriteFailure(const std::string& detail);

    CMainView& m_view;
    CFrontEndServices& m_services;
    std::unique_ptr<driverchannel::CDriverChannel> m_channel;
    std::unique_ptr<transfer::CKeyboardTransfer> m_transfer;
    bool m_noChannel = false;
    bool m_emulatedKeyboard = false;
    LoadFailureReason m_loadFailureReason;
    std::string m_startFile;
    int m_loadResult = driverchannel::CHANNEL_SUCCESS;
    bool m_loadReported = false;

    BusyState m_busy = BusyState::Idle;
    bool m_editMode = true;
    GridPosition m_navigation;
    std::string m_keyContentText;
    std::array<keydata::GridSlot, keydata::GRID_MAP_SIZE> m_gridMap {};
    // Element k is key cap 1000 + k for k = 1..100.
    std::array<KeyCapLook, dialoglayout::KEY_CAP_SLOTS> m_keyCaps {};
    DataAreaLook m_dataArea;

    keydata::KeyTable m_table;
    keydata::KeyTable m_cleanTable;
    std::vector<TableStep> m_undo;
    std::vector<TableStep> m_redo;
};

// A path's file name for the menu: "&" would mark a mnemonic there.
std::string menuText(const std::string& text);
// The context menu's entry of recent file index (0-based).
std::string recentFileMenuText(int index, const std::string& path);

} // namespace presenters
