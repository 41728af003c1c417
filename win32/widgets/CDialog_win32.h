#pragma once

// A modal dialog from a template of the program's resources, the base of
// every window of the Win32 front end: handlers are virtual operations, the
// owner-draw requests of the dialog's controls go to the controls' objects
// (CWindowControl), and the dialog runs its own modal loop, so that it sees
// every message before the dialog manager does (PreTranslateMessage).
//
//   CConfigDialog dialog(table);
//   dialog.DoModal(MainWindow());

#include <windows.h>

namespace win32 {

class CDialog {
public:
    explicit CDialog(int templateId);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until EndDialog, its owner disabled meanwhile; returns
    // its result, or -1 when the dialog cannot be made.
    INT_PTR DoModal(HWND owner);
    HWND Handle() const { return m_handle; }
    // Ends the modal loop with this result (the window goes when it ends).
    void EndDialog(INT_PTR result);

protected:
    // True: the system gives the first control the focus.
    virtual bool OnInitDialog();
    // A control's command; true when handled. Unhandled OK and Cancel end
    // the dialog through OnOK and OnCancel.
    virtual bool OnCommand(int id, int notification);
    virtual void OnOK();
    virtual void OnCancel();
    // Any other message; true when handled, with the dialog procedure's
    // result in result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // A message of the loop before the dialog manager sees it; true when it
    // is taken.
    virtual bool PreTranslateMessage(MSG& message);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_handle = nullptr;
    bool m_ended = false;
    INT_PTR m_result = IDCANCEL;
};

// The application's main window: the owner of windows made without one, and
// the window brought forward after a cancel. nullptr until set.
void SetMainWindow(HWND window);
HWND MainWindow();

} // namespace win32
