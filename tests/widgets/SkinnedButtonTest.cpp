#include "WidgetFixture.h"

#include <widgets/CSkinnedButton.h>

#include <dialoglayout/MainDialogLayout.h>

#include <resources/Resources.h>

#include <QDialog>
#include <QPainter>

#include <gtest/gtest.h>

using namespace widgets;
using namespace dialoglayout;
using widgets::test::MAGENTA;

namespace {

// A skin strip of `frames` frames, each filled with fill(frame, x, y).
template <typename Fill> QImage makeStrip(int frameWidth, int height, int frames, Fill fill)
{
    QImage strip(frameWidth * frames, height, QImage::Format_RGB32);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < frameWidth; ++x)
                strip.setPixel(f * frameWidth + x, y, fill(f, x, y));
    return strip;
}

QImage stateImage(const CSkinnedButton& button, CSkinnedButton::State state)
{
    return button.StateImage(state).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Leftmost column holding a pixel darker than the threshold, or -1.
int leftmostDark(const QImage& image, int threshold = 80)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < threshold)
                return x;
    return -1;
}

} // namespace

TEST(SkinnedButton, KeySkinFramesAreTheIntegerQuotientOfTheStripWidth)
{
    // 187 / 5 = 37.4: frame f starts at 37 f, and frame 1's first columns
    // (not frame 0's last ones) give the pressed image its left border.
    const QImage strip = resources::resourceImage(resources::BITMAP_KEY_SKIN);
    ASSERT_EQ(strip.width(), 187);
    CSkinnedButton button;
    button.resize(32, 37);
    ASSERT_TRUE(button.LoadSkin(resources::BITMAP_KEY_SKIN, 5, 5, 5, 2, 2));
    EXPECT_EQ(button.FrameCount(), 5);

    auto keyed = [](QRgb pixel) { return (pixel | 0xFF000000) == MAGENTA ? 0u : pixel | 0xFF000000; };
    for (int state = 0; state < CSkinnedButton::STATE_COUNT; ++state) {
        const QImage built = stateImage(button, CSkinnedButton::State(state));
        const int x0 = state * 37;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 2; ++x) {
                EXPECT_EQ(built.pixel(x, y), keyed(strip.pixel(x0 + x, y)))
                    << state << " left " << x << "," << y;
                EXPECT_EQ(built.pixel(30 + x, y), keyed(strip.pixel(x0 + 35 + x, y)))
                    << state << " right " << x << "," << y;
            }
    }
}

TEST(SkinnedButton, NineSliceKeepsCornersAndStretchesEdges)
{
    // Frame 10 x 8, borders top 2, bottom 3, left 2, right 4; every region
    // its own colour, the top edge in two halves.
    const int T = 2, B = 3, L = 2, R = 4, FW = 10, H = 8;
    auto region = [=](int f, int x, int y) -> QRgb {
        const int col = x < L ? 0 : (x >= FW - R ? 2 : 1);
        const int row = y < T ? 0 : (y >= H - B ? 2 : 1);
        int code = row * 3 + col;
        if (row == 0 && col == 1 && x >= L + (FW - L - R) / 2)
            code = 9;
        return qRgb(20 * code + 10, 100 + f, 7);
    };
    CSkinnedButton button;
    button.resize(30, 20);
    ASSERT_TRUE(button.LoadSkinImage(makeStrip(FW, H, 5, region), 5, T, B, L, R));

    for (int state = 0; state < CSkinnedButton::STATE_COUNT; ++state) {
        const QImage built = stateImage(button, CSkinnedButton::State(state));
        auto expectRect = [&](const QRect& r, int code) {
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    ASSERT_EQ(built.pixel(x, y), qRgb(20 * code + 10, 100 + state, 7))
                        << "state " << state << " at " << x << "," << y;
        };
        expectRect(QRect(0, 0, L, T), 0); // corners at natural size
        expectRect(QRect(30 - R, 0, R, T), 2);
        expectRect(QRect(0, 20 - B, L, B), 6);
        expectRect(QRect(30 - R, 20 - B, R, B), 8);
        expectRect(QRect(L, 0, 12, T), 1); // top edge: 4 source columns over 24,
        expectRect(QRect(L + 12, 0, 12, T), 9); // each half stretched to its half
        expectRect(QRect(L, 20 - B, 24, B), 7); // bottom edge
        expectRect(QRect(0, T, L, 20 - T - B), 3); // left edge
        expectRect(QRect(30 - R, T, R, 20 - T - B), 5); // right edge
        expectRect(QRect(L, T, 24, 20 - T - B), 4); // centre
    }
}

