// Draws the program's bitmaps and icon. Shapes are set pixel by pixel, never
// antialiased, so that no blended colour meets the magenta of a skin.
#pragma once

#include <QImage>

namespace resources {

// The bitmap with the given id at its fixed size; a null image for an unknown id.
QImage drawBitmap(int id);

// The program icon at size x size pixels (with an alpha channel).
QImage drawIcon(int size);

} // namespace resources
