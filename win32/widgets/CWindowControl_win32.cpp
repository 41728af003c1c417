#include "widgets/CWindowControl_win32.h"

namespace win32 {
namespace {

inline constexpr const char* CONTROL_PROPERTY = "LodemarControl";

} // namespace

CWindowControl::~CWindowControl()
{
    Detach();
}

bool CWindowControl::Attach(HWND dialog, int id)
{
    HWND window = GetDlgItem(dialog, id);
    if (!window || m_handle || FromHandle(window))
        return false;
    m_handle = window;
    SetPropA(window, CONTROL_PROPERTY, this);
    m_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowControl::Procedure)));
    return true;
}

void CWindowControl::Detach()
{
    if (!m_handle)
        return;
    if (IsWindow(m_handle)) {
        SetWindowLongPtrA(m_handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
        RemovePropA(m_handle, CONTROL_PROPERTY);
    }
    m_handle = nullptr;
    m_previous = nullptr;
}

int CWindowControl::ControlId() const
{
    return m_handle ? GetDlgCtrlID(m_handle) : 0;
}

CWindowControl* CWindowControl::FromHandle(HWND window)
{
    return window ? static_cast<CWindowControl*>(GetPropA(window, CONTROL_PROPERTY)) : nullptr;
}

bool CWindowControl::DrawItem(const DRAWITEMSTRUCT&)
{
    return false;
}

LRESULT CWindowControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT CWindowControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(m_previous, m_handle, message, wParam, lParam);
}

LRESULT CALLBACK CWindowControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowControl* control = FromHandle(window);
    if (!control)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes: hand it back to its own procedure for the last message.
        const WNDPROC previous = control->m_previous;
        control->Detach();
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    return control->WindowProc(message, wParam, lParam);
}

} // namespace win32
