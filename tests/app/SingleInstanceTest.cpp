#include <app/SingleInstance.h>

#include <gtest/gtest.h>

#include <poll.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Without a runtime directory: a folder of the user's own in the shared
// temporary folder, never one another user made first.
TEST_F(SingleInstanceTest, WithoutARuntimeDirectoryTheLockIsInAPrivateFolder)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", m_dir.c_str(), 1);
    const std::string folder = m_dir + "/lodemar-" + std::to_string(::getuid());
    CSingleInstance instance("X");
    ASSERT_EQ(instance.Acquire(), InstanceState::Acquired);
    EXPECT_EQ(CSingleInstance::LockPathOf("X"), folder + "/X.lock");
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_all);
    instance.Release();

    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(m_dir + "/elsewhere");
    ASSERT_EQ(::symlink((m_dir + "/elsewhere").c_str(), folder.c_str()), 0);
    EXPECT_EQ(instance.Acquire(), InstanceState::Refused);
    EXPECT_EQ(instance.RefusedPath(), folder);
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
