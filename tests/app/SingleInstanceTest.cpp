#include <app/SingleInstance.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace app;

namespace {

// A private runtime directory for the test's lock files.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lodemar-instance-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_hadRuntime = old != nullptr;
        if (old)
            m_oldRuntime = old;
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_oldRuntime.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(m_dir);
    }

    std::string m_dir;
    std::string m_oldRuntime;
    bool m_hadRuntime = false;
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
    EXPECT_EQ(CSingleInstance::LockPathOf("LODEMAR_TEST"), m_dir + "/LODEMAR_TEST.lock");
}

TEST_F(SingleInstanceTest, WithoutARuntimeDirectoryTheLockIsPerUserInTheTempFolder)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = temp && *temp ? temp : "/tmp";
    EXPECT_EQ(CSingleInstance::LockPathOf("TAVRIN_LODEMAR"),
        folder + "/TAVRIN_LODEMAR-" + std::to_string(::getuid()) + ".lock");
    ::setenv("XDG_RUNTIME_DIR", (m_dir + "/missing").c_str(), 1);
    EXPECT_EQ(CSingleInstance::LockPathOf("X").rfind(folder + "/X-", 0), 0u);
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

TEST_F(SingleInstanceTest, ALinkInPlaceOfTheLockFileIsNotFollowed)
{
    const std::string target = m_dir + "/target";
    ASSERT_EQ(::symlink(target.c_str(), (m_dir + "/LODEMAR_TEST.lock").c_str()), 0);
    CSingleInstance instance("LODEMAR_TEST");
    EXPECT_EQ(instance.Acquire(), InstanceState::Unavailable);
    EXPECT_FALSE(instance.IsHeld());
    EXPECT_FALSE(std::filesystem::exists(target));
}
