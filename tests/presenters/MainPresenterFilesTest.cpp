// The main window's files and what keeps the user's work at the presenter:
// "&Save to file...", "&Load from file...", layouts, the configuration,
// the question before changes are lost, undo and redo, the data area and
// the recent files. Real files in a private folder.
#include "PresenterFixture.h"

#include <presenters/PresenterTexts.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>
#include <transfer/TransferTexts.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace presenters;
using namespace presenters::test;

namespace {

using Reply = driverchannel::testing::CFakeWin32System::Reply;

class MainPresenterFilesTest : public MainPresenterTest {
protected:
    std::string Path(const std::string& name) const { return folder.Path(name); }

    static std::string ReadAll(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    }
    static void WriteAll(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string SaveFile(const std::string& name, const keydata::KeyTable& table)
    {
        EXPECT_TRUE(keydata::saveKeyFile(Path(name), table).Ok());
        return Path(name);
    }
    void ReplyToRead(const keydata::KeyTable& keyboard)
    {
        const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
        platform.replies.push_back(Reply { true, std::uint32_t(image.size()), image });
    }
    // The configuration dialog clears these bits of systemConfig and mcrConfig.
    void ConfigClears(std::uint8_t system, std::uint8_t mcr)
    {
        services.configDialog = [=](keydata::KeyTable& table) {
            table.systemConfig &= std::uint8_t(~system);
            table.mcrConfig &= std::uint8_t(~mcr);
            return true;
        };
    }

    CTemporaryFolder folder;
};

} // namespace

TEST_F(MainPresenterFilesTest, SavingWritesTheDatFileAndTurnsTheProgrammedKeysBlack)
{
    Edit(IDC_KEY_FIRST, "abc");
    services.fileAnswer = Path("keys");
    presenter->OnCommand(IDC_SAVE_FILE);
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(services.fileRequests[0][0].label, "Keyboard data file (*.dat)");
    const std::string saved = Path("keys.dat");
    const std::vector<std::uint8_t> image = keydata::encodeImage(presenter->Table());
    EXPECT_EQ(ReadAll(saved), std::string(image.begin(), image.end()));
    EXPECT_FALSE(std::filesystem::exists(services.fileAnswer));
    EXPECT_EQ(Color(IDC_KEY_FIRST), COLOR_KEY_STORED);
    EXPECT_EQ(services.LastText(), "Save data to file " + saved + " successful");
    EXPECT_EQ(services.messages.back().icon, MessageIcon::None);

    // Names ending in ".dat" in any case keep their suffix.
    for (const char* name : { "upper.DAT", "mixed.Dat" }) {
        services.fileAnswer = Path(name);
        presenter->OnSaveToFile();
        EXPECT_TRUE(std::filesystem::exists(Path(name))) << name;
        EXPECT_FALSE(std::filesystem::exists(Path(std::string(name) + ".dat"))) << name;
    }
}

TEST_F(MainPresenterFilesTest, CancellingEitherChooserDoesNothing)
{
    Edit(IDC_KEY_FIRST, "abc");
    const keydata::KeyTable before = presenter->Table();
    services.messages.clear();
    presenter->OnSaveToFile();
    presenter->OnLoadFromFile(); // asks about the unsaved key first (Yes)
    EXPECT_EQ(services.fileRequests.size(), 2u);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.rfind("The key table has changes", 0), 0u);
    EXPECT_EQ(presenter->Table(), before);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Folder()));
}

