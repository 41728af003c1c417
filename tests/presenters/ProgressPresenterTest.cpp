// The progress window's rules against a window that records what it is told.
#include <presenters/CProgressPresenter.h>

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>

using namespace presenters;

namespace {

class CFakeProfile : public CProfile {
public:
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) override
    {
        const auto found = values.find(section + "/" + key);
        return found == values.end() ? defaultValue : found->second;
    }
    bool WriteInt(const std::string& section, const std::string& key, int value) override
    {
        values[section + "/" + key] = value;
        ++writes;
        return true;
    }
    std::map<std::string, int> values;
    int writes = 0;
};

class CFakeProgressWindow : public CProgressView {
public:
    bool CreateProgressWindow(const std::string& text, bool) override
    {
        exists = creatable;
        caption = text;
        return exists;
    }
    bool WindowExists() const override { return exists; }
    void DestroyProgressWindow() override { exists = visible = false; }
    int MeasureTextHeight(int lines) override { return 13 * lines; }
    int EdgeHeight() override { return 2; }
    void ApplyLayout(const ProgressLayout& applied) override { layout = applied; }
    ScreenPoint ScreenSize() override { return { 800, 600 }; }
    ScreenPoint WindowPosition() override { return position; }
    void MoveWindow(ScreenPoint to) override { position = to; }
    void CentreWindow() override { position = CENTRE; }
    bool IsWindowVisible() override { return visible; }
    void ShowWindow() override { visible = true; }
    void HideWindow() override { visible = false; }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetBarRange(int, int upper) override { barUpper = upper; }
    int SetBarPosition(int to) override { return std::exchange(bar, std::min(to, barUpper)); }
    void DisableOwnerChain() override { ++ownerDisabled; }
    void EnableDisabledOwner() override { --ownerDisabled; }
    bool HasFocus() override { return focused; }
    void TakeFocus() override { focused = true; }
    void PostCloseRequest() override { closeRequested = true; }
    void BringMainWindowForward() override { mainRaised = true; }
    void DispatchPendingMessages(bool escapeCancels) override
    {
        ++dispatches;
        if (escapeCancels && escapePending && presenter)
            presenter->Cancel();
    }

    static constexpr ScreenPoint CENTRE = { 230, 260 };
    bool creatable = true;
    bool exists = false;
    bool visible = false;
    bool focused = false;
    bool closeRequested = false;
    bool mainRaised = false;
    bool escapePending = false;
    int ownerDisabled = 0;
    int dispatches = 0;
    int bar = 0;
    int barUpper = 100;
    std::string caption;
    std::string status;
    ProgressLayout layout;
    ScreenPoint position;
    CProgressPresenter* presenter = nullptr;
};

class ProgressPresenterTest : public ::testing::Test {
protected:
    ProgressPresenterTest() { window.presenter = &progress; }

    CFakeProfile profile;
    CFakeProgressWindow window;
    CProgressPresenter progress { window, profile };
};

struct PercentageCase {
    int position, lower, upper, percentage;
};

class ProgressPercentageTest : public ::testing::TestWithParam<PercentageCase> { };

TEST_P(ProgressPercentageTest, RoundsHalfUpAndTruncatesTowardZero)
{
    const PercentageCase& c = GetParam();
    EXPECT_EQ(progressPercentage(c.position, c.lower, c.upper), c.percentage);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressPercentageTest,
    ::testing::Values(PercentageCase { 1, 0, 128, 1 }, // 0.78 + 0.5
        PercentageCase { 128, 0, 128, 100 }, PercentageCase { 64, 0, 128, 50 }, PercentageCase { 5, 5, 5, 0 },
        PercentageCase { 9, 10, 5, 0 }, // no range
        PercentageCase { -1, 0, 128, 0 }, // -0.28
        PercentageCase { -4, 0, 100, -3 }, // -3.5
        PercentageCase { 0, INT_MIN, INT_MAX, 50 }, PercentageCase { INT_MAX, 0, 1, INT_MAX }));

} // namespace

TEST_F(ProgressPresenterTest, LaysOutTextBarAndClientForTheLineHeight)
{
    ASSERT_TRUE(progress.Create("Programing...", false));
    EXPECT_EQ(window.layout.text, (ProgressRect { 10, 10, 360, 23 }));
    EXPECT_EQ(window.layout.bar, (ProgressRect { 10, 35, 350, 53 }));
    EXPECT_EQ(window.layout.clientWidth, 360);
    EXPECT_EQ(window.layout.clientHeight, 13 + 18 + 45);
    EXPECT_TRUE(window.visible);
}

TEST_F(ProgressPresenterTest, CaptionCarriesTheWholePercentageOnlyWhenItChanges)
{
    ASSERT_TRUE(progress.Create("Programing...", false));
    EXPECT_EQ(window.caption, "Programing...");
    progress.SetBounds(0, 128, 1);
    EXPECT_EQ(progress.Advance(), 0);
    EXPECT_EQ(window.caption, "Programing... [1%]");
    for (int i = 1; i < 128; ++i)
        progress.Advance();
    EXPECT_EQ(progress.Position(), 128);
    EXPECT_EQ(window.caption, "Programing... [100%]");
    window.caption = "untouched";
    progress.SetPosition(128);
    EXPECT_EQ(window.caption, "untouched");
    EXPECT_EQ(progress.SetPosition(64), 128);
    EXPECT_EQ(window.caption, "Programing... [50%]");

    // An empty range keeps the plain title.
    CProgressPresenter empty(window, profile);
    window.exists = false;
    ASSERT_TRUE(empty.Create("Programing...", true));
    empty.SetBounds(5, 5, 1);
    for (int i = 0; i < 10; ++i)
        empty.Advance();
    EXPECT_EQ(empty.ShownPercentage(), 0);
    EXPECT_EQ(window.caption, "Programing...");
}

