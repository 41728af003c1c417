#include <app/CSingleInstance.h>

#include <gtest/gtest.h>

#include <poll.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace app;

namespace {

// Sets an environment variable for one test.
class CScopedVariable {
public:
    explicit CScopedVariable(const char* name)
        : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
    }
    ~CScopedVariable()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

// A private runtime directory for the test's lock files.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lodemar-instance-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string m_dir;
    CScopedVariable m_runtime { "XDG_RUNTIME_DIR" };
    CScopedVariable m_temporary { "TMPDIR" };
    CScopedVariable m_home { "HOME" };
};

} // namespace

TEST_F(SingleInstanceTest, OneHolderAtATimeUntilReleased)
{
    CSingleInstance first("LODEMAR_TEST");
    CSingleInstance second("LODEMAR_TEST");
    ASSERT_EQ(first.Acquire(), InstanceState::Acquired);
    EXPECT_TRUE(first.IsHeld());
    EXPECT_EQ(first.Acquire(), InstanceState::Acquired); // already held: unchanged
    EXPECT_EQ(second.Acquire(), InstanceState::AlreadyRunning);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_EQ(CSingleInstance("LODEMAR_OTHER").Acquire(), InstanceState::Acquired);

    first.Release();
    EXPECT_EQ(second.Acquire(), InstanceState::Acquired);
    EXPECT_EQ(CSingleInstance::LockPathOf("LODEMAR_TEST"), m_dir + "/lodemar/LODEMAR_TEST.lock");
}

// Without a runtime directory of the user's own: never a name in a shared
// folder that another user could make first (and so keep the program out),
// but a folder under the user's home, or root's own under /run; a user's
// runtime directory in root's environment (sudo -E) is not root's.
TEST_F(SingleInstanceTest, WithoutARuntimeDirectoryTheLockIsNeverInASharedFolder)
{
    constexpr uid_t VICTIM = 65533;
    constexpr uid_t ATTACKER = 65534;
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", m_dir.c_str(), 1);
    ::chmod(m_dir.c_str(), 01777);
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? VICTIM : ::geteuid();
    const std::string home = m_dir + "/home";
    std::filesystem::create_directory(home);
    if (root) {
        EXPECT_EQ(CSingleInstance::LockPathOf("X"), "/run/lodemar-root/X.lock");
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ASSERT_EQ(::chown(home.c_str(), VICTIM, VICTIM), 0);
        EXPECT_EQ(CSingleInstance::LockPathOf("X"), "/run/lodemar-root/X.lock");
        ::unsetenv("XDG_RUNTIME_DIR");
        // What another user could make first in the shared folder.
        for (const uid_t uid : { VICTIM, ATTACKER }) {
            const std::string taken = m_dir + "/lodemar-" + std::to_string(uid);
            std::filesystem::create_directory(taken);
            ASSERT_EQ(::chown(taken.c_str(), ATTACKER, ATTACKER), 0);
        }
    }
    ::setenv("HOME", home.c_str(), 1);
    const pid_t child = ::fork();
    if (child == 0) {
        if (root && (::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0))
            ::_exit(10);
        CSingleInstance instance("X");
        const std::string folder = home + "/.cache/lodemar/run";
        struct stat st { };
        ::_exit(instance.Acquire() != InstanceState::Acquired                     ? 1
                : CSingleInstance::LockPathOf("X") != folder + "/X.lock"          ? 2
                : ::stat(folder.c_str(), &st) != 0 || (st.st_mode & 0777) != 0700 ? 3
                                                                                  : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The program starts the driver host as a child: the lock must not live on
// in it after the program has ended.
TEST_F(SingleInstanceTest, ChildProcessesDoNotKeepTheLock)
{
    CSingleInstance first("LODEMAR_TEST");
    ASSERT_EQ(first.Acquire(), InstanceState::Acquired);
    pid_t child = 0;
    char sleepPath[] = "/bin/sleep";
    char seconds[] = "60";
    char* argv[] = { sleepPath, seconds, nullptr };
    ASSERT_EQ(::posix_spawn(&child, sleepPath, nullptr, nullptr, argv, environ), 0);
    first.Release();

    CSingleInstance next("LODEMAR_TEST");
    EXPECT_EQ(next.Acquire(), InstanceState::Acquired);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST_F(SingleInstanceTest, ALockFileThatIsALinkOrAnotherUsersIsRefused)
{
    const std::string lock = CSingleInstance::LockPathOf("LODEMAR_TEST");
    const std::string target = m_dir + "/target";
    ASSERT_EQ(::symlink(target.c_str(), lock.c_str()), 0);
    CSingleInstance instance("LODEMAR_TEST");
    EXPECT_EQ(instance.Acquire(), InstanceState::Refused);
    EXPECT_EQ(instance.RefusedPath(), lock);
    EXPECT_FALSE(instance.IsHeld());
    EXPECT_FALSE(std::filesystem::exists(target));

    if (::geteuid() != 0)
        return; // only root can give a file away
    std::filesystem::remove(lock);
    std::ofstream(lock) << "";
    ASSERT_EQ(::chown(lock.c_str(), 65534, 65534), 0);
    EXPECT_EQ(instance.Acquire(), InstanceState::Refused);
}

TEST_F(SingleInstanceTest, ALaterCopyAsksTheFirstToShowItsWindow)
{
    CSingleInstance first("LODEMAR_TEST");
    CSingleInstance later("LODEMAR_TEST");
    ASSERT_EQ(first.Acquire(), InstanceState::Acquired);
    ASSERT_EQ(later.Acquire(), InstanceState::AlreadyRunning);
    // Not listening (yet): the later copy gives up after its time.
    EXPECT_FALSE(later.AskRunningCopyToShow(200));

    const int listener = first.Listen();
    ASSERT_GE(listener, 0);
    bool answered = false;
    std::thread asking([&] { answered = later.AskRunningCopyToShow(10000); });
    pollfd waiting { listener, POLLIN, 0 };
    ASSERT_EQ(::poll(&waiting, 1, 10000), 1);
    EXPECT_TRUE(first.TakeShowRequest());
    asking.join();
    EXPECT_TRUE(answered);

    // Gone with the first copy.
    first.Release();
    EXPECT_FALSE(std::filesystem::exists(CSingleInstance::ServerPathOf("LODEMAR_TEST")));
}
