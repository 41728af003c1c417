// The texts the configuration dialog shows, verbatim. What the templates
// say (titles, captions, labels) is in dialoglayout/TemplateTexts.h; the
// names of the option bits come from keydata's KeySettings.
#pragma once

#include <dialoglayout/TemplateTexts.h>

namespace dialogs {

using dialoglayout::TEXT_CANCEL;
using dialoglayout::TEXT_OK;

// The configuration dialog.
inline constexpr const char* TEXT_CONFIG_DIALOG_TITLE = "Config";
inline constexpr const char* TEXT_SYSTEM_CONFIG_GROUP = "System config";
inline constexpr const char* TEXT_MCR_CONFIG_GROUP = "mcr config";

} // namespace dialogs
