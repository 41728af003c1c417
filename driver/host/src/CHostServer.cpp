#include "CHostServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <lodemar/Deadline.h>

#include "HostMessages.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr int LISTEN_BACKLOG = 16;
constexpr std::size_t MAX_CONNECTIONS = 8;
constexpr std::size_t READ_CHUNK = 16 * 1024;
constexpr mode_t SOCKET_MODE = 0600;

// The socket is bound by its name inside the folder, with the folder as the
// current directory for that moment: no path is looked up twice.
class CInFolder {
public:
    explicit CInFolder(int folderFd)
        : m_old(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
        m_ok = ::fchdir(folderFd) == 0;
    }
    ~CInFolder()
    {
        if (m_old >= 0) {
            (void)!::fchdir(m_old);
            ::close(m_old);
        } else {
            (void)!::chdir("/");
        }
    }
    bool Ok() const { return m_ok; }

private:
    int m_old;
    bool m_ok = false;
};

bool fillAddress(const std::string& name, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (name.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    return true;
}

// A live host answers a connect; a socket left by a crashed one does not.
bool socketIsServed(const sockaddr_un& address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool served = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return served;
}

} // namespace

CHostServer::CHostServer(const CHostFolder& folder, ServerSettings settings)
    : m_folder(folder)
    , m_settings(std::move(settings))
{
}

CHostServer::~CHostServer()
{
    for (Connection& c : m_connections)
        ::close(c.fd);
    CloseListener();
    if (m_removeName)
        RemoveSocketName();
}

int CHostServer::Open(std::string& error)
{
    const std::string& name = m_folder.SocketName();
    const std::string shown = m_folder.SocketPath();
    const int dir = m_folder.Fd();
    sockaddr_un address;
    if (!fillAddress(name, address)) {
        error = texts::SOCKET_PATH_TOO_LONG + shown;
        return EXIT_SETUP;
    }
    CInFolder inFolder(dir);
    if (!inFolder.Ok()) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
        return EXIT_SETUP;
    }
    struct stat st;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = texts::SOCKET_NOT_A_SOCKET + shown;
            return EXIT_SETUP;
        }
        if (socketIsServed(address)) {
            error = texts::SOCKET_IN_USE + shown;
            return EXIT_IN_USE;
        }
        // Left behind by a host that did not end cleanly; replaced only
        // where nobody else can swap the name in the meantime.
        if (!m_folder.Safe() || (st.st_uid != ::geteuid() && ::geteuid() != 0)) {
            error = texts::SOCKET_NOT_SAFE + shown;
            return EXIT_SETUP;
        }
        ::unlinkat(dir, name.c_str(), 0);
    }

    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listener < 0) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
        return EXIT_SETUP;
    }
    // Owner-only from the moment it exists.
    const mode_t oldMask = ::umask(0177);
    const int bound = ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(oldMask);
    if (bound != 0 || ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISSOCK(st.st_mode)
        || (st.st_mode & 0777) != SOCKET_MODE) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(bound != 0 ? bindError : EPERM);
        ::close(m_listener);
        m_listener = -1;
        return EXIT_SETUP;
    }
    m_socketDevice = st.st_dev;
    m_socketInode = st.st_ino;
    // Handed to the user it serves, by its name in a folder nobody else can change.
    if (m_settings.socketOwner) {
        if (!m_folder.Safe()) {
            error = texts::SOCKET_CANNOT_GIVE + shown;
            CloseListener();
            RemoveSocketName();
            return EXIT_SETUP;
        }
        if (::fchownat(dir, name.c_str(), static_cast<uid_t>(*m_settings.socketOwner), static_cast<gid_t>(-1),
                AT_SYMLINK_NOFOLLOW)
            != 0) {
            error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
            CloseListener();
            RemoveSocketName();
            return EXIT_SETUP;
        }
    }
    if (::listen(m_listener, LISTEN_BACKLOG) != 0) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
        CloseListener();
        RemoveSocketName();
        return EXIT_SETUP;
    }
    if (m_settings.verbose)
        tell(texts::SERVING + shown);
    return EXIT_SERVED;
}

