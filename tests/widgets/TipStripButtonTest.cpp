#include "WidgetFixture.h"

#include <widgets/CStripButton.h>

#include <resources/Resources.h>

#include <QDialog>
#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace widgets;

namespace {

// A four-frame strip (plus stray columns), each frame one solid colour.
QImage numberedStrip(int frameWidth, int height, int extraColumns = 0)
{
    QImage strip(frameWidth * 4 + extraColumns, height, QImage::Format_RGB32);
    for (int x = 0; x < strip.width(); ++x)
        for (int y = 0; y < height; ++y)
            strip.setPixel(x, y, qRgb(10 + 60 * std::min(x / frameWidth, 3), 20, 30));
    return strip;
}

QRgb frameColour(int frame)
{
    return qRgb(10 + 60 * frame, 20, 30);
}

QRgb shownPixel(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(1, 1);
}

} // namespace

TEST(TipButton, SecondSetTipKeepsOneToolWithTheNewText)
{
    QDialog window;
    auto* button = new CTipButton(QStringLiteral("<--"), &window);
    button->setGeometry(10, 10, 40, 20);
    ASSERT_TRUE(widgets::test::showActive(window));

    button->SetTip(QString()); // no text: nothing happens
    EXPECT_EQ(button->ToolCount(), 0);

    button->SetTip(QStringLiteral("Shift Released!"), true);
    button->SetTip(QStringLiteral("Shift Pushed!"), true);
    EXPECT_EQ(button->ToolCount(), 1);
    EXPECT_EQ(button->TipText(), QStringLiteral("Shift Pushed!"));

    // The help event of a hovering mouse shows the current text.
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Shift Pushed!"));
    QToolTip::hideText();

    button->SetTip(QStringLiteral("Delete key data"), false); // deactivated: nothing shows
    EXPECT_FALSE(button->IsTipActive());
    QApplication::sendEvent(button, &help);
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Delete key data"));
}

TEST(StripButton, SizesItselfToOneFrameAndShowsTheStateFrame)
{
    QDialog window;
    auto* button = new CStripButton(&window);
    auto* other = new QPushButton(&window);
    button->setGeometry(30, 40, 100, 100);
    other->setGeometry(150, 0, 20, 20);
    ASSERT_TRUE(button->LoadStripImage(numberedStrip(13, 17, 3))); // 55 / 4 = 13
    EXPECT_EQ(button->geometry(), QRect(30, 40, 13, 17)); // resized in place
    EXPECT_EQ(button->FrameWidth(), 13);
    ASSERT_TRUE(widgets::test::showActive(window));

    EXPECT_EQ(shownPixel(*button), frameColour(0));
    button->setDown(true);
    EXPECT_EQ(shownPixel(*button), frameColour(1));
    button->setDown(false);
    button->setEnabled(false);
    EXPECT_EQ(shownPixel(*button), frameColour(3)); // frame 2 is never shown
    button->setEnabled(true);
    button->setFocus(); // the focus has no frame of its own
    EXPECT_EQ(shownPixel(*button), frameColour(0));
}

TEST(StripButton, StripResourcesGiveTheirFrameSizes)
{
    struct Case {
        int id, width, height;
    } cases[] = { { resources::BITMAP_KEYPAD_ENTER, 22, 51 }, { resources::BITMAP_DELETE_KEY, 28, 21 },
        { resources::BITMAP_SHIFT_RELEASED, 54, 23 }, { resources::BITMAP_SHIFT_PUSHED, 52, 22 },
        { resources::BITMAP_CTRL_PUSHED, 47, 22 }, { resources::BITMAP_ALT_RELEASED, 39, 23 } };
    for (const Case& c : cases) {
        CStripButton button;
        ASSERT_TRUE(button.LoadStrip(c.id)) << c.id;
        EXPECT_EQ(button.size(), QSize(c.width, c.height)) << c.id;
    }
}

TEST(StripButton, MissingStripChangesNothing)
{
    CStripButton button;
    ASSERT_TRUE(button.LoadStripImage(numberedStrip(10, 10)));
    button.move(5, 6);
    EXPECT_FALSE(button.LoadStrip(999));
    EXPECT_FALSE(button.LoadStripImage(QImage(3, 10, QImage::Format_RGB32))); // narrower than four frames
    EXPECT_EQ(button.geometry(), QRect(5, 6, 10, 10));
    EXPECT_EQ(shownPixel(button), frameColour(0));
}

TEST(StripButton, SystemGreysBecomeThePaletteColours)
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::Midlight, QColor(7, 8, 9));
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xFFC0C0C0);
    image.setPixel(1, 0, 0xFF808080);
    image.setPixel(2, 0, 0xFFDFDFDF);
    image.setPixel(3, 0, 0xFFC0C0C1);
    const QImage mapped = mapSystemColors(image, palette);
    EXPECT_EQ(mapped.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(mapped.pixel(1, 0), qRgb(4, 5, 6));
    EXPECT_EQ(mapped.pixel(2, 0), qRgb(7, 8, 9));
    EXPECT_EQ(mapped.pixel(3, 0), 0xFFC0C0C1);
}

TEST(StripButton, WithoutOwnerDrawQtDrawsTheButton)
{
    CStripButton strip;
    strip.setText(QStringLiteral("Enter"));
    ASSERT_TRUE(strip.LoadStripImage(numberedStrip(30, 20)));
    strip.SetTip(QStringLiteral("Enter"));
    strip.SetOwnerDraw(false);
    QPushButton plain(QStringLiteral("Enter"));
    plain.resize(strip.size());
    EXPECT_EQ(strip.grab().toImage(), plain.grab().toImage());
    EXPECT_EQ(strip.ToolCount(), 1);
}
