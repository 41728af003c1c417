// CProgressPopup: the progress window of the Qt front end, a small top-most
// pop-up with a caption "title [n%]", status text and a progress bar. It is
// the view of presenters::CProgressPresenter, which holds the rules (the
// percentage, the status cut, stepping, modal mode, cancelling, the position
// kept in the profile); this class builds the window, forwards Escape and
// the close request, and draws.
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
#pragma once

#include <presenters/CProgressPresenter.h>
#include <widgets/CProgramProfile.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

namespace widgets {

inline constexpr int PROGRESS_TEXT_ID = presenters::PROGRESS_TEXT_ID;
inline constexpr int PROGRESS_BAR_ID = presenters::PROGRESS_BAR_ID;

class CProgressPopup : public QObject, private presenters::CProgressView {
    Q_OBJECT
public:
    // No window yet (BeginModal or Create makes it); title "Progress".
    CProgressPopup();
    // Sets the title (a null title keeps "Progress") and creates the window
    // as Create does; owner nullptr means the application's main window.
    CProgressPopup(QWidget* owner, const QString& title, bool smooth);
    // Close().
    ~CProgressPopup() override;

    // Creates, lays out, positions and shows the window, owned by owner
    // (nullptr: MainWindow()). False when the window cannot be made (no
    // widget application); true, changing nothing, when it exists already.
    bool Create(QWidget* owner, const QString& title, bool smooth);
    // Creates the window if there is none (owned by MainWindow(); title and
    // bar style serve only then), then disables the owner chain.
    bool BeginModal(const QString& title = QString(), bool smooth = false);

    void SetBounds(int lower, int upper, int step = 1) { m_presenter.SetBounds(lower, upper, step); }
    int SetPosition(int position) { return m_presenter.SetPosition(position); }
    int Advance() { return m_presenter.Advance(); }
    // printf-style; shown without mnemonic or word wrap.
    void SetStatus(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Dispatches the pending events of the application; with
    // cancelOnEscape, an Escape key press anywhere in the program cancels
    // (and is consumed). A quit requested meanwhile stays pending for the
    // outer event loop, which Qt does by itself.
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
    bool IsModal() const
    {
        return m_presenter.IsModal();
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
        return QString::fromStdString(m_presenter.Title());
    }
    int Lower() const
    {
        return m_presenter.Lower();
    }
    int Upper() const
    {
        return m_presenter.Upper();
    }
    int Step() const
    {
        return m_presenter.Step();
    }
    int Position() const
    {
        return m_presenter.Position();
    }
    int ShownPercentage() const
    {
        return m_presenter.ShownPercentage();
    }
    QString StatusText() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // presenters::CProgressView
    bool CreateProgressWindow(const std::string& caption, bool smooth) override;
    bool WindowExists() const override
    {
        return HasWindow();
    }
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

    void HoldPainting();
    void ReleasePainting();

    CProgramProfile m_profile;
    presenters::CProgressPresenter m_presenter { *this, m_profile };
    QPointer<QWidget> m_owner; // null: the main window
    bool m_cancelOnEscape = false;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_disabledOwner;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    bool m_pumped = false; // an operation pumps: painting may wait for the pump
    bool m_paintingHeld = false;
    QElapsedTimer m_sincePaint;
};

} // namespace widgets
