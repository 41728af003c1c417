// Numeric ids of the program's bitmaps and icon, with the geometry every
// picture must keep: the skinned buttons slice their skins by these frame
// counts and borders, and the dialogs size strip buttons from them.
// Plain constants so that the bitmap generator and the lookup share them.
#pragma once

#include <cstdint>

namespace resources {

// Skins of CSkinnedButton: five frames (normal, pressed, disabled, focused,
// unused) on magenta where the button face shows through.
inline constexpr int BITMAP_COMMAND_SKIN = 103;
inline constexpr int BITMAP_KEY_SKIN = 104;
inline constexpr int BITMAP_SMALL_KEY_SKIN = 135;

// Strips of CStripButton: four frames (normal, pressed, unused, disabled),
// opaque; their 3-D greys are mapped to the system colours when loaded.
inline constexpr int BITMAP_KEYPAD_ENTER = 105;
inline constexpr int BITMAP_SHIFT_RELEASED = 107;
inline constexpr int BITMAP_SHIFT_PUSHED = 108;
inline constexpr int BITMAP_CTRL_RELEASED = 109;
inline constexpr int BITMAP_CTRL_PUSHED = 110;
inline constexpr int BITMAP_ALT_RELEASED = 111;
inline constexpr int BITMAP_ALT_PUSHED = 112;
inline constexpr int BITMAP_DELETE_KEY = 113;

// Decoration at the top right of the main window (magenta background).
inline constexpr int BITMAP_DECORATION = 134;

// The program icon, drawn at each of ICON_SIZES.
inline constexpr int ICON_PROGRAM = 128;
inline constexpr int ICON_SIZES[] = { 16, 24, 32, 48, 64, 128, 256 };
inline constexpr int ICON_DEFAULT_SIZE = 32;

// Colours of the pictures, as 0xRRGGBB.
inline constexpr std::uint32_t RGB_TRANSPARENT = 0xFF00FF; // skins: the face shows through
inline constexpr std::uint32_t RGB_3D_FACE = 0xC0C0C0; // strips: mapped to the button face
inline constexpr std::uint32_t RGB_3D_SHADOW = 0x808080; // strips: mapped to the shadow colour
inline constexpr std::uint32_t RGB_3D_LIGHT = 0xDFDFDF; // strips: mapped to the light colour

enum class BitmapKind { Skin, Strip, Decoration };

struct BitmapSpec {
    int id;
    BitmapKind kind;
    int width;
    int height;
    int frames; // frames side by side; 1 for the decoration
    // Nine-slice borders of a skin (0 for the others).
    int top;
    int bottom;
    int left;
    int right;
};

inline constexpr BitmapSpec BITMAPS[] = {
    { BITMAP_COMMAND_SKIN, BitmapKind::Skin, 270, 23, 5, 15, 6, 15, 8 },
    { BITMAP_KEY_SKIN, BitmapKind::Skin, 187, 38, 5, 5, 5, 2, 2 },
    { BITMAP_KEYPAD_ENTER, BitmapKind::Strip, 88, 51, 4, 0, 0, 0, 0 },
    { BITMAP_SHIFT_RELEASED, BitmapKind::Strip, 216, 23, 4, 0, 0, 0, 0 },
    { BITMAP_SHIFT_PUSHED, BitmapKind::Strip, 211, 22, 4, 0, 0, 0, 0 },
    { BITMAP_CTRL_RELEASED, BitmapKind::Strip, 190, 22, 4, 0, 0, 0, 0 },
    { BITMAP_CTRL_PUSHED, BitmapKind::Strip, 190, 22, 4, 0, 0, 0, 0 },
    { BITMAP_ALT_RELEASED, BitmapKind::Strip, 156, 23, 4, 0, 0, 0, 0 },
    { BITMAP_ALT_PUSHED, BitmapKind::Strip, 156, 23, 4, 0, 0, 0, 0 },
    { BITMAP_DELETE_KEY, BitmapKind::Strip, 115, 21, 4, 0, 0, 0, 0 },
    // 19 x 29 dialog units at the main window's base units.
    { BITMAP_DECORATION, BitmapKind::Decoration, 29, 47, 1, 0, 0, 0, 0 },
    { BITMAP_SMALL_KEY_SKIN, BitmapKind::Skin, 105, 13, 5, 5, 5, 2, 2 },
};

// The entry of a bitmap id, or nullptr.
constexpr const BitmapSpec* findBitmapSpec(int id)
{
    for (const BitmapSpec& shape : BITMAPS)
        if (shape.id == id)
            return &shape;
    return nullptr;
}

} // namespace resources
