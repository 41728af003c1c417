#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keydata;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

class KeyFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path()
            / ("keyfile-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    static Bytes Read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& file, const Bytes& bytes)
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static KeyTable SampleTable()
    {
        KeyTable table;
        table.systemConfig = 0x05;
        const Bytes hello { 'h', 'e', 'l', 'l', 'o', 0x0D };
        const Bytes macro { 0x14, 0x4D, 0xE1, 0x14 };
        const Bytes layer { 0x03 };
        EXPECT_EQ(storeKey(table.RecordOfKeyNumber(93), KIND_STRING, hello), KEYTABLE_OK);
        EXPECT_EQ(storeKey(table.RecordOfKeyNumber(120), KIND_FUNCTION, macro), KEYTABLE_OK);
        EXPECT_EQ(storeKey(table.RecordOfKeyNumber(125), KIND_SWITCH, layer), KEYTABLE_OK);
        return table;
    }

    // Runs in a forked child: the save must fail with a write error.
    static void SaveWithFileSizeLimit(const std::string& file, rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        limit.rlim_cur = bytes;
        limit.rlim_max = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const KeyFileResult r = saveKeyFile(file, SampleTable());
        std::_Exit(r.result == KEYFILE_E_WRITE && r.systemError != 0 ? 0 : 1);
    }

    fs::path m_dir;
};

} // namespace

TEST_F(KeyFileTest, FreshTableSavesAs516BytesAndRoundTrips)
{
    const std::string file = Path("keys.dat");
    const KeyFileResult saved = saveKeyFile(file, KeyTable {});
    ASSERT_TRUE(saved.Ok()) << saved.systemError;
    EXPECT_EQ(saved.length, 516u);
    EXPECT_EQ(Read(file), encodeImage(KeyTable {}));

    const KeyTable table = SampleTable();
    ASSERT_TRUE(saveKeyFile(file, table).Ok());
    const Bytes first = Read(file);
    KeyTable loaded;
    const KeyFileResult result = loadKeyFile(file, loaded);
    ASSERT_EQ(result.result, KEYFILE_OK);
    EXPECT_EQ(result.length, first.size());
    EXPECT_EQ(loaded, table); // key 120 included, though no key cap shows it
    ASSERT_TRUE(saveKeyFile(Path("again.dat"), loaded).Ok());
    EXPECT_EQ(Read(Path("again.dat")), first);
    EXPECT_EQ(Entries().size(), 2u); // no temporary files left behind
}

TEST_F(KeyFileTest, LoadResultsLeaveTheTableAlone)
{
    const KeyTable before = SampleTable();
    KeyTable table = before;

    EXPECT_EQ(loadKeyFile(Path("missing.dat"), table).result, KEYFILE_E_OPEN);
    EXPECT_NE(loadKeyFile(Path("missing.dat"), table).systemError, 0);

    Write(Path("empty.dat"), {});
    EXPECT_EQ(loadKeyFile(Path("empty.dat"), table).result, KEYFILE_E_EMPTY);

    Write(Path("short.dat"), { 0xFC, 0x00, 0x00 });
    EXPECT_EQ(loadKeyFile(Path("short.dat"), table).result, KEYFILE_E_NOT_SAVE_FILE);
    Write(Path("other.dat"), { 0xFC, 0x00, 0x00, 0xFB, 0x00 });
    EXPECT_EQ(loadKeyFile(Path("other.dat"), table).result, KEYFILE_E_NOT_SAVE_FILE);

    Bytes big = encodeImage(KeyTable {});
    big.resize(8001, 0x00);
    Write(Path("big.dat"), big);
    EXPECT_EQ(loadKeyFile(Path("big.dat"), table).result, KEYFILE_E_TOO_LONG);
    big.resize(20000, 0x00); // only the first 10240 bytes are read
    Write(Path("huge.dat"), big);
    const KeyFileResult huge = loadKeyFile(Path("huge.dat"), table);
    EXPECT_EQ(huge.result, KEYFILE_E_TOO_LONG);
    EXPECT_EQ(huge.length, KEY_FILE_READ_LIMIT);

    EXPECT_EQ(table, before);

    big.resize(8000);
    Write(Path("limit.dat"), big);
    EXPECT_EQ(loadKeyFile(Path("limit.dat"), table).result, KEYFILE_OK);
    EXPECT_EQ(table.RecordOfKeyNumber(93).kind, KIND_EMPTY);
}

