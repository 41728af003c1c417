// The host as a hostile user meets it when it runs with more rights than its
// caller. These run a copy of the host whose fixed folders (runtime folder,
// sysfs, /dev) lie in the build tree, so the program's own folder stays
// fixed and the real one is never touched. They need root and skip without.
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>

#include <tavrin/TavrinHolder.h>

#include "../emulator-keyboard/TablePackets.h"
#include "CFakeSerio.h"
#include "HostProcessFixture.h"

#include <lodemar/ExitCodes.h>

using namespace tavrin;
using Bytes = std::vector<std::uint8_t>;

namespace {

namespace fs = std::filesystem;

constexpr int WAIT_MS = 10000;
constexpr uid_t CALLER = 65534;
constexpr uid_t OTHER = 65533;
constexpr uid_t SERVING = TAVRIN_SERVING_UID;
const std::string ROOT = TAVRIN_PRIVILEGED_ROOT;
const std::string RUN = ROOT + "/run";
const std::string SOCKET = RUN + "/tavrin.sock";

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Runs what in a child acting as uid; its exit status is the result.
template <typename What> int asUser(uid_t uid, What what)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0
            || ::setresuid(uid, uid, uid) != 0)
            ::_exit(100);
        ::_exit(what());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}

std::string statusLine(pid_t pid, const std::string& key)
{
    std::istringstream in(fileText("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ":", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

} // namespace

class PrivilegedHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root: runs the host privileged and acts as other users";
        // Tests share the copy's fixed folders: one at a time.
        fs::create_directories(ROOT);
        m_lock = ::open((ROOT + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(m_lock, LOCK_EX), 0);
        fs::remove_all(RUN);
        ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0755), 0);
    }
    void TearDown() override
    {
        if (m_lock >= 0)
            ::close(m_lock);
    }

    std::unique_ptr<CHostProcess> Start(std::vector<std::string> args = { "--hardware" },
        std::vector<std::string> env = { "PKEXEC_UID=65534" })
    {
        return std::make_unique<CHostProcess>(args, m_dir / "stderr.txt", env, TAVRIN_PRIVILEGED_HOST_PATH);
    }

    CTempFolder m_dir;
    int m_lock = -1;
};

TEST_F(PrivilegedHostTest, AnythingButTheRealKeyboardIsRefusedBeforeAnythingIsTouched)
{
    const std::string planted = m_dir / "planted";
    const std::vector<std::vector<std::string>> lines = {
        { "--socket", m_dir / "s", "--emulate", planted },
        { "--hardware", "--fault", "silent" },
        { "--hardware", "--socket", m_dir / "s" },
        { "--hardware", "--allow-uid", "0" },
        { "--hardware", "--test-sysfs-root", m_dir.Path() },
        { "--hardware", "--test-idle-ms", "10" },
        { "--hardware", "--test-release-ms", "600000" },
    };
    for (const auto& line : lines) {
        auto host = Start(line);
        EXPECT_EQ(host->Wait(), lodemar::EXIT_USAGE) << line[1];
        EXPECT_NE(host->ErrorText().find("only the real keyboard"), std::string::npos) << host->ErrorText();
    }
    // Installed set-user-id, any user could name any caller (and, being its
    // real user, signal it): such a copy refuses to run at all.
    const std::string setUid = m_dir / "tavrin";
    fs::copy_file(TAVRIN_PRIVILEGED_HOST_PATH, setUid);
    ASSERT_EQ(::chmod(setUid.c_str(), 04755), 0);
    const int status = asUser(CALLER, [&] {
        const char* argv[] = { "tavrin", "--hardware", nullptr };
        const char* env[] = { "PKEXEC_UID=0", nullptr };
        ::execve(setUid.c_str(), const_cast<char* const*>(argv), const_cast<char* const*>(env));
        return 127;
    });
    EXPECT_EQ(status, lodemar::EXIT_USAGE);
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_FALSE(fs::exists(m_dir / "s"));
    EXPECT_FALSE(fs::exists(RUN));
}

