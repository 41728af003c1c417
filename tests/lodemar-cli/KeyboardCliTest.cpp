// lodemar-cli's keyboard commands against the real driver host and the
// emulated keyboard, each run in a process of its own.
#include "CliFixture.h"

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/WritePackets.h>

#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>

using namespace keydata;
using namespace clitest;

namespace {

const fs::path EXAMPLES = EXAMPLES_DIR;
const fs::path HOST = TAVRIN_HOST_PATH;
constexpr char WRITE_OK[] = "Data writed to keyboard successful!\n";
constexpr char WRITE_FAIL[] = "Data writed to keyboard fail,Please retry again!";
constexpr char READ_OK[] = "Read data from keyboard successful!\n";
constexpr char READ_FAIL[] = "Read data fail,Please read again!";

std::string lastLine(const std::string& text)
{
    const std::size_t start = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
    return text.substr(start == std::string::npos ? 0 : start + 1);
}

// The memory file's bytes and modification time: what a write would touch.
std::pair<Bytes, std::int64_t> memoryState(const fs::path& file)
{
    struct stat st { };
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return { readBytes(file), std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec };
}

// The bytes a write of the table sends, each answered by the keyboard.
std::size_t bytesWritten(const KeyTable& table)
{
    std::size_t total = headerPacket(table.systemConfig, table.mcrConfig).length + finishPacket().length;
    std::uint16_t address = DATA_AREA_BASE;
    WritePacket packet;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        EXPECT_EQ(keyPacket(table, n, address, packet), PACKET_OK);
        total += packet.length;
    }
    return total;
}

class KeyboardCliTest : public CCliFixture {
protected:
    void SetUp() override
    {
        CCliFixture::SetUp();
        useHost(HOST);
        m_memory = "--emulate=" + path("kb.bin");

        ASSERT_EQ(storeKey(m_small.RecordOfKeyNumber(0), KIND_STRING, Bytes { 'a', 'b' }), KEYTABLE_OK);
        ASSERT_EQ(
            storeKey(m_small.RecordOfKeyNumber(90), KIND_STRING, Bytes { 'l', 'a', 't', 'e' }), KEYTABLE_OK);
        ASSERT_TRUE(saveKeyFile(path("small.dat"), m_small).Ok());
    }

    // A folder whose "tavrin-emu" starts the real host with extra arguments;
    // the runs from now on take their host from there.
    std::string HostWith(const std::string& name, const std::string& extra)
    {
        fs::create_directory(m_dir / name);
        const fs::path wrapper = m_dir / name / "tavrin-emu";
        writeText(wrapper, "#!/bin/sh\nexec " + HOST.string() + " \"$@\" " + extra + "\n");
        fs::permissions(wrapper, fs::perms::owner_all);
        ::setenv("LODEMAR_DRIVER_DIR", path(name).c_str(), 1);
        return path(name);
    }

    // Waits until a run holds the keyboard of memoryFile and its host serves.
    bool WaitUntilServing(const CliChild& child)
    {
        for (int i = 0; i < 1000; ++i) {
            for (const auto& entry : fs::directory_iterator(m_dir / "run/lodemar", m_ignored))
                if (entry.path().extension() == ".sock")
                    return true;
            if (::waitpid(child.pid, nullptr, WNOHANG) != 0)
                return false;
            ::usleep(10000);
        }
        return false;
    }

    // Nothing registered or serving is left behind.
    void ExpectNothingLeft()
    {
        if (fs::exists(m_dir / "run/lodemar")) {
            EXPECT_TRUE(fs::is_empty(m_dir / "run/lodemar"));
        }
    }

    std::string m_memory;
    KeyTable m_small;
    std::error_code m_ignored;
};

TEST_F(KeyboardCliTest, WrittenLayoutReadsBackInANewProcess)
{
    const std::string layout = (EXAMPLES / "retail-pos.dat").string();
    CliRun run = cli({ m_memory, "write", layout });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, WRITE_OK);
    // Not a terminal: a plain progress line every 16 keys, the last key and
    // the read-back.
    EXPECT_EQ(lineCount(run.err), 10) << run.err;
    EXPECT_EQ(run.err.rfind("Programing... [1%] programing 0 key\n", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Programing... [13%] programing 16 key\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Programing... [99%] programing 127 key\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Programing... [100%] checking the keyboard\n"), std::string::npos) << run.err;
    ExpectNothingLeft();

    run = cli({ "read", "-o", path("back.dat"), m_memory });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, READ_OK);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(layout));
    ExpectNothingLeft();
}

