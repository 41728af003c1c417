#include "TestSupport.h"

#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>
#include <widgets/Profile.h>
#include <widgets/ProgressPopup.h>

#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>

using namespace widgets;

namespace {

class ProgressPopupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("LodemarProgressTest"));
        QFile::remove(profilePath());
    }
    void TearDown() override
    {
        QFile::remove(profilePath());
        QCoreApplication::setApplicationName(m_savedName);
        SetMainWindow(nullptr);
    }

    void postEscape(QWidget* target)
    {
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }

    QString m_savedName;
};

} // namespace

TEST_F(ProgressPopupTest, PercentageRounding)
{
    EXPECT_EQ(CProgressPopup::percentageOf(1, 0, 128), 1); // 0.78 + 0.5
    EXPECT_EQ(CProgressPopup::percentageOf(128, 0, 128), 100);
    EXPECT_EQ(CProgressPopup::percentageOf(64, 0, 128), 50);
    EXPECT_EQ(CProgressPopup::percentageOf(5, 5, 5), 0);
    EXPECT_EQ(CProgressPopup::percentageOf(9, 10, 5), 0);
    EXPECT_EQ(CProgressPopup::percentageOf(-1, 0, 128), 0); // -0.28: truncated toward zero
    EXPECT_EQ(CProgressPopup::percentageOf(-4, 0, 100), -3); // -3.5
    // A range spanning all of int, and a position far past a tiny range.
    EXPECT_EQ(CProgressPopup::percentageOf(0, INT_MIN, INT_MAX), 50);
    EXPECT_EQ(CProgressPopup::percentageOf(INT_MAX, 0, 1), INT_MAX);
}

TEST_F(ProgressPopupTest, CaptionCarriesTheWholePercentage)
{
    QDialog owner;
    CProgressPopup progress(&owner, QStringLiteral("Programing..."), false);
    ASSERT_TRUE(progress.HasWindow());
    QWidget* window = progress.Window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing..."));

    progress.SetBounds(0, 128, 1);
    progress.Advance();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing... [1%]"));
    for (int i = 1; i < 128; ++i)
        progress.Advance();
    EXPECT_EQ(progress.Position(), 128);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing... [100%]"));

    // The same whole percentage leaves the caption alone.
    window->setWindowTitle(QStringLiteral("untouched"));
    progress.SetPosition(128);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("untouched"));
    progress.SetPosition(64);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing... [50%]"));
}

TEST_F(ProgressPopupTest, EmptyRangeKeepsThePlainTitle)
{
    CProgressPopup progress(nullptr, QStringLiteral("Programing..."), true);
    progress.SetBounds(5, 5, 1);
    for (int i = 0; i < 10; ++i)
        progress.Advance();
    EXPECT_EQ(progress.ShownPercentage(), 0);
    EXPECT_EQ(progress.Window()->windowTitle(), QStringLiteral("Programing..."));
}

TEST_F(ProgressPopupTest, BarFollowsThePositionWithinItsRange)
{
    CProgressPopup progress(nullptr, QStringLiteral("t"), false);
    progress.SetBounds(0, 10, 3);
    auto* bar = qobject_cast<QProgressBar*>(findControl(progress.Window(), PROGRESS_BAR_ID));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(progress.Advance(), 0);
    EXPECT_EQ(progress.Advance(), 3);
    EXPECT_EQ(bar->value(), 6);
    EXPECT_EQ(progress.SetPosition(50), 6);
    EXPECT_EQ(bar->value(), 10); // clamped, the stored position is not
    EXPECT_EQ(progress.Position(), 50);
}

TEST_F(ProgressPopupTest, LayoutForOneLineOfText)
{
    CProgressPopup progress(nullptr, QStringLiteral("t"), false);
    QWidget* window = progress.Window();
    auto* text = qobject_cast<QLabel*>(findControl(window, PROGRESS_TEXT_ID));
    ASSERT_NE(text, nullptr);
    const int lineHeight = QFontMetrics(text->font()).height();
    EXPECT_EQ(text->geometry(), QRect(10, 10, 350, lineHeight));
    EXPECT_EQ(findControl(window, PROGRESS_BAR_ID)->geometry(), QRect(10, 10 + lineHeight + 12, 340, 18));
    EXPECT_EQ(window->size(), QSize(360, lineHeight + 18 + 45));
}

TEST_F(ProgressPopupTest, StatusTextIsCutAtACharacterBoundary)
{
    CProgressPopup progress(nullptr, QStringLiteral("t"), false);
    progress.SetStatus("programing %d key", 7);
    EXPECT_EQ(progress.StatusText(), QStringLiteral("programing 7 key"));

    const std::string ascii(600, 'a');
    progress.SetStatus("%s", ascii.c_str());
    EXPECT_EQ(progress.StatusText().size(), 511);

    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\xC3\xA9"; // two bytes each: the 256th would end at byte 512
    progress.SetStatus("%s", accents.c_str());
    const QString shown = progress.StatusText();
    EXPECT_EQ(shown.toUtf8().size(), 510);
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));

    progress.SetStatus("%s", "no &mnemonic");
    auto* text = qobject_cast<QLabel*>(findControl(progress.Window(), PROGRESS_TEXT_ID));
    EXPECT_EQ(text->textFormat(), Qt::PlainText);
    EXPECT_FALSE(text->wordWrap());
}