void CHostServer::CloseListener()
{
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

void CHostServer::RemoveSocketName()
{
    if (m_socketInode == 0)
        return;
    // Removed only if it is still ours, in a folder where the name cannot be
    // swapped.
    struct stat st;
    const std::string& name = m_folder.SocketName();
    if (m_folder.Safe() && ::fstatat(m_folder.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
        && st.st_dev == m_socketDevice && st.st_ino == m_socketInode)
        ::unlinkat(m_folder.Fd(), name.c_str(), 0);
    m_socketInode = 0;
}

bool CHostServer::Idle(const Connection& c) const
{
    return c.out.empty() && !c.stream.Partial() && !c.ended && !c.hangUp;
}

CHostServer::Clock::time_point CHostServer::Deadline(const Connection& c) const
{
    return c.since + std::chrono::milliseconds(Idle(c) ? m_settings.idleMs : m_settings.stallMs);
}

int CHostServer::Run(CRequestDispatcher& dispatcher, int signalFd)
{
    m_dispatcher = &dispatcher;
    std::vector<pollfd> fds;
    while (!m_stopping) {
        fds.clear();
        fds.push_back({ signalFd, POLLIN, 0 });
        fds.push_back({ m_listener, POLLIN, 0 });
        int timeout = -1;
        for (const Connection& c : m_connections) {
            const short events = !c.out.empty() ? POLLOUT : (c.ended || c.hangUp ? 0 : POLLIN);
            fds.push_back({ c.fd, events, 0 });
            const int left = lodemar::millisecondsUntil(Deadline(c));
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        // What the keyboard's backend holds between requests has its own time.
        if (const int release = dispatcher.MillisecondsUntilRelease(); release >= 0)
            timeout = timeout < 0 ? release : std::min(timeout, release);
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info;
            if (::read(signalFd, &info, sizeof info) > 0)
                break;
        }
        // fds[2 + i] belongs to m_connections[i] as polled.
        const std::size_t polled = fds.size() - 2;
        std::vector<bool> keep(polled, true);
        for (std::size_t i = 0; i < polled && !m_stopping; ++i) {
            Connection& c = m_connections[i];
            const short got = fds[2 + i].revents;
            if ((got & POLLNVAL) != 0)
                keep[i] = false;
            if (keep[i] && (got & POLLOUT) != 0)
                keep[i] = Flush(c);
            if (keep[i] && (got & (POLLIN | POLLHUP | POLLERR)) != 0 && c.out.empty())
                keep[i] = ReadFrom(c);
            if (keep[i])
                keep[i] = Serve(c);
            if (m_stopping)
                FinishStop(c);
            else if (keep[i] && Clock::now() >= Deadline(c)) {
                // Idle too long, or a request or reply stuck half way: a
                // request left half sent still hears why.
                if (c.out.empty() && c.stream.End(c.out))
                    Flush(c);
                keep[i] = false;
            }
        }
        for (std::size_t i = polled; i-- > 0;) {
            if (!keep[i]) {
                ::close(m_connections[i].fd);
                m_connections.erase(m_connections.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (!m_stopping && fds[1].revents != 0)
            Accept();
        if (!m_stopping)
            dispatcher.ReleaseIfDue();
    }
    if (m_settings.verbose)
        tell(texts::STOPPING);
    for (Connection& c : m_connections)
        ::close(c.fd);
    m_connections.clear();
    CloseListener();
    if (m_removeName)
        RemoveSocketName();
    m_dispatcher = nullptr;
    return EXIT_SERVED;
}

void CHostServer::Accept()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        ucred peer {};
        socklen_t size = sizeof peer;
        const bool known = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
        const bool allowed = known
            && std::find(m_settings.allowedUids.begin(), m_settings.allowedUids.end(),
                   static_cast<std::uint32_t>(peer.uid))
                != m_settings.allowedUids.end();
        if (!allowed) {
            tell(texts::PEER_REFUSED + std::to_string(known ? static_cast<long>(peer.uid) : -1L));
            std::vector<std::uint8_t> reply;
            encodeReply(reply, TAVRIN_STATUS_ACCESS_DENIED, 0, nullptr, 0);
            // A fresh socket's buffer takes these few bytes at once.
            (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            continue;
        }
        if (m_connections.size() >= MAX_CONNECTIONS) {
            // Full: the connection idle for longest makes room; its client
            // reconnects when it needs the host again.
            auto oldest = m_connections.end();
            for (auto it = m_connections.begin(); it != m_connections.end(); ++it)
                if (Idle(*it) && (oldest == m_connections.end() || it->since < oldest->since))
                    oldest = it;
            if (oldest == m_connections.end()) {
                ::close(fd);
                continue;
            }
            ::close(oldest->fd);
            m_connections.erase(oldest);
        }
        Connection c;
        c.fd = fd;
        c.since = Clock::now();
        m_connections.push_back(std::move(c));
    }
}

bool CHostServer::ReadFrom(Connection& c)
{
    std::uint8_t chunk[READ_CHUNK];
    const bool wasPartial = c.stream.Partial();
    for (;;) {
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            c.stream.Take(chunk, static_cast<std::size_t>(n));
            // A half-sent request's time runs from its first byte.
            if (!wasPartial)
                c.since = Clock::now();
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        c.ended = true;
        return true;
    }
}

bool CHostServer::Serve(Connection& c)
{
    // One request at a time per peer: the next waits until this reply is
    // taken, so a peer that does not read cannot pile up replies.
    while (c.out.empty() && !c.hangUp && !m_stopping) {
        const CRequestStream::Step step = c.stream.ServeNext(*m_dispatcher, c.out);
        if (step == CRequestStream::Step::Incomplete)
            break;
        c.since = Clock::now();
        if (step == CRequestStream::Step::Malformed)
            c.hangUp = true;
        if (m_dispatcher->StopRequested()) {
            // Gone from the file system before the caller hears the answer
            // (where this process removes it).
            m_stopping = true;
            CloseListener();
            if (m_removeName)
                RemoveSocketName();
            c.hangUp = true;
            return true;
        }
        if (!Flush(c))
            return false;
    }
    if (c.out.empty() && c.ended && !c.hangUp) {
        if (!c.stream.End(c.out))
            return false;
        c.hangUp = true;
        return Flush(c);
    }
    return !(c.out.empty() && c.hangUp);
}

bool CHostServer::Flush(Connection& c)
{
    while (c.sent < c.out.size()) {
        const ssize_t n
            = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.sent += static_cast<std::size_t>(n);
            c.since = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    c.out.clear();
    c.sent = 0;
    c.since = Clock::now();
    return !c.hangUp;
}

void CHostServer::FinishStop(Connection& c)
{
    // The stop reply still reaches its caller, within the stall bound.
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(m_settings.stallMs);
    while (!c.out.empty() && Flush(c) && !c.out.empty()) {
        pollfd p { c.fd, POLLOUT, 0 };
        if (::poll(&p, 1, lodemar::millisecondsUntil(end)) <= 0)
            break;
    }
}

} // namespace tavrin
