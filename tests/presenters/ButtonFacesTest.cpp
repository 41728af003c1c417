// How the self-drawn buttons look: the nine-slice cut, the state images a
// skinned button draws, the strip frame, the last focused key.
#include <presenters/ButtonFaces.h>

#include <dialoglayout/MainDialogLayout.h>

#include <gtest/gtest.h>

using namespace presenters;
using namespace dialoglayout;

namespace {

// Skin 104 (187 x 38, five frames, borders 5, 5, 2, 2) on a 32 x 37 key cap.
constexpr SkinStrip KEY_SKIN { 187, 38, 5, 5, 5, 2, 2 };

TEST(ButtonFaces, KeySkinFrameIsCutAtItsIntegerWidth)
{
    std::array<SkinPiece, 9> pieces;
    ASSERT_TRUE(skinPieces(KEY_SKIN, 1, 32, 37, pieces));
    // 187 / 5 = 37: frame 1 starts at 37.
    EXPECT_EQ(pieces[0].source, (PixelRect { 37, 0, 2, 5 })); // top left
    EXPECT_EQ(pieces[3].target, (PixelRect { 30, 32, 2, 5 })); // bottom right
    EXPECT_EQ(pieces[3].source, (PixelRect { 72, 33, 2, 5 }));
    EXPECT_EQ(pieces[4].target, (PixelRect { 2, 5, 28, 27 })); // centre, stretched
    EXPECT_EQ(pieces[4].source, (PixelRect { 39, 5, 33, 28 }));
}

struct RefusedCase {
    SkinStrip strip;
    int frame, width, height;
};

class ButtonFacesRefusedTest : public ::testing::TestWithParam<RefusedCase> { };

TEST_P(ButtonFacesRefusedTest, ACutOutsideTheStripOrWithoutAreaFails)
{
    const RefusedCase& c = GetParam();
    std::array<SkinPiece, 9> pieces;
    EXPECT_FALSE(skinPieces(c.strip, c.frame, c.width, c.height, pieces));
}

INSTANTIATE_TEST_SUITE_P(Cases, ButtonFacesRefusedTest,
    ::testing::Values(RefusedCase { { 187, 38, 0, 5, 5, 2, 2 }, 0, 32, 37 }, // no frames
        RefusedCase { KEY_SKIN, 5, 32, 37 }, // past the last frame
        RefusedCase { { 187, 38, 5, 5, 5, 20, 20 }, 0, 32, 37 }, // borders wider than a frame
        RefusedCase { { 187, 38, 5, 20, 20, 2, 2 }, 0, 32, 37 }, RefusedCase { KEY_SKIN, 0, 0, 37 }));

struct DrawingCase {
    bool focused, pressed, disabled;
    SkinState first;
    bool pressedOver;
    int shift;
    bool grey;
    int stripFrame;
};

class ButtonFacesDrawingTest : public ::testing::TestWithParam<DrawingCase> { };

TEST_P(ButtonFacesDrawingTest, StateImagesCaptionAndStripFrame)
{
    const DrawingCase& c = GetParam();
    const SkinDrawing drawing = skinDrawing(c.focused, c.pressed, c.disabled);
    EXPECT_EQ(drawing.first, c.first);
    EXPECT_EQ(drawing.pressedOver, c.pressedOver);
    EXPECT_EQ(drawing.captionShift, c.shift);
    EXPECT_EQ(drawing.greyCaption, c.grey);
    EXPECT_EQ(stripFrame(c.disabled, c.pressed), c.stripFrame);
}

INSTANTIATE_TEST_SUITE_P(Cases, ButtonFacesDrawingTest,
    ::testing::Values(DrawingCase { false, false, false, SkinState::Normal, false, 0, false, 0 },
        DrawingCase { false, true, false, SkinState::Normal, false, 0, false, 1 }, // pressed, no focus
        DrawingCase { true, false, false, SkinState::Focused, false, 0, false, 0 },
        DrawingCase { true, true, false, SkinState::Focused, true, 5, false, 1 },
        DrawingCase { false, false, true, SkinState::Disabled, false, 0, true, 3 }));

TEST(ButtonFaces, OnlyMainRowKeysGivingTheFocusAwayRecordIt)
{
    EXPECT_TRUE(recordsLastFocus(1050, true));
    EXPECT_TRUE(recordsLastFocus(IDC_KEY_LAST_MAIN, true));
    EXPECT_FALSE(recordsLastFocus(1097, true)); // a small key
    EXPECT_FALSE(recordsLastFocus(IDC_QUIT, true)); // a command button
    EXPECT_FALSE(recordsLastFocus(1050, false)); // the focus went nowhere
}

} // namespace
