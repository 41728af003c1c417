// The About box's template (118): 235 x 55 dialog units, the program icon,
// two lines of text and a default OK.
#pragma once

#include <dialoglayout/DialogPlace.h>
#include <dialoglayout/TemplateTexts.h>

namespace dialoglayout {

inline constexpr int IDD_ABOUTBOX = 118;
inline constexpr int IDS_ABOUTBOX = 119; // the system menu entry's text
inline constexpr int ABOUT_WIDTH = 235;
inline constexpr int ABOUT_HEIGHT = 55;
inline constexpr int IDC_ABOUT_OK = 1; // IDOK

// An icon control takes the icon's size at its place.
inline constexpr DialogPlace ABOUT_ICON_PLACE { 11, 17, 20, 20 };
inline constexpr DialogPlace ABOUT_VERSION_PLACE { 40, 10, 130, 8 };
inline constexpr DialogPlace ABOUT_SECOND_LINE_PLACE { 40, 25, 130, 8 };
inline constexpr DialogPlace ABOUT_OK_PLACE { 178, 7, 50, 14 };

} // namespace dialoglayout