TEST_F(MainPresenterFilesTest, AFailedSaveIsNeverReportedAsSuccess)
{
    Edit(IDC_KEY_FIRST, "abc");
    // No such folder: the file cannot be created.
    services.fileAnswer = Path("missing/keys");
    presenter->OnSaveToFile();
    EXPECT_EQ(services.LastText(), "Open file " + services.fileAnswer + ".dat fail");
    EXPECT_EQ(services.messages.back().icon, MessageIcon::None);

    // A name that leads to a device, or a FIFO: no key data file, not opened.
    ASSERT_EQ(::symlink("/dev/full", Path("full.dat").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("fifo.dat").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(Path("fifo.json").c_str(), 0600), 0);
    for (const char* name : { "full.dat", "fifo.dat", "fifo.json" }) {
        services.fileAnswer = Path(name);
        if (std::string_view(name).ends_with(".dat")) {
            presenter->OnSaveToFile();
            EXPECT_EQ(services.LastText(), "Open file " + Path(name) + " fail");
        }
        presenter->OnLoadFromFile();
        EXPECT_EQ(services.LastText(), "Open file " + Path(name) + " fail");
    }

    // The disk fills up half-way (a file size limit stands in for it).
    services.fileAnswer = Path("limited.dat");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    presenter->OnSaveToFile();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(services.LastText().rfind("Save data to file " + services.fileAnswer + " fail: ", 0), 0u)
        << services.LastText();
    EXPECT_EQ(services.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(Color(IDC_KEY_FIRST), COLOR_KEY_CHANGED);
    EXPECT_TRUE(presenter->HasUnsavedChanges());
}

TEST_F(MainPresenterFilesTest, ATableTooLongForAFileIsRefusedAndNothingIsWritten)
{
    // 516 + 31 x 255 = 8421 bytes of image.
    for (int id = IDC_KEY_FIRST; id <= 1031; ++id)
        storeBytes(RecordOf(id), keydata::KIND_STRING, std::string(255, 'y'));
    services.fileAnswer = Path("long.dat");
    WriteAll(services.fileAnswer, "old");
    presenter->OnSaveToFile();
    EXPECT_EQ(ReadAll(services.fileAnswer), "old");
    EXPECT_EQ(services.messages.back().icon, MessageIcon::Stop);
    EXPECT_NE(services.LastText().find("8421 bytes"), std::string::npos) << services.LastText();
}

TEST_F(MainPresenterFilesTest, LoadingAppliesTheFileAndRefreshesTheGrid)
{
    keydata::KeyTable stored;
    stored.mcrConfig = 0x03;
    storeBytes(stored.Record(1, 0), keydata::KIND_STRING, "loaded");
    services.fileAnswer = SaveFile("upper.DAT", stored);
    presenter->OnCommand(IDC_LOAD_FILE);
    ASSERT_EQ(services.fileRequests.size(), 1u);
    ASSERT_EQ(services.fileRequests[0].size(), 2u);
    EXPECT_EQ(services.fileRequests[0][0].label, "Keyboard data file (*.DAT *.dat)");
    EXPECT_EQ(services.fileRequests[0][1].label, "Keyboard layout, JSON (*.json *.JSON)");
    EXPECT_EQ(presenter->Table(), stored);
    EXPECT_EQ(Caption(1020), "20");
    EXPECT_EQ(Color(1020), COLOR_KEY_STORED);
    EXPECT_EQ(services.LastText(), "Open file " + services.fileAnswer + " successful!");
    EXPECT_EQ(services.messages.back().icon, MessageIcon::None);
}

TEST_F(MainPresenterFilesTest, FilesThatAreNoKeyTableLeaveTheTableAlone)
{
    keydata::KeyTable kept;
    storeBytes(kept.Record(0, 0), keydata::KIND_STRING, "kept");
    presenter->LoadFile(SaveFile("kept.dat", kept));
    const keydata::KeyTable before = presenter->Table();
    std::string tooLong(8001, '\x01');
    tooLong[0] = char(0xFC);
    tooLong[3] = char(0xFA);
    const struct {
        const char* name;
        std::string bytes; // none: no such file
        std::string text; // empty: nothing is said
        MessageIcon icon;
    } files[] = {
        { "short.dat", std::string("\xFC\x00\x00", 3), "File " + Path("short.dat") + " NOT a save file!",
            MessageIcon::Stop },
        { "gone.dat", {}, "Open file " + Path("gone.dat") + " fail", MessageIcon::None },
        { "empty.dat", "", "", MessageIcon::None },
        { "long.dat", tooLong, "", MessageIcon::None },
        { "broken.json", "{\"keys\": [",
            "File " + Path("broken.json") + " NOT a save file!\n\nIt is not valid JSON.", MessageIcon::Stop },
        { "key.json",
            R"({"systemConfig": 3, "mcrConfig": 15, "keys": [{"keyNumber": 5, "kind": 3, "content": "zz"}]})",
            // Key number 5 is the key cap "12" (named as keydata::keyNameForUser names it).
            "File " + Path("key.json")
                + " NOT a save file!\n\nKey 12 (key number 5): content must be a string of hexadecimal byte "
                  "pairs.",
            MessageIcon::Stop },
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        if (std::string_view(file.name) != "gone.dat")
            WriteAll(Path(file.name), file.bytes);
        services.messages.clear();
        presenter->LoadFile(Path(file.name));
        if (file.text.empty()) {
            EXPECT_TRUE(services.messages.empty());
        } else {
            ASSERT_EQ(services.messages.size(), 1u);
            EXPECT_EQ(services.messages[0].text, file.text);
            EXPECT_EQ(services.messages[0].icon, file.icon);
        }
        EXPECT_EQ(presenter->Table(), before);
    }
}

// The settings bytes change in place and travel with the next write and
// the next save; the grid is left as it was.
TEST_F(MainPresenterFilesTest, TheConfigurationTravelsWithTheNextWriteAndSave)
{
    Edit(IDC_KEY_FIRST, "abc");
    ConfigClears(0x01, 0x04); // "Beep enable", "Track2 enable"
    presenter->OnCommand(IDC_CONFIG);
    EXPECT_EQ(presenter->Table().systemConfig, 0x02);
    EXPECT_EQ(presenter->Table().mcrConfig, 0x0B);
    EXPECT_EQ(Color(IDC_KEY_FIRST), COLOR_KEY_CHANGED); // no refresh

    platform.ioCalls.clear();
    presenter->OnWriteToKb();
    ASSERT_FALSE(platform.ioCalls.empty());
    const std::vector<std::uint8_t>& header = platform.ioCalls[0].input;
    ASSERT_EQ(header.size(), 8u);
    EXPECT_EQ(header[6], 0x02);
    EXPECT_EQ(header[7], 0x0B);
    services.fileAnswer = Path("config");
    presenter->OnSaveToFile();
    EXPECT_EQ(ReadAll(Path("config.dat")).substr(0, 3), std::string("\xFC\x02\x0B", 3));
}

// Each way of losing the table asks first when it has changes: Cancel
// keeps window and table; Save saves them, and goes ahead only once they
// are saved; Discard goes ahead as the command always did.
TEST_F(MainPresenterFilesTest, ChangesThatNothingHoldsAreAskedAboutBeforeTheyAreLost)
{
    struct Way {
        const char* name;
        const char* question;
        std::function<void(CMainDialogPresenter&)> act;
        std::function<bool()> wentAhead;
    };
    const auto closed = [this] { return view.closed; };
    const Way ways[] = {
        { "Quit", UNSAVED_QUIT, [](CMainDialogPresenter& p) { p.OnCommand(IDC_QUIT); }, closed },
        { "Escape", UNSAVED_QUIT, [](CMainDialogPresenter& p) { p.OnCancel(); }, closed },
        { "Load", UNSAVED_LOAD, [](CMainDialogPresenter& p) { p.OnLoadFromFile(); },
            [this] { return !services.fileRequests.empty() && services.fileRequests.back().size() == 2; } },
        { "Read", UNSAVED_READ, [](CMainDialogPresenter& p) { p.OnReadKbData(); },
            [this] { return services.LastText() == transfer::text::CONFIRM_READ; } },
    };
    const struct {
        MessageAnswer answer;
        const char* saveAs; // the save chooser's answer
        bool saved;
        bool wentAhead;
    } answers[] = {
        { MessageAnswer::Cancel, "", false, false },
        { MessageAnswer::Save, "", false, false }, // the save chooser cancelled
        { MessageAnswer::Save, "kept", true, true },
        { MessageAnswer::Discard, "", false, true },
    };
    for (const Way& way : ways)
        for (const auto& answer : answers) {
            SCOPED_TRACE(std::string(way.name) + " " + std::to_string(int(answer.answer)) + answer.saveAs);
            presenter = MakePresenter();
            Edit(1023, "mine");
            const keydata::KeyTable edited = presenter->Table();
            services.messages.clear();
            services.fileRequests.clear();
            services.fileAnswer = *answer.saveAs ? Path(answer.saveAs) : std::string();
            // Quit asks only about the changes; the read's own question is answered No.
            services.answers = { answer.answer, MessageAnswer::No };
            way.act(*presenter);
            ASSERT_FALSE(services.messages.empty());
            EXPECT_EQ(services.messages[0].text, lodemar::format(MSG_UNSAVED_CHANGES, way.question));
            EXPECT_EQ(services.messages[0].icon, MessageIcon::Question);
            EXPECT_EQ(services.messages[0].buttons, MessageButtons::SaveDiscardCancel);
            EXPECT_EQ(way.wentAhead(), answer.wentAhead);
            EXPECT_EQ(presenter->HasUnsavedChanges(), !answer.saved);
            EXPECT_EQ(presenter->Table(), edited);
            std::filesystem::remove(Path("kept.dat"));
        }
}

TEST_F(MainPresenterFilesTest, ATableTheKeyboardOrAFileHoldsHasNoChanges)
{
    EXPECT_FALSE(presenter->HasUnsavedChanges());
    Edit(1005, "x");
    EXPECT_TRUE(presenter->HasUnsavedChanges());
    presenter->Undo(); // back to what was held
    EXPECT_FALSE(presenter->HasUnsavedChanges());
    presenter->Redo();
    EXPECT_TRUE(presenter->HasUnsavedChanges());

    // Written and confirmed by the read-back.
    platform.replies.assign(130, Reply {});
    ReplyToRead(presenter->Table());
    presenter->OnWriteToKb();
    EXPECT_FALSE(presenter->HasUnsavedChanges());

    Edit(1005, "y");
    services.fileAnswer = Path("saved");
    presenter->OnSaveToFile();
    EXPECT_FALSE(presenter->HasUnsavedChanges());

    Edit(1005, "z");
    keydata::KeyTable keyboard;
    storeBytes(keyboard.Record(2, 2), keydata::KIND_STRING, "kb");
    ReplyToRead(keyboard);
    presenter->OnReadKbData();
    EXPECT_EQ(presenter->Table(), keyboard);
    EXPECT_FALSE(presenter->HasUnsavedChanges());

    Edit(1005, "w");
    presenter->LoadFile(Path("saved.dat"));
    EXPECT_FALSE(presenter->HasUnsavedChanges());
    EXPECT_EQ(RecordOf(1005).Bytes().size(), 1u);
}

TEST_F(MainPresenterFilesTest, UndoAndRedoTakeBackEditsLoadsReadsAndTheConfiguration)
{
    EXPECT_FALSE(presenter->CanUndo());
    EXPECT_EQ(view.editActions, (EditActions { "&Undo", false, "&Redo", false }));
    keydata::KeyTable loaded;
    storeBytes(loaded.Record(0, 0), keydata::KIND_STRING, "file");
    const std::string file = SaveFile("lay&out.dat", loaded);
    keydata::KeyTable keyboard;
    storeBytes(keyboard.Record(1, 1), keydata::KIND_FUNCTION, "\x1C");
    ReplyToRead(keyboard);
    ConfigClears(0x01, 0);

    std::vector<keydata::KeyTable> tables { presenter->Table() };
    const struct {
        std::function<void()> act;
        const char* undo;
    } steps[] = {
        { [&] { Edit(1023, "typed"); }, "&Undo key 23" },
        { [&] { presenter->OnConfig(); }, "&Undo the configuration change" },
        { [&] { presenter->OnReadKbData(); }, "&Undo reading the keyboard" },
        { [&] { presenter->LoadFile(file); }, "&Undo loading lay&&out.dat" },
    };
    for (const auto& step : steps) {
        step.act();
        tables.push_back(presenter->Table());
        EXPECT_EQ(presenter->UndoText(), step.undo);
        EXPECT_EQ(view.editActions.undoText, step.undo);
    }

    // Back step by step; an undone key turns red and shows its caption again.
    presenter->Undo();
    EXPECT_EQ(presenter->Table(), tables[3]);
    EXPECT_EQ(Caption(1021), "21");
    EXPECT_EQ(Color(1021), COLOR_KEY_CHANGED);
    EXPECT_TRUE(Caption(IDC_KEY_FIRST).empty());
    EXPECT_EQ(presenter->RedoText(), "&Redo loading lay&&out.dat");
    EXPECT_TRUE(view.editActions.canRedo);
    for (int i = 0; i < 3; ++i)
        presenter->Undo();
    EXPECT_EQ(presenter->Table(), tables[0]);
    EXPECT_FALSE(presenter->CanUndo());

    // Forward again; a new edit drops what is left.
    presenter->Redo();
    presenter->Redo();
    EXPECT_EQ(presenter->Table(), tables[2]);
    Edit(1040, "new");
    EXPECT_FALSE(presenter->CanRedo());
    presenter->Undo();
    EXPECT_EQ(presenter->Table(), tables[2]);

    // At most UNDO_LIMIT steps are kept.
    for (std::size_t i = 0; i <= CMainDialogPresenter::UNDO_LIMIT; ++i)
        Edit(1050, std::to_string(i));
    int undone = 0;
    while (presenter->CanUndo()) {
        presenter->Undo();
        ++undone;
    }
    EXPECT_EQ(undone, int(CMainDialogPresenter::UNDO_LIMIT));
}

TEST_F(MainPresenterFilesTest, TheDataAreaGaugeWarnsBeforeAWriteWouldBeRefused)
{
    EXPECT_EQ(presenter->DataArea().text, "Keyboard data area: 0 of 3584 bytes used (0 %)");
    EXPECT_EQ(presenter->DataArea().level, DataAreaLevel::Normal);
    // Each 255-byte key takes 256 bytes of the area.
    const struct {
        int keys;
        const char* text;
        DataAreaLevel level;
        int permille;
    } steps[] = {
        { 11, "Keyboard data area: 2816 of 3584 bytes used (79 %)", DataAreaLevel::Normal, 785 },
        { 12, "Keyboard data area: 3072 of 3584 bytes used (86 %)", DataAreaLevel::NearLimit, 857 },
        { 15, "Keyboard data area: 3840 of 3584 bytes used (108 %)", DataAreaLevel::Refused, 1000 },
    };
    int programmed = 0;
    for (const auto& step : steps) {
        while (programmed < step.keys)
            Edit(IDC_KEY_FIRST + programmed++, std::string(255, 'k'));
        EXPECT_EQ(presenter->DataArea().text, step.text);
        EXPECT_EQ(presenter->DataArea().level, step.level);
        EXPECT_EQ(presenter->DataArea().permille, step.permille);
    }
    EXPECT_EQ(presenter->DataArea().tip.rfind("The key table cannot be written to the keyboard", 0), 0u);
    presenter->Undo();
    EXPECT_EQ(presenter->DataArea().level, DataAreaLevel::NearLimit);
    EXPECT_EQ(presenter->DataArea().tip,
        "The function and string contents fit the keyboard; 0 bytes of its data area are free.");
}

TEST_F(MainPresenterFilesTest, LayoutsLoadAsKeyDataFilesDoAndJoinTheRecentFiles)
{
    keydata::KeyTable table;
    storeBytes(table.Record(0, 3), keydata::KIND_STRING, "dat");
    const std::string dat = SaveFile("drop.DAT", table);
    presenter->LoadFile(dat);
    EXPECT_EQ(presenter->Table(), table);
    EXPECT_EQ(Caption(1004), "4");

    storeBytes(table.Record(1, 0), keydata::KIND_FUNCTION, "\x12\x1C");
    const std::string json = Path("layout.JSON");
    WriteAll(json, keylayout::exportJson(table));
    presenter->LoadFile(json);
    EXPECT_EQ(presenter->Table(), table);
    EXPECT_EQ(services.LastText(), "Open file " + json + " successful!");

    // Saved files join too; the newest first, each once, at most six.
    services.fileAnswer = Path("saved.dat");
    presenter->OnSaveToFile();
    presenter->LoadFile(dat);
    EXPECT_EQ(presenter->RecentFiles(), (std::vector<std::string> { dat, Path("saved.dat"), json }));
    for (int i = 0; i < 6; ++i)
        presenter->LoadFile(SaveFile("more" + std::to_string(i) + ".dat", table));
    const std::vector<std::string> recent = presenter->RecentFiles();
    ASSERT_EQ(recent.size(), 6u);
    EXPECT_EQ(recent.front(), Path("more5.dat"));
    EXPECT_EQ(services.profile["RecentFiles/File6"], Path("more0.dat"));
    EXPECT_EQ(recentFileMenuText(1, "/a&b.dat"), "&2 /a&&b.dat");

    // After the question about an edit, as Load asks it.
    Edit(1050, "edit");
    services.messages.clear();
    presenter->LoadFile(dat);
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[0].text.rfind("The key table has changes", 0), 0u);
    EXPECT_EQ(RecordOf(1050).Bytes().size(), 0u);
}

// `lodemar FILE`: loaded once the window is shown, after the driver's
// message, with Load's messages.
TEST_F(MainPresenterFilesTest, TheCommandLinesFileIsLoadedOnceTheWindowIsShown)
{
    keydata::KeyTable table;
    storeBytes(table.Record(0, 3), keydata::KIND_STRING, "start");
    const std::string file = SaveFile("start.dat", table);
    for (const std::string& name : { file, Path("missing.json") }) {
        platform.files.clear(); // the driver does not load
        services.messages.clear();
        presenter = std::make_unique<CMainDialogPresenter>(view, services,
            std::make_unique<driverchannel::CDriverChannel>(
                driverchannel::testing::fakeWindowsBackend(platform)),
            false);
        presenter->SetStartFile(name);
        presenter->Initialize();
        EXPECT_EQ(presenter->Table(), keydata::KeyTable());
        presenter->OnShown();
        ASSERT_EQ(services.messages.size(), 2u);
        EXPECT_EQ(services.messages[0].text.rfind("Can't not load kernel program!!!", 0), 0u);
        EXPECT_EQ(services.messages[1].text,
            name == file ? "Open file " + file + " successful!" : "Open file " + name + " fail");
        EXPECT_EQ(presenter->Table(), name == file ? table : keydata::KeyTable());
    }
}