// apply writes only when the keyboard does not hold the layout, and its
// last line (or its --json result) says which; --check never writes.
TEST_F(KeyboardCliTest, ApplyWritesOnlyWhatDiffers)
{
    ASSERT_EQ(cli({ m_memory, "write", path("small.dat") }).status, 0);
    KeyTable other = m_small;
    ASSERT_EQ(storeKey(other.RecordOfKeyNumber(90), KIND_STRING, Bytes { 'n', 'e', 'w' }), KEYTABLE_OK);
    ASSERT_TRUE(saveKeyFile(path("other.dat"), other).Ok());
    writeText(m_dir / "other.json", cli({ "export", path("other.dat") }).out);

    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* lastLine; // the first word of apply's last line
        bool written;
    } runs[] = {
        { { "apply", "--check", path("other.json") }, 3, "would change: ", false },
        { { "apply", "--check", "--json", path("other.json") }, 3, nullptr, false },
        { { "apply", path("other.json") }, 0, "changed: ", true },
        { { "apply", path("other.json") }, 0, "unchanged: ", false },
        { { "apply", "--json", path("other.dat") }, 0, nullptr, false },
        { { "apply", "--check", path("other.dat") }, 0, "unchanged: ", false },
    };
    for (const auto& run : runs) {
        std::vector<std::string> arguments = run.arguments;
        arguments.push_back(m_memory);
        const auto before = memoryState(path("kb.bin"));
        const CliRun done = cli(arguments);
        SCOPED_TRACE(arguments[1] + " " + arguments[2]);
        EXPECT_EQ(done.status, run.status) << done.err;
        EXPECT_EQ(memoryState(path("kb.bin")) != before, run.written);
        if (run.lastLine != nullptr) {
            EXPECT_EQ(lastLine(done.out).rfind(run.lastLine, 0), 0u) << done.out;
            continue;
        }
        const auto result = nlohmann::json::parse(done.out);
        EXPECT_EQ(result.at("changed"), run.status != 0);
        EXPECT_EQ(result.at("written"), false);
        EXPECT_EQ(done.err, ""); // no status chatter with --json
        if (run.status != 0) {
            // Exactly the key that differs, by caption and key number, with both contents.
            ASSERT_EQ(result.at("differences").at("keys").size(), 1u) << done.out;
            const auto& key = result["differences"]["keys"][0];
            EXPECT_EQ(key.at("name"), "key 58 (key number 90)");
            EXPECT_EQ(key.at("from").at("text"), "late");
            EXPECT_EQ(key.at("to").at("text"), "new");
        }
    }
    ASSERT_EQ(cli({ "read", "-o", path("back.dat"), m_memory }).status, 0);
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(path("other.dat")));
}

// --json: one object per run on standard output, its failure included.
TEST_F(KeyboardCliTest, JsonResultsOfEveryCommandThatHasOne)
{
    ASSERT_EQ(cli({ m_memory, "write", path("small.dat") }).status, 0);
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* field; // a field the result holds
        nlohmann::json value;
        bool silent = false; // the keyboard answers nothing
    } runs[] = {
        { { "show", "--json", path("small.dat") }, 0, "length", readBytes(path("small.dat")).size() },
        { { "diff", "--json", path("small.dat"), path("small.dat") }, 0, "equal", true },
        { { "diff", "--json", "--keyboard", path("small.dat"), m_memory }, 0, "equal", true },
        { { "verify", "--json", path("small.dat"), m_memory }, 0, "matches", true },
        { { "probe", "--json", m_memory }, 0, "answer", "FA AB 83" },
        { { "apply", "--json", path("small.dat"), m_memory }, 0, "changed", false },
        { { "apply", "--json", path("small.dat"), m_memory }, 1, "failure",
            { { "text", READ_FAIL }, { "reason", "the keyboard refused the read command" } }, true },
        { { "show", "--json", path("missing.dat") }, 1, "ok", false },
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.arguments[0]);
        ::setenv("LODEMAR_DRIVER_DIR",
            run.silent ? HostWith("silent", "--fault silent").c_str() : HOST.parent_path().c_str(), 1);
        const CliRun done = cli(run.arguments);
        EXPECT_EQ(done.status, run.status) << done.err;
        ASSERT_EQ(lineCount(done.out), 1) << done.out;
        const auto result = nlohmann::json::parse(done.out);
        EXPECT_EQ(result.at("format"), "lodemar-cli-result");
        EXPECT_EQ(result.at("command"), run.arguments[0]);
        EXPECT_EQ(result.at("ok"), run.status == 0);
        EXPECT_EQ(result.at(run.field), run.value) << done.out;
    }
}

