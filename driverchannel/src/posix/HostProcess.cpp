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
constexpr std::size_t KEPT_LIMIT = 4096;

void writeAll(const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

CHostOutput::~CHostOutput()
{
    CloseWriteEnd();
    if (m_read >= 0) {
        Drain();
        ::close(m_read);
    }
}

bool CHostOutput::Open()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_read = ends[0];
    m_write = ends[1];
    return true;
}

void CHostOutput::CloseWriteEnd()
{
    if (m_write >= 0)
        ::close(m_write);
    m_write = -1;
}

void CHostOutput::Drain()
{
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_read, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        if (m_forward) {
            writeAll(std::string(chunk, static_cast<std::size_t>(n)));
            continue;
        }
        m_kept.append(chunk, static_cast<std::size_t>(n));
        if (m_kept.size() > KEPT_LIMIT)
            m_kept.erase(0, m_kept.size() - KEPT_LIMIT);
    }
}

void CHostOutput::Forward()
{
    Drain();
    writeAll(m_kept);
    m_kept.clear();
    m_forward = true;
}

std::vector<std::string> CHostOutput::Lines() const
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < m_kept.size()) {
        const std::size_t end = m_kept.find('\n', at);
        const std::string line = m_kept.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty())
            lines.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return lines;
}

pid_t spawnProcess(const std::vector<std::string>& argv, int errorFd)
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
    // Standard error carries the host's reasons for failing.
    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    pid_t pid = -1;
    const bool ok = ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, NULL_DEVICE, O_WRONLY, 0) == 0
        && (errorFd < 0 || ::posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO) == 0)
        && ::posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    return ok ? pid : -1;
}

ChildState pollChild(pid_t pid, int* status)
{
    if (pid <= 0)
        return ChildState::Unknown;
    for (;;) {
        int ended = 0;
        const pid_t r = ::waitpid(pid, &ended, WNOHANG);
        if (r == pid) {
            if (status != nullptr)
                *status = ended;
            return ChildState::Ended;
        }
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
