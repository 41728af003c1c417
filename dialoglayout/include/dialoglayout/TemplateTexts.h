// What the window templates themselves say, verbatim: titles as the
// windows are created, captions of buttons and radio buttons, group and
// field labels, fixed tool tips. Texts that change while the program runs
// (mode titles, messages, menus) belong to the presenters. Texts marked
// "ours" are not the system's.
#pragma once

namespace dialoglayout {

// The main window (template 102). The template's title says "edit mode";
// the mode button later writes "Edit mode" and "Browse mode".
inline constexpr const char* TITLE_TEMPLATE = "Keyboard programing tool -- edit mode";
inline constexpr const char* CAPTION_BROWSE = "Brows&e"; // shown in edit mode
inline constexpr const char* CAPTION_EDIT = "&Edit"; // shown in browse mode
inline constexpr const char* CAPTION_CONFIG = "&Config...";
inline constexpr const char* CAPTION_WRITE_KB = "&Write to KB";
inline constexpr const char* CAPTION_READ_KB = "&Read KB data";
inline constexpr const char* CAPTION_SAVE_FILE = "&Save to file...";
inline constexpr const char* CAPTION_LOAD_FILE = "&Load from file...";
inline constexpr const char* CAPTION_QUIT = "&Quit";

// The About entry (string resource 119) and the About box (template 118).
inline constexpr const char* ABOUT_MENU_TEXT = "&About Me...";
inline constexpr const char* ABOUT_TITLE = "About tavrin";
inline constexpr const char* ABOUT_VERSION = "tavrin Version 1.0";
inline constexpr const char* ABOUT_SECOND_LINE = "Programs the keys of the keyboard"; // ours
inline constexpr const char* ABOUT_OK = "OK";

// The key programming dialog (template 129). The captions of the on-screen
// keys are in its key table (KeyDialogLayout.h).
inline constexpr const char* TEXT_KEY_DIALOG_TITLE = "Programing key";
inline constexpr const char* TEXT_KEYBOARD_GROUP = "Keyborad";
inline constexpr const char* TEXT_KEY_DATA = "Key Data";
inline constexpr const char* TEXT_OPERATION_GROUP = "Operation";
inline constexpr const char* TEXT_DELAY = "Delay";
inline constexpr const char* TEXT_LAYER = "Layer";
inline constexpr const char* TEXT_MODE_GROUP = "Mode";
inline constexpr const char* TEXT_STRING_MODE = "&String Mode";
inline constexpr const char* TEXT_FUNCTION_MODE = "&Function Mode";
inline constexpr const char* TEXT_LAYER_SWITCH = "&Layer Switch";
inline constexpr const char* TEXT_COMBINE_KEY = "Combine Key";
inline constexpr const char* TEXT_SWITCH_LAYER_ITEM = "Layer %d"; // 1..15
inline constexpr const char* TEXT_DELETE_BUTTON = "<--";
inline constexpr const char* TIP_KEYPAD_ENTER = "Enter";
inline constexpr const char* TIP_DELETE = "Delete key data";
// Ours: undo of the last action in the dialog.
inline constexpr const char* TEXT_UNDO_BUTTON = "&Undo";
inline constexpr const char* TIP_UNDO
    = "Take back the last change: a key, a deletion, a delay or a mode change (Ctrl+Z outside Key Data)";

// The key programming dialog and the configuration dialog.
inline constexpr const char* TEXT_OK = "OK";
inline constexpr const char* TEXT_CANCEL = "Cancel";

} // namespace dialoglayout
