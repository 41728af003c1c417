// Numbers of the main window's template: control ids, the About command,
// and the fixed names the window uses. Shared by the window, its grid logic
// and the tests.
#pragma once

namespace app {

inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDD_ABOUTBOX = 118;
inline constexpr int IDS_ABOUTBOX = 119;

// Key caps: 1001..1095 the five rows of nineteen, 1096..1100 the small keys
// of row 5 (1096 at the bottom). Element k of the key cap array is control
// 1000 + k.
inline constexpr int IDC_KEY_FIRST = 1001;
inline constexpr int IDC_KEY_LAST_MAIN = 1095;
inline constexpr int IDC_SMALL_KEY_FIRST = 1096;
inline constexpr int IDC_KEY_LAST = 1100;
// Navigation reaches up to this id (row 5, column 5), which has no key cap.
inline constexpr int IDC_NAVIGATION_LAST = 1101;
inline constexpr int KEY_CAP_SLOTS = 128;

inline constexpr int IDC_KEY_CONTENT = 1127;
inline constexpr int IDC_BROWSE_EDIT = 1160;
inline constexpr int IDC_CONFIG = 1129;
inline constexpr int IDC_WRITE_KB = 3;
inline constexpr int IDC_READ_KB = 4;
inline constexpr int IDC_SAVE_FILE = 5;
inline constexpr int IDC_LOAD_FILE = 6;
inline constexpr int IDC_QUIT = 1166;

// System commands: the About entry's id, and the standard ones the window's
// context menu offers. The low four bits of a system command are the
// system's own and are ignored when comparing.
inline constexpr int IDM_ABOUTBOX = 0x1010;
inline constexpr int SC_MINIMIZE_COMMAND = 0xF020;
inline constexpr int SC_CLOSE_COMMAND = 0xF060;
inline constexpr int SC_RESTORE_COMMAND = 0xF120;
inline constexpr int SYSTEM_COMMAND_MASK = 0xFFF0;

// The recent files in the program's profile: [RecentFiles] File1..File6,
// newest first.
inline constexpr const char* PROFILE_RECENT_SECTION = "RecentFiles";
inline constexpr const char* PROFILE_RECENT_KEY = "File%1";
inline constexpr int RECENT_FILES_MAX = 6;

// The single-instance object and the driver the window loads.
inline constexpr const char* SINGLE_INSTANCE_NAME = "TAVRIN_LODEMAR";
inline constexpr const char* DRIVER_NAME = "Tavrin";

} // namespace app
