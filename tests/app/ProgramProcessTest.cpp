// The program itself, run as separate processes: one copy at a time (a
// later one asks the first to come forward), the driver host found from the
// build tree, a clean end on request.
#include <app/CProgrammerApp.h>
#include <app/CSingleInstance.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include <signal.h>

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

    // The processes whose parent is pid (from /proc).
    static std::vector<pid_t> ChildrenOf(pid_t pid)
    {
        std::vector<pid_t> children;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool number = false;
            const int candidate = entry.toInt(&number);
            QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
            if (!number || !stat.open(QIODevice::ReadOnly))
                continue;
            // "pid (name) state ppid ...": the name may hold spaces.
            const QByteArray text = stat.readAll();
            const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields[1].toInt() == pid)
                children.push_back(candidate);
        }
        return children;
    }

    // Whether process pid has ended (or is a zombie nobody has reaped yet).
    static bool ProcessEnds(pid_t pid)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(EXIT_LIMIT_MS);
        while (std::chrono::steady_clock::now() < deadline) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                return true;
            const QByteArray text = stat.readAll();
            if (text.mid(text.lastIndexOf(')') + 2, 1) == "Z")
                return true;
            QThread::msleep(10);
        }
        return false;
    }

    QTemporaryDir m_memory;
};

} // namespace

TEST_F(ProgramProcessTest, ASecondCopyAsksTheFirstToShowItsWindowAndSaysSo)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitUntilHeld(first));

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(EXIT_LIMIT_MS));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), EXIT_ALREADY_RUNNING);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    // The first copy answered the request.
    EXPECT_EQ(second.readAllStandardError().toStdString(),
        "lodemar: a copy of the program is already running; it was asked to show its window.\n");
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(Terminate(first));
}

TEST_F(ProgramProcessTest, ALockFileThatIsNotTheUsersOwnStopsTheProgramWithAMessage)
{
    const QString lock = QString::fromStdString(CSingleInstance::LockPathOf(SINGLE_INSTANCE_NAME));
    ASSERT_TRUE(QFile::link(m_memory.filePath(QStringLiteral("elsewhere")), lock));
    QProcess program;
    Start(program);
    ASSERT_TRUE(program.waitForFinished(EXIT_LIMIT_MS));
    QFile::remove(lock);
    EXPECT_EQ(program.exitCode(), EXIT_LOCK_REFUSED);
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("lodemar: ") + lock + QStringLiteral(" is not this user's own")))
        << error.toStdString();
    EXPECT_FALSE(QFile::exists(m_memory.filePath(QStringLiteral("elsewhere"))));
}

TEST(BringToFrontTest, AMinimisedWindowIsRestoredAndActivated)
{
    QWidget window;
    window.showMinimized();
    QApplication::processEvents();
    BringToFront(&window);
    QApplication::processEvents();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isActiveWindow());
    BringToFront(nullptr); // no window yet: nothing to do
}

TEST_F(ProgramProcessTest, AKilledFirstCopyDoesNotBlockTheNext)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitForHostSocket(first));
    const std::vector<pid_t> hosts = ChildrenOf(pid_t(first.processId()));
    ASSERT_EQ(hosts.size(), 1u);
    Kill(first);
    {
        CSingleInstance probe;
        EXPECT_EQ(probe.Acquire(), InstanceState::Acquired);
    }
    // The killed copy's host ends with it.
    EXPECT_TRUE(ProcessEnds(hosts[0]));
    QProcess next;
    Start(next);
    EXPECT_TRUE(WaitUntilHeld(next));
    EXPECT_EQ(next.state(), QProcess::Running);
    // ...and the next copy starts its own.
    ASSERT_TRUE(WaitForHostSocket(next));
    const std::vector<pid_t> nextHosts = ChildrenOf(pid_t(next.processId()));
    EXPECT_EQ(nextHosts.size(), 1u);
    EXPECT_TRUE(std::find(nextHosts.begin(), nextHosts.end(), hosts[0]) == nextHosts.end());
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