TEST_F(KeyFileTest, PartialFileChangesOnlyTheKeysItNames)
{
    KeyTable table = SampleTable();
    Write(Path("part.dat"), { 0xFC, 0x01, 0x02, 0xFA, 93, 0xFB, 0x03, 'x', 0xFD });
    ASSERT_EQ(loadKeyFile(Path("part.dat"), table).result, KEYFILE_OK);
    EXPECT_EQ(table.systemConfig, 0x01);
    EXPECT_EQ(table.RecordOfKeyNumber(93).ContentLength(), 1u);
    EXPECT_EQ(table.RecordOfKeyNumber(120), SampleTable().RecordOfKeyNumber(120));
}

TEST_F(KeyFileTest, SaveRefusesTablesThatCouldNotBeLoadedAgain)
{
    const std::string file = Path("keep.dat");
    ASSERT_TRUE(saveKeyFile(file, SampleTable()).Ok());
    const Bytes previous = Read(file);

    KeyTable tooLong;
    for (int n = 0; n < 30; ++n)
        ASSERT_EQ(storeKey(tooLong.RecordOfKeyNumber(n), KIND_STRING, Bytes(255, 'a')), KEYTABLE_OK);
    KeyFileResult result = saveKeyFile(file, tooLong);
    EXPECT_EQ(result.result, KEYFILE_E_TOO_LONG);
    EXPECT_EQ(result.length, 516u + 30u * 255u);
    EXPECT_EQ(saveKeyFile(Path("new.dat"), tooLong).result, KEYFILE_E_TOO_LONG);

    KeyTable marker;
    ASSERT_EQ(storeKey(marker.RecordOfKeyNumber(17), KIND_STRING, Bytes { 'a', 0xFD, 'b' }), KEYTABLE_OK);
    result = saveKeyFile(file, marker);
    EXPECT_EQ(result.result, KEYFILE_E_MARKER_BYTE);
    EXPECT_EQ(result.keyNumber, 17);

    EXPECT_EQ(Read(file), previous);
    EXPECT_EQ(Entries(), std::vector<std::string> { "keep.dat" });
}

TEST_F(KeyFileTest, FailedSavesKeepThePreviousFile)
{
    const std::string file = Path("keep.dat");
    ASSERT_TRUE(saveKeyFile(file, KeyTable {}).Ok());
    const Bytes previous = Read(file);

    EXPECT_EQ(saveKeyFile(Path("no/such/folder/k.dat"), SampleTable()).result, KEYFILE_E_OPEN);

    // Disk full half-way: a file size limit makes the write fail after
    // 100 bytes (works for root too, unlike a read-only folder).
    EXPECT_EXIT(SaveWithFileSizeLimit(file, 100), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Read(file), previous);

    EXPECT_EQ(Entries(), (std::vector<std::string> { "keep.dat" }));
}

TEST_F(KeyFileTest, ReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    const std::string file = Path("keep.dat");
    ASSERT_TRUE(saveKeyFile(file, KeyTable {}).Ok());
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(saveKeyFile(file, SampleTable()).result, KEYFILE_E_OPEN);
    EXPECT_EQ(Read(file), encodeImage(KeyTable {}));
}

