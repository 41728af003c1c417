#include <widgets/ControlId.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/DialogUnits.h>

#include <presenters/ButtonFaces.h>
#include <resources/Resources.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QPainter>

#include <array>

namespace widgets {
namespace {

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
    const presenters::SkinStrip shape { strip.width(), strip.height(), m_frameCount, m_top, m_bottom, m_left,
        m_right };
    std::array<presenters::SkinPiece, 9> pieces;
    if (!presenters::skinPieces(shape, frame, width(), height(), pieces))
        return false;
    const QRgb key = colorFromRef(m_transparent).rgb();
    QImage image(width(), height(), QImage::Format_RGB32);
    image.fill(key);
    const auto rect = [](const presenters::PixelRect& r) { return QRect(r.x, r.y, r.width, r.height); };
    for (const presenters::SkinPiece& piece : pieces)
        stretchCopy(image, rect(piece.target), strip, rect(piece.source));

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

    const presenters::SkinDrawing drawing
        = presenters::skinDrawing(hasFocus(), isDown(), isDrawnDisabled(this));
    draw(State(drawing.first));
    if (drawing.pressedOver)
        draw(STATE_PRESSED);
    QRect captionRect = rect();
    captionRect.setLeft(captionRect.left() + drawing.captionShift);

    painter.setFont(m_captionFont.Font());
    painter.setPen(drawing.greyCaption ? palette().color(QPalette::Disabled, QPalette::ButtonText)
                                       : m_captionFont.TextColor());
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

void CSkinnedButton::focusOutEvent(QFocusEvent* event)
{
    // Qt has already made the new focus widget current; none means the focus
    // left the program (or was cleared).
    const QWidget* next = QApplication::focusWidget();
    if (presenters::recordsLastFocus(ControlId(), next && next != this))
        SetLastFocusedKey(ControlId());
    QPushButton::focusOutEvent(event);
}

} // namespace widgets
