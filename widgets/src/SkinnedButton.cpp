#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/SkinnedButton.h>

#include <resources/Resources.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QPainter>

namespace widgets {
namespace {

inline constexpr int PRESSED_CAPTION_SHIFT = 5;
int g_lastFocusedKey = 0;

// Nearest-neighbour copy of source rectangle s into target rectangle t,
// sampling at pixel centres. Both images are 32 bits per pixel; rectangles
// of no area are skipped.
void stretchCopy(QImage& target, const QRect& t, const QImage& source, const QRect& s)
{
    if (t.width() <= 0 || t.height() <= 0 || s.width() <= 0 || s.height() <= 0)
        return;
    for (int j = 0; j < t.height(); ++j) {
        const int sy = s.top() + int((2LL * j + 1) * s.height() / (2LL * t.height()));
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(t.top() + j));
        for (int i = 0; i < t.width(); ++i) {
            const int sx = s.left() + int((2LL * i + 1) * s.width() / (2LL * t.width()));
            to[t.left() + i] = from[sx];
        }
    }
}

} // namespace

int LastFocusedKey()
{
    return g_lastFocusedKey;
}

void SetLastFocusedKey(int id)
{
    g_lastFocusedKey = id;
}

bool isDrawnDisabled(const QWidget* control)
{
    if (control->isWindow())
        return !control->isEnabled();
    return !control->isEnabledTo(control->window());
}

CSkinnedButton::CSkinnedButton(QWidget* parent)
    : CSkinnedButton(QString(), parent)
{
}

CSkinnedButton::CSkinnedButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
    , m_captionFont(QString::fromLatin1(DIALOG_FACE))
{
    // Every pixel is painted from the prepared images: no erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover, false);
}

CSkinnedButton::~CSkinnedButton() = default;

void CSkinnedButton::SetControlId(int id)
{
    setControlId(this, id);
}

int CSkinnedButton::ControlId() const
{
    return controlId(this);
}

bool CSkinnedButton::LoadSkin(int bitmapId, int frameCount, int top, int bottom, int left, int right)
{
    m_skinId = bitmapId;
    const QImage strip = resources::resourceImage(bitmapId);
    if (strip.isNull()) {
        m_frameCount = frameCount;
        m_top = top;
        m_bottom = bottom;
        m_left = left;
        m_right = right;
        return false;
    }
    return LoadSkinImage(strip, frameCount, top, bottom, left, right);
}

bool CSkinnedButton::LoadSkinImage(
    const QImage& strip, int frameCount, int top, int bottom, int left, int right)
{
    m_frameCount = frameCount;
    m_top = top;
    m_bottom = bottom;
    m_left = left;
    m_right = right;
    if (strip.isNull() || frameCount <= 0)
        return false;
    const QImage source = strip.convertToFormat(QImage::Format_RGB32);
    const State order[] = { STATE_NORMAL, STATE_PRESSED, STATE_DISABLED, STATE_FOCUSED };
    for (int frame = 0; frame < STATE_COUNT; ++frame)
        if (!BuildImage(source, frame, order[frame]))
            return false;
    update();
    return true;
}

bool CSkinnedButton::BuildImage(const QImage& strip, int frame, State state)
{
    const int frameWidth = strip.width() / m_frameCount;
    const int stripHeight = strip.height();
    const int x0 = frame * frameWidth;
    const int cw = width(), ch = height();
    const int T = m_top, B = m_bottom, L = m_left, R = m_right;
    // The frame and its borders must lie inside the strip, and the button
    // must have an area to build for.
    if (frameWidth <= 0 || x0 + frameWidth > strip.width() || T < 0 || B < 0 || L < 0 || R < 0
        || L + R > frameWidth || T + B > stripHeight || cw <= 0 || ch <= 0)
        return false;

    const QRgb key = colorFromRef(m_transparent).rgb();
    QImage image(cw, ch, QImage::Format_RGB32);
    image.fill(key);
    // Corners at natural size (a button smaller than the borders shows them
    // overlapping).
    stretchCopy(image, QRect(0, 0, L, T), strip, QRect(x0, 0, L, T));
    stretchCopy(image, QRect(0, ch - B, L, B), strip, QRect(x0, stripHeight - B, L, B));
    stretchCopy(image, QRect(cw - R, 0, R, T), strip, QRect(x0 + frameWidth - R, 0, R, T));
    stretchCopy(image, QRect(cw - R, ch - B, R, B), strip, QRect(x0 + frameWidth - R, stripHeight - B, R, B));
    // Centre and edges stretched.
    const int midWidth = cw - R - L, midHeight = ch - B - T;
    const int srcMidWidth = frameWidth - R - L, srcMidHeight = stripHeight - B - T;
    stretchCopy(image, QRect(L, T, midWidth, midHeight), strip, QRect(x0 + L, T, srcMidWidth, srcMidHeight));
    stretchCopy(image, QRect(L, 0, midWidth, T), strip, QRect(x0 + L, 0, srcMidWidth, T));
    stretchCopy(image, QRect(L, ch - B, midWidth, B), strip, QRect(x0 + L, stripHeight - B, srcMidWidth, B));
    stretchCopy(image, QRect(0, T, L, midHeight), strip, QRect(x0, T, L, srcMidHeight));
    stretchCopy(image, QRect(cw - R, T, R, midHeight), strip, QRect(x0 + frameWidth - R, T, R, srcMidHeight));

    // Key the transparent colour out once, so that painting is a plain copy.
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if (line[x] == key)
                line[x] = 0;
    }
    m_images[state] = QPixmap::fromImage(keyed);
    m_skinReady = true;
    return true;
}

void CSkinnedButton::SetCaptionColor(ColorRef color)
{
    m_captionFont.SetColor(color);
    update();
}

void CSkinnedButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));

    // A state whose image could not be built is drawn with the normal one.
    auto draw = [&](State state) {
        if (!m_skinReady)
            return;
        const QPixmap& image = m_images[state].isNull() ? m_images[STATE_NORMAL] : m_images[state];
        if (!image.isNull())
            painter.drawPixmap(0, 0, image);
    };

    QRect captionRect = rect();
    const bool disabled = isDrawnDisabled(this);
    if (hasFocus()) {
        draw(STATE_FOCUSED);
        if (isDown()) {
            draw(STATE_PRESSED);
            captionRect.setLeft(captionRect.left() + PRESSED_CAPTION_SHIFT);
        }
    } else if (disabled) {
        draw(STATE_DISABLED);
    } else {
        draw(STATE_NORMAL);
    }

    painter.setFont(m_captionFont.Font());
    painter.setPen(
        disabled ? palette().color(QPalette::Disabled, QPalette::ButtonText) : m_captionFont.TextColor());
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

void CSkinnedButton::focusOutEvent(QFocusEvent* event)
{
    // Qt has already made the new focus widget current; none means the focus
    // left the program (or was cleared).
    const QWidget* next = QApplication::focusWidget();
    const int id = ControlId();
    if (next && next != this && id >= LAST_FOCUS_FIRST_ID && id <= LAST_FOCUS_LAST_ID)
        SetLastFocusedKey(id);
    QPushButton::focusOutEvent(event);
}

} // namespace widgets
