#include <widgets/CColorFont.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>

#include <QFontInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>

using namespace widgets;

TEST(DialogUnits, RoundLikeMulDiv)
{
    EXPECT_EQ(mulDiv(21, 6, 4), 32); // 31.5 rounds up
    EXPECT_EQ(mulDiv(23, 13, 8), 37); // 37.375
    EXPECT_EQ(mulDiv(-21, 6, 4), -32); // halves away from zero
    EXPECT_EQ(mulDiv(21, -6, 4), -32);
    EXPECT_EQ(mulDiv(21, 6, -4), -32);
    EXPECT_EQ(mulDiv(5, 1, 0), -1);
    EXPECT_EQ(mulDiv(INT_MAX, 4, 2), -1); // too large
    EXPECT_EQ(mulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX); // no overflow inside
}

TEST(DialogUnits, TemplateRectanglesInPixels)
{
    EXPECT_EQ(dialogRect(7, 61, 21, 23), QRect(11, 99, 32, 37)); // a grid key
    EXPECT_EQ(dialogRect(9, 231, 59, 14), QRect(14, 375, 89, 23)); // a command button
    EXPECT_EQ(dialogSize(468, 261), QSize(702, 424)); // the main window
    EXPECT_EQ(dialogSize(14, 9), QSize(21, 15)); // a small key
}

TEST(DialogUnits, DialogFontIsLiberationSansAtElevenPixels)
{
    const QFont font = dialogFont();
    const QFontInfo info(font);
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(info.pixelSize(), 11);
}

TEST(ColorFont, FaceNameConstructionDefaults)
{
    CColorFont font(QStringLiteral("MS Sans Serif"));
    const LogicalFont& d = font.Description();
    EXPECT_EQ(d.height, -12);
    EXPECT_EQ(d.weight, FW_NORMAL);
    EXPECT_EQ(d.quality, PROOF_QUALITY);
    EXPECT_EQ(d.pitchAndFamily, 0x12);
    EXPECT_EQ(d.charSet, DEFAULT_CHARSET);
    EXPECT_STREQ(d.faceName, "MS Sans Serif");
    EXPECT_EQ(font.GetColor(), COLOR_BLACK);
    // The dialog face has no 12-pixel size: it draws like 11.
    EXPECT_EQ(QFontInfo(font.Font()).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(font.Font()).family(), QStringLiteral("Liberation Sans"));
}

TEST(ColorFont, ChangesReturnThePreviousValueAndRecreate)
{
    CColorFont font(QStringLiteral("Liberation Sans"));
    EXPECT_EQ(font.SetHeight(-20), -12);
    EXPECT_EQ(font.Font().pixelSize(), 20);
    EXPECT_FALSE(font.SetBold(true)); // 400 before
    EXPECT_EQ(font.Description().weight, FW_BOLD);
    EXPECT_EQ(font.Font().weight(), QFont::Bold);
    EXPECT_TRUE(font.SetBold(false)); // 700 before
    EXPECT_EQ(font.SetWeight(500), FW_NORMAL);
    EXPECT_TRUE(font.SetBold(true)); // 500 counts as bold
    font.SetColor(0x500000);
    EXPECT_EQ(font.GetColor(), 0x500000u);
    EXPECT_EQ(font.TextColor(), QColor(0, 0, 0x50));
}

TEST(ColorFont, HeightsFollowThePlatformRule)
{
    LogicalFont d;
    std::strcpy(d.faceName, "Liberation Sans");
    d.height = 30; // a cell height: the character is smaller
    CColorFont cell(d);
    EXPECT_LT(cell.Font().pixelSize(), 30);
    EXPECT_NEAR(QFontMetrics(cell.Font()).height(), 30, 1);
    CColorFont field(logicalFontOf(dialogFont()));
    EXPECT_EQ(field.SetHeight(0), -11); // the "Key Data" field's bold font: default height
    field.SetBold(true);
    EXPECT_EQ(field.Font().pixelSize(), DIALOG_FONT_PIXELS);
    EXPECT_EQ(QFontInfo(field.Font()).family(), QStringLiteral("Liberation Sans"));
}

TEST(ColorFont, LongFaceNamesAreCutAtACharacterBoundary)
{
    // 30 ASCII bytes then a two-byte character: the character would end at
    // byte 32, past the 31 bytes the record holds, so it is left out.
    const QString face = QString(30, QLatin1Char('a')) + QChar(0xE9) + QStringLiteral("bc");
    CColorFont font(face);
    EXPECT_EQ(std::strlen(font.Description().faceName), 30u);

    LogicalFont unterminated;
    std::memset(unterminated.faceName, 'x', sizeof unterminated.faceName);
    CColorFont copied(unterminated);
    EXPECT_EQ(std::strlen(copied.Description().faceName), 31u);
}

TEST(ControlIds, FoundByNumber)
{
    QWidget dialog;
    auto* group = new QWidget(&dialog);
    auto* key = new QWidget(group);
    setControlId(key, 1044);
    EXPECT_EQ(controlId(key), 1044);
    EXPECT_EQ(controlId(group), 0);
    EXPECT_EQ(findControl(&dialog, 1044), key);
    EXPECT_EQ(findControl(&dialog, 1045), nullptr);
}
