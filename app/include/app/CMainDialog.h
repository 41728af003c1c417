// CMainDialog: the program's main window, a modal dialog whose loop is the
// program's life. It holds the grid of 100 key caps, the key content box
// and seven command buttons, owns the driver channel and the key table, and
// routes every command through OnCommand (swallowed while a keyboard read
// runs).
//
//   CMainDialog dialog(CreateProgramChannel(options), options.emulate);
//   dialog.SetKeyEditor(CreateProgramKeyEditor());
//   dialog.exec();
#pragma once

#include <app/KeyEditor.h>

#include <dialoglayout/MainDialogLayout.h>
#include <driverchannel/CDriverChannel.h>
#include <keydata/KeyTable.h>
#include <presenters/GridNavigation.h>
#include <widgets/Colors.h>

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace transfer {
class CKeyboardTransfer;
}
namespace widgets {
class CProgressPopup;
class CSkinnedButton;
} // namespace widgets

namespace app {

using namespace dialoglayout;
using presenters::GridMove;
using presenters::GridPosition;
using presenters::gridPositionOfControl;
using presenters::keyControlIdAt;
using presenters::moveOnGrid;

class CDataAreaGauge;

// The recent files in the program's profile: [RecentFiles] File1..File6,
// newest first.
inline constexpr const char* PROFILE_RECENT_SECTION = "RecentFiles";
inline constexpr const char* PROFILE_RECENT_KEY = "File%1";
inline constexpr int RECENT_FILES_MAX = 6;

// Caption colours of the key caps (0x00BBGGRR).
inline constexpr widgets::ColorRef COLOR_KEY_CHANGED = widgets::makeColorRef(255, 0, 0); // red
inline constexpr widgets::ColorRef COLOR_KEY_STORED = widgets::makeColorRef(0, 0, 0); // black
inline constexpr widgets::ColorRef COLOR_KEY_WRITTEN = widgets::makeColorRef(0, 0, 255); // blue

class CMainDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the window and initialises it: faces, edit mode, the driver
    // Load (a failure is reported with a message box and the window stays
    // usable), the grid map. A null channel counts as a failed load: the
    // window then works over a channel that reaches no device.
    explicit CMainDialog(std::unique_ptr<driverchannel::CDriverChannel> channel,
        bool emulatedKeyboard = false, QWidget* parent = nullptr);
    ~CMainDialog() override;

    void SetKeyEditor(KeyEditor editor) { m_keyEditor = std::move(editor); }

    // Command routing: every button and key cap comes here. While the
    // reading flag is set (and while a write runs) every command is
    // swallowed. Key caps (1001..1100)
    // run the key command first; then the command's handler runs. Returns
    // whether the command was consumed.
    bool OnCommand(int id);
    // System commands (the context menu): IDM_ABOUTBOX, minimise, restore,
    // close. Ignored while the reading flag is set.
    void OnSysCommand(int command);

    // Button handlers. Every outcome is told with a message box.
    void OnBrowseEdit();
    // The configuration dialog over the key table's settings bytes; the
    // grid is not refreshed.
    void OnConfig();
    // Writes the key table into the keyboard under the progress window:
    // a table the keyboard cannot store is refused first, then the user
    // confirms; after a complete write the programmed keys turn blue.
    void OnWriteToKb();
    // Reads the key table out of the keyboard (the reading flag is set for
    // the request) and refreshes the grid.
    void OnReadKbData();
    // Saves the key table to a ".dat" file chosen by the user; the
    // programmed keys turn black.
    void OnSaveToFile();
    // Loads a ".dat" file chosen by the user and refreshes the grid.
    void OnLoadFromFile();
    // Loads a ".dat" file or a JSON layout (by its ".json" suffix) as
    // "&Load from file..." loads the file it is given: a file dropped on
    // the window, or one of the recent files.
    void LoadFile(const QString& path);
    void OnQuit();
    // Asks before quitting ("Are you sure quit this program?", or whether
    // to discard changes nothing holds); ends the dialog (rejected) on Yes.
    // Returns whether it ended.
    bool ConfirmQuit();

    // The grid. A key cap's caption is keyCaption of its record; its colour
    // marks the last thing that happened to it.
    // Refresh after a load or read: captions from the table (non-empty keys
    // black), then the key content box shows the last focused key.
    void RefreshGrid();
    // Colours every non-empty key (black after a save, blue after a write);
    // captions stay.
    void MarkKeys(widgets::ColorRef color);

    // Changes that neither the keyboard nor a file holds: the table differs
    // from what was last read, written, loaded or saved. Quit, Escape, the
    // close button, loading and reading ask before they discard them.
    bool HasUnsavedChanges() const { return !(m_table == m_cleanTable); }

    // Undo and redo of the table's changes: key edits, loads, reads and the
    // configuration. Keys whose content an undo or redo changes turn red.
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    void Undo();
    void Redo();
    // The menu text of the next undo and redo ("&Undo key 23").
    QString UndoText() const;
    QString RedoText() const;
    // The most steps kept; older ones are forgotten.
    static constexpr std::size_t UNDO_LIMIT = 100;

