#pragma once

// The "Config" dialog (template 130) as every front end builds it: control
// ids and places in dialog units. The Qt dialog places its controls from
// here and the Windows resource script is generated from here, so the two
// cannot drift apart. Its texts are in dialogs/DialogTexts.h and the check
// boxes' captions are the bits' names (keydata/KeySettings.h).

#include <cstddef>

namespace presenters {

inline constexpr int CONFIG_DIALOG_TEMPLATE = 130;
inline constexpr int CONFIG_DIALOG_WIDTH = 224;
inline constexpr int CONFIG_DIALOG_HEIGHT = 100;

inline constexpr int CONFIG_ID_OK = 1;
inline constexpr int CONFIG_ID_CANCEL = 2;
// One check box per option bit, in bit order.
inline constexpr int CONFIG_FIRST_SYSTEM_BOX = 1155; // 1155..1157: systemConfig bits 0..2
inline constexpr int CONFIG_FIRST_MCR_BOX = 1158; // 1158..1161: mcrConfig bits 0..3
inline constexpr std::size_t CONFIG_SYSTEM_BOXES = 3;
inline constexpr std::size_t CONFIG_MCR_BOXES = 4;

struct DialogPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The two groups side by side, a box every CONFIG_BOX_STEP units inside
// each, the buttons below.
inline constexpr DialogPlace CONFIG_SYSTEM_GROUP = { 7, 7, 100, 66 };
inline constexpr DialogPlace CONFIG_MCR_GROUP = { 115, 7, 102, 66 };
inline constexpr int CONFIG_BOX_INSET_X = 7;
inline constexpr int CONFIG_FIRST_BOX_Y = 19;
inline constexpr int CONFIG_BOX_STEP = 12;
inline constexpr int CONFIG_BOX_HEIGHT = 10;
inline constexpr DialogPlace CONFIG_OK_BUTTON = { 50, 79, 50, 16 };
inline constexpr DialogPlace CONFIG_CANCEL_BUTTON = { 124, 79, 50, 16 };

// The place of box number index of a group.
constexpr DialogPlace configBoxPlace(const DialogPlace& group, std::size_t index)
{
    return { group.x + CONFIG_BOX_INSET_X, CONFIG_FIRST_BOX_Y + int(index) * CONFIG_BOX_STEP,
        group.width - 2 * CONFIG_BOX_INSET_X, CONFIG_BOX_HEIGHT };
}

} // namespace presenters
