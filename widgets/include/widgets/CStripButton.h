// CStripButton: a CTipButton that shows one frame of a four-frame bitmap
// strip at natural size (frame 3 disabled, 1 pressed, 0 otherwise) and sizes
// itself to one frame; the strip carries the label, no caption is drawn.
#pragma once

#include <widgets/CTipButton.h>

#include <QPixmap>

class QImage;

namespace widgets {

inline constexpr int STRIP_FRAMES = 4;

class CStripButton : public CTipButton {
    Q_OBJECT
public:
    explicit CStripButton(QWidget* parent = nullptr);

    // Loads the strip with this bitmap id, maps its 3-D greys to the
    // palette's button colours, and resizes the button to one frame
    // (width / 4 by height) keeping its position. Returns false and changes
    // nothing when the bitmap is missing or narrower than four pixels.
    bool LoadStrip(int bitmapId);
    bool LoadStripImage(const QImage& strip);

    // Off: the button keeps Qt's own drawing (a control without the
    // owner-draw style); only its size and tool tip come from the strip.
    void SetOwnerDraw(bool ownerDraw);
    bool IsOwnerDraw() const { return m_ownerDraw; }

    int FrameWidth() const { return m_frameWidth; }
    int FrameHeight() const { return m_frameHeight; }
    // The frame the button shows now: 3 disabled, 1 pressed, 0 otherwise.
    int CurrentFrame() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_strip;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    bool m_ownerDraw = true;
};

// Recolours the standard greys of a bitmap with the palette's button colours:
// 0x808080 shadow, 0xC0C0C0 face, 0xDFDFDF light.
QImage mapSystemColors(const QImage& image, const QPalette& palette);

} // namespace widgets
