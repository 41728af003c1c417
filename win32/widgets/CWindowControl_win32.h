#pragma once

// A control of a dialog template taken over by an object: its window's
// messages reach WindowProc first (the window is subclassed), and the dialog
// hands it the owner-draw requests the control's owner receives.
//
//   CSkinnedButton ok;
//   ok.Attach(dialog, IDOK);     // in OnInitDialog, once the control exists

#include <windows.h>

namespace win32 {

class CWindowControl {
public:
    CWindowControl() = default;
    virtual ~CWindowControl();
    CWindowControl(const CWindowControl&) = delete;
    CWindowControl& operator=(const CWindowControl&) = delete;

    // False when the dialog has no such control or it is taken already.
    bool Attach(HWND dialog, int id);
    void Detach();
    HWND Handle() const { return m_handle; }
    int ControlId() const;

    // The object that took this window over, or nullptr.
    static CWindowControl* FromHandle(HWND window);

    // Paints an owner-drawn control; false when it draws nothing itself.
    virtual bool DrawItem(const DRAWITEMSTRUCT& item);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The control's own handling.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_handle = nullptr;
    WNDPROC m_previous = nullptr;
};

} // namespace win32
