#include <widgets/ControlId.h>
#include <widgets/CProgressPopup.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QCloseEvent>
#include <qdrawutil.h>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdarg>

namespace widgets {
namespace {

inline constexpr int SYSTEM_EDGE_HEIGHT = 2; // the 3-D edge height of the window frame
inline constexpr int INITIAL_WIDTH = 340;
inline constexpr int INITIAL_HEIGHT = 40;
// Painting the status and the bar is most of a step's work (a write steps
// every few milliseconds): once an operation pumps messages, they are
// painted at most this often, by the pump.
inline constexpr qint64 PAINT_INTERVAL_MS = 40;

QEvent::Type closeRequestEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// The bar: smooth, or in separate blocks like the classic segmented bar.
class CProgressBarControl : public QProgressBar {
public:
    CProgressBarControl(bool smooth, QWidget* parent)
        : QProgressBar(parent)
        , m_smooth(smooth)
    {
        setTextVisible(false);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (m_smooth) {
            QProgressBar::paintEvent(event);
            return;
        }
        QPainter painter(this);
        qDrawShadePanel(&painter, rect(), palette(), true, 1, &palette().brush(QPalette::Base));
        const QRect inner = rect().adjusted(2, 2, -2, -2);
        const long long range = (long long)maximum() - minimum();
        if (range <= 0 || inner.width() <= 0)
            return;
        const long long done = std::clamp<long long>((long long)value() - minimum(), 0, range);
        const int filled = int(done * inner.width() / range);
        const int block = std::max(2, inner.height() * 2 / 3);
        const int gap = 2;
        for (int x = inner.left(); x < inner.left() + filled; x += block + gap)
            painter.fillRect(QRect(x, inner.top(), std::min(block, inner.right() + 1 - x), inner.height()),
                palette().brush(QPalette::Highlight));
    }

private:
    bool m_smooth;
};

// The pop-up window itself: top-most, a caption without a close box, the
// busy cursor, the button face as background. A close request from outside
// goes to the popup object, which destroys the window.
class CProgressWindow : public QWidget {
public:
    CProgressWindow(QWidget* owner, QObject* popup)
        : QWidget(
            owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
        , m_popup(popup)
    {
        setCursor(Qt::BusyCursor);
        setFocusPolicy(Qt::StrongFocus);
        QPalette face = palette();
        face.setColor(QPalette::Window, face.color(QPalette::Button));
        setPalette(face);
        setAutoFillBackground(true);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        if (m_popup)
            QCoreApplication::postEvent(m_popup, new QEvent(closeRequestEvent()));
    }

private:
    QPointer<QObject> m_popup;
};

} // namespace

CProgressPopup::CProgressPopup() = default;

CProgressPopup::CProgressPopup(QWidget* owner, const QString& title, bool smooth)
{
    if (!title.isNull())
        m_presenter.SetTitle(title.toUtf8().constData());
    Create(owner, QString(), smooth);
}

CProgressPopup::~CProgressPopup()
{
    Close();
}

bool CProgressPopup::Create(QWidget* owner, const QString& title, bool smooth)
{
    if (!HasWindow())
        m_owner = owner;
    return m_presenter.Create(title.isNull() ? nullptr : title.toUtf8().constData(), smooth);
}

bool CProgressPopup::BeginModal(const QString& title, bool smooth)
{
    if (!HasWindow())
        m_owner = nullptr;
    return m_presenter.BeginModal(title.isNull() ? nullptr : title.toUtf8().constData(), smooth);
}

void CProgressPopup::SetStatus(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    m_presenter.SetStatusV(format, arguments);
    va_end(arguments);
}

QString CProgressPopup::StatusText() const
{
    return m_window ? m_text->text() : QString();
}

bool CProgressPopup::CreateProgressWindow(const std::string& caption, bool smooth)
{
    // Widgets need a widget application; without one there is no window.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    QWidget* owner = m_owner ? m_owner.data() : MainWindow();
    auto* window = new CProgressWindow(owner, this);
    window->setWindowTitle(QString::fromStdString(caption));
    window->setGeometry(0, 0, INITIAL_WIDTH, INITIAL_HEIGHT);
    m_window = window;

    m_text = new QLabel(window);
    setControlId(m_text, PROGRESS_TEXT_ID);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    m_text->setWordWrap(false);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setGeometry(0, 0, 10, 10);
    m_text->setFont(dialogFont());

    m_bar = new CProgressBarControl(smooth, window);
    setControlId(m_bar, PROGRESS_BAR_ID);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setGeometry(0, 0, 10, 10);
    return true;
}

void CProgressPopup::DestroyProgressWindow()
{
    m_paintingHeld = false;
    m_pumped = false;
    QWidget* window = m_window.data();
    m_window = nullptr;
    m_text = nullptr;
    m_bar = nullptr;
    delete window;
}

int CProgressPopup::MeasureTextHeight(int lines)
{
    // A line is the font's ascent plus descent, as the platform measures
    // lines of "M".
    return QFontMetrics(m_text->font()).height() * lines;
}

int CProgressPopup::EdgeHeight()
{
    return SYSTEM_EDGE_HEIGHT;
}

void CProgressPopup::ApplyLayout(const presenters::ProgressLayout& layout)
{
    const auto rect
        = [](const presenters::ProgressRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); };
    m_window->setFixedSize(layout.clientWidth, layout.clientHeight);
    m_text->setGeometry(rect(layout.text));
    m_bar->setGeometry(rect(layout.bar));
}

presenters::ScreenPoint CProgressPopup::ScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize();
    return { size.width(), size.height() };
}

