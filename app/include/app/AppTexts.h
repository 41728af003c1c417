// The program's own user-visible texts, verbatim, in one place. Texts that
// the program shows as they stand (misspellings included) are the system's;
// the few marked "ours" belong to the Linux build only.
#pragma once

namespace app {

// Window titles. The template's title says "edit mode"; the mode button
// writes "Edit mode" and "Browse mode".
inline constexpr const char* TITLE_TEMPLATE = "Keyboard programing tool -- edit mode";
inline constexpr const char* TITLE_EDIT_MODE = "Keyboard programing tool -- Edit mode";
inline constexpr const char* TITLE_BROWSE_MODE = "Keyboard programing tool -- Browse mode";
// Ours: appended to every title while the keyboard is emulated.
inline constexpr const char* TITLE_EMULATED_SUFFIX = " [emulated keyboard]";

// Command button captions.
inline constexpr const char* CAPTION_BROWSE = "Brows&e"; // shown in edit mode
inline constexpr const char* CAPTION_EDIT = "&Edit"; // shown in browse mode
inline constexpr const char* CAPTION_CONFIG = "&Config...";
inline constexpr const char* CAPTION_WRITE_KB = "&Write to KB";
inline constexpr const char* CAPTION_READ_KB = "&Read KB data";
inline constexpr const char* CAPTION_SAVE_FILE = "&Save to file...";
inline constexpr const char* CAPTION_LOAD_FILE = "&Load from file...";
inline constexpr const char* CAPTION_QUIT = "&Quit";

// Message boxes.
inline constexpr const char* MSG_DRIVER_LOAD_FAILED = "Can't not load kernel program!!!";
inline constexpr const char* MSG_CONFIRM_QUIT = "Are you sure quit this program?";

// Title of the key programming dialog, with the key's number (control id - 1000).
inline constexpr const char* EDIT_KEY_TITLE_FORMAT = "Editing Key %d";

// The About entry (string resource 119) and the About box.
inline constexpr const char* ABOUT_MENU_TEXT = "&About Me...";
inline constexpr const char* ABOUT_TITLE = "About tavrin";
inline constexpr const char* ABOUT_VERSION = "tavrin Version 1.0";
inline constexpr const char* ABOUT_SECOND_LINE = "Programs the keys of the keyboard"; // ours
inline constexpr const char* ABOUT_OK = "OK";

// Ours: the window-menu entries that stand before the About entry in the
// window's context menu (the window manager owns the real system menu).
inline constexpr const char* MENU_MINIMIZE = "Mi&nimize";
inline constexpr const char* MENU_CLOSE = "&Close";

// Ours: the command line of the Linux build.
inline constexpr const char* USAGE_TEXT
    = "Usage: %s [--emulate[=MEMFILE]]\n"
      "  --emulate[=MEMFILE]  program an emulated keyboard whose memory is kept\n"
      "                       in MEMFILE (default: the emulator's usual file)\n"
      "  --help               show this text\n";
inline constexpr const char* ERROR_UNKNOWN_OPTION = "%s: unknown option '%s'\n";
inline constexpr const char* ERROR_EMPTY_MEMFILE = "%s: --emulate= needs a file name\n";

} // namespace app
