// What the program's windows say while they run, verbatim: titles the mode
// writes, messages, menus, undo and the data area of the main window, and
// the messages and tips of the key programming dialog. Texts that the
// program shows as they stand (misspellings included) are the system's;
// those marked "ours" are not. What the templates say is in
// dialoglayout/TemplateTexts.h; the transfer's texts in
// transfer/TransferTexts.h. printf-style where they take values.
#pragma once

namespace presenters {

// The main window.

// Window titles the mode button writes (the template's is TITLE_TEMPLATE).
inline constexpr const char* TITLE_EDIT_MODE = "Keyboard programing tool -- Edit mode";
inline constexpr const char* TITLE_BROWSE_MODE = "Keyboard programing tool -- Browse mode";
// Ours: appended to every title while the keyboard is emulated.
inline constexpr const char* TITLE_EMULATED_SUFFIX = " [emulated keyboard]";
// Ours: the tip of the write and read buttons when the keyboard is real.
inline constexpr const char* TIP_KEYBOARD_PAUSED
    = "The keyboard types nothing while it is being programmed or read.";

// Message boxes. The driver's load failure is the transfer's
// (transfer::text::LOAD_DRIVER_FAIL).
// Ours: follows MSG_DRIVER_LOAD_FAILED when another run holds the keyboard;
// %s names it (e.g. "process 4711 (lodemar-cli)").
inline constexpr const char* MSG_KEYBOARD_IN_USE
    = "\n\nThe keyboard is in use by %s.\nNothing is sent to it from this window.";
inline constexpr const char* MSG_CONFIRM_QUIT = "Are you sure quit this program?";

// The key data file. "%s" is the full path of the file, after the ".dat"
// rule. A file that exists but cannot be written, or that is not a regular
// file, is "Open file %s fail" too.
inline constexpr const char* MSG_OPEN_FILE_FAIL = "Open file %s fail";
inline constexpr const char* MSG_NOT_SAVE_FILE = "File %s NOT a save file!";
inline constexpr const char* MSG_OPEN_FILE_SUCCESS = "Open file %s successful!";
inline constexpr const char* MSG_SAVE_FILE_SUCCESS = "Save data to file %s successful";
// Filters of the file dialogs: description and patterns. Windows matches
// patterns without regard to case; elsewhere the open filter names both.
inline constexpr const char* FILTER_SAVE_FILE = "Keyboard data file (*.dat)";
inline constexpr const char* FILTER_SAVE_PATTERNS = "*.dat";
#if defined(_WIN32)
inline constexpr const char* FILTER_OPEN_FILE = "Keyboard data file (*.DAT)";
inline constexpr const char* FILTER_OPEN_PATTERNS = "*.DAT";
#else
inline constexpr const char* FILTER_OPEN_FILE = "Keyboard data file (*.DAT *.dat)";
inline constexpr const char* FILTER_OPEN_PATTERNS = "*.DAT *.dat";
#endif

// Ours: what the key data file layer now refuses or reports. "%s" is the
// path, the second "%s" the system's reason.
inline constexpr const char* MSG_SAVE_FILE_FAIL
    = "Save data to file %s fail: %s.\nThe file was left as it was.";
inline constexpr const char* MSG_SAVE_TOO_LONG
    = "The key table was not saved to %s: its data needs %d bytes, more than the %d bytes a "
      "keyboard data file can hold.\nNothing was written.";
inline constexpr const char* MSG_SAVE_MARKER_BYTE
    = "The key table was not saved to %s: %s holds a byte of 0xFA or above, which "
      "would be read back as a marker.\nNothing was written.";
inline constexpr const char* MSG_SAVE_SETTINGS_MARKER
    = "The key table was not saved to %s: a settings byte is 0xFA or above, which would be "
      "read back as a marker.\nNothing was written.";
inline constexpr const char* MSG_READ_FILE_FAIL = "Read file %s fail: %s.\nThe key table was not changed.";

// Ours: appended to the reason why a table cannot be written to the
// keyboard (the transfer's text): the keyboard's data area in bytes.
inline constexpr const char* MSG_FIT_DATA_AREA
    = "\n\nData area of the keyboard: %d bytes used, %d bytes free of %d.\nNothing was sent.";

// Ours: before changes that are neither written to the keyboard nor saved
// are discarded. %s is one of the DISCARD_ questions.
inline constexpr const char* MSG_DISCARD_CHANGES
    = "The key table has changes that were neither written to the keyboard nor saved to a file.\n\n%s";
inline constexpr const char* DISCARD_QUIT = "Discard them and quit?";
inline constexpr const char* DISCARD_LOAD = "Discard them and load another key table?";
inline constexpr const char* DISCARD_READ = "Discard them and read the keyboard's key table?";

// Ours: a JSON layout that cannot be loaded gets MSG_NOT_SAVE_FILE and
// one of these after an empty line.
inline constexpr const char* MSG_JSON_INVALID = "It is not valid JSON.";
inline constexpr const char* MSG_JSON_KEY_PROBLEM = "Key number %d: %s.";
inline constexpr const char* MSG_JSON_ENTRY_PROBLEM = "Entry %d of \"keys\": %s.";
inline constexpr const char* MSG_JSON_PROBLEM = "%s.";

// Ours: undo and redo in the window's context menu (with Ctrl+Z, and
// Ctrl+Shift+Z or Ctrl+Y), and what they take back.
inline constexpr const char* MENU_UNDO = "&Undo";
inline constexpr const char* MENU_REDO = "&Redo";
inline constexpr const char* MENU_UNDO_WHAT = "&Undo %s";
inline constexpr const char* MENU_REDO_WHAT = "&Redo %s";
inline constexpr const char* UNDO_KEY = "key %s";
inline constexpr const char* UNDO_LOAD = "loading %s";
inline constexpr const char* UNDO_READ = "reading the keyboard";
inline constexpr const char* UNDO_CONFIG = "the configuration change";
// Ours: the files loaded or saved last, newest first, in the context menu.
inline constexpr const char* MENU_RECENT = "Recent &files";
inline constexpr const char* MENU_RECENT_ENTRY = "&%d %s";

// Ours: the data area gauge above the grid: bytes used, the area's size,
// the share in percent; its tip when the table fits.
inline constexpr const char* TEXT_DATA_AREA = "Keyboard data area: %d of %d bytes used (%d %%)";
inline constexpr const char* TIP_DATA_AREA
    = "The function and string contents fit the keyboard; %d bytes of its data area are free.";

// Title of the key programming dialog, with the key's number (control id - 1000).
inline constexpr const char* EDIT_KEY_TITLE_FORMAT = "Editing Key %d";

// Ours: the window-menu entries that stand before the About entry in the
// window's context menu (the window manager owns the real system menu).
inline constexpr const char* MENU_MINIMIZE = "Mi&nimize";
inline constexpr const char* MENU_CLOSE = "&Close";

// The recent files in the program's profile: [RecentFiles] File1..File6,
// newest first.
inline constexpr const char* PROFILE_RECENT_SECTION = "RecentFiles";
inline constexpr const char* PROFILE_RECENT_KEY = "File%d";

// The key programming dialog.
inline constexpr const char* TIP_SHIFT_PUSHED = "Shift Pushed!";
inline constexpr const char* TIP_SHIFT_RELEASED = "Shift Released!";
inline constexpr const char* TIP_CTRL_PUSHED = "Control Pushed!";
inline constexpr const char* TIP_CTRL_RELEASED = "Control Released!";
inline constexpr const char* TIP_ALT_PUSHED = "Alt Pushed!";
inline constexpr const char* TIP_ALT_RELEASED = "Alt Released!";
inline constexpr const char* TEXT_KEY_STRING_FULL = "Key string can't over than 255";

// Ours: how much of the key's room is used (%d the bytes the key would
// store, separators included).
inline constexpr const char* TEXT_CONTENT_USE = "%d of 255 bytes";

// Messages of the field exchange.
inline constexpr const char* TEXT_NOT_UNSIGNED = "Please enter a positive integer.";
inline constexpr const char* TEXT_OUT_OF_RANGE = "Please enter an integer between %u and %u.";

} // namespace presenters
