// Every text the key programming dialog and the configuration dialog show,
// verbatim. Captions of the on-screen keys are in OnScreenKeys.cpp; the
// names of the option bits come from keydata's KeySettings.
#pragma once

namespace dialogs {

// The key programming dialog.
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
inline constexpr const char* TEXT_SWITCH_LAYER_ITEM = "Layer %1"; // 1..15
inline constexpr const char* TEXT_DELETE_BUTTON = "<--";
inline constexpr const char* TIP_KEYPAD_ENTER = "Enter";
inline constexpr const char* TIP_DELETE = "Delete key data";
inline constexpr const char* TIP_SHIFT_PUSHED = "Shift Pushed!";
inline constexpr const char* TIP_SHIFT_RELEASED = "Shift Released!";
inline constexpr const char* TIP_CTRL_PUSHED = "Control Pushed!";
inline constexpr const char* TIP_CTRL_RELEASED = "Control Released!";
inline constexpr const char* TIP_ALT_PUSHED = "Alt Pushed!";
inline constexpr const char* TIP_ALT_RELEASED = "Alt Released!";
inline constexpr const char* TEXT_KEY_STRING_FULL = "Key string can't over than 255";

// Ours: undo of the last action, and how much of the key's room is used
// (%1 the bytes the key would store, separators included).
inline constexpr const char* TEXT_UNDO_BUTTON = "&Undo";
inline constexpr const char* TIP_UNDO
    = "Take back the last change: a key, a deletion, a delay or a mode change (Ctrl+Z outside Key Data)";
inline constexpr const char* TEXT_CONTENT_USE = "%1 of 255 bytes";

// Messages of the field exchange.
inline constexpr const char* TEXT_NOT_UNSIGNED = "Please enter a positive integer.";
inline constexpr const char* TEXT_OUT_OF_RANGE = "Please enter an integer between %1 and %2.";

// The configuration dialog.
inline constexpr const char* TEXT_CONFIG_DIALOG_TITLE = "Config";
inline constexpr const char* TEXT_SYSTEM_CONFIG_GROUP = "System config";
inline constexpr const char* TEXT_MCR_CONFIG_GROUP = "mcr config";

// Both dialogs.
inline constexpr const char* TEXT_OK = "OK";
inline constexpr const char* TEXT_CANCEL = "Cancel";

} // namespace dialogs
