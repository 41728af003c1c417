// The main window's behaviour at its presenter: start and the driver,
// modes and titles, the grid (key command, captions and colours, refresh,
// marking, navigation), quitting and the busy state.
#include "PresenterFixture.h"

#include <presenters/PresenterTexts.h>

#include <keycomposition/VirtualKeys.h>
#include <transfer/CKeyboardTransfer.h>

using namespace presenters;
using namespace presenters::test;

namespace {

constexpr char QUIT_QUESTION[] = "Are you sure quit this program?";

} // namespace

TEST_F(MainPresenterTest, OpensInEditModeWithTheDriverLoadedAndRemovesItAtTheEnd)
{
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(presenter->LoadResult(), 0);
    EXPECT_EQ(view.title, "Keyboard programing tool -- edit mode");
    EXPECT_TRUE(presenter->IsEditMode());
    EXPECT_FALSE(presenter->IsBusy());
    ASSERT_EQ(platform.services.count("Tavrin"), 1u);
    EXPECT_TRUE(platform.services["Tavrin"].running);
    EXPECT_TRUE(platform.Called("OpenDeviceFile \\\\.\\Tavrin"));

    presenter.reset(); // the presenter owns the channel
    EXPECT_TRUE(platform.services.empty());
    EXPECT_TRUE(platform.openDevices.empty());
}

// Told once the window is shown, so that the box stands over it; the
// window stays usable.
TEST_F(MainPresenterTest, AFailedLoadIsToldOnceTheWindowIsShown)
{
    platform.files.clear();
    services.messages.clear();
    auto offline = std::make_unique<CMainDialogPresenter>(view, services,
        std::make_unique<driverchannel::CDriverChannel>(driverchannel::testing::fakeWindowsBackend(platform)),
        false);
    offline->Initialize();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_NE(offline->LoadResult(), 0);
    offline->OnShown();
    offline->OnShown();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.rfind("Can't not load kernel program!!!", 0), 0u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::Ok);

    presenter = std::move(offline);
    storeBytes(RecordOf(1003), keydata::KIND_STRING, "abc");
    presenter->OnCommand(1003); // edit mode: the key dialog opens
    EXPECT_EQ(services.keyDialogs.size(), 1u);
    presenter->OnCommand(IDC_BROWSE_EDIT);
    presenter->OnCommand(1003);
    EXPECT_EQ(view.content, "abc");
    EXPECT_EQ(services.messages.size(), 1u);
}

// The system's text first, then the reason as a sentence, then what to try.
TEST_F(MainPresenterTest, AFailedLoadSaysWhyAndWhatToTry)
{
    platform.claim = driverchannel::KeyboardClaim::InUse;
    platform.claimHolder = "process 4711 (lodemar-cli)";
    const struct {
        bool emulated;
        LoadFailureReason reason;
        std::string text;
    } cases[] = {
        { false,
            [](const driverchannel::CDriverChannel& channel, int result) {
                return transfer::loadFailureReason(channel, {}, result, "lodemar");
            },
            "Can't not load kernel program!!!\n\nThe keyboard is in use by process 4711 (lodemar-cli); "
            "nothing was "
            "sent, try again once it has finished.\n\nFiles can still be edited, loaded and saved. To work "
            "without "
            "the keyboard, start the program with --emulate (lodemar --emulate)." },
        { true, [](const driverchannel::CDriverChannel&, int) { return std::string("the folder is gone"); },
            "Can't not load kernel program!!!\n\nThe folder is gone.\n\nFiles can still be edited, loaded "
            "and saved." },
        { true, nullptr, "Can't not load kernel program!!!\n\nFiles can still be edited, loaded and saved." },
    };
    for (const auto& c : cases) {
        services.messages.clear();
        presenter = std::make_unique<CMainDialogPresenter>(view, services,
            std::make_unique<driverchannel::CDriverChannel>(
                driverchannel::testing::fakeWindowsBackend(platform)),
            c.emulated);
        presenter->SetLoadFailureReason(c.reason);
        presenter->Initialize();
        presenter->OnShown();
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, c.text);
        EXPECT_EQ(presenter->LoadResult(), driverchannel::CHANNEL_KEYBOARD_IN_USE);
    }
}

