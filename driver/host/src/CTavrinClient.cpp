#include "tavrin/CTavrinClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace tavrin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto RETRY_INTERVAL = std::chrono::milliseconds(10);
// A live host accepts at once; a reconnect that takes longer finds none.
constexpr int RECONNECT_TIMEOUT_MS = 1000;

class CDeadline {
public:
    explicit CDeadline(int timeoutMs)
        : m_endless(timeoutMs < 0)
        , m_end(Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs))
    {
    }
    // Milliseconds left for poll(): -1 without bound, 0 when passed.
    int Left() const
    {
        if (m_endless)
            return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_end - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }
    bool Passed() const { return !m_endless && Clock::now() >= m_end; }

private:
    bool m_endless;
    Clock::time_point m_end;
};

// Waits for events on fd; CLIENT_OK, CLIENT_E_TIMEOUT or CLIENT_E_IO.
int waitFor(int fd, short events, const CDeadline& deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int n = ::poll(&p, 1, deadline.Left());
        if (n > 0)
            return CLIENT_OK;
        if (n == 0)
            return CLIENT_E_TIMEOUT;
        if (errno != EINTR)
            return CLIENT_E_IO;
    }
}

int sendAll(int fd, const std::vector<std::uint8_t>& bytes, const CDeadline& deadline, std::size_t& sent)
{
    sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const int r = waitFor(fd, POLLOUT, deadline); r != CLIENT_OK)
                return r;
        } else if (!(n < 0 && errno == EINTR)) {
            return CLIENT_E_IO;
        }
    }
    return CLIENT_OK;
}

// Anything waiting on an idle connection (a hang-up, or bytes nobody asked
// for) means the host has dropped it.
bool droppedByHost(int fd)
{
    pollfd p { fd, POLLIN | POLLRDHUP, 0 };
    return ::poll(&p, 1, 0) > 0 && p.revents != 0;
}

// Reads until one whole reply is in; CLIENT_OK with reply set.
int receiveReply(int fd, std::uint32_t outputLimit, std::vector<std::uint8_t>& in, WireReply& reply,
    const CDeadline& deadline)
{
    std::uint8_t chunk[4096];
    for (;;) {
        const int parsed = parseReply(in.data(), in.size(), outputLimit, reply);
        if (parsed > 0)
            return CLIENT_OK;
        if (parsed < 0)
            return CLIENT_E_PROTOCOL;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            in.insert(in.end(), chunk, chunk + n);
        } else if (n == 0) {
            return CLIENT_E_IO;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (const int r = waitFor(fd, POLLIN, deadline); r != CLIENT_OK)
                return r;
        } else if (errno != EINTR) {
            return CLIENT_E_IO;
        }
    }
}

} // namespace

CTavrinClient::~CTavrinClient()
{
    Close();
}

CTavrinClient::CTavrinClient(CTavrinClient&& other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path))
    , m_trusted(other.m_trusted)
    , m_trust(std::move(other.m_trust))
{
    other.m_fd = -1;
}

CTavrinClient& CTavrinClient::operator=(CTavrinClient&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        m_trusted = other.m_trusted;
        m_trust = std::move(other.m_trust);
        other.m_fd = -1;
    }
    return *this;
}

void CTavrinClient::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int CTavrinClient::Connect(const std::string& socketPath, int timeoutMs, const HostTrust* trust)
{
    Close();
    if (trust != nullptr) {
        m_trusted = true;
        m_trust = *trust;
    }
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return CLIENT_E_ARGUMENT;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    const CDeadline deadline(timeoutMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return CLIENT_E_IO;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            if (m_trusted && !Trusted(socketPath, fd)) {
                ::close(fd);
                return CLIENT_E_UNTRUSTED;
            }
            m_fd = fd;
            m_path = socketPath;
            return CLIENT_OK;
        }
        const int error = errno;
        ::close(fd);
        // Missing, refusing or with a full backlog: a host that is starting or busy.
        const bool retry = error == ENOENT || error == ECONNREFUSED || error == EAGAIN || error == EINTR;
        if (!retry || deadline.Passed())
            return CLIENT_E_CONNECT;
        std::this_thread::sleep_for(RETRY_INTERVAL);
    }
}

