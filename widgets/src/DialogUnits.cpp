#include <widgets/DialogUnits.h>

#include <QFont>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>

namespace widgets {
namespace {

inline constexpr const char* DIALOG_FACE_SUBSTITUTE = "Liberation Sans";

// Character heights in pixels at which the dialog face exists (its 8, 10,
// 12, 14, 18 and 24 point sizes at 96 dpi).
inline constexpr int DIALOG_FACE_HEIGHTS[] = { 11, 13, 16, 19, 24, 32 };

} // namespace

int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    if (result > INT_MAX || result < -INT_MAX)
        return -1;
    return int(result);
}

int dialogUnitsToPixelsX(int units)
{
    return mulDiv(units, DIALOG_BASE_UNIT_X, 4);
}

int dialogUnitsToPixelsY(int units)
{
    return mulDiv(units, DIALOG_BASE_UNIT_Y, 8);
}

QPoint dialogPoint(int x, int y)
{
    return QPoint(dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y));
}

QSize dialogSize(int width, int height)
{
    return QSize(dialogUnitsToPixelsX(width), dialogUnitsToPixelsY(height));
}

QRect dialogRect(int x, int y, int width, int height)
{
    return QRect(dialogPoint(x, y), dialogSize(width, height));
}

void installFontSubstitutions()
{
    static const bool installed = [] {
        QFont::insertSubstitution(
            QString::fromLatin1(DIALOG_FACE), QString::fromLatin1(DIALOG_FACE_SUBSTITUTE));
        return true;
    }();
    (void)installed;
}

int substitutedPixelHeight(const QString& face, int characterHeight)
{
    if (face.compare(QLatin1String(DIALOG_FACE), Qt::CaseInsensitive) != 0)
        return characterHeight;
    // The largest size not above the request, or the smallest.
    int chosen = DIALOG_FACE_HEIGHTS[0];
    for (int height : DIALOG_FACE_HEIGHTS)
        if (height <= characterHeight)
            chosen = height;
    return chosen;
}

QFont dialogFont()
{
    installFontSubstitutions();
    QFont font(QString::fromLatin1(DIALOG_FACE));
    font.setPixelSize(DIALOG_FONT_PIXELS);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace widgets