TEST_F(PrivilegedHostTest, ServesItsCallerAloneFromAProcessWithoutRights)
{
    CFakeSerio fake(ROOT + "/kernel");
    for (int run = 0; run < 2; ++run) { // the second finds the folder as the first left it
        auto host = Start();
        ASSERT_EQ(waitForHost(SOCKET, WAIT_MS), CLIENT_OK) << host->ErrorText();
        struct stat st;
        ASSERT_EQ(::stat(RUN.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u);
        EXPECT_EQ(st.st_mode & 07777, 0755u);
        ASSERT_EQ(::lstat(SOCKET.c_str(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        EXPECT_EQ(st.st_uid, CALLER);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        // Who holds the keyboard, published by the holder; the lock itself is
        // root's alone.
        const std::optional<HostHolder> holder = parseHolder(fileText(RUN + "/tavrin.holder"));
        ASSERT_TRUE(holder.has_value());
        EXPECT_EQ(holder->hostPid, host->Pid());
        EXPECT_EQ(holder->callerPid, ::getpid());
        EXPECT_EQ(holder->callerUid, CALLER);
        EXPECT_TRUE(holderAlive(*holder));
        ASSERT_EQ(::stat((RUN + "/tavrin.lock").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);

        // The process the caller talks to runs as the suite's own user with
        // no rights and a system call filter; the one that keeps root only
        // takes and gives back the port. Neither the caller nor anyone else
        // can signal it.
        const pid_t serving = host->ServingPid();
        const std::string ids = "\t" + std::to_string(SERVING);
        EXPECT_EQ(statusLine(serving, "Uid"), ids + ids + ids + ids);
        EXPECT_EQ(statusLine(serving, "Gid"), ids + ids + ids + ids);
        EXPECT_EQ(statusLine(serving, "NoNewPrivs"), "\t1");
        for (const char* set : { "CapEff", "CapPrm", "CapInh", "CapBnd", "CapAmb" })
            EXPECT_EQ(statusLine(serving, set), "\t0000000000000000") << set;
        EXPECT_EQ(statusLine(serving, "Seccomp"), "\t2");
        EXPECT_EQ(statusLine(serving, "Groups").find_first_not_of("\t "), std::string::npos);
        EXPECT_EQ(statusLine(host->Pid(), "Uid"), "\t0\t0\t0\t0");
        for (const uid_t user : { CALLER, OTHER })
            EXPECT_EQ(
                asUser(user, [&] { return ::kill(serving, SIGSTOP) == 0 ? 1
                                       : errno == EPERM                 ? 0
                                                                        : 2; }), 0)
                << user;
        EXPECT_EQ(fake.Driver(), "atkbd");

        // The caller writes and reads the keyboard; another user cannot connect.
        const int written = asUser(CALLER, [] {
            CTavrinClient client;
            ExchangeResult r;
            const Bytes header = testing_tables::headerPacket(0x05, 0x0E);
            const std::uint8_t read = 0xE9;
            Bytes block(10240);
            if (client.Connect(SOCKET, WAIT_MS) != CLIENT_OK
                || client.Exchange(IOCTL_SEND_BYTES, header.data(), static_cast<std::uint32_t>(header.size()),
                       nullptr, 0, r, WAIT_MS)
                    != CLIENT_OK
                || r.information != 0
                || client.Exchange(IOCTL_READ_DATA, &read, 1, block.data(), 10240, r, WAIT_MS) != CLIENT_OK)
                return 1;
            return r.information == 516 && block[1] == 0x05 && block[2] == 0x0E ? 0 : 2;
        });
        EXPECT_EQ(written, 0) << "dropped " << fake.Dropped();
        EXPECT_EQ(asUser(65533, [] { return -probeHost(SOCKET, WAIT_MS); }), -CLIENT_E_CONNECT);

        EXPECT_EQ(asUser(CALLER, [] { return -stopHost(SOCKET, WAIT_MS); }), 0);
        EXPECT_EQ(host->Wait(), 0) << host->ErrorText();
        // Given back by the monitor, the socket removed from root's folder.
        EXPECT_TRUE(fake.WaitForDriver("atkbd"));
        EXPECT_EQ(fileText(RUN + "/tavrin.serio"), "");
        EXPECT_FALSE(fs::exists(SOCKET));
    }
    EXPECT_EQ(fake.Commands(), (std::vector<std::string> { "serio_raw", "atkbd", "serio_raw", "atkbd" }));
}

TEST_F(PrivilegedHostTest, PlantedFolderAndFilesAreNeverFollowed)
{
    const std::string victim = m_dir / "victim";
    auto plant = [&](const std::string& what) {
        fs::remove_all(RUN);
        std::ofstream(victim) << "precious";
        ASSERT_EQ(::chown(victim.c_str(), CALLER, CALLER), 0);
        if (what == "folder link") {
            fs::create_directory_symlink(m_dir.Path(), RUN);
            return;
        }
        fs::create_directory(RUN);
        if (what == "folder of another user")
            ASSERT_EQ(::chown(RUN.c_str(), CALLER, CALLER), 0);
        else if (what == "lock link")
            fs::create_symlink(victim, RUN + "/tavrin.lock");
        else if (what == "socket link")
            fs::create_symlink(victim, SOCKET);
        else if (what == "holder link")
            fs::create_symlink(victim, RUN + "/tavrin.holder");
        else if (what == "record link")
            fs::create_hard_link(victim, RUN + "/tavrin.serio");
    };
    const std::pair<std::string, std::string> cases[] = {
        { "folder link", "refused: not a root-owned folder" },
        { "folder of another user", "refused: not a root-owned folder" },
        { "lock link", "refused: a link, or not a file" },
        { "socket link", "is not a socket, not replacing it" },
        { "holder link", "refused: a link, or not a file of the host's own" },
        { "record link", "refused: a link, or not a file of the host's own" },
    };
    for (const auto& [what, message] : cases) {
        CFakeSerio fake(ROOT + "/kernel");
        plant(what);
        auto host = Start();
        EXPECT_EQ(host->Wait(), lodemar::EXIT_CANNOT_OPEN) << what << ": " << host->ErrorText();
        EXPECT_NE(host->ErrorText().find(message), std::string::npos) << what << ": " << host->ErrorText();
        EXPECT_EQ(fileText(victim), "precious") << what;
        struct stat st;
        ASSERT_EQ(::stat(victim.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, CALLER) << what;
        EXPECT_EQ(st.st_mode & 07777, 0644u) << what;
        EXPECT_FALSE(fs::exists(m_dir / "tavrin.sock")) << what;
        EXPECT_EQ(fake.Driver(), "atkbd") << what;
    }
    fs::remove_all(RUN);
}

// The lock that decides is root's alone: no user can hold it to keep every
// later host out and make it blame someone else.
TEST_F(PrivilegedHostTest, NoUserCanHoldTheLockThatDecides)
{
    CFakeSerio fake(ROOT + "/kernel");
    {
        auto host = Start(); // leaves the folder and its files behind
        ASSERT_EQ(waitForHost(SOCKET, WAIT_MS), CLIENT_OK) << host->ErrorText();
        EXPECT_EQ(asUser(CALLER, [] { return -stopHost(SOCKET, WAIT_MS); }), 0);
        EXPECT_EQ(host->Wait(), 0);
    }
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t squatter = ::fork();
    if (squatter == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(OTHER, OTHER, OTHER) != 0
            || ::setresuid(OTHER, OTHER, OTHER) != 0)
            ::_exit(1);
        const int fd = ::open((RUN + "/tavrin.lock").c_str(), O_RDONLY);
        const bool held = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
        (void)!::write(ready[1], held ? "h" : "-", 1);
        ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, '-');
    auto host = Start();
    EXPECT_EQ(waitForHost(SOCKET, WAIT_MS), CLIENT_OK) << host->ErrorText();
    EXPECT_EQ(asUser(CALLER, [] { return -stopHost(SOCKET, WAIT_MS); }), 0);
    EXPECT_EQ(host->Wait(), 0) << host->ErrorText();
    ::kill(squatter, SIGKILL);
    ::waitpid(squatter, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

// Inherited from its caller: an ignored SIGCHLD (children reaped unseen) and
// blocked signals. A clean stop still ends cleanly, not as "serving process
// lost".
TEST_F(PrivilegedHostTest, InheritedSignalStateIsNotTrusted)
{
    CFakeSerio fake(ROOT + "/kernel");
    auto host = std::make_unique<CHostProcess>(
        std::vector<std::string> {
            "--ignore-signal=CHLD", "--block-signal=TERM", TAVRIN_PRIVILEGED_HOST_PATH, "--hardware" },
        m_dir / "stderr.txt", std::vector<std::string> { "PKEXEC_UID=65534" }, "/usr/bin/env");
    ASSERT_EQ(waitForHost(SOCKET, WAIT_MS), CLIENT_OK) << host->ErrorText();
    EXPECT_EQ(asUser(CALLER, [] { return -stopHost(SOCKET, WAIT_MS); }), 0);
    EXPECT_EQ(host->Wait(), 0) << host->ErrorText();
}

TEST_F(PrivilegedHostTest, SecondHostNamesWhoHoldsTheKeyboard)
{
    CFakeSerio fake(ROOT + "/kernel");
    auto first = Start();
    ASSERT_EQ(waitForHost(SOCKET, WAIT_MS), CLIENT_OK) << first->ErrorText();
    auto second = Start();
    EXPECT_EQ(second->Wait(), lodemar::EXIT_IN_USE);
    EXPECT_NE(second->ErrorText().find("in use by process " + std::to_string(::getpid()) + " (uid 65534)"),
        std::string::npos)
        << second->ErrorText();
    EXPECT_EQ(asUser(CALLER, [] { return -stopHost(SOCKET, WAIT_MS); }), 0);
    EXPECT_EQ(first->Wait(), 0);
}
