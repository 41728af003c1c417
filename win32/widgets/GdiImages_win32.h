#pragma once

// The GDI work the self-drawn controls share: loading a bitmap resource as a
// device-independent bitmap, mapping the 3-D greys of a strip to the system
// colours, and drawing an image with one colour let through.

#include <windows.h>

#include <cstdint>

namespace win32 {

// A bitmap resource of the program as a DIB section of its own depth (24
// bits for the generated art; nullptr when missing); width and height
// receive its size.
HBITMAP loadResourceBitmap(int id, int& width, int& height);

// Replaces the strips' standard greys (0xC0C0C0, 0x808080, 0xDFDFDF) by the
// system's 3-D face, shadow and light colours, as the system's own loading
// with 3-D colour mapping does for palette bitmaps.
void mapSystemColors(HBITMAP dib);

// Draws image (width x height) onto target at (0, 0); pixels of the
// transparent colour (0x00BBGGRR) leave the target as it was. A one-bit
// mask, then image by exclusive-or, the mask by and, image again.
void drawTransparent(HDC target, HBITMAP image, int width, int height, COLORREF transparent);

} // namespace win32
