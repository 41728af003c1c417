// The shapes the template tables are written in: a control's place in
// dialog units (the views turn it into pixels, widgets::dialogRect for Qt)
// and the face of a skinned button.
#pragma once

#include <cstdint>

namespace dialoglayout {

struct DialogPlace {
    int x;
    int y;
    int width;
    int height;
};

// A skinned button's face: the skin bitmap (resources::BITMAP_*), its
// frame count and its nine-slice borders in pixels.
struct SkinFace {
    int skin;
    int frames;
    int top;
    int bottom;
    int left;
    int right;
};

// Colours as 0x00BBGGRR values, the byte order of every colour the
// templates and the marking rules name.
using ColorRef = std::uint32_t;

constexpr ColorRef makeColorRef(int red, int green, int blue)
{
    return ColorRef(red & 0xFF) | (ColorRef(green & 0xFF) << 8) | (ColorRef(blue & 0xFF) << 16);
}

} // namespace dialoglayout
