#include "HostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace driverchannel::posix {

namespace {

constexpr auto CHILD_POLL_INTERVAL = std::chrono::milliseconds(5);
constexpr char NULL_DEVICE[] = "/dev/null";

} // namespace

pid_t spawnProcess(const std::vector<std::string>& argv)
{
    // Never looked up through PATH, which is the caller's to choose.
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/')
        return -1;
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    // The host says nothing on standard output; a host that outlives us
    // must not hold a pipe that our own reader waits to see closed.
    // Standard error stays: it carries the host's reasons for failing.
    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    pid_t pid = -1;
    const bool ok = ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, NULL_DEVICE, O_WRONLY, 0) == 0
        && ::posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    return ok ? pid : -1;
}

ChildState pollChild(pid_t pid)
{
    if (pid <= 0)
        return ChildState::Unknown;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return ChildState::Ended;
        if (r == 0)
            return ChildState::Running;
        if (errno != EINTR)
            return ChildState::Unknown;
    }
}

bool waitForChild(pid_t pid, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pollChild(pid) != ChildState::Running)
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(CHILD_POLL_INTERVAL);
    }
}

bool endChild(pid_t pid, int graceMs)
{
    if (pid <= 0 || ::kill(pid, SIGTERM) != 0)
        return pollChild(pid) != ChildState::Running;
    if (waitForChild(pid, graceMs))
        return true;
    if (::kill(pid, SIGKILL) != 0)
        return false;
    return waitForChild(pid, graceMs);
}

} // namespace driverchannel::posix
