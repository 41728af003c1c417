// The widgets' own user-visible texts.
#pragma once

namespace widgets {

inline constexpr const char* PROGRESS_DEFAULT_TITLE = "Progress";
// Caption of the progress window: title and whole percentage.
inline constexpr const char* PROGRESS_CAPTION_FORMAT = "%s [%d%%]";

} // namespace widgets
