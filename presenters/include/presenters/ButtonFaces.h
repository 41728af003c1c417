#pragma once

// How the self-drawn buttons look, without a toolkit: the nine pieces a
// skin frame is cut into for a button's size, which state images a skinned
// button draws and how its caption moves, which frame a strip button shows,
// and which key caps record the last focused key. Each front end's
// CSkinnedButton and CStripButton draw what these say.

#include <array>

namespace presenters {

// Pixels: x, y, width, height.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A skin strip and its nine-slice borders.
struct SkinStrip {
    int width = 0;
    int height = 0;
    int frames = 0;
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
};

// One piece: copied from source in the strip to target in the button's
// image, stretched when the sizes differ.
struct SkinPiece {
    PixelRect target;
    PixelRect source;
};

// The four corners at natural size, then the centre and the top, bottom,
// left and right edges. False when the frame or its borders lie outside
// the strip or the button has no area; pieces without area are to be
// skipped.
bool skinPieces(
    const SkinStrip& strip, int frame, int buttonWidth, int buttonHeight, std::array<SkinPiece, 9>& pieces);

// The state images in the strip's frame order.
enum class SkinState { Normal = 0, Pressed = 1, Disabled = 2, Focused = 3 };
inline constexpr int SKIN_STATES = 4;

struct SkinDrawing {
    SkinState first = SkinState::Normal;
    bool pressedOver = false; // the pressed image drawn over the first
    int captionShift = 0; // pixels the caption's left edge moves right
    bool greyCaption = false;
};

// Focused: the focused image, pressed too: the pressed image over it and
// the caption 5 pixels to the right; else disabled: the disabled image and
// a grey caption; else the normal image (pressed without the focus draws
// as normal).
SkinDrawing skinDrawing(bool focused, bool pressed, bool disabled);

// The frame of a four-frame strip a strip button shows: 3 disabled, 1
// pressed, 0 otherwise (frame 2 is never drawn).
inline constexpr int STRIP_FRAMES = 4;
int stripFrame(bool disabled, bool pressed);

// Whether a key cap losing the focus records itself as the last focused
// key: a key of the five main rows (1001..1095) whose focus goes to some
// other window.
bool recordsLastFocus(int controlId, bool focusGoesToAWindow);

} // namespace presenters
