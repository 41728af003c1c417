#include "app/CDataAreaGauge_win32.h"

#include <dialoglayout/MainDialogLayout.h>

namespace win32 {
namespace {

COLORREF colorOf(presenters::DataAreaLevel level)
{
    switch (level) {
    case presenters::DataAreaLevel::NearLimit:
        return dialoglayout::COLOR_DATA_AREA_NEAR_LIMIT;
    case presenters::DataAreaLevel::Refused:
        return dialoglayout::COLOR_DATA_AREA_REFUSED;
    case presenters::DataAreaLevel::Normal:
        break;
    }
    return dialoglayout::COLOR_DATA_AREA_NORMAL;
}

} // namespace

void CDataAreaGauge::Show(const presenters::DataAreaLook& look)
{
    m_look = look;
    if (Handle()) {
        SetWindowTextA(Handle(), look.text.c_str()); // what readers of the window see
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

bool CDataAreaGauge::DrawItem(const DRAWITEMSTRUCT& item)
{
    const RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    const COLORREF color = colorOf(m_look.level);
    RECT text = area;
    text.bottom -= dialoglayout::DATA_AREA_BAR_HEIGHT + dialoglayout::DATA_AREA_TEXT_GAP;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(
        item.hDC, m_look.level == presenters::DataAreaLevel::Normal ? GetSysColor(COLOR_WINDOWTEXT) : color);
    HGDIOBJ oldFont
        = SelectObject(item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    DrawTextA(item.hDC, m_look.text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, oldFont);
    RECT bar { area.left, area.bottom - dialoglayout::DATA_AREA_BAR_HEIGHT, area.right, area.bottom };
    FillRect(item.hDC, &bar, GetSysColorBrush(COLOR_WINDOW));
    RECT filled = bar;
    filled.right = bar.left + (bar.right - bar.left) * m_look.permille / 1000;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(item.hDC, &filled, brush);
    DeleteObject(brush);
    FrameRect(item.hDC, &bar, GetSysColorBrush(COLOR_BTNSHADOW));
    return true;
}

} // namespace win32
