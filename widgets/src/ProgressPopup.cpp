#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>
#include <widgets/Profile.h>
#include <widgets/ProgressPopup.h>
#include <widgets/WidgetTexts.h>

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
#include <climits>
#include <cstdarg>
#include <cstdio>

namespace widgets {
namespace {

// Layout, in pixels.
inline constexpr int TEXT_LEFT = 10;
inline constexpr int TEXT_TOP = 10;
inline constexpr int SYSTEM_EDGE_HEIGHT = 2; // the 3-D edge height of the window frame
inline constexpr int BAR_GAP = 10; // between text and bar, below the edge
inline constexpr int BAR_BOTTOM = 30; // bar bottom, below the text bottom
inline constexpr int BAR_RIGHT_INSET = 10;
inline constexpr int CLIENT_EXTRA_WIDTH = 10;
inline constexpr int CLIENT_EXTRA_HEIGHT = 45;
inline constexpr int INITIAL_WIDTH = 340;
inline constexpr int INITIAL_HEIGHT = 40;

const char* const PROFILE_KEY_X = "X";
const char* const PROFILE_KEY_Y = "Y";

QEvent::Type closeRequestEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// The number of bytes of text (length bytes, UTF-8) that can be kept
// without ending inside a character.
std::size_t utf8CutLength(const char* text, std::size_t length)
{
    std::size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return length;
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    std::size_t size = 1;
    if ((lead & 0xE0) == 0xC0)
        size = 2;
    else if ((lead & 0xF0) == 0xE0)
        size = 3;
    else if ((lead & 0xF8) == 0xF0)
        size = 4;
    return (start - 1) + size <= length ? length : start - 1;
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

CProgressPopup::CProgressPopup()
    : m_title(QString::fromLatin1(PROGRESS_DEFAULT_TITLE))
{
}

CProgressPopup::CProgressPopup(QWidget* owner, const QString& title, bool smooth)
    : CProgressPopup()
{
    if (!title.isNull())
        m_title = title;
    Create(owner, m_title, smooth);
}

CProgressPopup::~CProgressPopup()
{
    Close();
}

bool CProgressPopup::Create(QWidget* owner, const QString& title, bool smooth)
{
    if (m_window)
        return true;
    // Widgets need a widget application; without one there is no window.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    if (!title.isNull())
        m_title = title;
    if (!owner)
        owner = MainWindow();

    auto* window = new CProgressWindow(owner, this);
    window->setWindowTitle(m_title);
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

    Layout();
    if (m_keepPosition)
        RestorePosition();
    else
        Centre();
    Show();
    return true;
}

void CProgressPopup::Layout()
{
    // The height of m_textLines lines of text: a line is the font's ascent
    // plus descent, as the platform measures lines of "M".
    const int textHeight = QFontMetrics(m_text->font()).height() * m_textLines;
    const QRect text(TEXT_LEFT, TEXT_TOP, PROGRESS_TEXT_WIDTH, textHeight);
    const int textRight = text.left() + text.width(); // one past the last column
    const int textBottom = text.top() + text.height(); // one past the last row
    const int barTop = textBottom + SYSTEM_EDGE_HEIGHT + BAR_GAP;
    const QRect bar(
        text.left(), barTop, textRight - BAR_RIGHT_INSET - text.left(), textBottom + BAR_BOTTOM - barTop);
    m_window->setFixedSize(
        text.width() + CLIENT_EXTRA_WIDTH, text.height() + bar.height() + CLIENT_EXTRA_HEIGHT);
    m_text->setGeometry(text);
    m_bar->setGeometry(bar);
}

void CProgressPopup::RestorePosition()
{
    const int x = ReadProfileInt(QLatin1String(PROFILE_SETTINGS_SECTION), QLatin1String(PROFILE_KEY_X), -1);
    const int y = ReadProfileInt(QLatin1String(PROFILE_SETTINGS_SECTION), QLatin1String(PROFILE_KEY_Y), -1);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize();
    if (x >= 0 && x < size.width() && y >= 0 && y < size.height())
        m_window->move(x, y);
    else
        Centre();
}

void CProgressPopup::Centre()
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

void CProgressPopup::SavePosition()
{
    if (!m_window)
        return;
    const QPoint position = m_window->pos();
    WriteProfileInt(QLatin1String(PROFILE_SETTINGS_SECTION), QLatin1String(PROFILE_KEY_X), position.x());
    WriteProfileInt(QLatin1String(PROFILE_SETTINGS_SECTION), QLatin1String(PROFILE_KEY_Y), position.y());
}

bool CProgressPopup::BeginModal(const QString& title, bool smooth)
{
    if (!m_window && !Create(MainWindow(), title, smooth))
        return false;
    // Already modal: the owner chain is disabled and remembered; walking it
    // again would stop at the pop-up and forget the owner.
    if (m_modal)
        return true;
    QWidget* reached = m_window;
    while (QWidget* parent = reached->parentWidget()) {
        if (!parent->isEnabled())
            break;
        reached = parent;
    }
    m_disabledOwner = reached;
    reached->setEnabled(false);
    m_window->setEnabled(true);
    m_modal = true;
    return true;
}

void CProgressPopup::SetBounds(int lower, int upper, int step)
{
    if (!m_window)
        return;
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    const int position = m_bar->value();
    m_bar->setRange(lower, std::max(lower, upper));
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
}

int CProgressPopup::percentageOf(int position, int lower, int upper)
{
    if (upper <= lower)
        return 0;
    const double percentage = (double(position) - lower) * 100.0 / (double(upper) - lower) + 0.5;
    // Truncation toward zero, kept within int for positions far off the range.
    return int(std::clamp(percentage, double(INT_MIN), double(INT_MAX)));
}

int CProgressPopup::SetPosition(int position)
{
    if (!m_window)
        return m_position;
    if (!m_window->isVisible())
        Show();
    m_position = position;
    const int percentage = percentageOf(position, m_lower, m_upper);
    if (percentage != m_shownPercentage) {
        m_shownPercentage = percentage;
        m_window->setWindowTitle(
            QString::asprintf(PROGRESS_CAPTION_FORMAT, m_title.toUtf8().constData(), percentage));
    }
    const int previous = m_bar->value();
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    return previous;
}

int CProgressPopup::Advance()
{
    if (!m_window)
        return m_position;
    Show();
    const long long next = (long long)m_position + m_step;
    return SetPosition(int(std::clamp<long long>(next, INT_MIN, INT_MAX)));
}

void CProgressPopup::SetStatus(const char* format, ...)
{
    if (!m_window || !format)
        return;
    char buffer[PROGRESS_STATUS_BYTES];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    std::size_t length = 0;
    if (written > 0) {
        length = std::min<std::size_t>(std::size_t(written), sizeof buffer - 1);
        if (std::size_t(written) > length)
            length = utf8CutLength(buffer, length);
    }
    m_text->setText(QString::fromUtf8(buffer, qsizetype(length)));
}

QString CProgressPopup::StatusText() const
{
    return m_window ? m_text->text() : QString();
}

void CProgressPopup::PumpMessages(bool cancelOnEscape)
{
    if (m_modal && m_window && !m_window->hasFocus()) {
        m_window->activateWindow();
        m_window->setFocus(Qt::OtherFocusReason);
    }
    if (m_cancelled)
        return;
    // The filter is installed by the outermost pump that asks for it.
    const bool installs = cancelOnEscape && !m_cancelOnEscape;
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
    if (m_cancelOnEscape && !m_cancelled && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool CProgressPopup::event(QEvent* event)
{
    if (event->type() == closeRequestEvent()) {
        DestroyWindow();
        return true;
    }
    return QObject::event(event);
}

void CProgressPopup::Cancel()
{
    if (m_keepPosition)
        SavePosition();
    m_cancelled = true;
    Hide();
    if (m_modal && m_window)
        QCoreApplication::postEvent(this, new QEvent(closeRequestEvent()));
    if (QWidget* main = MainWindow()) {
        main->raise();
        main->activateWindow();
    }
}

void CProgressPopup::Show()
{
    if (!m_window || m_window->isVisible())
        return;
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    m_window->show();
    m_window->repaint();
}

void CProgressPopup::Hide()
{
    if (m_window && m_window->isVisible())
        m_window->hide();
}

void CProgressPopup::Close()
{
    if (m_keepPosition)
        SavePosition();
    if (m_modal) {
        m_modal = false;
        if (m_disabledOwner)
            m_disabledOwner->setEnabled(true);
        m_disabledOwner = nullptr;
    }
    DestroyWindow();
}

void CProgressPopup::DestroyWindow()
{
    QWidget* window = m_window.data();
    m_window = nullptr;
    m_text = nullptr;
    m_bar = nullptr;
    delete window;
}

} // namespace widgets
