#include <app/CDataAreaGauge.h>

#include <dialoglayout/MainDialogLayout.h>
#include <widgets/Colors.h>

#include <QPainter>

namespace app {
namespace {

constexpr int BAR_HEIGHT = dialoglayout::DATA_AREA_BAR_HEIGHT;
constexpr int TEXT_GAP = dialoglayout::DATA_AREA_TEXT_GAP;

widgets::ColorRef colorOf(CDataAreaGauge::Level level)
{
    switch (level) {
    case CDataAreaGauge::Level::NearLimit:
        return dialoglayout::COLOR_DATA_AREA_NEAR_LIMIT;
    case CDataAreaGauge::Level::Refused:
        return dialoglayout::COLOR_DATA_AREA_REFUSED;
    case CDataAreaGauge::Level::Normal:
        break;
    }
    return dialoglayout::COLOR_DATA_AREA_NORMAL;
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
