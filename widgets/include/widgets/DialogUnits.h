// Dialog geometry: every dialog and the main window place their controls in
// dialog units of the 8-point "MS Sans Serif" dialog font, whose base units
// are 6 x 13 pixels. Text is drawn with Liberation Sans, which has the same
// metrics, at 11 pixels; the substitution is made here and nowhere else.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace widgets {

inline constexpr int DIALOG_BASE_UNIT_X = 6;
inline constexpr int DIALOG_BASE_UNIT_Y = 13;
inline constexpr int DIALOG_FONT_PIXELS = 11; // "MS Sans Serif" 8 at 96 dpi
inline constexpr const char* DIALOG_FACE = "MS Sans Serif";

// number * numerator / denominator rounded to the nearest integer, halves
// away from zero, computed without overflow; -1 when the denominator is 0 or
// the result does not fit in an int (the platform's MulDiv).
int mulDiv(int number, int numerator, int denominator);

// Dialog units to pixels; x, y, width and height are each converted on
// their own, as dialog templates are.
int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);
QPoint dialogPoint(int x, int y);
QSize dialogSize(int width, int height);
QRect dialogRect(int x, int y, int width, int height);

// The dialog font: face DIALOG_FACE (shown as Liberation Sans), 11 pixels.
QFont dialogFont();

// Registers the face substitutions (DIALOG_FACE -> Liberation Sans) with Qt's
// font database. Idempotent; dialogFont() and CColorFont call it.
void installFontSubstitutions();

// The pixel height a requested character height is drawn at in the given
// face: the dialog face is a bitmap face with fixed sizes, so a height
// between two of them is drawn at the smaller (-12 draws like -11).
int substitutedPixelHeight(const QString& face, int characterHeight);

} // namespace widgets