TEST(SkinnedButton, MagentaShowsTheButtonFace)
{
    const QRgb face = qRgb(0x12, 0x34, 0x56);
    auto ring = [](int, int x, int y) -> QRgb {
        return (x >= 3 && x < 7 && y >= 3 && y < 7) ? MAGENTA : qRgb(200, 10, 10);
    };
    CSkinnedButton button;
    QPalette palette = button.palette();
    palette.setColor(QPalette::Button, QColor(face));
    button.setPalette(palette);
    button.resize(20, 20);
    ASSERT_TRUE(button.LoadSkinImage(makeStrip(10, 10, 4, ring), 4, 3, 3, 3, 3));
    const QImage image = grabbed(button);
    EXPECT_EQ(image.pixel(10, 10), face);
    EXPECT_EQ(image.pixel(0, 0), qRgb(200, 10, 10));
}

TEST(SkinnedButton, StateLooks)
{
    // Frames: normal, pressed (only its centre opaque), disabled, focused.
    const QRgb normal = qRgb(250, 200, 200), pressed = qRgb(200, 250, 200), disabled = qRgb(230, 230, 230),
               focused = qRgb(200, 200, 250);
    auto frames = [=](int f, int x, int y) -> QRgb {
        switch (f) {
        case 0:
            return normal;
        case 1:
            return (x >= 4 && x < 16 && y >= 4 && y < 16) ? pressed : MAGENTA;
        case 2:
            return disabled;
        default:
            return focused;
        }
    };
    QDialog window;
    auto* button = new CSkinnedButton(QStringLiteral("I"), &window);
    auto* other = new CSkinnedButton(QStringLiteral("other"), &window);
    button->setGeometry(0, 0, 40, 40);
    other->setGeometry(50, 0, 40, 40);
    ASSERT_TRUE(button->LoadSkinImage(makeStrip(20, 20, 5, frames), 5, 4, 4, 4, 4));
    ASSERT_TRUE(widgets::test::showActive(window));
    other->setFocus();

    EXPECT_EQ(grabbed(*button).pixel(1, 1), normal);
    button->setDown(true); // pressed without the focus is drawn as normal
    EXPECT_EQ(grabbed(*button).pixel(20, 2), normal);
    button->setDown(false);

    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    const QImage focusedLook = grabbed(*button);
    EXPECT_EQ(focusedLook.pixel(1, 1), focused);
    EXPECT_EQ(focusedLook.pixel(8, 30), focused);

    button->setDown(true);
    const QImage pressedLook = grabbed(*button);
    EXPECT_EQ(pressedLook.pixel(1, 1), focused); // pressed drawn over focused
    EXPECT_EQ(pressedLook.pixel(8, 30), pressed);
    const int shift = leftmostDark(pressedLook) - leftmostDark(focusedLook);
    EXPECT_GE(shift, 2); // caption rectangle 5 px narrower on the left: centre moves 2.5 px
    EXPECT_LE(shift, 3);
    button->setDown(false);

    other->setFocus();
    button->setEnabled(false);
    const QImage disabledLook = grabbed(*button);
    EXPECT_EQ(disabledLook.pixel(1, 1), disabled);
    const QColor grey = button->palette().color(QPalette::Disabled, QPalette::ButtonText);
    const QColor caption = widgets::test::darkest(disabledLook);
    EXPECT_NEAR(caption.lightness(), grey.lightness(), 12);
    EXPECT_EQ(caption.red(), caption.green());
}