TEST_F(MainPresenterTest, TitlesFollowTheModeAndNameAnEmulatedKeyboard)
{
    const std::string paused = "The keyboard types nothing while it is being programmed or read.";
    EXPECT_EQ(view.tips[IDC_WRITE_KB], paused);
    EXPECT_EQ(view.tips[IDC_READ_KB], paused);
    presenter->OnCommand(IDC_BROWSE_EDIT);
    EXPECT_FALSE(presenter->IsEditMode());
    EXPECT_EQ(view.texts[IDC_BROWSE_EDIT], "&Edit");
    EXPECT_EQ(view.title, "Keyboard programing tool -- Browse mode");
    presenter->OnCommand(IDC_BROWSE_EDIT);
    EXPECT_TRUE(presenter->IsEditMode());
    EXPECT_EQ(view.texts[IDC_BROWSE_EDIT], "Brows&e");
    EXPECT_EQ(view.title, "Keyboard programing tool -- Edit mode");

    presenter = MakePresenter(true);
    EXPECT_EQ(view.title, "Keyboard programing tool -- edit mode [emulated keyboard]");
    EXPECT_TRUE(view.tips.empty());
    presenter->OnBrowseEdit();
    EXPECT_EQ(view.title, "Keyboard programing tool -- Browse mode [emulated keyboard]");
}

TEST_F(MainPresenterTest, QuitAsksAndEscapeEndsAtOnce)
{
    services.answers = { MessageAnswer::No };
    presenter->OnCommand(IDC_QUIT);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, QUIT_QUESTION);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(view.closed);
    presenter->OnCommand(IDC_QUIT);
    EXPECT_TRUE(view.closed);

    view.closed = false;
    services.messages.clear();
    presenter->OnCancel();
    EXPECT_TRUE(view.closed);
    view.closed = false;
    presenter->OnSysCommand(SC_CLOSE_COMMAND);
    EXPECT_TRUE(view.closed);
    presenter->OnSysCommand(SC_MINIMIZE_COMMAND | 0x2); // the low bits are the system's
    EXPECT_EQ(view.minimized, 1);
    presenter->OnSysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(services.aboutRuns, 1);
    EXPECT_TRUE(services.messages.empty());
}

// While the keyboard is read every entry point does nothing: commands, key
// caps, system commands, keys, undo, files, closing.
TEST_F(MainPresenterTest, NothingStartsWhileTheKeyboardIsRead)
{
    storeBytes(RecordOf(1002), keydata::KIND_STRING, "xy");
    Edit(1005, "undoable");
    services.keyDialogs.clear();
    services.keyDialogAction
        = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, "changed"); };
    platform.replies.push_back({ true, 1, { 0xFD } });
    bool busy = false;
    platform.onDeviceControl = [&](std::uint32_t) {
        busy = presenter->Busy() == BusyState::Reading;
        services.messages.clear();
        for (const int id : { 1002, IDC_BROWSE_EDIT, IDC_QUIT, IDC_CONFIG, IDC_WRITE_KB, IDC_LOAD_FILE })
            presenter->OnCommand(id);
        presenter->OnSysCommand(IDM_ABOUTBOX);
        presenter->OnSysCommand(SC_CLOSE_COMMAND);
        presenter->OnCancel();
        presenter->Undo();
        presenter->LoadFile("/nonexistent.dat");
        EXPECT_FALSE(presenter->OnKeyDown(1002, VK_RIGHT));
    };
    presenter->OnReadKbData();
    EXPECT_TRUE(busy);
    EXPECT_FALSE(presenter->IsBusy());
    EXPECT_TRUE(services.keyDialogs.empty());
    EXPECT_EQ(services.aboutRuns, 0);
    EXPECT_TRUE(presenter->IsEditMode());
    EXPECT_FALSE(view.closed);
    EXPECT_TRUE(presenter->CanUndo());
    EXPECT_EQ(presenter->NavigationPosition(), (GridPosition { 0, 4 }));
    EXPECT_EQ(services.LastText(), "Read data from keyboard successful!"); // the read's own message alone
    EXPECT_EQ(services.messages.size(), 1u);

    platform.onDeviceControl = nullptr;
    presenter->OnCommand(1002);
    EXPECT_EQ(services.keyDialogs.size(), 1u);
    EXPECT_EQ(view.content, "changed");
}

