// The lock file stands in for the named mutex. flock() belongs to the open
// file, so the kernel drops it when the holder exits or is killed: a
// crashed first copy never blocks the next. The descriptor is close-on-exec,
// so the driver host and any other child cannot keep the lock alive. The
// file itself stays: removing it would let a copy that opened the old file
// and one that creates a new file both hold "the" lock.
//
// Both live in the user's private folder, never in a shared one where
// another user could make the file first and keep every copy out. A lock
// file or folder that is a link or another user's is refused, loudly.
//
// Beside the lock the first copy listens on a stream socket; a later copy
// connects, sends SHOW_REQUEST and waits a bounded time for SHOW_ANSWER.
#include <app/CSingleInstance.h>

#include <driverchannel/CDriverBackend.h>
#include <lodemar/CLockFile.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace app {
namespace {

inline constexpr std::intptr_t NO_LOCK = -1;
inline constexpr const char* LOCK_SUFFIX = ".lock";
inline constexpr const char* SERVER_SUFFIX = ".sock";
inline constexpr int LISTEN_BACKLOG = 4;
// A request must arrive whole this soon after the connection: the first
// copy's window waits meanwhile.
inline constexpr int REQUEST_LIMIT_MS = 500;
inline constexpr auto CONNECT_RETRY = std::chrono::milliseconds(50);

std::string privateFolder()
{
    std::string folder;
    return driverchannel::PrivateRuntimeFolder(folder) ? folder : std::string();
}

// Someone else's, or a link: there, not merely unusable.
bool isForeign(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 && (S_ISLNK(info.st_mode) || info.st_uid != ::geteuid());
}

bool socketAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads until a line ends, the peer hangs up, limit bytes came or the
// deadline passed.
std::string readLine(int fd, std::size_t limit, std::chrono::steady_clock::time_point deadline)
{
    std::string text;
    while (text.size() < limit && text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd waiting { fd, POLLIN, 0 };
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char chunk[16];
        const ssize_t n = ::recv(fd, chunk, std::min(sizeof chunk, limit - text.size()), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

bool sendAll(int fd, const char* text)
{
    const std::size_t length = std::strlen(text);
    return ::send(fd, text, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
}

} // namespace

CSingleInstance::CSingleInstance(std::string name)
    : m_name(std::move(name))
    , m_native(NO_LOCK)
{
}

std::string CSingleInstance::LockPathOf(const std::string& name)
{
    const std::string folder = privateFolder();
    return folder.empty() ? folder : folder + "/" + name + LOCK_SUFFIX;
}

std::string CSingleInstance::ServerPathOf(const std::string& name)
{
    const std::string folder = privateFolder();
    return folder.empty() ? folder : folder + "/" + name + SERVER_SUFFIX;
}

InstanceState CSingleInstance::Acquire()
{
    if (m_native != NO_LOCK)
        return InstanceState::Acquired;
    m_refusedPath.clear();
    std::string folder;
    if (!driverchannel::PrivateRuntimeFolder(folder)) {
        if (!isForeign(folder))
            return InstanceState::Unavailable;
        m_refusedPath = folder;
        return InstanceState::Refused;
    }
    const std::string path = folder + "/" + m_name + LOCK_SUFFIX;
    // O_NOFOLLOW: a planted link must not make us create or lock another file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    struct stat info { };
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        if (fd >= 0)
            ::close(fd);
        if (fd < 0 && !isForeign(path))
            return InstanceState::Unavailable;
        m_refusedPath = path;
        return InstanceState::Refused;
    }
    if (const int error = lodemar::tryFlock(fd, LOCK_EX); error != 0) {
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceState::AlreadyRunning : InstanceState::Unavailable;
    }
    m_native = fd;
    return InstanceState::Acquired;
}

void CSingleInstance::Release()
{
    if (m_listener >= 0) {
        // Still the holder here: no new first copy listens at this path yet.
        ::close(m_listener);
        m_listener = -1;
        ::unlink(m_serverPath.c_str());
    }
    if (m_native == NO_LOCK)
        return;
    ::close(int(m_native)); // drops the lock
    m_native = NO_LOCK;
}

bool CSingleInstance::IsHeld() const
{
    return m_native != NO_LOCK;
}

int CSingleInstance::Listen()
{
    if (m_listener >= 0 || m_native == NO_LOCK)
        return m_listener;
    const std::string path = ServerPathOf(m_name);
    sockaddr_un address;
    if (!socketAddress(path, address))
        return -1;
    // A socket left by a copy that died: we hold the lock, so nobody serves it.
    ::unlink(path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, LISTEN_BACKLOG) != 0) {
        ::close(fd);
        return -1;
    }
    m_listener = fd;
    m_serverPath = path;
    return fd;
}

bool CSingleInstance::TakeShowRequest()
{
    if (m_listener < 0)
        return false;
    const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(REQUEST_LIMIT_MS);
    const bool asked = readLine(fd, std::strlen(SHOW_REQUEST), deadline) == SHOW_REQUEST;
    if (asked)
        (void)sendAll(fd, SHOW_ANSWER);
    ::close(fd);
    return asked;
}

bool CSingleInstance::AskRunningCopyToShow(int timeoutMs)
{
    sockaddr_un address;
    if (!socketAddress(ServerPathOf(m_name), address))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // The first copy listens only once its window is being made.
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            const bool answered = sendAll(fd, SHOW_REQUEST)
                && readLine(fd, std::strlen(SHOW_ANSWER), deadline) == SHOW_ANSWER;
            ::close(fd);
            return answered;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() + CONNECT_RETRY >= deadline)
            return false;
        std::this_thread::sleep_for(CONNECT_RETRY);
    }
}

} // namespace app
