#include <resources/Resources.h>

#include <QBitmap>

#include <gtest/gtest.h>

using namespace resources;

namespace {

constexpr QRgb MAGENTA = 0xFFFF00FF;

bool isMagenta(QRgb pixel)
{
    return (pixel | 0xFF000000) == MAGENTA;
}

// A blend of magenta with another colour: red and blue both well above green.
bool isMagentaFringe(QRgb pixel)
{
    return !isMagenta(pixel) && qRed(pixel) > qGreen(pixel) + 40 && qBlue(pixel) > qGreen(pixel) + 40;
}

} // namespace

TEST(Resources, BitmapsHaveTheirSizes)
{
    struct Case {
        int id, width, height;
    } cases[] = { { 103, 270, 23 }, { 104, 187, 38 }, { 135, 105, 13 }, { 105, 88, 51 }, { 113, 115, 21 },
        { 107, 216, 23 }, { 108, 211, 22 }, { 109, 190, 22 }, { 110, 190, 22 }, { 111, 156, 23 },
        { 112, 156, 23 }, { 134, 29, 47 } };
    for (const Case& c : cases) {
        const QImage image = resourceImage(c.id);
        ASSERT_FALSE(image.isNull()) << c.id;
        EXPECT_EQ(image.size(), QSize(c.width, c.height)) << c.id;
    }
    EXPECT_TRUE(resourceImage(106).isNull());
    EXPECT_TRUE(resourcePixmap(999).isNull());
}

TEST(Resources, SkinsStandOnCleanMagenta)
{
    // Every frame's corners show the face, and no pixel is a blend of
    // magenta with the art (that would show as a pink fringe on the face).
    for (int id : { BITMAP_COMMAND_SKIN, BITMAP_KEY_SKIN, BITMAP_SMALL_KEY_SKIN }) {
        const BitmapSpec* shape = findBitmapSpec(id);
        const QImage image = resourceImage(id);
        const int frameWidth = shape->width / shape->frames;
        for (int f = 0; f < shape->frames; ++f) {
            const int left = f * frameWidth, right = left + frameWidth - 1, bottom = shape->height - 1;
            EXPECT_TRUE(isMagenta(image.pixel(left, 0))) << id << " frame " << f;
            EXPECT_TRUE(isMagenta(image.pixel(right, 0))) << id << " frame " << f;
            EXPECT_TRUE(isMagenta(image.pixel(left, bottom))) << id << " frame " << f;
            EXPECT_TRUE(isMagenta(image.pixel(right, bottom))) << id << " frame " << f;
            // The middle of the face is art.
            EXPECT_FALSE(isMagenta(image.pixel(left + frameWidth / 2, shape->height / 2)))
                << id << " frame " << f;
        }
        int fringe = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                fringe += isMagentaFringe(image.pixel(x, y));
        EXPECT_EQ(fringe, 0) << id;
    }
}

TEST(Resources, StripsAreOpaqueOnTheFaceGrey)
{
    for (int id : { 105, 107, 108, 109, 110, 111, 112, 113 }) {
        const QImage image = resourceImage(id);
        const int frameWidth = image.width() / 4;
        for (int f = 0; f < 4; ++f) {
            EXPECT_EQ(image.pixel(f * frameWidth, 0) & 0xFFFFFF, RGB_3D_FACE) << id << " frame " << f;
            // The key cap in the middle is neither face grey nor magenta.
            const QRgb middle = image.pixel(f * frameWidth + frameWidth / 2, image.height() / 2) & 0xFFFFFF;
            EXPECT_NE(middle, RGB_3D_FACE) << id;
            EXPECT_NE(middle, RGB_TRANSPARENT) << id;
        }
    }
}

TEST(Resources, DecorationPixmapIsMaskedAndTheIconHasAllSizes)
{
    const QPixmap decoration = resourcePixmap(BITMAP_DECORATION);
    ASSERT_FALSE(decoration.isNull());
    const QImage shown = decoration.toImage();
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0); // magenta corner
    EXPECT_EQ(qAlpha(shown.pixel(shown.width() / 2, shown.height() / 2)), 255); // the card

    const QIcon icon = resourceIcon(ICON_PROGRAM);
    for (int size : ICON_SIZES) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0) << size;
    }
    EXPECT_EQ(resourceImage(ICON_PROGRAM).size(), QSize(ICON_DEFAULT_SIZE, ICON_DEFAULT_SIZE));
    EXPECT_TRUE(resourceIcon(BITMAP_DECORATION).isNull());
}