TEST_F(KeyFileTest, ReplacingKeepsLinksPermissionsAndOwner)
{
    const std::string target = Path("target.dat");
    ASSERT_TRUE(saveKeyFile(target, KeyTable {}).Ok());
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("target.dat", Path("link.dat"));
    const bool root = ::geteuid() == 0;
    if (root) { // someone else's file that root replaces
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }

    ASSERT_TRUE(saveKeyFile(Path("link.dat"), SampleTable()).Ok());
    EXPECT_TRUE(fs::is_symlink(Path("link.dat")));
    EXPECT_EQ(Read(target), encodeImage(SampleTable()));
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
    }

    // A second hard link sees the new contents: written in place, not split.
    ASSERT_EQ(::link(target.c_str(), Path("hard.dat").c_str()), 0);
    KeyTable other = SampleTable();
    other.mcrConfig = 0x01;
    ASSERT_TRUE(saveKeyFile(target, other).Ok());
    EXPECT_EQ(Read(Path("hard.dat")), encodeImage(other));
    struct stat hard;
    ASSERT_EQ(::stat(Path("hard.dat").c_str(), &hard), 0);
    EXPECT_EQ(hard.st_ino, st.st_ino);
    EXPECT_EQ(Entries().size(), 3u);
}

// A FIFO's open would wait for a writer (or reader) for ever; devices and
// folders are no key data files either. Nothing is opened or replaced.
TEST_F(KeyFileTest, OnlyRegularFilesAreLoadedOrSaved)
{
    ASSERT_EQ(::mkfifo(Path("fifo.dat").c_str(), 0600), 0);
    fs::create_directory(Path("folder.dat"));
    const KeyTable before = SampleTable();
    for (const std::string& target : { Path("fifo.dat"), Path("folder.dat"), std::string("/dev/null") }) {
        KeyTable table = before;
        EXPECT_EQ(loadKeyFile(target, table).result, KEYFILE_E_NOT_REGULAR) << target;
        EXPECT_EQ(table, before);
        EXPECT_EQ(saveKeyFile(target, table).result, KEYFILE_E_NOT_REGULAR) << target;
    }
    EXPECT_EQ(fs::status(Path("fifo.dat")).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_directory(Path("folder.dat")));
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
}

// The folder may be writable while the file is not: the save must not go
// around the file's own permission. Root passes every permission check, so
// the saves run as an unprivileged user when the test runs as root.
TEST_F(KeyFileTest, AFileTheCallerMayNotWriteStaysUntouched)
{
    const bool root = ::geteuid() == 0;
    constexpr uid_t NOBODY = 65534;
    const std::string readOnly = Path("read-only.dat");
    const std::string others = Path("others.dat");
    ASSERT_TRUE(saveKeyFile(readOnly, KeyTable {}).Ok());
    ASSERT_TRUE(saveKeyFile(others, KeyTable {}).Ok());
    ::chmod(readOnly.c_str(), 0444);
    ::chmod(others.c_str(), 0644);
    if (root) {
        ::chmod(m_dir.c_str(), 0777);
        ASSERT_EQ(::chown(readOnly.c_str(), NOBODY, NOBODY), 0);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root
            && (::setgroups(0, nullptr) != 0 || ::setresgid(NOBODY, NOBODY, NOBODY) != 0
                || ::setresuid(NOBODY, NOBODY, NOBODY) != 0))
            std::_Exit(10);
        int failures = 0;
        failures += saveKeyFile(readOnly, SampleTable()).result != KEYFILE_E_OPEN;
        if (root) // someone else's file
            failures += saveKeyFile(others, SampleTable()).result != KEYFILE_E_OPEN;
        failures += !saveKeyFile(Path("new.dat"), SampleTable()).Ok(); // the folder itself is writable
        std::_Exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(readOnly), encodeImage(KeyTable {}));
    EXPECT_EQ(Read(others), encodeImage(KeyTable {}));
    EXPECT_EQ(fs::status(readOnly).permissions(), fs::perms(0444));
}

// Another user prepares the name a victim (root, or a user) is about to
// write in a shared folder: a link to the victim's file, or a file of their
// own to be filled. Links are followed only as the kernel's
// protected_symlinks rule would (root: only root's own), planted files are
// not filled (protected_regular), and hard links there are not written
// through. Needs root to act as the users.
struct PlantedName {
    const char* name;
    mode_t folderMode;
    uid_t folderOwner;
    const char* planted; // "link", "file" or "hard link"
    uid_t plantedBy;
    uid_t writer;
    bool written; // the save succeeds (and never touches the victim's file)
    friend void PrintTo(const PlantedName& c, std::ostream* os) { *os << c.name; }
};

