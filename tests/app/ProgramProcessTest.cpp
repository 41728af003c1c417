// The program itself, run as separate processes: one copy at a time, the
// driver host found from the build tree, a clean end on request.
#include <app/MainDialogIds.h>
#include <app/SingleInstance.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

using namespace app;

namespace {

// Generous bounds for a busy machine; these are not speed checks.
constexpr int START_LIMIT_MS = 60000;
constexpr int EXIT_LIMIT_MS = 30000;

// Starts the program under the offscreen platform. Its runtime directory
// is the test's own (from the test main), which this process probes.
class ProgramProcessTest : public ::testing::Test {
protected:
    void Start(QProcess& program)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The program finds the host of its build tree by itself, from any
        // current folder.
        environment.remove(QStringLiteral("LODEMAR_DRIVER_DIR"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_memory.path());
        program.setProgram(QStringLiteral(LODEMAR_PROGRAM_PATH));
        program.setArguments({ QStringLiteral("--emulate=") + m_memory.filePath(QStringLiteral("kb.mem")) });
        program.start();
        ASSERT_TRUE(program.waitForStarted(START_LIMIT_MS));
    }

    // Waits until some copy holds the single-instance lock.
    static bool WaitUntilHeld(QProcess& program)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(START_LIMIT_MS);
        while (std::chrono::steady_clock::now() < deadline) {
            CSingleInstance probe;
            if (probe.Acquire() == InstanceState::AlreadyRunning)
                return true;
            probe.Release();
            if (program.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(20);
        }
        return false;
    }

    static void Kill(QProcess& program)
    {
        program.kill();
        program.waitForFinished(EXIT_LIMIT_MS);
    }

    // Asks the program to end, as the session does at logout.
    static bool Terminate(QProcess& program)
    {
        program.terminate();
        if (program.waitForFinished(EXIT_LIMIT_MS))
            return true;
        Kill(program);
        return false;
    }

    // The socket of the emulated keyboard's host, in the runtime folder of
    // the test main; empty while there is none.
    static QStringList HostSockets()
    {
        const QDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/lodemar"));
        return folder.entryList({ QStringLiteral("Tavrin.emulated-*.sock") }, QDir::System);
    }

    static bool WaitForHostSocket(QProcess& program)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(START_LIMIT_MS);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!HostSockets().isEmpty())
                return true;
            if (program.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(20);
        }
        return false;
    }

    QTemporaryDir m_memory;
};

} // namespace

TEST_F(ProgramProcessTest, ASecondCopyEndsAtOnceWithoutAWord)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitUntilHeld(first));

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(EXIT_LIMIT_MS));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(second.readAllStandardError().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(Terminate(first));
}

TEST_F(ProgramProcessTest, AKilledFirstCopyDoesNotBlockTheNext)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitUntilHeld(first));
    Kill(first);
    {
        CSingleInstance probe;
        EXPECT_EQ(probe.Acquire(), InstanceState::Acquired);
    }
    QProcess next;
    Start(next);
    EXPECT_TRUE(WaitUntilHeld(next));
    EXPECT_EQ(next.state(), QProcess::Running);
    // A host the killed copy left running is taken over and stopped.
    EXPECT_TRUE(Terminate(next));
}

TEST_F(ProgramProcessTest, StartsTheHostOfItsBuildTreeAndStopsItWhenAskedToEnd)
{
    QProcess program;
    Start(program);
    ASSERT_TRUE(WaitForHostSocket(program));
    EXPECT_TRUE(QFile::exists(m_memory.filePath(QStringLiteral("kb.mem"))));

    ASSERT_TRUE(Terminate(program));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // The host removes its socket as it ends.
    EXPECT_TRUE(HostSockets().isEmpty());
}
