#include <app/DataAreaGauge.h>

#include <widgets/Colors.h>

#include <QPainter>

namespace app {
namespace {

constexpr int BAR_HEIGHT = 6;
constexpr int TEXT_GAP = 2;

widgets::ColorRef colorOf(CDataAreaGauge::Level level)
{
    switch (level) {
    case CDataAreaGauge::Level::NearLimit:
        return widgets::makeColorRef(0xC0, 0x70, 0x00); // amber
    case CDataAreaGauge::Level::Refused:
        return widgets::makeColorRef(0xC0, 0x00, 0x00); // red
    case CDataAreaGauge::Level::Normal:
        break;
    }
    return widgets::makeColorRef(0x00, 0x60, 0x30); // green
}

} // namespace

CDataAreaGauge::CDataAreaGauge(QWidget* parent)
    : QWidget(parent)
{
}

void CDataAreaGauge::Show(const presenters::DataAreaLook& look)
{
    m_look = look;
    setToolTip(QString::fromStdString(look.tip));
    update();
}

void CDataAreaGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = widgets::colorFromRef(colorOf(m_look.level));
    const QRect bar(0, height() - BAR_HEIGHT, width(), BAR_HEIGHT);
    painter.setPen(m_look.level == Level::Normal ? palette().color(QPalette::WindowText) : color);
    painter.drawText(
        QRect(0, 0, width(), height() - BAR_HEIGHT - TEXT_GAP), Qt::AlignLeft | Qt::AlignVCenter, Text());
    painter.fillRect(bar, palette().color(QPalette::Base));
    painter.fillRect(QRect(bar.left(), bar.top(), bar.width() * m_look.permille / 1000, bar.height()), color);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
}

} // namespace app