TEST_F(MainPresenterTest, EditModeOpensTheKeyDialogTitledWithTheKeyNumber)
{
    for (const int id : { IDC_KEY_FIRST, IDC_SMALL_KEY_FIRST, 1057 })
        presenter->OnCommand(id);
    ASSERT_EQ(services.keyDialogs.size(), 3u);
    const struct {
        const char* title;
        GridPosition slot;
    } expected[]
        = { { "Editing Key 1", { 0, 0 } }, { "Editing Key 96", { 5, 0 } }, { "Editing Key 57", { 2, 18 } } };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(services.keyDialogs[i].title, expected[i].title);
        EXPECT_EQ(
            (GridPosition { services.keyDialogs[i].row, services.keyDialogs[i].column }), expected[i].slot);
    }
    EXPECT_EQ(presenter->NavigationPosition(), (GridPosition { 2, 18 }));

    presenter->OnBrowseEdit();
    presenter->OnCommand(IDC_KEY_FIRST);
    EXPECT_EQ(services.keyDialogs.size(), 3u); // browse mode only shows the text
    EXPECT_EQ(presenter->NavigationPosition(), (GridPosition { 0, 0 }));
}

// What the key dialog did to a key decides its caption and colour: changed
// bytes turn it red with its caption, the same bytes (whatever the kind)
// and Cancel leave it, an emptied key loses its caption.
TEST_F(MainPresenterTest, TheKeyDialogsOutcomeMarksTheKey)
{
    Edit(IDC_KEY_FIRST, "Hi\t");
    EXPECT_EQ(Caption(IDC_KEY_FIRST), "1");
    EXPECT_EQ(Color(IDC_KEY_FIRST), COLOR_KEY_CHANGED);
    EXPECT_EQ(presenter->KeyContentText(), "Hi[Tab]");
    EXPECT_EQ(view.content, "Hi[Tab]");
    Edit(IDC_KEY_LAST, "z");
    EXPECT_EQ(Caption(IDC_KEY_LAST), "Z"); // the small keys by their letters

    storeBytes(RecordOf(1005), keydata::KIND_FUNCTION, "\x1C");
    presenter->RefreshGrid();
    Edit(1005, "\x1C", keydata::KIND_FUNCTION);
    Edit(1005, "\x1C", keydata::KIND_STRING);
    services.keyDialogOk = false;
    Edit(1005, "other");
    services.keyDialogOk = true;
    EXPECT_EQ(Color(1005), COLOR_KEY_STORED);
    EXPECT_EQ(Caption(1005), "5");

    storeBytes(RecordOf(1098), keydata::KIND_STRING, "abc");
    presenter->RefreshGrid();
    ASSERT_EQ(Caption(1098), "S");
    Edit(1098, "");
    EXPECT_TRUE(Caption(1098).empty());
    EXPECT_TRUE(view.content.empty());
}