TEST_F(ProgressPopupTest, ModalModeDisablesTheOwnerUntilClose)
{
    QDialog owner;
    owner.show();
    CProgressPopup progress(&owner, QStringLiteral("Programing..."), false);
    ASSERT_TRUE(progress.BeginModal(QStringLiteral("Progress"), true));
    EXPECT_EQ(progress.Window()->windowTitle(), QStringLiteral("Programing...")); // existing window kept
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(progress.Window()->isEnabled());
    ASSERT_TRUE(progress.BeginModal()); // a second call changes nothing
    progress.Close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(progress.HasWindow());
}

TEST_F(ProgressPopupTest, OwnerChainStopsAtADisabledWindow)
{
    QDialog main;
    auto* child = new QDialog(&main);
    {
        CProgressPopup progress(child, QStringLiteral("t"), false);
        ASSERT_TRUE(progress.BeginModal());
        EXPECT_FALSE(main.isEnabled()); // the top of the chain
    }
    EXPECT_TRUE(main.isEnabled()); // the destructor closes

    main.setEnabled(false); // disabled by someone else: left disabled
    {
        CProgressPopup progress(child, QStringLiteral("t"), false);
        ASSERT_TRUE(progress.BeginModal());
        EXPECT_TRUE(progress.Window()->isEnabled());
        progress.Close();
    }
    EXPECT_FALSE(main.isEnabled());
}

TEST_F(ProgressPopupTest, BeginModalCreatesTheWindowOverTheMainWindow)
{
    QDialog main;
    SetMainWindow(&main);
    CProgressPopup progress;
    EXPECT_FALSE(progress.HasWindow());
    EXPECT_EQ(progress.Advance(), 0); // nothing to show yet
    ASSERT_TRUE(progress.BeginModal(QStringLiteral("Writing"), false));
    EXPECT_EQ(progress.Window()->parentWidget(), &main);
    EXPECT_EQ(progress.Window()->windowTitle(), QStringLiteral("Writing"));
    EXPECT_FALSE(main.isEnabled());
    progress.Close();
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(ProgressPopupTest, EscapeInTheModalPumpCancelsAndDestroysTheWindow)
{
    QDialog owner;
    owner.show();
    CProgressPopup progress(&owner, QStringLiteral("Programing..."), false);
    ASSERT_TRUE(progress.BeginModal());
    progress.SetBounds(0, 128, 1);
    progress.PumpMessages(true);
    EXPECT_FALSE(progress.IsCancelled());

    postEscape(progress.Window());
    progress.PumpMessages(true);
    EXPECT_TRUE(progress.IsCancelled());
    if (progress.HasWindow()) {
        EXPECT_FALSE(progress.Window()->isVisible());
    }
    QCoreApplication::sendPostedEvents(); // the close request
    EXPECT_FALSE(progress.HasWindow());
    EXPECT_FALSE(owner.isEnabled()); // until Close

    // Work that goes on after the cancel is harmless.
    EXPECT_EQ(progress.Advance(), 0);
    progress.SetStatus("programing %d key", 3);
    progress.PumpMessages(true);
    progress.Close();
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressPopupTest, EscapeWithoutModalModeOnlyHides)
{
    CProgressPopup progress(nullptr, QStringLiteral("t"), false);
    postEscape(progress.Window());
    progress.PumpMessages(false); // Escape not asked for: nothing happens
    EXPECT_FALSE(progress.IsCancelled());

    postEscape(progress.Window());
    progress.PumpMessages(true);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(progress.IsCancelled());
    ASSERT_TRUE(progress.HasWindow());
    EXPECT_FALSE(progress.Window()->isVisible());
}

TEST_F(ProgressPopupTest, PositionIsKeptInTheProfile)
{
    {
        CProgressPopup progress(nullptr, QStringLiteral("t"), false);
        progress.Window()->move(33, 44);
        progress.Close();
    }
    QFile file(profilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[Settings]"));
    EXPECT_TRUE(text.contains("X=33"));
    EXPECT_TRUE(text.contains("Y=44"));

    CProgressPopup again(nullptr, QStringLiteral("t"), false);
    EXPECT_EQ(again.Window()->pos(), QPoint(33, 44));
}

TEST_F(ProgressPopupTest, UnusablePositionsCentreTheWindow)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint invalid[] = { { -1, 10 }, { 10, -5 }, { screen.width(), 10 }, { 10, screen.height() } };
    QPoint centred;
    {
        CProgressPopup reference(nullptr, QStringLiteral("t"), false); // no profile yet
        const QRect frame = reference.Window()->frameGeometry();
        centred = reference.Window()->pos();
        // Centred before it is shown, when the frame is not yet known.
        EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 4);
        reference.SetKeepPosition(false);
    }
    for (const QPoint& p : invalid) {
        ASSERT_TRUE(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("X"), p.x()));
        ASSERT_TRUE(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Y"), p.y()));
        CProgressPopup progress(nullptr, QStringLiteral("t"), false);
        EXPECT_EQ(progress.Window()->pos(), centred) << p.x() << "," << p.y();
        progress.SetKeepPosition(false);
    }
}
