// The texts the key programming dialog and the configuration dialog show
// while they run, verbatim. What their templates say (titles, captions,
// labels) is in dialoglayout/TemplateTexts.h; the names of the option bits
// come from keydata's KeySettings.
#pragma once

#include <dialoglayout/TemplateTexts.h>

namespace dialogs {

using dialoglayout::TEXT_CANCEL;
using dialoglayout::TEXT_OK;

// The key programming dialog.
inline constexpr const char* TIP_SHIFT_PUSHED = "Shift Pushed!";
inline constexpr const char* TIP_SHIFT_RELEASED = "Shift Released!";
inline constexpr const char* TIP_CTRL_PUSHED = "Control Pushed!";
inline constexpr const char* TIP_CTRL_RELEASED = "Control Released!";
inline constexpr const char* TIP_ALT_PUSHED = "Alt Pushed!";
inline constexpr const char* TIP_ALT_RELEASED = "Alt Released!";
inline constexpr const char* TEXT_KEY_STRING_FULL = "Key string can't over than 255";

// Ours: how much of the key's room is used (%1 the bytes the key would
// store, separators included).
inline constexpr const char* TEXT_CONTENT_USE = "%1 of 255 bytes";

// Messages of the field exchange.
inline constexpr const char* TEXT_NOT_UNSIGNED = "Please enter a positive integer.";
inline constexpr const char* TEXT_OUT_OF_RANGE = "Please enter an integer between %1 and %2.";

// The configuration dialog (dialoglayout/TemplateTexts.h).
using dialoglayout::TEXT_CONFIG_DIALOG_TITLE;
using dialoglayout::TEXT_MCR_CONFIG_GROUP;
using dialoglayout::TEXT_SYSTEM_CONFIG_GROUP;

} // namespace dialogs
