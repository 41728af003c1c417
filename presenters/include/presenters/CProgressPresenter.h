#pragma once

// The progress window's rules, without a toolkit: its title and the
// percentage in its caption, the status text cut to its buffer, the range
// and stepping of the bar, its layout, modal mode, cancelling, and its
// position kept in the profile (section "Settings", keys "X" and "Y").
// A front end's CProgressPopup owns one and is its CProgressView.
//
// Every operation checks that the window exists: once it has gone (closed,
// or destroyed by a cancel in modal mode) SetPosition and Advance return the
// stored position and the others do nothing.

#include <presenters/CProfile.h>
#include <presenters/CProgressView.h>

#include <cstdarg>
#include <string>

namespace presenters {

inline constexpr int PROGRESS_STATUS_BYTES = 512; // status text buffer, NUL included
inline constexpr int PROGRESS_TEXT_WIDTH = 350; // pixels

// The whole percentage of position in lower..upper: (position - lower) * 100
// / (upper - lower) + 0.5, truncated toward zero; 0 when upper <= lower.
int progressPercentage(int position, int lower, int upper);

// The places of the status text (lines of textHeight pixels in all) and the
// bar, and the client size, for a text width of PROGRESS_TEXT_WIDTH.
ProgressLayout progressLayout(int textHeight, int edgeHeight);

class CProgressPresenter {
public:
    // Title "Progress"; no window.
    CProgressPresenter(CProgressView& view, CProfile& profile);
    CProgressPresenter(const CProgressPresenter&) = delete;
    CProgressPresenter& operator=(const CProgressPresenter&) = delete;

    // The title replaces the caption prefix; nullptr keeps it.
    void SetTitle(const char* title);

    // Creates, lays out, positions (the saved position or centred) and shows
    // the window. False when it cannot be made; true, changing nothing, when
    // it exists already.
    bool Create(const char* title, bool smooth);
    // Creates the window if there is none (the arguments serve only then),
    // then disables the owner chain. False when the window cannot be made.
    bool BeginModal(const char* title, bool smooth);

    // Stores the range and step and passes the range to the bar.
    void SetBounds(int lower, int upper, int step);
    // Shows the window if hidden, stores the position, rewrites the caption
    // when the whole percentage changes, moves the bar. Returns the bar's
    // previous position.
    int SetPosition(int position);
    // SetPosition(position + step), held within int.
    int Advance();
    // printf-style, cut to fit PROGRESS_STATUS_BYTES without ending inside a
    // UTF-8 character.
    void SetStatus(const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
        __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)))
#elif defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void SetStatusV(const char* format, va_list arguments)
#if defined(__MINGW_PRINTF_FORMAT)
        __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 0)))
#elif defined(__GNUC__)
        __attribute__((format(printf, 2, 0)))
#endif
        ;

    // In modal mode the window first takes the focus; then the waiting
    // messages are dispatched, Escape cancelling when asked. Returns at once
    // once cancelled.
    void PumpMessages(bool cancelOnEscape);
    // Saves the position, marks cancelled (never cleared), hides the window,
    // in modal mode asks it to close; then brings the main window forward.
    // The owner stays disabled until Close.
    void Cancel();
    // Saves the position, ends modal mode (re-enabling the disabled owner,
    // also when the window has already gone) and destroys the window.
    void Close();
    void Show();
    void Hide();

    void SetKeepPosition(bool keep)
    {
        m_keepPosition = keep;
    }

    const std::string& Title() const
    {
        return m_title;
    }
    int Lower() const
    {
        return m_lower;
    }
    int Upper() const
    {
        return m_upper;
    }
    int Step() const
    {
        return m_step;
    }
    int Position() const
    {
        return m_position;
    }
    int ShownPercentage() const
    {
        return m_shownPercentage;
    }
    bool IsCancelled() const
    {
        return m_cancelled;
    }
    bool IsModal() const
    {
        return m_modal;
    }

private:
    void Layout();
    void RestorePosition();
    void SavePosition();

    CProgressView& m_view;
    CProfile& m_profile;
    std::string m_title;
    int m_textLines = 1;
    int m_lower = 0;
    int m_upper = 100;
    int m_step = 1;
    int m_position = 0;
    int m_shownPercentage = 0;
    bool m_cancelled = false;
    bool m_modal = false;
    bool m_keepPosition = true;
};

} // namespace presenters