TEST_F(MainPresenterTest, RefreshCaptionsEveryProgrammedKeyBlackAndShowsTheLastFocusedKey)
{
    Edit(1002, "red");
    ASSERT_EQ(Color(1002), COLOR_KEY_CHANGED);
    storeBytes(RecordOf(1002), keydata::KIND_EMPTY, ""); // emptied by a load
    storeBytes(RecordOf(1007), keydata::KIND_STRING, "seven");
    storeBytes(RecordOf(IDC_KEY_LAST_MAIN), keydata::KIND_SWITCH, "\x03");
    storeBytes(RecordOf(IDC_SMALL_KEY_FIRST), keydata::KIND_SWITCH, "\x58");
    view.lastFocusedKey = 1007;
    presenter->RefreshGrid();
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id) {
        if (id == 1007 || id == IDC_KEY_LAST_MAIN || id == IDC_SMALL_KEY_FIRST)
            EXPECT_EQ(Color(id), COLOR_KEY_STORED) << id;
        else
            EXPECT_TRUE(Caption(id).empty()) << id;
    }
    EXPECT_EQ(Caption(1007), "7");
    EXPECT_EQ(Caption(IDC_KEY_LAST_MAIN), "95");
    EXPECT_EQ(Caption(IDC_SMALL_KEY_FIRST), "L");
    EXPECT_EQ(view.content, "seven");

    // Without a last focused key the content box keeps its text.
    view.lastFocusedKey = 0;
    presenter->OnBrowseEdit();
    presenter->OnCommand(IDC_KEY_LAST_MAIN);
    storeBytes(RecordOf(IDC_KEY_LAST_MAIN), keydata::KIND_STRING, "loaded");
    presenter->RefreshGrid();
    EXPECT_EQ(view.content, "<M3>");
}

TEST_F(MainPresenterTest, MarkingColoursOnlyProgrammedKeysAndKeepsCaptions)
{
    storeBytes(RecordOf(1010), keydata::KIND_STRING, "x");
    storeBytes(RecordOf(1099), keydata::KIND_FUNCTION, "\x1C");
    presenter->RefreshGrid();
    presenter->MarkKeys(COLOR_KEY_WRITTEN);
    EXPECT_EQ(Color(1010), COLOR_KEY_WRITTEN);
    EXPECT_EQ(Color(1099), COLOR_KEY_WRITTEN);
    EXPECT_EQ(Caption(1099), "X");
    EXPECT_EQ(Color(1011), COLOR_KEY_STORED);
    presenter->MarkKeys(COLOR_KEY_STORED);
    EXPECT_EQ(Color(1010), COLOR_KEY_STORED);
}

// The arrows from a key, in browse mode (the content box follows) unless
// said otherwise: where the focus goes, and the position.
struct Walk {
    const char* name;
    int from;
    std::vector<int> keys;
    int focused;
    GridPosition position;
    friend void PrintTo(const Walk& walk, std::ostream* out) { *out << walk.name; }
};

class GridKeysTest : public MainPresenterTest, public ::testing::WithParamInterface<Walk> { };

TEST_P(GridKeysTest, ArrowsMoveTheFocusOverTheGrid)
{
    const Walk& walk = GetParam();
    presenter->OnBrowseEdit();
    presenter->OnCommand(walk.from);
    for (const int key : walk.keys)
        EXPECT_TRUE(presenter->OnKeyDown(view.focused ? view.focused : walk.from, key));
    EXPECT_EQ(view.focused, walk.focused);
    EXPECT_EQ(presenter->NavigationPosition(), walk.position);
}