TEST(SkinnedButton, DisablingTheWindowKeepsTheLook)
{
    // A window disabled under a modal pop-up keeps its buttons' looks.
    const QRgb normal = qRgb(250, 200, 200), disabled = qRgb(230, 230, 230);
    QDialog window;
    auto* button = new CSkinnedButton(&window);
    button->resize(20, 20);
    ASSERT_TRUE(button->LoadSkinImage(
        makeStrip(10, 10, 4, [=](int f, int, int) { return f == 2 ? disabled : normal; }), 4, 2, 2, 2, 2));
    window.setEnabled(false);
    EXPECT_EQ(grabbed(*button).pixel(5, 5), normal);
    window.setEnabled(true);
    button->setEnabled(false);
    EXPECT_EQ(grabbed(*button).pixel(5, 5), disabled);
}

TEST(SkinnedButton, CaptionColourIsGivenBlueGreenRed)
{
    CSkinnedButton button(QStringLiteral("W"));
    button.resize(60, 30);
    button.SetCaptionColor(0x500000); // blue 0x50
    EXPECT_EQ(button.CaptionColor(), 0x500000u);
    EXPECT_EQ(button.CaptionFont().TextColor(), QColor(0, 0, 0x50));
    const QColor ink = widgets::test::darkest(grabbed(button));
    EXPECT_GT(ink.blue(), ink.red());
}

TEST(SkinnedButton, FailedSkinsAreReported)
{
    CSkinnedButton button;
    button.resize(30, 30);
    EXPECT_FALSE(button.LoadSkin(999, 5, 5, 5, 2, 2)); // no such bitmap
    EXPECT_FALSE(button.IsSkinReady());
    const QImage solid = makeStrip(10, 10, 4, [](int, int, int) { return qRgb(1, 2, 3); });
    EXPECT_FALSE(button.LoadSkinImage(solid, 0, 2, 2, 2, 2)); // no frames: no division by zero
    EXPECT_FALSE(button.LoadSkinImage(solid, 4, 2, 2, 6, 6)); // borders wider than a frame
    EXPECT_FALSE(button.IsSkinReady());

    // Two frames only: normal and pressed are built, disabled cannot be.
    EXPECT_FALSE(button.LoadSkinImage(
        makeStrip(10, 10, 2, [](int, int, int) { return qRgb(1, 2, 3); }), 2, 2, 2, 2, 2));
    EXPECT_TRUE(button.IsSkinReady());
    EXPECT_FALSE(button.StateImage(CSkinnedButton::STATE_PRESSED).isNull());
    EXPECT_TRUE(button.StateImage(CSkinnedButton::STATE_DISABLED).isNull());

    CSkinnedButton empty;
    empty.resize(0, 0);
    EXPECT_FALSE(empty.LoadSkinImage(solid, 4, 2, 2, 2, 2));
}

TEST(SkinnedButton, KeyCapsOfTheMainRowsRecordTheLastFocusedKey)
{
    SetLastFocusedKey(0);
    QDialog window;
    auto* key1050 = new CSkinnedButton(&window);
    auto* key1097 = new CSkinnedButton(&window);
    auto* command = new CSkinnedButton(QStringLiteral("&Quit"), &window);
    key1050->SetControlId(1050);
    key1097->SetControlId(1097);
    command->SetControlId(IDC_QUIT);
    ASSERT_TRUE(widgets::test::showActive(window));

    key1050->setFocus();
    command->setFocus();
    EXPECT_EQ(LastFocusedKey(), 1050);

    SetLastFocusedKey(IDC_KEY_FIRST);
    key1097->setFocus();
    command->setFocus();
    EXPECT_EQ(LastFocusedKey(), IDC_KEY_FIRST); // the small keys are never recorded

    key1050->setFocus();
    SetLastFocusedKey(IDC_KEY_FIRST);
    key1050->clearFocus(); // the focus goes nowhere
    EXPECT_EQ(LastFocusedKey(), IDC_KEY_FIRST);

    key1050->setFocus();
    key1097->setFocus(); // to another key cap: recorded too
    EXPECT_EQ(LastFocusedKey(), 1050);
    SetLastFocusedKey(0);
}
