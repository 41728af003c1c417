// CSkinnedButton: a push button painted from a skin, a bitmap strip of
// equally wide frames (normal, pressed, disabled, focused). Every command
// button and every key cap of the main window's grid is one.
//
//   auto* key = new CSkinnedButton(dialog);
//   key->setGeometry(dialogRect(7, 61, 21, 23));   // final size first:
//   key->SetControlId(1001);
//   key->LoadSkin(resources::BITMAP_KEY_SKIN, 5, 5, 5, 2, 2); // images fit this size
//   key->SetCaptionColor(makeColorRef(255, 0, 0)); key->update();
//
// It stays a QPushButton, so default-button handling, clicked() and
// mnemonics ("&Quit" answers Alt+Q) work as for any button.
#pragma once

#include <widgets/CColorFont.h>

#include <QPixmap>
#include <QPushButton>

class QImage;

namespace widgets {

// The program-wide last focused key: the control id of the last key cap of
// the five main rows (ids 1001..1095) that lost the focus to another widget;
// 0 until one has. The grid refresh reads it.
inline constexpr int LAST_FOCUS_FIRST_ID = 1001;
inline constexpr int LAST_FOCUS_LAST_ID = 1095;
int LastFocusedKey();
void SetLastFocusedKey(int id);

class CSkinnedButton : public QPushButton {
    Q_OBJECT
public:
    enum State {
        STATE_NORMAL = 0,
        STATE_PRESSED = 1,
        STATE_DISABLED = 2,
        STATE_FOCUSED = 3,
        STATE_COUNT = 4
    };

    explicit CSkinnedButton(QWidget* parent = nullptr);
    explicit CSkinnedButton(const QString& text, QWidget* parent = nullptr);
    ~CSkinnedButton() override;

    // Builds the four state images from frames 0..3 of the skin bitmap with
    // this resource id (frame width = bitmap width / frameCount), each
    // stretched to the button's current size with the border rows and
    // columns kept at their size (nine-slice). Returns true when all four
    // were built. A build fails, and LoadSkin returns false at once, when the
    // bitmap is missing, the frame or its borders lie outside the strip, or
    // the button has no area; images built before a failure stay. Resizing
    // the button later does not rebuild them.
    bool LoadSkin(int bitmapId, int frameCount, int top, int bottom, int left, int right);
    // The same from a strip image already in hand.
    bool LoadSkinImage(const QImage& strip, int frameCount, int top, int bottom, int left, int right);

    // The caption's colour (0x00BBGGRR). Callers call update() to repaint.
    void SetCaptionColor(ColorRef color);
    ColorRef CaptionColor() const { return m_captionFont.GetColor(); }
    CColorFont& CaptionFont() { return m_captionFont; }

    // The colour of skin pixels that let the button face show through.
    void SetTransparentColor(ColorRef color) { m_transparent = color; }

    void SetControlId(int id);
    int ControlId() const;

    bool IsSkinReady() const { return m_skinReady; }
    int SkinId() const { return m_skinId; }
    int FrameCount() const { return m_frameCount; }
    // A state image as built (transparent where the skin was magenta);
    // null until built.
    const QPixmap& StateImage(State state) const { return m_images[state]; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool BuildImage(const QImage& strip, int frame, State state);

    bool m_skinReady = false;
    int m_skinId = 0;
    int m_frameCount = 0;
    QPixmap m_images[STATE_COUNT];
    int m_top = 8;
    int m_bottom = 8;
    int m_left = 8;
    int m_right = 17;
    ColorRef m_transparent = COLOR_MAGENTA;
    CColorFont m_captionFont;
};

// Whether a control draws itself disabled: disabled itself or inside a
// disabled container, but not merely because its window is disabled (a
// window disabled under a modal pop-up keeps its controls' looks).
bool isDrawnDisabled(const QWidget* control);

} // namespace widgets