TEST_F(KeyboardCliTest, VerifyComparesWithoutWriting)
{
    ASSERT_EQ(cli({ m_memory, "write", path("small.dat") }).status, 0);
    const Bytes memory = readBytes(path("kb.bin"));
    CliRun run = cli({ "verify", path("small.dat"), m_memory });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "The keyboard holds the key table of " + path("small.dat") + ".\n");
    EXPECT_EQ(run.err, READ_OK); // status, not the result
    // A layout in JSON is as good as its .dat file.
    writeText(m_dir / "small.json", cli({ "export", path("small.dat") }).out);
    EXPECT_EQ(cli({ "verify", path("small.json"), m_memory }).status, 0);

    // Another file: the keys that differ, by grid caption; the keyboard
    // keeps what it held.
    KeyTable other = m_small;
    ASSERT_EQ(storeKey(other.RecordOfKeyNumber(90), KIND_STRING, Bytes { 'n', 'e', 'w' }), KEYTABLE_OK);
    ASSERT_TRUE(saveKeyFile(path("other.dat"), other).Ok());
    run = cli({ "verify", path("other.dat"), m_memory });
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.out.find("1 of 128 key numbers and 0 settings bytes differ"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  58   key number  90 (3,0)    file: string new; keyboard: string late\n"),
        std::string::npos)
        << run.out;
    // diff with the keyboard as its first layout: the same key, both texts.
    run = cli({ "diff", "--keyboard", path("other.dat"), m_memory });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("--- the keyboard\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("key 58 (key number 90)\n  - string late\n  + string new\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(cli({ "diff", "--keyboard", path("small.dat"), m_memory }).status, 0);
    EXPECT_EQ(readBytes(path("kb.bin")), memory);
    ExpectNothingLeft();
}

// A keyboard that answers every byte with "resend" takes nothing: the write
// fails at its first packet and the keyboard keeps what it held.
TEST_F(KeyboardCliTest, RefusedBytesFailTheWrite)
{
    ASSERT_EQ(cli({ m_memory, "write", path("small.dat") }).status, 0);
    const Bytes memory = readBytes(path("kb.bin"));
    const std::string folder = HostWith("refusing", "--fault refuse");
    const CliRun run = cli({ "write", (EXAMPLES / "retail-pos.dat").string(), m_memory }, {}, folder);
    expectFailure(run, 1, std::string(WRITE_FAIL) + " (the header packet");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readBytes(path("kb.bin")), memory);
}

// A keyboard that stalls in its read-out: the driver closes the block, and
// the part that came must not pass for the keyboard's table.
TEST_F(KeyboardCliTest, AReadThatBreaksOffIsAFailedRead)
{
    const std::size_t written = bytesWritten(m_small);
    // During the read-back of a write: every packet went out, the check failed.
    std::string folder = HostWith("stall-check", "--fault stall=" + std::to_string(written + 2 + 100));
    CliRun run = cli({ "write", path("small.dat"), m_memory }, {}, folder);
    EXPECT_EQ(run.status, 1);
    const std::string last = run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1);
    EXPECT_EQ(last.rfind(std::string("lodemar-cli: ") + WRITE_FAIL
                      + " (every packet was sent, but the read-back "
                        "failed: the keyboard's data broke off",
                  0),
        0u)
        << run.err;
    // --no-verify leaves the read-back out.
    run = cli({ "write", "--no-verify", path("small.dat"), m_memory }, {}, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, WRITE_OK);

    // Reads: part-way, and right after the two acknowledgements.
    const std::string out = path("out.dat");
    ASSERT_TRUE(saveKeyFile(out, KeyTable {}).Ok());
    for (const std::size_t stall : { 2 + 100, 2 }) {
        folder = HostWith("stall-read-" + std::to_string(stall), "--fault stall=" + std::to_string(stall));
        run = cli({ "read", "-o", out, m_memory }, {}, folder);
        expectFailure(run, 1, READ_FAIL);
        EXPECT_NE(run.err.find(stall == 2 ? "sent no data" : "broke off"), std::string::npos) << run.err;
        EXPECT_EQ(readBytes(out), encodeImage(KeyTable {})) << stall;
    }
    ExpectNothingLeft();
}

