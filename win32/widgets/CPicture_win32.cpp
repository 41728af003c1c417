#include "widgets/CPicture_win32.h"

#include "widgets/GdiImages_win32.h"

namespace win32 {

CPicture::~CPicture()
{
    if (m_picture)
        DeleteObject(m_picture);
}

bool CPicture::LoadPicture(int bitmapId)
{
    HBITMAP picture = loadResourceBitmap(bitmapId, m_width, m_height);
    if (!picture)
        return false;
    if (m_picture)
        DeleteObject(m_picture);
    m_picture = picture;
    return true;
}

bool CPicture::DrawItem(const DRAWITEMSTRUCT& item)
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (m_picture)
        drawTransparent(item.hDC, m_picture, m_width, m_height, RGB(255, 0, 255));
    return true;
}

} // namespace win32
