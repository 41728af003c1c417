// The program's pictures in the forms a Windows resource script takes:
// bitmaps as 24-bit BMP files (every colour exact: magenta and the strips'
// 3-D greys are matched by value), the icon as an ICO file.
#pragma once

#include <QImage>
#include <QString>

#include <span>

namespace resources {

// False when the file cannot be written.
bool writeBmp(const QImage& image, const QString& file);

// An ICO holding one 32-bit image (alpha, and the mask made from it) per
// picture.
bool writeIco(std::span<const QImage> images, const QString& file);

} // namespace resources
