#include "COnScreenKeyButton.h"

#include <QStringList>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace dialogs {
namespace {

constexpr int TWO_LINE_FONT_PIXELS = 10; // two lines of the 11-pixel font need 26 pixels
// Narrowest a one-line caption is drawn, in percent of its width.
constexpr int MIN_CAPTION_STRETCH = 75;
constexpr int CAPTION_STRETCH_STEP = 5;

} // namespace

void COnScreenKeyButton::FitCaption()
{
    if (text().contains(QLatin1Char('\n')))
        return;
    QStyleOptionButton option;
    initStyleOption(&option);
    const int room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width();
    QFont fitted = font();
    for (int stretch = QFont::Unstretched; stretch >= MIN_CAPTION_STRETCH; stretch -= CAPTION_STRETCH_STEP) {
        fitted.setStretch(stretch);
        if (QFontMetrics(fitted).boundingRect(text()).width() <= room)
            break;
    }
    if (fitted.stretch() != QFont::Unstretched)
        setFont(fitted);
}

void COnScreenKeyButton::paintEvent(QPaintEvent* event)
{
    const QStringList lines = text().split(QLatin1Char('\n'));
    if (lines.size() < 2) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QFont small = font();
    small.setPixelSize(TWO_LINE_FONT_PIXELS);
    painter.setFont(small);
    const QFontMetrics metrics(small);
    const int step = metrics.height();
    const int textHeight = step * int(lines.size() - 1) + metrics.height();
    const int shift = isDown() ? 1 : 0;
    int baseline = (height() - textHeight) / 2 + metrics.ascent() + shift;
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    for (const QString& line : lines) {
        painter.drawText(QPoint((width() - metrics.horizontalAdvance(line)) / 2 + shift, baseline), line);
        baseline += step;
    }
}

} // namespace dialogs
