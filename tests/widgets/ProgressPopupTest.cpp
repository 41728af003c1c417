#include "WidgetFixture.h"

#include <widgets/ControlId.h>
#include <widgets/CProgramProfile.h>
#include <widgets/CProgressPopup.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

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

// The rules are the presenter's (tests/presenters); these check that the
// Qt window shows what it is told and forwards what it gets.
TEST_F(ProgressPopupTest, CaptionStatusAndBarReachTheWindow)
{
    QDialog owner;
    CProgressPopup progress(&owner, QStringLiteral("Programing..."), false);
    ASSERT_TRUE(progress.HasWindow());
    QWidget* window = progress.Window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing..."));

    progress.SetBounds(0, 10, 3);
    auto* bar = qobject_cast<QProgressBar*>(findControl(window, PROGRESS_BAR_ID));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(progress.Advance(), 0);
    EXPECT_EQ(progress.Advance(), 3);
    EXPECT_EQ(bar->value(), 6);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Programing... [60%]"));
    EXPECT_EQ(progress.SetPosition(50), 6);
    EXPECT_EQ(bar->value(), 10); // clamped, the stored position is not
    EXPECT_EQ(progress.Position(), 50);

    progress.SetStatus("programing %d key", 7);
    EXPECT_EQ(progress.StatusText(), QStringLiteral("programing 7 key"));
    auto* text = qobject_cast<QLabel*>(findControl(window, PROGRESS_TEXT_ID));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textFormat(), Qt::PlainText);
    EXPECT_FALSE(text->wordWrap());
    // Laid out for one line of the dialog font.
    const int lineHeight = QFontMetrics(text->font()).height();
    EXPECT_EQ(text->geometry(), QRect(10, 10, 350, lineHeight));
    EXPECT_EQ(window->size(), QSize(360, lineHeight + 18 + 45));
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

TEST_F(ProgressPopupTest, WithoutASavedPositionTheWindowIsCentred)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    CProgressPopup progress(nullptr, QStringLiteral("t"), false);
    const QRect frame = progress.Window()->frameGeometry();
    // Centred before it is shown, when the frame is not yet known.
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 4);
    progress.SetKeepPosition(false);
}
