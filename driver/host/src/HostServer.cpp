#include "HostServer.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr int LISTEN_BACKLOG = 8;
constexpr std::size_t MAX_CONNECTIONS = 8;
constexpr int SEND_TIMEOUT_MS = 5000; // a peer that does not read its reply is dropped
constexpr std::size_t READ_CHUNK = 16 * 1024;

bool fillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
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

CHostServer::CHostServer(CHostService& service, ServerSettings settings)
    : service_(service)
    , settings_(std::move(settings))
{
}

CHostServer::~CHostServer()
{
    for (Connection& c : connections_)
        ::close(c.fd);
    CloseListener();
}

int CHostServer::Open(std::string& error)
{
    const std::string& path = settings_.socketPath;
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        error = texts::SOCKET_PATH_TOO_LONG + path;
        return EXIT_SETUP;
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = texts::SOCKET_NOT_A_SOCKET + path;
            return EXIT_SETUP;
        }
        if (socketIsServed(address)) {
            error = texts::SOCKET_IN_USE + path;
            return EXIT_IN_USE;
        }
        ::unlink(path.c_str()); // left behind by a host that did not end cleanly
    }

    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) {
        error = texts::SOCKET_FAILED + path + ": " + std::strerror(errno);
        return EXIT_SETUP;
    }
    // Owner-only from the moment it exists.
    const mode_t oldMask = ::umask(0177);
    const int bound = ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(oldMask);
    if (bound != 0) {
        error = texts::SOCKET_FAILED + path + ": " + std::strerror(bindError);
        ::close(listener_);
        listener_ = -1;
        return EXIT_SETUP;
    }
    bool ok = ::chmod(path.c_str(), S_IRUSR | S_IWUSR) == 0;
    // Started as root for a user: the socket becomes that user's.
    if (ok && ::geteuid() == 0 && settings_.allowUid)
        ok = ::chown(path.c_str(), static_cast<uid_t>(*settings_.allowUid), static_cast<gid_t>(-1)) == 0;
    ok = ok && ::stat(path.c_str(), &st) == 0 && ::listen(listener_, LISTEN_BACKLOG) == 0;
    if (!ok) {
        error = texts::SOCKET_FAILED + path + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        ::close(listener_);
        listener_ = -1;
        return EXIT_SETUP;
    }
    socketDevice_ = st.st_dev;
    socketInode_ = st.st_ino;
    if (settings_.verbose)
        std::fprintf(stderr, "%s%s%s\n", texts::PREFIX, texts::SERVING, path.c_str());
    return EXIT_SERVED;
}

void CHostServer::CloseListener()
{
    if (listener_ < 0)
        return;
    ::close(listener_);
    listener_ = -1;
    // Remove the socket only if it is still ours.
    struct stat st;
    if (::lstat(settings_.socketPath.c_str(), &st) == 0 && st.st_dev == socketDevice_
        && st.st_ino == socketInode_)
        ::unlink(settings_.socketPath.c_str());
}

int CHostServer::Run(int signalFd)
{
    std::vector<pollfd> fds;
    while (!stopping_) {
        fds.clear();
        fds.push_back({ signalFd, POLLIN, 0 });
        fds.push_back({ listener_, POLLIN, 0 });
        for (const Connection& c : connections_)
            fds.push_back({ c.fd, POLLIN, 0 });
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info;
            if (::read(signalFd, &info, sizeof info) > 0)
                break;
        }
        // Connections first: fds[2 + i] belongs to connections_[i] as polled.
        const std::size_t polled = fds.size() - 2;
        std::vector<bool> keep(polled, true);
        for (std::size_t i = 0; i < polled && !stopping_; ++i)
            if (fds[2 + i].revents != 0)
                keep[i] = ReadFrom(connections_[i]);
        for (std::size_t i = polled; i-- > 0;) {
            if (!keep[i]) {
                ::close(connections_[i].fd);
                connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (!stopping_ && fds[1].revents != 0)
            Accept();
    }
    if (settings_.verbose)
        std::fprintf(stderr, "%s%s\n", texts::PREFIX, texts::STOPPING);
    for (Connection& c : connections_)
        ::close(c.fd);
    connections_.clear();
    CloseListener();
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
            && (peer.uid == ::geteuid()
                || (settings_.allowUid && peer.uid == static_cast<uid_t>(*settings_.allowUid)));
        if (!allowed) {
            std::fprintf(stderr, "%s%s%ld\n", texts::PREFIX, texts::PEER_REFUSED,
                known ? static_cast<long>(peer.uid) : -1L);
            reply_.clear();
            encodeReply(reply_, TAVRIN_STATUS_ACCESS_DENIED, 0, nullptr, 0);
            Send(fd, reply_);
            ::close(fd);
            continue;
        }
        if (connections_.size() >= MAX_CONNECTIONS) {
            ::close(fd);
            continue;
        }
        connections_.push_back({ fd, {} });
    }
}

bool CHostServer::ReadFrom(Connection& c)
{
    bool ended = false;
    for (;;) {
        const std::size_t old = c.in.size();
        c.in.resize(old + READ_CHUNK);
        const ssize_t n = ::recv(c.fd, c.in.data() + old, READ_CHUNK, 0);
        c.in.resize(old + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n > 0) {
            // Serve what is complete before reading more, so a flood of
            // requests never piles up unparsed.
            if (!Process(c, false))
                return false;
            continue;
        }
        if (n == 0)
            ended = true;
        else if (errno == EINTR)
            continue;
        else if (errno != EAGAIN && errno != EWOULDBLOCK)
            ended = true;
        break;
    }
    return Process(c, ended) && !ended;
}

bool CHostServer::Process(Connection& c, bool ended)
{
    std::size_t used = 0;
    bool keep = true;
    while (keep && !stopping_) {
        WireRequest request;
        const int taken = parseRequest(c.in.data() + used, c.in.size() - used, request);
        if (taken == WIRE_INCOMPLETE)
            break;
        reply_.clear();
        if (taken < 0) {
            // The stream cannot be resynchronised: answer and hang up.
            encodeReply(reply_, HOST_STATUS_MALFORMED, 0, nullptr, 0);
            Send(c.fd, reply_);
            return false;
        }
        service_.Serve(request, reply_);
        used += static_cast<std::size_t>(taken);
        if (service_.StopRequested()) {
            // Gone from the file system before the caller hears the answer.
            stopping_ = true;
            CloseListener();
            keep = false;
        }
        if (!Send(c.fd, reply_))
            keep = false;
    }
    c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(used));
    if (keep && ended && !c.in.empty()) {
        reply_.clear();
        encodeReply(reply_, HOST_STATUS_TRUNCATED, 0, nullptr, 0);
        Send(c.fd, reply_);
    }
    return keep;
}

bool CHostServer::Send(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p { fd, POLLOUT, 0 };
            if (::poll(&p, 1, SEND_TIMEOUT_MS) > 0)
                continue;
        }
        return false;
    }
    return true;
}

} // namespace tavrin