class HostileFileTest : public KeyFileTest, public ::testing::WithParamInterface<PlantedName> { };

constexpr uid_t ATTACKER = 65534;
constexpr uid_t VICTIM = 65533;

TEST_P(HostileFileTest, AVictimsWriteNeverLandsWhereAnotherUserAimedIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    const PlantedName& c = GetParam();
    // The victim's own file in the victim's own folder.
    const std::string home = Path("home");
    const std::string precious = home + "/precious.dat";
    fs::create_directory(home);
    Write(precious, Bytes { 'p' });
    for (const std::string& mine : { home, precious })
        ASSERT_EQ(::chown(mine.c_str(), c.writer, c.writer), 0);
    const std::string folder = Path("shared");
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), c.folderOwner, c.folderOwner), 0);
    ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
    const std::string out = folder + "/out.dat";
    if (std::string(c.planted) == "link") {
        fs::create_symlink(precious, out);
        ASSERT_EQ(::lchown(out.c_str(), c.plantedBy, c.plantedBy), 0);
    } else if (std::string(c.planted) == "hard link") {
        ASSERT_EQ(::link(precious.c_str(), out.c_str()), 0);
    } else {
        Write(out, Bytes { 'a' });
        ASSERT_EQ(::chown(out.c_str(), c.plantedBy, c.plantedBy), 0);
        ASSERT_EQ(::chmod(out.c_str(), 0666), 0);
    }

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (c.writer != 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(c.writer, c.writer, c.writer) != 0
                || ::setresuid(c.writer, c.writer, c.writer) != 0))
            std::_Exit(10);
        const KeyFileResult r = saveKeyFile(out, SampleTable());
        std::_Exit(c.written ? !r.Ok() : !(r.result == KEYFILE_E_OPEN && r.systemError == EACCES));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name;
    if (std::string(c.planted) != "link" || !c.written) {
        EXPECT_EQ(Read(precious), Bytes { 'p' }) << c.name;
    }
    if (c.written) {
        EXPECT_EQ(Read(out), encodeImage(SampleTable())) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Planted, HostileFileTest,
    ::testing::Values(
        PlantedName { "another user's link in a sticky folder", 01777, 0, "link", ATTACKER, 0, false },
        PlantedName {
            "a link in a sticky folder of its owner's", 01777, ATTACKER, "link", ATTACKER, 0, false },
        PlantedName {
            "a user's link in the user's folder, for root", 0755, ATTACKER, "link", ATTACKER, 0, false },
        PlantedName {
            "another user's file in a sticky folder, for root", 01777, 0, "file", ATTACKER, 0, false },
        PlantedName {
            "another user's 0666 file in a sticky folder", 01777, 0, "file", ATTACKER, VICTIM, false },
        PlantedName { "a hard link to root's file in a sticky folder", 01777, 0, "hard link", 0, 0, true },
        PlantedName { "the writer's own link in a sticky folder", 01777, 0, "link", VICTIM, VICTIM, true },
        PlantedName {
            "the folder owner's link, for a user", 0755, ATTACKER, "link", ATTACKER, VICTIM, true }),
    [](const auto& test) {
        std::string name;
        for (const char* c = test.param.name; *c != '\0'; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(KeyFileName, DatExtension)
{
    EXPECT_EQ(withKeyFileExtension("keys"), "keys.dat");
    EXPECT_EQ(withKeyFileExtension("keys.dat"), "keys.dat");
    EXPECT_EQ(withKeyFileExtension("KEYS.DAT"), "KEYS.DAT");
    EXPECT_EQ(withKeyFileExtension("k.Dat"), "k.Dat");
    EXPECT_EQ(withKeyFileExtension("keys.data"), "keys.data.dat");
    EXPECT_EQ(withKeyFileExtension("dat"), "dat.dat");
}