INSTANTIATE_TEST_SUITE_P(Walks, GridKeysTest,
    ::testing::Values(Walk { "RightFrom19WrapsTo1", 1019, { VK_RIGHT }, IDC_KEY_FIRST, { 0, 0 } },
        Walk { "LeftFrom1WrapsTo19", IDC_KEY_FIRST, { VK_LEFT }, 1019, { 0, 18 } },
        Walk { "UpFrom19ToTheBottomSmallKey", 1019, { VK_UP }, IDC_SMALL_KEY_FIRST, { 5, 0 } },
        Walk { "DownFromThereBack", 1019, { VK_UP, VK_DOWN }, 1019, { 0, 18 } },
        Walk {
            "UpTheSmallKeys", IDC_SMALL_KEY_FIRST, { VK_UP, VK_UP, VK_UP, VK_UP }, IDC_KEY_LAST, { 5, 4 } },
        // Column 5 of row 5 has no key cap: the position moves, the focus stays.
        Walk { "AboveTheSmallKeys", IDC_KEY_LAST, { VK_UP }, 0, { 5, 5 } },
        Walk { "DownFromRow4ToRow0", 1080, { VK_DOWN, VK_DOWN }, 1023, { 1, 3 } }),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(MainPresenterTest, ArrowsShowTheTextInBrowseModeAndTabDoesNothing)
{
    storeBytes(RecordOf(IDC_KEY_FIRST), keydata::KIND_STRING, "first");
    presenter->OnBrowseEdit();
    presenter->OnCommand(1019);
    presenter->OnKeyDown(1019, VK_RIGHT);
    EXPECT_EQ(view.content, "first");
    EXPECT_TRUE(presenter->OnKeyDown(IDC_KEY_FIRST, VK_TAB));
    EXPECT_EQ(presenter->NavigationPosition(), (GridPosition { 0, 0 }));
    EXPECT_FALSE(presenter->OnKeyDown(IDC_KEY_FIRST, 'A')); // the dialog's own handling
    EXPECT_FALSE(presenter->OnKeyDown(IDC_QUIT, VK_RIGHT));
    EXPECT_TRUE(presenter->OnKeyDown(IDC_KEY_CONTENT, VK_RETURN)); // nothing to do there

    // Edit mode: moving opens nothing; Enter opens the focused key.
    presenter->OnBrowseEdit();
    presenter->OnKeyDown(IDC_KEY_FIRST, VK_DOWN);
    EXPECT_TRUE(services.keyDialogs.empty());
    presenter->OnKeyDown(1007, VK_RETURN);
    ASSERT_EQ(services.keyDialogs.size(), 1u);
    EXPECT_EQ(services.keyDialogs[0].title, "Editing Key 7");
    EXPECT_EQ(presenter->NavigationPosition(), (GridPosition { 0, 6 }));
    EXPECT_EQ(view.focused, 1007);
}

// What a screen reader says of each key cap: which key it is, and what it
// sends as its text shows it (ISO-8859-1 text read as UTF-8).
TEST_F(MainPresenterTest, KeyCapsSayWhichKeyTheyAreAndWhatTheySend)
{
    const struct {
        int id;
        std::uint8_t kind;
        const char* bytes;
        const char* name;
        const char* description;
    } keys[] = {
        { 1003, keydata::KIND_EMPTY, "", "Key 3", "empty" },
        { IDC_KEY_FIRST, keydata::KIND_STRING, "Hello, world\r", "Key 1", "string: Hello, world[Enter]" },
        { 1002, keydata::KIND_STRING, "caf\xE9", "Key 2", "string: caf\xC3\xA9" },
        { 1021, keydata::KIND_FUNCTION, "\x14\x21\xE1\x14", "Key 21", "function: CTL(C)0F0CTL" },
        { IDC_SMALL_KEY_FIRST, keydata::KIND_SWITCH, "\x02", "Key L", "layer switch: <M2>" },
        { IDC_KEY_LAST, keydata::KIND_SWITCH, "\x58", "Key Z", "lock key: Caps." },
    };
    for (const auto& key : keys)
        Edit(key.id, key.bytes, key.kind);
    for (const auto& key : keys) {
        EXPECT_EQ(presenter->KeyCap(key.id).accessibleName, key.name) << key.id;
        EXPECT_EQ(presenter->KeyCap(key.id).accessibleDescription, key.description) << key.id;
    }
    EXPECT_EQ(presenter->KeyCap(1050).accessibleName, "Key 50"); // from the start
    EXPECT_EQ(presenter->KeyCap(1050).accessibleDescription, "empty");
}
