// Colours cross the widgets' API as 0x00BBGGRR values (blue in the high
// byte), the byte order of the stored colours and of every caller's
// constants; these are the only conversions to and from QColor.
#pragma once

#include <QColor>

#include <cstdint>

namespace widgets {

using ColorRef = std::uint32_t;

constexpr ColorRef makeColorRef(int red, int green, int blue)
{
    return ColorRef(red & 0xFF) | (ColorRef(green & 0xFF) << 8) | (ColorRef(blue & 0xFF) << 16);
}

inline constexpr ColorRef COLOR_BLACK = makeColorRef(0, 0, 0);
inline constexpr ColorRef COLOR_MAGENTA = makeColorRef(255, 0, 255);

// The high byte is ignored, as the platform ignores it.
inline QColor colorFromRef(ColorRef color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline ColorRef refFromColor(const QColor& color)
{
    return makeColorRef(color.red(), color.green(), color.blue());
}

} // namespace widgets
