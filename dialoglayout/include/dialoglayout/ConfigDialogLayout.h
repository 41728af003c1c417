// The "Config" dialog's template (130): 224 x 100 dialog units, the check
// boxes of the two settings bytes in two groups, OK and Cancel. The boxes'
// captions are the bits' names (keydata/KeySettings.h), in bit order.
#pragma once

#include <dialoglayout/DialogPlace.h>
#include <dialoglayout/TemplateTexts.h>

#include <cstddef>

namespace dialoglayout {

inline constexpr int IDD_CONFIG = 130;
inline constexpr int CONFIG_WIDTH = 224;
inline constexpr int CONFIG_HEIGHT = 100;

inline constexpr int IDC_CONFIG_OK = 1; // IDOK
inline constexpr int IDC_CONFIG_CANCEL = 2; // IDCANCEL
inline constexpr int IDC_FIRST_SYSTEM_BOX = 1155; // 1155..1157: systemConfig bits 0..2
inline constexpr int IDC_FIRST_MCR_BOX = 1158; // 1158..1161: mcrConfig bits 0..3

// The two groups side by side, a box every CONFIG_BOX_STEP units inside
// each, the buttons below.
inline constexpr DialogPlace CONFIG_SYSTEM_GROUP { 7, 7, 100, 66 };
inline constexpr DialogPlace CONFIG_MCR_GROUP { 115, 7, 102, 66 };
inline constexpr int CONFIG_BOX_INSET_X = 7;
inline constexpr int CONFIG_FIRST_BOX_Y = 19;
inline constexpr int CONFIG_BOX_STEP = 12;
inline constexpr int CONFIG_BOX_HEIGHT = 10;
inline constexpr DialogPlace CONFIG_OK_PLACE { 50, 79, 50, 16 };
inline constexpr DialogPlace CONFIG_CANCEL_PLACE { 124, 79, 50, 16 };

// The place of box number index of a group.
constexpr DialogPlace configBoxPlace(const DialogPlace& group, std::size_t index)
{
    return { group.x + CONFIG_BOX_INSET_X, CONFIG_FIRST_BOX_Y + int(index) * CONFIG_BOX_STEP,
        group.width - 2 * CONFIG_BOX_INSET_X, CONFIG_BOX_HEIGHT };
}

} // namespace dialoglayout