TEST_F(ProgressPresenterTest, StatusTextIsCutAtACharacterBoundary)
{
    ASSERT_TRUE(progress.Create(nullptr, false));
    EXPECT_EQ(progress.Title(), "Progress");
    progress.SetStatus("programing %d key", 7);
    EXPECT_EQ(window.status, "programing 7 key");
    progress.SetStatus("%s", std::string(600, 'a').c_str());
    EXPECT_EQ(window.status.size(), 511u);
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\xC3\xA9"; // the 256th would end at byte 512
    progress.SetStatus("%s", accents.c_str());
    EXPECT_EQ(window.status.size(), 510u);
}

TEST_F(ProgressPresenterTest, ModalModeOnAnExistingWindowKeepsItsTitle)
{
    ASSERT_TRUE(progress.Create("Programing...", false));
    ASSERT_TRUE(progress.BeginModal("Progress", true));
    ASSERT_TRUE(progress.BeginModal("Progress", true)); // walks the chain once
    EXPECT_EQ(window.caption, "Programing...");
    EXPECT_EQ(window.ownerDisabled, 1);
    progress.PumpMessages(true);
    EXPECT_TRUE(window.focused);
    progress.Close();
    EXPECT_EQ(window.ownerDisabled, 0);
    EXPECT_FALSE(window.exists);

    CProgressPresenter later(window, profile);
    EXPECT_EQ(later.Advance(), 0); // no window yet: nothing
    ASSERT_TRUE(later.BeginModal("Writing", false));
    EXPECT_EQ(window.caption, "Writing");
    window.creatable = false;
    CProgressPresenter failing(window, profile);
    window.exists = false;
    EXPECT_FALSE(failing.BeginModal("Writing", false));
}

TEST_F(ProgressPresenterTest, EscapeCancelsAndWorkAfterTheCancelIsHarmless)
{
    ASSERT_TRUE(progress.Create("Programing...", false));
    ASSERT_TRUE(progress.BeginModal(nullptr, false));
    progress.SetBounds(0, 128, 1);
    progress.PumpMessages(false);
    window.escapePending = true;
    progress.PumpMessages(false); // Escape not asked for
    EXPECT_FALSE(progress.IsCancelled());
    progress.PumpMessages(true);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(window.closeRequested);
    EXPECT_TRUE(window.mainRaised);
    EXPECT_EQ(window.ownerDisabled, 1); // until Close

    window.exists = false; // the close request was handled
    const int dispatches = window.dispatches;
    progress.PumpMessages(true);
    EXPECT_EQ(window.dispatches, dispatches);
    EXPECT_EQ(progress.Advance(), 0);
    progress.SetStatus("programing %d key", 3);
    progress.SetBounds(0, 10, 2);
    EXPECT_EQ(progress.Upper(), 128);
    progress.Close();
    EXPECT_EQ(window.ownerDisabled, 0);
}

TEST_F(ProgressPresenterTest, PositionIsKeptInTheProfileAndWrittenOnlyWhenItMoved)
{
    ASSERT_TRUE(progress.Create("t", false));
    window.position = { 33, 44 };
    progress.Close();
    EXPECT_EQ(profile.values["Settings/X"], 33);
    EXPECT_EQ(profile.values["Settings/Y"], 44);
    EXPECT_EQ(profile.writes, 2);

    CProgressPresenter again(window, profile);
    ASSERT_TRUE(again.Create("t", false));
    EXPECT_EQ(window.position.x, 33);
    EXPECT_EQ(window.position.y, 44);
    again.Cancel();
    again.Close();
    EXPECT_EQ(profile.writes, 2);

    CProgressPresenter unkept(window, profile);
    unkept.SetKeepPosition(false);
    ASSERT_TRUE(unkept.Create("t", false));
    EXPECT_EQ(window.position.x, CFakeProgressWindow::CENTRE.x);
    window.position = { 1, 1 };
    unkept.Close();
    EXPECT_EQ(profile.writes, 2);
}

class ProgressSavedPositionTest : public ProgressPresenterTest,
                                  public ::testing::WithParamInterface<ScreenPoint> { };

TEST_P(ProgressSavedPositionTest, UnusablePositionsCentreTheWindow)
{
    profile.values["Settings/X"] = GetParam().x;
    profile.values["Settings/Y"] = GetParam().y;
    ASSERT_TRUE(progress.Create("t", false));
    EXPECT_EQ(window.position.x, CFakeProgressWindow::CENTRE.x);
    EXPECT_EQ(window.position.y, CFakeProgressWindow::CENTRE.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressSavedPositionTest,
    ::testing::Values(
        ScreenPoint { -1, 10 }, ScreenPoint { 10, -5 }, ScreenPoint { 800, 10 }, ScreenPoint { 10, 600 }));
