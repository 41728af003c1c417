#include <app/AppTexts.h>
#include <app/DataAreaGauge.h>

#include <keydata/WritePackets.h>
#include <transfer/CKeyboardTransfer.h>
#include <widgets/Colors.h>

#include <QPainter>

#include <algorithm>

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
    Show(keydata::checkKeyboardFit(keydata::KeyTable {}));
}

void CDataAreaGauge::Show(const keydata::KeyboardFit& fit)
{
    const std::size_t size = keydata::DATA_AREA_SIZE;
    const std::size_t percent = (fit.dataUsed * 100 + size - 1) / size;
    m_permille = int(std::min<std::size_t>(fit.dataUsed * 1000 / size, 1000));
    m_level = !fit.fits()                            ? Level::Refused
        : percent >= std::size_t(NEAR_LIMIT_PERCENT) ? Level::NearLimit
                                                     : Level::Normal;
    m_text = QString::asprintf(TEXT_DATA_AREA, int(fit.dataUsed), int(size), int(percent));
    setToolTip(fit.fits() ? QString::asprintf(TIP_DATA_AREA, int(fit.dataFree))
                          : QString::fromStdString(transfer::fitRefusalText(fit)));
    update();
}

void CDataAreaGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = widgets::colorFromRef(colorOf(m_level));
    const QRect bar(0, height() - BAR_HEIGHT, width(), BAR_HEIGHT);
    painter.setPen(m_level == Level::Normal ? palette().color(QPalette::WindowText) : color);
    painter.drawText(
        QRect(0, 0, width(), height() - BAR_HEIGHT - TEXT_GAP), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    painter.fillRect(bar, palette().color(QPalette::Base));
    painter.fillRect(QRect(bar.left(), bar.top(), bar.width() * m_permille / 1000, bar.height()), color);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
}

} // namespace app
