#include "widgets/GdiImages_win32.h"

#include <resources/ResourceIds.h>

namespace win32 {
HBITMAP loadResourceBitmap(int id, int& width, int& height)
{
    width = height = 0;
    auto* bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return nullptr;
    BITMAP info {};
    GetObjectA(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    return bitmap;
}

void mapSystemColors(HBITMAP dib)
{
    BITMAP info {};
    if (!dib || !GetObjectA(dib, sizeof info, &info) || !info.bmBits || info.bmBitsPixel != 24)
        return;
    const struct {
        std::uint32_t grey;
        int system;
    } mapping[] = { { resources::RGB_3D_FACE, COLOR_3DFACE }, { resources::RGB_3D_SHADOW, COLOR_3DSHADOW },
        { resources::RGB_3D_LIGHT, COLOR_3DLIGHT } };
    auto* bits = static_cast<BYTE*>(info.bmBits);
    for (int y = 0; y < info.bmHeight; ++y) {
        BYTE* pixel = bits + std::size_t(y) * std::size_t(info.bmWidthBytes);
        for (int x = 0; x < info.bmWidth; ++x, pixel += 3) {
            // Stored blue, green, red.
            const std::uint32_t rgb
                = (std::uint32_t(pixel[2]) << 16) | (std::uint32_t(pixel[1]) << 8) | pixel[0];
            for (const auto& map : mapping)
                if (rgb == map.grey) {
                    const COLORREF system = GetSysColor(map.system);
                    pixel[0] = GetBValue(system);
                    pixel[1] = GetGValue(system);
                    pixel[2] = GetRValue(system);
                    break;
                }
        }
    }
    GdiFlush();
}

void drawTransparent(HDC target, HBITMAP image, int width, int height, COLORREF transparent)
{
    HDC imageDc = CreateCompatibleDC(target);
    HDC maskDc = CreateCompatibleDC(target);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    // Transparent pixels become 1 in the mask, the others 0.
    SetBkColor(imageDc, transparent);
    BitBlt(maskDc, 0, 0, width, height, imageDc, 0, 0, SRCCOPY);
    const COLORREF oldBack = SetBkColor(target, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    BitBlt(target, 0, 0, width, height, imageDc, 0, 0, SRCINVERT);
    BitBlt(target, 0, 0, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(target, 0, 0, width, height, imageDc, 0, 0, SRCINVERT);
    SetBkColor(target, oldBack);
    SetTextColor(target, oldText);
    SelectObject(maskDc, oldMask);
    SelectObject(imageDc, oldImage);
    DeleteObject(mask);
    DeleteDC(maskDc);
    DeleteDC(imageDc);
}

} // namespace win32
