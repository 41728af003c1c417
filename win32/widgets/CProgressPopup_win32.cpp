#include "widgets/CProgressPopup_win32.h"

#include "widgets/CDialog_win32.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstddef>
#include <string>

namespace win32 {
namespace {

inline constexpr const wchar_t* WINDOW_CLASS = L"LodemarProgressPopup";
inline constexpr int INITIAL_WIDTH = 340;
inline constexpr int INITIAL_HEIGHT = 40;
inline constexpr int FIRST_PLACE = 10;

bool registerWindowClass(WNDPROC procedure)
{
    WNDCLASSW windowClass {};
    if (GetClassInfoW(GetModuleHandleW(nullptr), WINDOW_CLASS, &windowClass))
        return true;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_APPSTARTING);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&windowClass) != 0;
}

// The message font of the non-client metrics, as every version reports
// them (the record grew a field in later versions that older ones refuse).
HFONT messageFont()
{
    NONCLIENTMETRICSA metrics {};
#if WINVER >= 0x0600
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
#else
    metrics.cbSize = sizeof metrics;
#endif
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return nullptr;
    return CreateFontIndirectA(&metrics.lfMessageFont);
}

} // namespace

CProgressPopup::CProgressPopup(HWND owner, const char* title, bool smooth)
{
    m_presenter.SetTitle(title);
    Create(owner, nullptr, smooth);
}

CProgressPopup::~CProgressPopup()
{
    Close();
    if (m_font)
        DeleteObject(m_font);
}

bool CProgressPopup::Create(HWND owner, const char* title, bool smooth)
{
    if (!WindowExists())
        m_owner = owner;
    return m_presenter.Create(title, smooth);
}

bool CProgressPopup::BeginModal(const char* title, bool smooth)
{
    if (!WindowExists())
        m_owner = nullptr;
    return m_presenter.BeginModal(title, smooth);
}

void CProgressPopup::SetStatus(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    m_presenter.SetStatusV(format, arguments);
    va_end(arguments);
}

bool CProgressPopup::CreateProgressWindow(const std::string& caption, bool smooth)
{
    if (!registerWindowClass(&CProgressPopup::Procedure))
        return false;
    if (!m_font)
        m_font = messageFont();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND owner = m_owner ? m_owner : MainWindow();
    m_window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, WINDOW_CLASS, L"", WS_POPUP | WS_CAPTION,
        0, 0, INITIAL_WIDTH, INITIAL_HEIGHT, owner, nullptr, instance, this);
    if (!m_window)
        return false;
    SetWindowTextA(m_window, caption.c_str());
    m_text = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0,
        FIRST_PLACE, FIRST_PLACE, m_window, reinterpret_cast<HMENU>(presenters::PROGRESS_TEXT_ID), instance,
        nullptr);
    m_bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | (smooth ? PBS_SMOOTH : 0), 0, 0,
        FIRST_PLACE, FIRST_PLACE, m_window, reinterpret_cast<HMENU>(presenters::PROGRESS_BAR_ID), instance,
        nullptr);
    if (!m_text || !m_bar) {
        DestroyProgressWindow();
        return false;
    }
    SendMessageA(m_text, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    return true;
}

bool CProgressPopup::WindowExists() const
{
    return m_window && IsWindow(m_window);
}

void CProgressPopup::DestroyProgressWindow()
{
    if (WindowExists())
        DestroyWindow(m_window); // WM_NCDESTROY forgets the handles
    m_window = m_text = m_bar = nullptr;
}

int CProgressPopup::MeasureTextHeight(int lines)
{
    std::string text = "M";
    for (int line = 1; line < lines; ++line)
        text += "\nM";
    RECT area { FIRST_PLACE, FIRST_PLACE, presenters::PROGRESS_TEXT_WIDTH - 2 * FIRST_PLACE,
        3 * FIRST_PLACE };
    HDC dc = GetDC(m_text);
    HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old);
    ReleaseDC(m_text, dc);
    return area.bottom - area.top;
}

int CProgressPopup::EdgeHeight()
{
    return GetSystemMetrics(SM_CYEDGE);
}

