#include "CKeyboardLock.h"

#include <lodemar/Format.h>
#include <tavrin/TavrinHolder.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace driverchannel::posix {

namespace {

constexpr mode_t LOCK_MODE = 0600;
// A lock file another run removes under us is taken again; a few rounds
// are plenty, since each one means a run ended meanwhile.
constexpr int TAKE_ROUNDS = 8;
// The longest line worth reading from a lock file, and of a name shown.
constexpr std::size_t LINE_LIMIT = 128;
constexpr std::size_t NAME_LIMIT = 32;
constexpr char PROCESS_NAME_FILE[] = "/proc/%ld/comm";

// The first line of fd (read from its start), bounded.
std::string firstLine(int fd)
{
    char buffer[LINE_LIMIT];
    ssize_t n;
    do
        n = ::pread(fd, buffer, sizeof buffer, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return {};
    const std::string_view text(buffer, static_cast<std::size_t>(n));
    return std::string(text.substr(0, text.find('\n')));
}

// What another user or a stale file wrote is shown only as plain text.
std::string printable(std::string_view text)
{
    std::string out;
    for (char c : text.substr(0, NAME_LIMIT))
        out.push_back(c >= 0x20 && c < 0x7f ? c : '?');
    return out;
}

// "<pid> <rest>": the pid (0 when there is none) and the rest.
long splitLine(const std::string& line, std::string& rest)
{
    char* end = nullptr;
    const long pid = std::strtol(line.c_str(), &end, 10);
    if (end == line.c_str() || pid <= 0 || (*end != ' ' && *end != '\0'))
        return 0;
    rest = *end == ' ' ? std::string(end + 1) : std::string();
    return pid;
}

std::string describeProcess(long pid, const std::string& name)
{
    if (pid <= 0)
        return HOLDER_UNKNOWN;
    return name.empty() ? lodemar::format(HOLDER_PROCESS_UNNAMED, pid)
                        : lodemar::format(HOLDER_PROCESS, pid, printable(name).c_str());
}

std::string processName(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, PROCESS_NAME_FILE, pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string name = firstLine(fd);
    ::close(fd);
    return name;
}

std::string userName(const std::string& uidText)
{
    char* end = nullptr;
    const unsigned long uid = std::strtoul(uidText.c_str(), &end, 10);
    if (uidText.empty() || *end != '\0')
        return printable(uidText);
    passwd entry {};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(static_cast<uid_t>(uid), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return printable(found->pw_name);
    return uidText;
}

} // namespace

CKeyboardLock::~CKeyboardLock()
{
    Release();
}

LockState CKeyboardLock::Take(const std::string& path, std::string& holder)
{
    if (m_lock.Held())
        return LockState::Held;
    for (int round = 0; round < TAKE_ROUNDS; ++round) {
        switch (m_lock.Take(AT_FDCWD, path, LOCK_MODE)) {
        case lodemar::LockResult::Held:
            break;
        case lodemar::LockResult::InUse: {
            std::string name;
            const long pid = splitLine(m_lock.FirstLine(LINE_LIMIT), name);
            holder = describeProcess(pid, name);
            m_lock.Release();
            return LockState::InUse;
        }
        default:
            return LockState::Failed;
        }
        struct stat opened;
        struct stat now;
        if (::fstat(m_lock.Fd(), &opened) == 0 && ::lstat(path.c_str(), &now) == 0
            && now.st_dev == opened.st_dev && now.st_ino == opened.st_ino) {
            // Who holds it, for the run that finds it taken. A line that
            // cannot be written only makes that run's report vaguer.
            (void)m_lock.WriteLine(
                std::to_string(static_cast<long>(::getpid())) + " " + program_invocation_short_name + "\n");
            m_path = path;
            return LockState::Held;
        }
        // Its holder removed the file while we waited: the lock won is on a
        // file nobody else will look at.
        m_lock.Release();
    }
    return LockState::Failed;
}

void CKeyboardLock::Release()
{
    if (!m_lock.Held())
        return;
    // Removed while still held: see Take.
    ::unlink(m_path.c_str());
    m_lock.Release();
    m_path.clear();
}

std::optional<std::string> hardwareHostHolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    const std::string line = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? firstLine(fd) : std::string();
    ::close(fd);
    const std::optional<tavrin::HostHolder> holder = tavrin::parseHolder(line);
    if (!holder || !tavrin::holderAlive(*holder))
        return std::nullopt;
    const std::string process = describeProcess(holder->callerPid, processName(holder->callerPid));
    return lodemar::format(
        HOLDER_OF_USER, process.c_str(), userName(std::to_string(holder->callerUid)).c_str());
}

} // namespace driverchannel::posix
