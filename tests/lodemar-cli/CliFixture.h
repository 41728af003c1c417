// Runs the real lodemar-cli binary in a child process and collects what it
// printed; a private folder per test.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A run started and not yet waited for.
struct CliChild {
    pid_t pid = -1;
    fs::path out;
    fs::path err;
    bool collectOut = true;
};

// The user a hostile-user test runs as (nobody).
inline constexpr uid_t OTHER_USER = 65534;

inline std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline Bytes readBytes(const fs::path& file)
{
    const std::string text = readText(file);
    return Bytes(text.begin(), text.end());
}

inline void writeText(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

// Whether process pid has ended (or is a zombie nobody has reaped yet)
// within timeoutMs.
inline bool processEnds(pid_t pid, int timeoutMs = 10000)
{
    for (int waited = 0;; waited += 10) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t end = text.rfind(')');
        if (!stat || end == std::string::npos || text.compare(end + 2, 1, "Z") == 0)
            return true;
        if (waited >= timeoutMs)
            return false;
        ::usleep(10000);
    }
}

inline int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// No command takes this long, not even a write to the emulated keyboard.
inline constexpr unsigned RUN_LIMIT_SECONDS = 60;

class CCliFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path()
            / ("cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the given driver host, with its registration, sockets and default
    // memory file in the test's folder.
    void useHost(const fs::path& host)
    {
        ::setenv("XDG_RUNTIME_DIR", path("run").c_str(), 1);
        ::setenv("XDG_STATE_HOME", path("state").c_str(), 1);
        ::setenv("LODEMAR_DRIVER_DIR", host.parent_path().c_str(), 1);
    }

    // Runs lodemar-cli with the arguments; stdout and stderr go to files
    // (stdout to outFile when given, e.g. /dev/full). workingDirectory, when
    // given, is the child's current directory.
    CliRun cli(const std::vector<std::string>& arguments, const std::string& outFile = {},
        const std::string& workingDirectory = {})
    {
        return cliFinish(cliStart(arguments, outFile, workingDirectory));
    }

    // The same, in the background; as OTHER_USER when asOtherUser is set (root only).
    CliChild cliStart(const std::vector<std::string>& arguments, const std::string& outFile = {},
        const std::string& workingDirectory = {}, bool asOtherUser = false)
    {
        const std::string run = std::to_string(m_runs++);
        CliChild child;
        child.collectOut = outFile.empty();
        child.out = outFile.empty() ? m_dir / ("stdout" + run) : fs::path(outFile);
        child.err = m_dir / ("stderr" + run);
        child.pid = ::fork();
        if (child.pid == 0) {
            const int o = ::open(child.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(child.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0)
                ::_exit(127);
            if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)
                ::_exit(127);
            if (asOtherUser
                && (::setgroups(0, nullptr) != 0 || ::setresgid(OTHER_USER, OTHER_USER, OTHER_USER) != 0
                    || ::setresuid(OTHER_USER, OTHER_USER, OTHER_USER) != 0))
                ::_exit(127);
            ::alarm(RUN_LIMIT_SECONDS); // a run that hangs fails instead of stopping the suite
            std::vector<char*> argv { const_cast<char*>(LODEMAR_CLI) };
            for (const std::string& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(LODEMAR_CLI, argv.data());
            ::_exit(127);
        }
        return child;
    }

    CliRun cliFinish(const CliChild& child)
    {
        CliRun run;
        int status = 0;
        ::waitpid(child.pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (child.collectOut)
            run.out = readText(child.out);
        run.err = readText(child.err);
        return run;
    }

    // A failure: non-zero exit and exactly one line on stderr that holds needle.
    void expectFailure(const CliRun& run, int status, const std::string& needle)
    {
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(lineCount(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(needle), std::string::npos) << run.err;
        EXPECT_EQ(run.err.rfind("lodemar-cli: ", 0), 0u) << run.err;
    }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
    int m_runs = 0;
};

} // namespace clitest
