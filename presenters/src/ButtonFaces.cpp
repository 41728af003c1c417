#include <presenters/ButtonFaces.h>

#include <dialoglayout/MainDialogLayout.h>

namespace presenters {
namespace {

inline constexpr int PRESSED_CAPTION_SHIFT = 5;

} // namespace

bool skinPieces(
    const SkinStrip& strip, int frame, int buttonWidth, int buttonHeight, std::array<SkinPiece, 9>& pieces)
{
    if (strip.frames <= 0)
        return false;
    const int fw = strip.width / strip.frames, h = strip.height;
    const int x0 = frame * fw;
    const int cw = buttonWidth, ch = buttonHeight;
    const int T = strip.top, B = strip.bottom, L = strip.left, R = strip.right;
    if (fw <= 0 || frame < 0 || x0 + fw > strip.width || T < 0 || B < 0 || L < 0 || R < 0 || L + R > fw
        || T + B > h || cw <= 0 || ch <= 0)
        return false;
    const int midWidth = cw - R - L, midHeight = ch - B - T;
    const int sourceMidWidth = fw - R - L, sourceMidHeight = h - B - T;
    pieces = { {
        { { 0, 0, L, T }, { x0, 0, L, T } },
        { { 0, ch - B, L, B }, { x0, h - B, L, B } },
        { { cw - R, 0, R, T }, { x0 + fw - R, 0, R, T } },
        { { cw - R, ch - B, R, B }, { x0 + fw - R, h - B, R, B } },
        { { L, T, midWidth, midHeight }, { x0 + L, T, sourceMidWidth, sourceMidHeight } },
        { { L, 0, midWidth, T }, { x0 + L, 0, sourceMidWidth, T } },
        { { L, ch - B, midWidth, B }, { x0 + L, h - B, sourceMidWidth, B } },
        { { 0, T, L, midHeight }, { x0, T, L, sourceMidHeight } },
        { { cw - R, T, R, midHeight }, { x0 + fw - R, T, R, sourceMidHeight } },
    } };
    return true;
}

SkinDrawing skinDrawing(bool focused, bool pressed, bool disabled)
{
    SkinDrawing drawing;
    if (focused) {
        drawing.first = SkinState::Focused;
        drawing.pressedOver = pressed;
        drawing.captionShift = pressed ? PRESSED_CAPTION_SHIFT : 0;
    } else if (disabled) {
        drawing.first = SkinState::Disabled;
    }
    drawing.greyCaption = disabled;
    return drawing;
}

int stripFrame(bool disabled, bool pressed)
{
    return disabled ? 3 : pressed ? 1 : 0;
}

bool recordsLastFocus(int controlId, bool focusGoesToAWindow)
{
    return focusGoesToAWindow && controlId >= dialoglayout::IDC_KEY_FIRST
        && controlId <= dialoglayout::IDC_KEY_LAST_MAIN;
}

} // namespace presenters