    // The files loaded or saved last, newest first (kept in the profile).
    QStringList RecentFiles() const;
    CDataAreaGauge* DataAreaGauge() const { return m_dataArea; }

    // The reading flag: set for the duration of a keyboard read.
    void SetReading(bool reading) { m_reading = reading ? 1 : 0; }
    bool IsReading() const { return m_reading != 0; }
    // A keyboard write runs (the window is disabled under its progress
    // window, which Progress() returns meanwhile).
    bool IsWriting() const { return m_writing; }
    widgets::CProgressPopup* Progress() const { return m_progress; }

    bool IsEditMode() const { return m_editMode != 0; }
    GridPosition NavigationPosition() const { return { m_navigationRow, m_navigationColumn }; }
    QString KeyContentText() const { return m_keyContentText; }
    // The result of the driver Load at initialisation.
    int LoadResult() const { return m_loadResult; }
    bool IsEmulatedKeyboard() const { return m_emulatedKeyboard; }

    keydata::KeyTable& Table() { return m_table; }
    driverchannel::CDriverChannel* Channel() { return m_channel.get(); }
    // The key cap of control id 1001..1100, or nullptr.
    widgets::CSkinnedButton* KeyCap(int controlId) const;
    // The command button of a control id, or nullptr.
    widgets::CSkinnedButton* CommandButton(int controlId) const;
    QPlainTextEdit* KeyContentBox() const { return m_keyContent; }

    // The window's context menu: the system-menu entries the window offers,
    // a separator, undo, redo and the recent files, a separator and
    // "&About Me...". The caller owns it.
    QMenu* CreateContextMenu();

    // Escape and the close button end the dialog (not while a keyboard
    // read runs), asking first only when changes would be lost.
    void reject() override;

protected:
    // The grid's keyboard navigation: the one place where Qt key events
    // are looked at.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    widgets::CSkinnedButton** CommandMember(int id);
    void OnInitDialog(bool noChannel);
    void LoadFaces();
    void BuildGridMap();
    void SetTitle(const char* title);
    void RunKeyCommand(int id);
    void ShowKeyText(const keydata::KeyRecord& record);
    bool OnGridKey(int focusedId, int virtualKey);
    void ShowAbout();
    void SetKeyCaption(widgets::CSkinnedButton* cap, int id, const keydata::KeyRecord& record);
    // Calls visit(cap, id, slot) for every key cap that has a slot.
    template <typename Visit> void ForEachKeyCap(Visit visit);

    // Asks before changes would be lost (question: a DISCARD_ text); true
    // when there are none or the user lets them go.
    bool ConfirmDiscard(const char* question);
    void LoadChosenFile(const QString& path);
    bool LoadKeyDataFile(const QString& path);
    bool LoadJsonLayout(const QString& path);
    // After a change of the table: keeps the table from before it as an
    // undo step named what, and shows the data area.
    void RememberChange(const keydata::KeyTable& before, const QString& what);
    // The keyboard or a file now holds the table.
    void MarkClean() { m_cleanTable = m_table; }
    // Shows the table after an undo or redo replaced before.
    void ShowReplacedTable(const keydata::KeyTable& before);
    void AddRecentFile(const QString& path);
    void UpdateEditActions();

    struct TableStep {
        keydata::KeyTable table;
        QString what;
    };
    void TakeStep(std::vector<TableStep>& from, std::vector<TableStep>& to);
    widgets::CSkinnedButton* m_browseEditButton = nullptr;
    widgets::CSkinnedButton* m_configButton = nullptr;
    widgets::CSkinnedButton* m_readButton = nullptr;
    widgets::CSkinnedButton* m_writeButton = nullptr;
    widgets::CSkinnedButton* m_loadButton = nullptr;
    widgets::CSkinnedButton* m_saveButton = nullptr;
    widgets::CSkinnedButton* m_quitButton = nullptr;
    QString m_keyContentText;
    std::int32_t m_navigationRow = 0;
    std::int32_t m_navigationColumn = 0;
    std::int32_t m_reading = 0;
    std::int32_t m_editMode = 1;
    // Element k is control 1000 + k for k = 1..100; the others stay null.
    std::array<widgets::CSkinnedButton*, KEY_CAP_SLOTS> m_keyCaps {};
    std::unique_ptr<driverchannel::CDriverChannel> m_channel;
    std::array<keydata::GridSlot, keydata::GRID_MAP_SIZE> m_gridMap {};
    QIcon m_icon;

    QPlainTextEdit* m_keyContent = nullptr;
    QLabel* m_decoration = nullptr;
    keydata::KeyTable m_table;
    KeyEditor m_keyEditor;
    bool m_emulatedKeyboard = false;
    int m_loadResult = driverchannel::CHANNEL_SUCCESS;
    std::unique_ptr<transfer::CKeyboardTransfer> m_transfer;
    widgets::CProgressPopup* m_progress = nullptr;
    bool m_writing = false;

    keydata::KeyTable m_cleanTable;
    std::vector<TableStep> m_undo;
    std::vector<TableStep> m_redo;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    CDataAreaGauge* m_dataArea = nullptr;
};

} // namespace app
