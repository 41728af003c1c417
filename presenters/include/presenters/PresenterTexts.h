#pragma once

// The texts the presenters put on the screen, verbatim, and the profile's
// names.

namespace presenters {

// The progress window.
inline constexpr const char* PROGRESS_DEFAULT_TITLE = "Progress";
// Its caption: title and whole percentage.
inline constexpr const char* PROGRESS_CAPTION_FORMAT = "%s [%d%%]";

// Where the progress window keeps its position.
inline constexpr const char* PROFILE_SETTINGS_SECTION = "Settings";
inline constexpr const char* PROFILE_KEY_X = "X";
inline constexpr const char* PROFILE_KEY_Y = "Y";

} // namespace presenters
