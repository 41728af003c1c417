#include "WindowsArt.h"

#include <QFile>

#include <cstdint>
#include <vector>

namespace resources {
namespace {

void put16(std::vector<char>& out, std::uint16_t value)
{
    out.push_back(char(value & 0xFF));
    out.push_back(char(value >> 8));
}

void put32(std::vector<char>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(char((value >> shift) & 0xFF));
}

// The icon image's bitmap as an ICO entry holds it: the header (height
// doubled for the mask), the pixels bottom-up, then the 1-bit mask.
std::vector<char> iconBitmap(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width(), height = image.height();
    std::vector<char> out;
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height * 2));
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i)
        put32(out, 0); // no compression; sizes and colours unused
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            put32(out, line[x]); // BGRA in memory, as the format wants
    }
    const int maskStride = ((width + 31) / 32) * 4;
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::vector<char> row(std::size_t(maskStride), 0);
        for (int x = 0; x < width; ++x)
            if (qAlpha(line[x]) < 128) // transparent where the mask bit is set
                row[std::size_t(x / 8)] = char(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

bool writeBmp(const QImage& image, const QString& file)
{
    return image.convertToFormat(QImage::Format_RGB888).save(file, "BMP");
}

bool writeIco(std::span<const QImage> images, const QString& file)
{
    std::vector<char> out;
    put16(out, 0);
    put16(out, 1); // an icon
    put16(out, std::uint16_t(images.size()));
    std::vector<std::vector<char>> bitmaps;
    for (const QImage& image : images)
        bitmaps.push_back(iconBitmap(image));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        out.push_back(char(size >= 256 ? 0 : size)); // 0 stands for 256
        out.push_back(char(images[i].height() >= 256 ? 0 : images[i].height()));
        out.push_back(0); // no colour table
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, std::uint32_t(bitmaps[i].size()));
        put32(out, offset);
        offset += std::uint32_t(bitmaps[i].size());
    }
    for (const std::vector<char>& bitmap : bitmaps)
        out.insert(out.end(), bitmap.begin(), bitmap.end());
    QFile ico(file);
    return ico.open(QIODevice::WriteOnly) && ico.write(out.data(), qint64(out.size())) == qint64(out.size());
}

} // namespace resources