int CTavrinClient::Exchange(std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
    std::uint32_t outputLength, ExchangeResult& result, int timeoutMs)
{
    if (m_fd < 0)
        return CLIENT_E_NOT_CONNECTED;
    if ((inputLength != 0 && input == nullptr) || (outputLength != 0 && output == nullptr)
        || inputLength > WIRE_MAX_INPUT || outputLength > WIRE_MAX_OUTPUT)
        return CLIENT_E_ARGUMENT;

    const CDeadline deadline(timeoutMs);
    std::vector<std::uint8_t> bytes;
    encodeRequest(bytes, code, static_cast<const std::uint8_t*>(input), inputLength, outputLength);
    // The host drops connections that sat idle: such a connection is
    // replaced once, before any byte of the request went out.
    bool reconnected = false;
    auto reconnect = [&] {
        reconnected = true;
        const std::string path = m_path;
        const int left = deadline.Left();
        return Connect(path, left < 0 ? RECONNECT_TIMEOUT_MS : std::min(left, RECONNECT_TIMEOUT_MS));
    };
    if (droppedByHost(m_fd) && reconnect() != CLIENT_OK)
        return CLIENT_E_IO;
    std::size_t sent = 0;
    int r = sendAll(m_fd, bytes, deadline, sent);
    if (r == CLIENT_E_IO && sent == 0 && !reconnected && (errno == EPIPE || errno == ECONNRESET)) {
        if (reconnect() != CLIENT_OK)
            return CLIENT_E_IO;
        r = sendAll(m_fd, bytes, deadline, sent);
    }
    WireReply reply;
    bytes.clear();
    // A host that refuses a peer answers at once and hangs up, possibly before
    // the request went out: its answer is still there to read.
    if (r == CLIENT_OK || r == CLIENT_E_IO) {
        const int received = receiveReply(m_fd, outputLength, bytes, reply, deadline);
        if (r == CLIENT_OK || received == CLIENT_OK)
            r = received;
    }
    if (r != CLIENT_OK) {
        Close();
        return r;
    }
    result.status = reply.status;
    result.information = reply.information;
    result.outputCount = reply.outputCount;
    if (reply.outputCount != 0)
        std::memcpy(output, reply.output, reply.outputCount);
    return CLIENT_OK;
}

int CTavrinClient::Identify(HostIdentity& identity, int timeoutMs)
{
    std::uint8_t out[HOST_IDENTITY_SIZE];
    ExchangeResult result;
    const int r = Exchange(HOST_IDENTIFY, nullptr, 0, out, sizeof out, result, timeoutMs);
    if (r != CLIENT_OK)
        return r;
    if (!TAVRIN_STATUS_IS_SUCCESS(result.status))
        return CLIENT_E_REFUSED;
    return decodeIdentity(out, result.outputCount, identity) ? CLIENT_OK : CLIENT_E_PROTOCOL;
}

int CTavrinClient::Stop(int timeoutMs)
{
    const CDeadline deadline(timeoutMs);
    ExchangeResult result;
    int r = Exchange(HOST_STOP, nullptr, 0, nullptr, 0, result, timeoutMs);
    if (r != CLIENT_OK)
        return r;
    if (!TAVRIN_STATUS_IS_SUCCESS(result.status)) {
        Close();
        return CLIENT_E_REFUSED;
    }
    // The host hangs up as it ends.
    std::uint8_t byte;
    for (;;) {
        const ssize_t n = ::recv(m_fd, &byte, 1, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (r = waitFor(m_fd, POLLIN, deadline)) != CLIENT_OK)
            break;
    }
    Close();
    return r;
}

bool CTavrinClient::Trusted(const std::string& socketPath, int fd) const
{
    // The file first: its owner says whose socket it is, in a folder the
    // caller has made sure nobody else can change.
    struct stat st;
    ucred peer {};
    socklen_t size = sizeof peer;
    return ::lstat(socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid()
        && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && std::find(m_trust.peers.begin(), m_trust.peers.end(), static_cast<std::uint32_t>(peer.uid))
        != m_trust.peers.end();
}

int probeHost(const std::string& socketPath, int timeoutMs, HostIdentity* identity, const HostTrust* trust)
{
    const CDeadline deadline(timeoutMs);
    CTavrinClient client;
    // No retrying: a missing or refusing socket means no live host.
    if (const int r = client.Connect(socketPath, 0, trust); r != CLIENT_OK)
        return r;
    HostIdentity found;
    const int r = client.Identify(found, deadline.Left());
    if (r == CLIENT_OK && identity != nullptr)
        *identity = found;
    return r;
}

int waitForHost(const std::string& socketPath, int timeoutMs, HostIdentity* identity, const HostTrust* trust)
{
    const CDeadline deadline(timeoutMs);
    for (;;) {
        CTavrinClient client;
        int r = client.Connect(socketPath, deadline.Left(), trust);
        if (r == CLIENT_OK) {
            HostIdentity found;
            r = client.Identify(found, deadline.Left());
            if (r == CLIENT_OK) {
                if (identity != nullptr)
                    *identity = found;
                return CLIENT_OK;
            }
        }
        if (r == CLIENT_E_ARGUMENT || r == CLIENT_E_REFUSED || r == CLIENT_E_UNTRUSTED || deadline.Passed())
            return r;
        std::this_thread::sleep_for(RETRY_INTERVAL);
    }
}

int stopHost(const std::string& socketPath, int timeoutMs, const HostTrust* trust)
{
    const CDeadline deadline(timeoutMs);
    CTavrinClient client;
    const int r = client.Connect(socketPath, 0, trust);
    if (r == CLIENT_E_CONNECT)
        return CLIENT_OK;
    if (r != CLIENT_OK)
        return r;
    return client.Stop(deadline.Left());
}

} // namespace tavrin
