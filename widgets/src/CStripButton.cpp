#include <widgets/CSkinnedButton.h>
#include <widgets/CStripButton.h>

#include <presenters/ButtonFaces.h>
#include <resources/Resources.h>

#include <QImage>
#include <QPainter>

namespace widgets {

QImage mapSystemColors(const QImage& image, const QPalette& palette)
{
    QImage mapped = image.convertToFormat(QImage::Format_RGB32);
    const QRgb face = palette.color(QPalette::Active, QPalette::Button).rgb();
    const QRgb shadow = palette.color(QPalette::Active, QPalette::Dark).rgb();
    const QRgb light = palette.color(QPalette::Active, QPalette::Midlight).rgb();
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x) {
            switch (line[x] & 0xFFFFFF) {
            case resources::RGB_3D_FACE:
                line[x] = face;
                break;
            case resources::RGB_3D_SHADOW:
                line[x] = shadow;
                break;
            case resources::RGB_3D_LIGHT:
                line[x] = light;
                break;
            default:
                break;
            }
        }
    }
    return mapped;
}

CStripButton::CStripButton(QWidget* parent)
    : CTipButton(parent)
{
    setAttribute(Qt::WA_Hover, false);
}

bool CStripButton::LoadStrip(int bitmapId)
{
    return LoadStripImage(resources::resourceImage(bitmapId));
}

bool CStripButton::LoadStripImage(const QImage& strip)
{
    if (strip.isNull() || strip.width() < STRIP_FRAMES)
        return false;
    m_strip = QPixmap::fromImage(mapSystemColors(strip, palette()));
    m_frameWidth = strip.width() / STRIP_FRAMES;
    m_frameHeight = strip.height();
    resize(m_frameWidth, m_frameHeight);
    updateGeometry();
    update();
    return true;
}

void CStripButton::SetOwnerDraw(bool ownerDraw)
{
    m_ownerDraw = ownerDraw;
    update();
}

int CStripButton::CurrentFrame() const
{
    return presenters::stripFrame(isDrawnDisabled(this), isDown());
}

QSize CStripButton::sizeHint() const
{
    if (m_strip.isNull())
        return CTipButton::sizeHint();
    return QSize(m_frameWidth, m_frameHeight);
}

void CStripButton::paintEvent(QPaintEvent* event)
{
    if (!m_ownerDraw) {
        CTipButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!m_strip.isNull())
        painter.drawPixmap(
            QPoint(0, 0), m_strip, QRect(CurrentFrame() * m_frameWidth, 0, m_frameWidth, m_frameHeight));
}

} // namespace widgets
