#include "widgets/CDialog_win32.h"

#include "widgets/CWindowControl_win32.h"

namespace win32 {
namespace {

HWND g_mainWindow = nullptr;

} // namespace

void SetMainWindow(HWND window)
{
    g_mainWindow = window;
}

HWND MainWindow()
{
    return IsWindow(g_mainWindow) ? g_mainWindow : nullptr;
}

CDialog::CDialog(int templateId)
    : m_templateId(templateId)
{
}

INT_PTR CDialog::DoModal(HWND owner)
{
    m_ended = false;
    m_result = IDCANCEL;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
        &CDialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (!window)
        return -1;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    if (!m_ended)
        ShowWindow(window, SW_SHOW);
    MSG message {};
    while (!m_ended) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is quitting: the quit stays for the outer loop.
            if (got == 0)
                PostQuitMessage(int(message.wParam));
            break;
        }
        if (PreTranslateMessage(message) || IsDialogMessageA(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The owner first, so that it takes the activation back.
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    if (IsWindow(window))
        DestroyWindow(window);
    return m_result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_ended = true;
}

bool CDialog::PreTranslateMessage(MSG&)
{
    return false;
}

bool CDialog::OnInitDialog()
{
    return true;
}

bool CDialog::OnCommand(int, int)
{
    return false;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

INT_PTR CALLBACK CDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->m_handle = window;
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    INT_PTR result = 0;
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (CWindowControl* control = CWindowControl::FromHandle(item->hwndItem);
            control && control->DrawItem(*item))
            return TRUE;
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (dialog->OnCommand(id, HIWORD(wParam)))
            return TRUE;
        if (id == IDOK) {
            dialog->OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            dialog->OnCancel();
            return TRUE;
        }
        break;
    }
    case WM_NCDESTROY:
        dialog->m_handle = nullptr;
        SetWindowLongPtrA(window, DWLP_USER, 0);
        return FALSE;
    default:
        break;
    }
    if (dialog->OnMessage(message, wParam, lParam, result)) {
        // These few return their result themselves; the others through
        // the window's message result.
        if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_QUERYDRAGICON)
            return result;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

} // namespace win32
