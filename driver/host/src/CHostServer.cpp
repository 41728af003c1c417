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
        : old_(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
        ok_ = ::fchdir(folderFd) == 0;
    }
    ~CInFolder()
    {
        if (old_ >= 0) {
            (void)!::fchdir(old_);
            ::close(old_);
        } else {
            (void)!::chdir("/");
        }
    }
    bool Ok() const { return ok_; }

private:
    int old_;
    bool ok_ = false;
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
    : folder_(folder)
    , settings_(std::move(settings))
{
}

CHostServer::~CHostServer()
{
    for (Connection& c : connections_)
        ::close(c.fd);
    CloseListener();
    if (removeName_)
        RemoveSocketName();
}

int CHostServer::Open(std::string& error)
{
    const std::string& name = folder_.SocketName();
    const std::string shown = folder_.SocketPath();
    const int dir = folder_.Fd();
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
        if (!folder_.Safe() || (st.st_uid != ::geteuid() && ::geteuid() != 0)) {
            error = texts::SOCKET_NOT_SAFE + shown;
            return EXIT_SETUP;
        }
        ::unlinkat(dir, name.c_str(), 0);
    }

    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
        return EXIT_SETUP;
    }
    // Owner-only from the moment it exists.
    const mode_t oldMask = ::umask(0177);
    const int bound = ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(oldMask);
    if (bound != 0 || ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISSOCK(st.st_mode)
        || (st.st_mode & 0777) != SOCKET_MODE) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(bound != 0 ? bindError : EPERM);
        ::close(listener_);
        listener_ = -1;
        return EXIT_SETUP;
    }
    socketDevice_ = st.st_dev;
    socketInode_ = st.st_ino;
    // Handed to the user it serves, by its name in a folder nobody else can change.
    if (settings_.socketOwner) {
        if (!folder_.Safe()) {
            error = texts::SOCKET_CANNOT_GIVE + shown;
            CloseListener();
            RemoveSocketName();
            return EXIT_SETUP;
        }
        if (::fchownat(dir, name.c_str(), static_cast<uid_t>(*settings_.socketOwner), static_cast<gid_t>(-1),
                AT_SYMLINK_NOFOLLOW)
            != 0) {
            error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
            CloseListener();
            RemoveSocketName();
            return EXIT_SETUP;
        }
    }
    if (::listen(listener_, LISTEN_BACKLOG) != 0) {
        error = texts::SOCKET_FAILED + shown + ": " + std::strerror(errno);
        CloseListener();
        RemoveSocketName();
        return EXIT_SETUP;
    }
    if (settings_.verbose)
        tell(texts::SERVING + shown);
    return EXIT_SERVED;
}

void CHostServer::CloseListener()
{
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

void CHostServer::RemoveSocketName()
{
    if (socketInode_ == 0)
        return;
    // Removed only if it is still ours, in a folder where the name cannot be
    // swapped.
    struct stat st;
    const std::string& name = folder_.SocketName();
    if (folder_.Safe() && ::fstatat(folder_.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
        && st.st_dev == socketDevice_ && st.st_ino == socketInode_)
        ::unlinkat(folder_.Fd(), name.c_str(), 0);
    socketInode_ = 0;
}

bool CHostServer::Idle(const Connection& c) const
{
    return c.out.empty() && !c.stream.Partial() && !c.ended && !c.hangUp;
}

CHostServer::Clock::time_point CHostServer::Deadline(const Connection& c) const
{
    return c.since + std::chrono::milliseconds(Idle(c) ? settings_.idleMs : settings_.stallMs);
}

int CHostServer::Run(CRequestDispatcher& dispatcher, int signalFd)
{
    dispatcher_ = &dispatcher;
    std::vector<pollfd> fds;
    while (!stopping_) {
        fds.clear();
        fds.push_back({ signalFd, POLLIN, 0 });
        fds.push_back({ listener_, POLLIN, 0 });
        int timeout = -1;
        for (const Connection& c : connections_) {
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
        // fds[2 + i] belongs to connections_[i] as polled.
        const std::size_t polled = fds.size() - 2;
        std::vector<bool> keep(polled, true);
        for (std::size_t i = 0; i < polled && !stopping_; ++i) {
            Connection& c = connections_[i];
            const short got = fds[2 + i].revents;
            if ((got & POLLNVAL) != 0)
                keep[i] = false;
            if (keep[i] && (got & POLLOUT) != 0)
                keep[i] = Flush(c);
            if (keep[i] && (got & (POLLIN | POLLHUP | POLLERR)) != 0 && c.out.empty())
                keep[i] = ReadFrom(c);
            if (keep[i])
                keep[i] = Serve(c);
            if (stopping_)
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
                ::close(connections_[i].fd);
                connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (!stopping_ && fds[1].revents != 0)
            Accept();
        if (!stopping_)
            dispatcher.ReleaseIfDue();
    }
    if (settings_.verbose)
        tell(texts::STOPPING);
    for (Connection& c : connections_)
        ::close(c.fd);
    connections_.clear();
    CloseListener();
    if (removeName_)
        RemoveSocketName();
    dispatcher_ = nullptr;
    return EXIT_SERVED;
}

void CHostServer::Accept()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        ucred peer {};
        socklen_t size = sizeof peer;
        const bool known = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
        const bool allowed = known
            && std::find(settings_.allowedUids.begin(), settings_.allowedUids.end(),
                   static_cast<std::uint32_t>(peer.uid))
                != settings_.allowedUids.end();
        if (!allowed) {
            tell(texts::PEER_REFUSED + std::to_string(known ? static_cast<long>(peer.uid) : -1L));
            std::vector<std::uint8_t> reply;
            encodeReply(reply, TAVRIN_STATUS_ACCESS_DENIED, 0, nullptr, 0);
            // A fresh socket's buffer takes these few bytes at once.
            (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            continue;
        }
        if (connections_.size() >= MAX_CONNECTIONS) {
            // Full: the connection idle for longest makes room; its client
            // reconnects when it needs the host again.
            auto oldest = connections_.end();
            for (auto it = connections_.begin(); it != connections_.end(); ++it)
                if (Idle(*it) && (oldest == connections_.end() || it->since < oldest->since))
                    oldest = it;
            if (oldest == connections_.end()) {
                ::close(fd);
                continue;
            }
            ::close(oldest->fd);
            connections_.erase(oldest);
        }
        Connection c;
        c.fd = fd;
        c.since = Clock::now();
        connections_.push_back(std::move(c));
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
    while (c.out.empty() && !c.hangUp && !stopping_) {
        const CRequestStream::Step step = c.stream.ServeNext(*dispatcher_, c.out);
        if (step == CRequestStream::Step::Incomplete)
            break;
        c.since = Clock::now();
        if (step == CRequestStream::Step::Malformed)
            c.hangUp = true;
        if (dispatcher_->StopRequested()) {
            // Gone from the file system before the caller hears the answer
            // (where this process removes it).
            stopping_ = true;
            CloseListener();
            if (removeName_)
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
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(settings_.stallMs);
    while (!c.out.empty() && Flush(c) && !c.out.empty()) {
        pollfd p { c.fd, POLLOUT, 0 };
        if (::poll(&p, 1, lodemar::millisecondsUntil(end)) <= 0)
            break;
    }
}

} // namespace tavrin