presenters::ScreenPoint CProgressPopup::WindowPosition()
{
    const QPoint position = m_window->pos();
    return { position.x(), position.y() };
}

void CProgressPopup::MoveWindow(presenters::ScreenPoint topLeft)
{
    m_window->move(topLeft.x, topLeft.y);
}

void CProgressPopup::CentreWindow()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QWidget* owner = m_window->parentWidget();
    QRect over = area;
    if (owner && owner->isVisible() && !owner->isMinimized())
        over = owner->window()->frameGeometry();
    QRect frame = m_window->frameGeometry();
    frame.moveCenter(over.center());
    if (area.isValid()) {
        // Keep the whole window on the screen.
        frame.moveLeft(
            std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
        frame.moveTop(
            std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    }
    m_window->move(frame.topLeft());
}

bool CProgressPopup::IsWindowVisible()
{
    return m_window->isVisible();
}

void CProgressPopup::HoldPainting()
{
    if (m_paintingHeld || !m_pumped)
        return;
    m_text->setUpdatesEnabled(false);
    m_bar->setUpdatesEnabled(false);
    m_paintingHeld = true;
}

void CProgressPopup::ReleasePainting()
{
    if (!m_paintingHeld || !m_window)
        return;
    // Each schedules its own repaint.
    m_text->setUpdatesEnabled(true);
    m_bar->setUpdatesEnabled(true);
    m_paintingHeld = false;
    m_sincePaint.start();
}

void CProgressPopup::ShowWindow()
{
    ReleasePainting();
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    m_window->show();
    m_window->repaint();
}

void CProgressPopup::HideWindow()
{
    m_window->hide();
}

void CProgressPopup::SetCaption(const std::string& caption)
{
    m_window->setWindowTitle(QString::fromStdString(caption));
}

void CProgressPopup::SetStatusText(const std::string& text)
{
    HoldPainting();
    m_text->setText(QString::fromStdString(text));
}

void CProgressPopup::SetBarRange(int lower, int upper)
{
    const int position = m_bar->value();
    m_bar->setRange(lower, std::max(lower, upper));
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
}

int CProgressPopup::SetBarPosition(int position)
{
    const int previous = m_bar->value();
    // QProgressBar would repaint itself at once on every new value.
    HoldPainting();
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    return previous;
}

void CProgressPopup::DisableOwnerChain()
{
    QWidget* reached = m_window;
    while (QWidget* parent = reached->parentWidget()) {
        if (!parent->isEnabled())
            break;
        reached = parent;
    }
    m_disabledOwner = reached;
    reached->setEnabled(false);
    m_window->setEnabled(true);
}

void CProgressPopup::EnableDisabledOwner()
{
    if (m_disabledOwner)
        m_disabledOwner->setEnabled(true);
    m_disabledOwner = nullptr;
}

bool CProgressPopup::HasFocus()
{
    return m_window->hasFocus();
}

void CProgressPopup::TakeFocus()
{
    m_window->activateWindow();
    m_window->setFocus(Qt::OtherFocusReason);
}

void CProgressPopup::PostCloseRequest()
{
    QCoreApplication::postEvent(this, new QEvent(closeRequestEvent()));
}

void CProgressPopup::BringMainWindowForward()
{
    if (QWidget* main = MainWindow()) {
        main->raise();
        main->activateWindow();
    }
}

void CProgressPopup::DispatchPendingMessages(bool escapeCancels)
{
    m_pumped = true;
    if (m_paintingHeld && (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= PAINT_INTERVAL_MS))
        ReleasePainting();
    // The filter is installed by the outermost pump that asks for it.
    const bool installs = escapeCancels && !m_cancelOnEscape;
    const bool previous = m_cancelOnEscape;
    if (installs) {
        m_cancelOnEscape = true;
        qApp->installEventFilter(this);
    }
    // A handler run by the pump may destroy this object.
    const QPointer<CProgressPopup> self(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!self)
        return;
    if (installs)
        qApp->removeEventFilter(this);
    m_cancelOnEscape = previous;
}

bool CProgressPopup::eventFilter(QObject* watched, QEvent* event)
{
    if (m_cancelOnEscape && !IsCancelled() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_presenter.Cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool CProgressPopup::event(QEvent* event)
{
    if (event->type() == closeRequestEvent()) {
        DestroyProgressWindow();
        return true;
    }
    return QObject::event(event);
}

} // namespace widgets
