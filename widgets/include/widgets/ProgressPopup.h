// CProgressPopup: a small top-most pop-up that shows the progress of a long
// operation running on the user-interface thread: a caption "title [n%]",
// status text and a progress bar. It can make itself modal by disabling its
// owner, keeps the program responsive through PumpMessages, cancels on
// Escape, and remembers its screen position in the program's profile
// (section "Settings", keys "X" and "Y"; see Profile.h).
//
//   CProgressPopup progress(mainWindow, "Programing...", false); // shown at once
//   progress.BeginModal("Progress");   // window exists: the title stays
//   progress.SetBounds(0, 128, 1);
//   for (int key = 0; key < 128; ++key) {
//       progress.SetStatus("programing %d key", key);
//       progress.Advance();
//       progress.PumpMessages(true);   // Escape cancels
//   }
//   progress.Close();                  // owner enabled again
//
// Everything checks that the window exists: after the window has gone
// (closed, or destroyed by a cancel in modal mode) SetPosition and Advance
// return the stored position and the other operations do nothing.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

namespace widgets {

inline constexpr int PROGRESS_TEXT_ID = 11;
inline constexpr int PROGRESS_BAR_ID = 12;
inline constexpr int PROGRESS_STATUS_BYTES = 512; // status text buffer, NUL included
inline constexpr int PROGRESS_TEXT_WIDTH = 350; // pixels

class CProgressPopup : public QObject {
    Q_OBJECT
public:
    // No window yet (BeginModal or Create makes it); title "Progress".
    CProgressPopup();
    // Sets the title (a null title keeps "Progress") and creates the window
    // as Create does; owner nullptr means the application's main window.
    CProgressPopup(QWidget* owner, const QString& title, bool smooth);
    // Close().
    ~CProgressPopup() override;

    // Creates, lays out, positions (saved position or centred) and shows the
    // window, owned by owner (nullptr: MainWindow()). The title becomes the
    // caption prefix. Returns false when the window cannot be made; true,
    // changing nothing, when it exists already.
    bool Create(QWidget* owner, const QString& title, bool smooth);

    // Creates the window if there is none (owned by MainWindow(), with this
    // title and bar style; otherwise both are ignored), then disables the
    // owner chain: from the pop-up up its parents while they are enabled;
    // the last one reached is disabled and remembered. Returns false when
    // the window cannot be made.
    bool BeginModal(const QString& title = QString(), bool smooth = false);

    // Stores the range and step and passes the range to the bar.
    void SetBounds(int lower, int upper, int step = 1);
    // Shows the window if hidden, stores the position, rewrites the caption
    // when the whole percentage changes, moves the bar (clamped to its
    // range). Returns the bar's previous position.
    int SetPosition(int position);
    // SetPosition(position + step).
    int Advance();
    // printf-style status text, cut to fit PROGRESS_STATUS_BYTES at a
    // character boundary. Shown without mnemonic or word wrap.
    void SetStatus(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // Dispatches the pending events of the application. In modal mode the
    // pop-up first takes the focus. With cancelOnEscape, an Escape key press
    // anywhere in the program runs Cancel (and is consumed). Returns at once
    // once cancelled. A quit requested meanwhile stays pending for the
    // outer event loop, which Qt does by itself.
    void PumpMessages(bool cancelOnEscape = true);

    // Saves the position, marks cancelled (never cleared), hides the window,
    // and in modal mode posts a close request that destroys it; then raises
    // the main window. The owner stays disabled until Close.
    void Cancel();

    // Show without activating, and repaint at once; hide.
    void Show();
    void Hide();

    // Saves the position, ends modal mode (re-enabling the disabled owner,
    // also when the window has already gone) and destroys the window.
    void Close();

    void SetKeepPosition(bool keep)
    {
        m_keepPosition = keep;
    }

    bool IsCancelled() const
    {
        return m_cancelled;
    }
    bool IsModal() const
    {
        return m_modal;
    }
    bool HasWindow() const
    {
        return !m_window.isNull();
    }
    QWidget* Window() const
    {
        return m_window.data();
    }
    QString Title() const
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
    QString StatusText() const;

    // The whole percentage of position in lower..upper: (position - lower) *
    // 100 / (upper - lower) + 0.5, truncated toward zero; 0 when upper <= lower.
    static int percentageOf(int position, int lower, int upper);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout();
    void RestorePosition();
    void SavePosition();
    void Centre();
    void DestroyWindow();

    QString m_title;
    int m_textLines = 1;
    int m_lower = 0;
    int m_upper = 100;
    int m_step = 1;
    int m_position = 0;
    int m_shownPercentage = 0;
    bool m_cancelled = false;
    bool m_modal = false;
    bool m_keepPosition = true;
    bool m_cancelOnEscape = false;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_disabledOwner;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
};

} // namespace widgets
