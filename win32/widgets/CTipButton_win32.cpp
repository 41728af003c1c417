#include "widgets/CTipButton_win32.h"

#include "widgets/GdiImages_win32.h"

#include <presenters/ButtonFaces.h>

namespace win32 {
namespace {

inline constexpr UINT_PTR TOOL_ID = 1;

// The record as every version of the common controls takes it.
TOOLINFOA toolOf(HWND button, const char* text)
{
    TOOLINFOA tool {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = button;
    tool.uId = TOOL_ID;
    tool.lpszText = const_cast<char*>(text);
    GetClientRect(button, &tool.rect);
    return tool;
}

} // namespace

CTipButton::~CTipButton()
{
    if (m_toolTip && IsWindow(m_toolTip))
        DestroyWindow(m_toolTip);
}

bool CTipButton::EnsureToolTip()
{
    if (m_toolTip)
        return true;
    if (!Handle())
        return false;
    m_toolTip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_toolTip)
        SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    return m_toolTip != nullptr;
}

void CTipButton::SetTip(const char* text, bool activate)
{
    if (!text || !EnsureToolTip())
        return;
    TOOLINFOA tool = toolOf(Handle(), text);
    if (!m_hasTool)
        m_hasTool = SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
    SendMessageA(m_toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(m_toolTip, TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
}

LRESULT CTipButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && EnsureToolTip()) {
        MSG relayed {};
        relayed.hwnd = Handle();
        relayed.message = message;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    return CWindowControl::WindowProc(message, wParam, lParam);
}

CStripButton::~CStripButton()
{
    if (m_strip)
        DeleteObject(m_strip);
}

bool CStripButton::LoadStrip(int bitmapId)
{
    int width = 0, height = 0;
    HBITMAP strip = loadResourceBitmap(bitmapId, width, height);
    if (!strip)
        return false;
    mapSystemColors(strip);
    if (m_strip)
        DeleteObject(m_strip);
    m_strip = strip;
    m_frameWidth = width / presenters::STRIP_FRAMES;
    m_frameHeight = height;
    if (Handle()) {
        SetWindowPos(Handle(), nullptr, 0, 0, m_frameWidth, m_frameHeight,
            SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
        InvalidateRect(Handle(), nullptr, FALSE);
    }
    return true;
}

bool CStripButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (!m_strip)
        return false;
    const int frame
        = presenters::stripFrame((item.itemState & ODS_DISABLED) != 0, (item.itemState & ODS_SELECTED) != 0);
    HDC source = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(source, m_strip);
    BitBlt(item.hDC, 0, 0, m_frameWidth, m_frameHeight, source, frame * m_frameWidth, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    return true;
}

LRESULT CStripButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEHOVER || message == WM_MOUSELEAVE)
        return 0;
    if (message == WM_LBUTTONDBLCLK) // a quick second click is a click
        message = WM_LBUTTONDOWN;
    return CTipButton::WindowProc(message, wParam, lParam);
}

} // namespace win32