TEST_F(KeyboardCliTest, SilentKeyboardFailsWriteAndRead)
{
    HostWith("silent", "--fault silent");
    CliRun run = cli({ "write", path("small.dat"), m_memory });
    expectFailure(run, 1, WRITE_FAIL);
    EXPECT_NE(run.err.find("the header packet"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    run = cli({ "read", "-o", path("out.dat"), m_memory });
    expectFailure(run, 1, READ_FAIL);
    EXPECT_NE(run.err.find("refused the read command"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(path("out.dat")));
    ExpectNothingLeft();
}

TEST_F(KeyboardCliTest, ProbeReportsWhetherAndWhatTheKeyboardAnswers)
{
    CliRun run = cli({ "probe", m_memory });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "keyboard answers: FA AB 83 (PS/2 keyboard, untranslated)\n");
    EXPECT_EQ(run.err, "");
    ExpectNothingLeft();

    const std::pair<const char*, const char*> faulty[] = {
        { "silent", "no keyboard answers: nothing came back to the identify command" },
        { "refuse", "the keyboard answered FE and did not acknowledge the identify command" },
    };
    for (const auto& [fault, message] : faulty) {
        run = cli({ m_memory, "probe" }, {}, HostWith(fault, std::string("--fault ") + fault));
        expectFailure(run, 1, message);
        EXPECT_EQ(run.out, "");
    }
    expectFailure(cli({ "probe", "now", m_memory }), 2, "probe: wrong arguments");
    ExpectNothingLeft();
}

TEST_F(KeyboardCliTest, NothingIsStartedForATableTheKeyboardCannotHoldOrWithoutAHost)
{
    KeyTable big;
    for (int n = 0; n < 15; ++n)
        ASSERT_EQ(storeKey(big.RecordOfKeyNumber(n), KIND_STRING, Bytes(255, 'x')), KEYTABLE_OK);
    ASSERT_TRUE(saveKeyFile(path("big.dat"), big).Ok());
    expectFailure(cli({ "write", path("big.dat"), m_memory }), 1, "cannot be written to the keyboard");
    expectFailure(cli({ "verify", path("big.dat"), m_memory }), 1, "more than the keyboard's data area");
    expectFailure(cli({ "write", "--no-verify", "-n", path("big.dat") }), 2, "unknown option '-n'");
    EXPECT_FALSE(fs::exists(m_dir / "run"));
    EXPECT_FALSE(fs::exists(path("kb.bin")));

    fs::create_directory(m_dir / "empty");
    ::setenv("LODEMAR_DRIVER_DIR", path("empty").c_str(), 1);
    const CliRun run = cli({ "write", path("small.dat"), m_memory }, {}, path("empty"));
    expectFailure(run, 1, "Can't not load kernel program!!! (the driver host 'tavrin-emu' is not in");
    EXPECT_NE(run.err.find(path("empty")), std::string::npos);
}

// A program named tavrin in the current folder (or, for the real keyboard,
// in LODEMAR_DRIVER_DIR) is never run, whoever runs lodemar-cli.
TEST_F(KeyboardCliTest, APlantedHostIsNeverRun)
{
    const fs::path planted = m_dir / "planted";
    fs::create_directory(planted);
    for (const char* host : { "tavrin", "tavrin-emu" }) {
        writeText(planted / host, "#!/bin/sh\ntouch " + (planted / "ran").string() + "\n");
        fs::permissions(planted / host, fs::perms::all);
    }
    fs::permissions(planted, fs::perms::all); // the mark can be made whoever runs it

    const bool root = ::geteuid() == 0;
    for (const bool other : { false, true }) {
        if (other && !root)
            continue; // only root can become another user
        SCOPED_TRACE(other ? "as another user" : "as the caller");
        if (other) {
            // That user's own folders.
            for (const char* folder : { "other-run", "other-state" }) {
                fs::create_directory(m_dir / folder);
                ASSERT_EQ(::chown(path(folder).c_str(), OTHER_USER, OTHER_USER), 0);
            }
            ::setenv("XDG_RUNTIME_DIR", path("other-run").c_str(), 1);
            ::setenv("XDG_STATE_HOME", path("other-state").c_str(), 1);
            fs::copy_file(path("small.dat"), path("other-state/small.dat"));
        }
        const std::string table = other ? path("other-state/small.dat") : path("small.dat");
        const std::string memory = "--emulate=" + (other ? path("other-state/kb.bin") : path("kb.bin"));

        ::setenv("LODEMAR_DRIVER_DIR", HOST.parent_path().c_str(), 1);
        CliRun run = cliFinish(cliStart({ memory, "write", table }, {}, planted, other));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, WRITE_OK);

        ::setenv("LODEMAR_DRIVER_DIR", planted.c_str(), 1);
        run = cliFinish(cliStart({ "write", table }, {}, planted, other));
        expectFailure(
            run, 1, "Can't not load kernel program!!! (the driver host 'tavrin' is not installed in");
        EXPECT_FALSE(fs::exists(planted / "ran"));
    }
}

TEST_F(KeyboardCliTest, TwoOverlappingRunsOnOneKeyboardEndTruthfully)
{
    const std::string layout = (EXAMPLES / "retail-pos.dat").string();
    const CliChild first = cliStart({ m_memory, "write", layout });
    ASSERT_TRUE(WaitUntilServing(first));

    // The second is refused before it sends anything, and names the first.
    const CliRun second = cli({ "write", path("small.dat"), m_memory });
    EXPECT_EQ(::waitpid(first.pid, nullptr, WNOHANG), 0) << "the first run ended too early to overlap";
    expectFailure(second, 1,
        "Can't not load kernel program!!! (the keyboard is in use by process " + std::to_string(first.pid)
            + " (lodemar-cli); nothing was sent");
    EXPECT_EQ(second.out, "");

    // The first went on undisturbed, and stopped its own host.
    const CliRun done = cliFinish(first);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.out, WRITE_OK);
    ExpectNothingLeft();
    ASSERT_EQ(cli({ "read", "-o", path("back.dat"), m_memory }).status, 0);
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(layout));
}