void CProgressPopup::ApplyLayout(const presenters::ProgressLayout& layout)
{
    RECT frame { 0, 0, layout.clientWidth, layout.clientHeight };
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrA(m_window, GWL_STYLE)), FALSE,
        DWORD(GetWindowLongPtrA(m_window, GWL_EXSTYLE)));
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const auto place = [](HWND control, const presenters::ProgressRect& r) {
        ::MoveWindow(control, r.left, r.top, r.Width(), r.Height(), TRUE);
    };
    place(m_text, layout.text);
    place(m_bar, layout.bar);
}

presenters::ScreenPoint CProgressPopup::ScreenSize()
{
    return { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
}

presenters::ScreenPoint CProgressPopup::WindowPosition()
{
    RECT frame {};
    GetWindowRect(m_window, &frame);
    return { frame.left, frame.top };
}

void CProgressPopup::MoveWindow(presenters::ScreenPoint topLeft)
{
    SetWindowPos(m_window, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressPopup::CentreWindow()
{
    // Over the owner when it is shown, else in the work area.
    RECT area {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT over = area;
    HWND owner = GetWindow(m_window, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &over);
    RECT frame {};
    GetWindowRect(m_window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int x = (over.left + over.right - width) / 2;
    int y = (over.top + over.bottom - height) / 2;
    x = x + width > area.right ? area.right - width : x;
    y = y + height > area.bottom ? area.bottom - height : y;
    MoveWindow({ x < area.left ? area.left : x, y < area.top ? area.top : y });
}

bool CProgressPopup::IsWindowVisible()
{
    return ::IsWindowVisible(m_window) != FALSE;
}

void CProgressPopup::ShowWindow()
{
    ::ShowWindow(m_window, SW_SHOWNOACTIVATE);
    RedrawWindow(
        m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME | RDW_ALLCHILDREN);
}

void CProgressPopup::HideWindow()
{
    ::ShowWindow(m_window, SW_HIDE);
}

void CProgressPopup::SetCaption(const std::string& caption)
{
    SetWindowTextA(m_window, caption.c_str());
}

void CProgressPopup::SetStatusText(const std::string& text)
{
    SetWindowTextA(m_text, text.c_str());
}

void CProgressPopup::SetBarRange(int lower, int upper)
{
    SendMessageA(m_bar, PBM_SETRANGE32, WPARAM(lower), LPARAM(upper));
}

int CProgressPopup::SetBarPosition(int position)
{
    return int(SendMessageA(m_bar, PBM_SETPOS, WPARAM(position), 0));
}

void CProgressPopup::DisableOwnerChain()
{
    HWND reached = m_window;
    while (HWND parent = GetParent(reached)) {
        if (!IsWindowEnabled(parent))
            break;
        reached = parent;
    }
    m_disabledOwner = reached;
    EnableWindow(reached, FALSE);
    EnableWindow(m_window, TRUE);
}

void CProgressPopup::EnableDisabledOwner()
{
    if (m_disabledOwner && IsWindow(m_disabledOwner))
        EnableWindow(m_disabledOwner, TRUE);
    m_disabledOwner = nullptr;
}

bool CProgressPopup::HasFocus()
{
    return GetFocus() == m_window;
}

void CProgressPopup::TakeFocus()
{
    SetFocus(m_window);
}

void CProgressPopup::PostCloseRequest()
{
    PostMessageA(m_window, WM_CLOSE, 0, 0);
}

void CProgressPopup::BringMainWindowForward()
{
    if (HWND main = MainWindow())
        SetForegroundWindow(main);
}

void CProgressPopup::DispatchPendingMessages(bool escapeCancels)
{
    MSG message {};
    while (!m_presenter.IsCancelled()) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE))
            return;
        if (escapeCancels && message.message == WM_CHAR && message.wParam == VK_ESCAPE)
            m_presenter.Cancel();
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
            // The program is quitting: the quit stays for the outer loop.
            PostQuitMessage(0);
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK CProgressPopup::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* popup = reinterpret_cast<CProgressPopup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!popup)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        popup->m_window = popup->m_text = popup->m_bar = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return popup->WindowProc(window, message, wParam, lParam);
}

LRESULT CProgressPopup::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT area {};
        GetClipBox(reinterpret_cast<HDC>(wParam), &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == PROGRESS_CANCEL_COMMAND) {
            m_presenter.Cancel();
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace win32
