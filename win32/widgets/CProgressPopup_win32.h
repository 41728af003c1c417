#pragma once

// CProgressPopup: the progress window of the Win32 front end, a top-most
// pop-up with a caption "title [n%]", a status text (control 11) and a
// progress bar (control 12). It is the view of
// presenters::CProgressPresenter, which holds the rules; this class makes
// the window and its controls, walks the owner chain, pumps the thread's
// messages (Escape cancels) and draws.
//
//   CProgressPopup progress(mainWindow, "Programing...", false); // shown at once
//   progress.BeginModal("Progress");   // window exists: the title stays
//   progress.SetBounds(0, 128, 1);
//   progress.SetStatus("programing %d key", 0); progress.Advance(); progress.PumpMessages(true);
//   progress.Close();

#include "widgets/CPrivateProfile_win32.h"

#include <presenters/CProgressPresenter.h>

#include <windows.h>

namespace win32 {

inline constexpr int PROGRESS_CANCEL_COMMAND = 10;

class CProgressPopup : private presenters::CProgressView {
public:
    CProgressPopup() = default;
    // Sets the title (nullptr keeps "Progress") and creates the window;
    // owner nullptr means the application's main window.
    CProgressPopup(HWND owner, const char* title, bool smooth);
    ~CProgressPopup() override;
    CProgressPopup(const CProgressPopup&) = delete;
    CProgressPopup& operator=(const CProgressPopup&) = delete;

    bool Create(HWND owner, const char* title, bool smooth);
    bool BeginModal(const char* title = nullptr, bool smooth = false);
    void SetBounds(int lower, int upper, int step = 1) { m_presenter.SetBounds(lower, upper, step); }
    int SetPosition(int position) { return m_presenter.SetPosition(position); }
    int Advance() { return m_presenter.Advance(); }
    void SetStatus(const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
        __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)))
#endif
        ;
    void PumpMessages(bool cancelOnEscape = true)
    {
        m_presenter.PumpMessages(cancelOnEscape);
    }
    void Cancel()
    {
        m_presenter.Cancel();
    }
    void Show()
    {
        m_presenter.Show();
    }
    void Hide()
    {
        m_presenter.Hide();
    }
    void Close()
    {
        m_presenter.Close();
    }
    void SetKeepPosition(bool keep)
    {
        m_presenter.SetKeepPosition(keep);
    }

    bool IsCancelled() const
    {
        return m_presenter.IsCancelled();
    }
    HWND Handle() const
    {
        return m_window;
    }

private:
    // presenters::CProgressView
    bool CreateProgressWindow(const std::string& caption, bool smooth) override;
    bool WindowExists() const override;
    void DestroyProgressWindow() override;
    int MeasureTextHeight(int lines) override;
    int EdgeHeight() override;
    void ApplyLayout(const presenters::ProgressLayout& layout) override;
    presenters::ScreenPoint ScreenSize() override;
    presenters::ScreenPoint WindowPosition() override;
    void MoveWindow(presenters::ScreenPoint topLeft) override;
    void CentreWindow() override;
    bool IsWindowVisible() override;
    void ShowWindow() override;
    void HideWindow() override;
    void SetCaption(const std::string& caption) override;
    void SetStatusText(const std::string& text) override;
    void SetBarRange(int lower, int upper) override;
    int SetBarPosition(int position) override;
    void DisableOwnerChain() override;
    void EnableDisabledOwner() override;
    bool HasFocus() override;
    void TakeFocus() override;
    void PostCloseRequest() override;
    void BringMainWindowForward() override;
    void DispatchPendingMessages(bool escapeCancels) override;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    CPrivateProfile m_profile;
    presenters::CProgressPresenter m_presenter { *this, m_profile };
    HWND m_owner = nullptr; // nullptr: the main window
    HWND m_window = nullptr;
    HWND m_text = nullptr;
    HWND m_bar = nullptr;
    HWND m_disabledOwner = nullptr;
    HFONT m_font = nullptr;
};

} // namespace win32