TEST_F(KeyboardCliTest, RunsOnTwoEmulatedKeyboardsGoOnAtTheSameTime)
{
    const CliChild first = cliStart({ m_memory, "write", (EXAMPLES / "retail-pos.dat").string() });
    ASSERT_TRUE(WaitUntilServing(first));
    const CliRun second = cli({ "write", path("small.dat"), "--emulate=" + path("other.bin") });
    EXPECT_EQ(second.status, 0) << second.err;
    const CliRun done = cliFinish(first);
    EXPECT_EQ(done.status, 0) << done.err;
    ExpectNothingLeft();
}

TEST_F(KeyboardCliTest, AKilledRunLeavesTheKeyboardFreeForTheNext)
{
    HostWith("recorded", "");
    writeText(path("recorded/tavrin-emu"),
        "#!/bin/sh\necho $$ > " + path("host.pid") + "\nexec " + HOST.string() + " \"$@\"\n");
    const CliChild killed = cliStart({ m_memory, "write", (EXAMPLES / "retail-pos.dat").string() });
    ASSERT_TRUE(WaitUntilServing(killed));
    ::kill(killed.pid, SIGKILL);
    cliFinish(killed);
    // Its host ends with it.
    const pid_t killedHost = std::atoi(readText(path("host.pid")).c_str());
    ASSERT_GT(killedHost, 0);
    EXPECT_TRUE(processEnds(killedHost));

    // The next run starts a host of its own.
    const CliRun next = cli({ "read", "-o", path("back.dat"), m_memory });
    EXPECT_EQ(next.status, 0) << next.err;
    const pid_t nextHost = std::atoi(readText(path("host.pid")).c_str());
    EXPECT_NE(nextHost, killedHost);
    EXPECT_TRUE(processEnds(nextHost));
}

TEST_F(KeyboardCliTest, CommandLineAndTheDefaultMemoryFile)
{
    const CliRun help = cli({ "--help" });
    for (const char* text : { "read -o FILE.dat", "write LAYOUT", "verify LAYOUT",
             "probe [--json] [--emulate", "apply LAYOUT [--check]", "--emulate[=MEMFILE]", "REAL keyboard",
             "pkexec", "LODEMAR_DRIVER_DIR" })
        EXPECT_NE(help.out.find(text), std::string::npos) << text;

    expectFailure(cli({ "write" }), 2, "write: wrong arguments");
    expectFailure(cli({ "write", "a.dat", "b.dat" }), 2, "write: wrong arguments");
    expectFailure(cli({ "read", m_memory }), 2, "-o FILE.dat");
    expectFailure(cli({ "verify", "a.dat", "-x" }), 2, "unknown option '-x'");
    expectFailure(cli({ "--emulate=", "write", "a.dat" }), 2, "--emulate= needs a file name");
    expectFailure(cli({ "--emulate", "show", "a.dat" }), 2, "show: wrong arguments");
    expectFailure(cli({ "--emulate" }), 2, "no command");

    // Alone, --emulate means the default memory file, made on demand; a
    // never-programmed keyboard reads as a fresh table.
    const CliRun run = cli({ "--emulate", "read", "-o", path("fresh.dat") });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(m_dir / "state/lodemar/emulated-keyboard.bin"), 4096u);
    EXPECT_EQ(readBytes(path("fresh.dat")), encodeImage(KeyTable {}));
}

} // namespace
