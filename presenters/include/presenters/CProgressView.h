#pragma once

// What the progress window's presenter asks of a front end's window: the
// pop-up with its status text (control 11) and bar (control 12), placed,
// shown and captioned as told, and a message pump. Every call but
// CreateProgressWindow is made only while the window exists.

#include <string>

namespace presenters {

inline constexpr int PROGRESS_TEXT_ID = 11;
inline constexpr int PROGRESS_BAR_ID = 12;

// Pixels; right and bottom one past the last column and row.
struct ProgressRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ProgressRect&) const = default;
};

struct ProgressLayout {
    ProgressRect text;
    ProgressRect bar;
    int clientWidth = 0;
    int clientHeight = 0;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class CProgressView {
public:
    virtual ~CProgressView() = default;

    // Makes the pop-up (owned by the owner the front end was given, or its
    // main window) with this caption, the two controls and the status font;
    // false when any of them cannot be made.
    virtual bool CreateProgressWindow(const std::string& caption, bool smooth) = 0;
    virtual bool WindowExists() const = 0;
    virtual void DestroyProgressWindow() = 0;

    // The height of that many lines of "M" in the status font, and the
    // system's 3-D edge height.
    virtual int MeasureTextHeight(int lines) = 0;
    virtual int EdgeHeight() = 0;
    // Sizes the client area, keeping the top-left corner, and moves both
    // controls.
    virtual void ApplyLayout(const ProgressLayout& layout) = 0;

    // The primary screen's size, the window's top-left corner on it.
    virtual ScreenPoint ScreenSize() = 0;
    virtual ScreenPoint WindowPosition() = 0;
    virtual void MoveWindow(ScreenPoint topLeft) = 0;
    virtual void CentreWindow() = 0;

    virtual bool IsWindowVisible() = 0;
    // Shown without activating it, and painted at once.
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetBarRange(int lower, int upper) = 0;
    // Returns the bar's previous position.
    virtual int SetBarPosition(int position) = 0;

    // Disables the owner chain: from the pop-up up its owners while they are
    // enabled; the last one reached is disabled and remembered. Then enables
    // the pop-up itself.
    virtual void DisableOwnerChain() = 0;
    // Enables the remembered owner again, also after the pop-up has gone.
    virtual void EnableDisabledOwner() = 0;

    virtual bool HasFocus() = 0;
    virtual void TakeFocus() = 0;
    // Asks the window to close (its default handling destroys it).
    virtual void PostCloseRequest() = 0;
    // Even without the window.
    virtual void BringMainWindowForward() = 0;
    // Dispatches the messages that are waiting, until there are none or the
    // presenter is cancelled; with escapeCancels, an Escape key runs
    // CProgressPresenter::Cancel. Also called without the window.
    virtual void DispatchPendingMessages(bool escapeCancels) = 0;
};

} // namespace presenters
