#include "CPortMonitor.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <thread>

#include <lodemar/Deadline.h>
#include <tavrin/TavrinWire.h>

#include "CHostBackend.h"
#include "CSerioPort.h"
#include "HostClock.h"
#include "HostMessages.h"
#include "HostSettings.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

using Clock = std::chrono::steady_clock;

// A request is never cut off; the longest, a read-out from a keyboard that
// keeps sending, stays well within this.
constexpr auto STOP_GRACE = std::chrono::seconds(30);
// A serving process that has closed its end is on its way out.
constexpr auto REAP_GRACE = std::chrono::seconds(2);
constexpr auto REAP_STEP = std::chrono::milliseconds(5);
// What the serving process says is passed on in pieces a terminal takes
// whole once it reports room; what finds no room is dropped rather than
// waited for.
constexpr std::size_t RELAY_CHUNK = 4096;
constexpr std::size_t RELAY_PIECE = 256;

} // namespace

CPortMonitor::CPortMonitor(CSerioPort* port, const TavrinPlatform* ports, int channelFd, pid_t child,
    int signalFd, int relayFd, int parentFd)
    : m_port(port)
    , m_ports(ports)
    , m_channel(channelFd)
    , m_child(child)
    , m_signalFd(signalFd)
    , m_relayFd(relayFd)
    , m_parentFd(parentFd)
{
}

int CPortMonitor::Run()
{
    for (;;) {
        // poll skips the negative descriptors: no relay, no parent to watch.
        pollfd fds[4] = { { m_channel, POLLIN, 0 }, { m_signalFd, POLLIN, 0 }, { m_relayFd, POLLIN, 0 },
            { m_stopping ? -1 : m_parentFd, POLLIN, 0 } };
        const int ready = ::poll(fds, 4, m_stopping ? lodemar::millisecondsUntil(m_killAt) : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[1].revents != 0) {
            signalfd_siginfo info;
            if (::read(m_signalFd, &info, sizeof info) > 0 && !m_stopping)
                Forward();
        }
        if (ready > 0 && fds[3].revents != 0 && !m_stopping)
            Forward();
        if (ready > 0 && m_relayFd >= 0 && fds[2].revents != 0)
            Relay();
        if (ready > 0 && fds[0].revents != 0) {
            const MonitorMessage request = receiveMonitorRequest(m_channel);
            if (request.kind == MonitorRequest::End)
                break;
            if (!Serve(request)) {
                ::kill(m_child, SIGKILL);
                break;
            }
        }
        if (m_stopping && Clock::now() >= m_killAt) {
            ::kill(m_child, SIGKILL);
            break;
        }
    }
    // Once the serving process has gone, no one holds the device any more.
    const int code = Reap();
    while (m_relayFd >= 0 && Relay()) { } // its last words
    if (m_port != nullptr)
        m_port->GiveBack();
    return code;
}

bool CPortMonitor::Serve(const MonitorMessage& request)
{
    switch (request.kind) {
    case MonitorRequest::GiveBack:
        if (m_port != nullptr)
            m_port->GiveBack();
        return Answered(sendMonitorReply(m_channel, MONITOR_DONE));
    case MonitorRequest::Take: {
        std::string error;
        if (m_port == nullptr || m_stopping || !m_port->Take(error)) {
            if (!error.empty())
                tell(error);
            return Answered(sendMonitorReply(m_channel, MONITOR_REFUSED));
        }
        // The device is the serving process's alone from here.
        const int device = m_port->ReleaseDevice();
        const bool sent = sendMonitorReply(m_channel, MONITOR_DONE, device);
        ::close(device);
        return Answered(sent);
    }
    case MonitorRequest::Exchange:
        return Exchange(request);
    default:
        tell(texts::MONITOR_BAD_REQUEST);
        return false;
    }
}

bool CPortMonitor::Answered(bool sent)
{
    if (!sent)
        tell(texts::MONITOR_UNREAD);
    return sent;
}

bool CPortMonitor::Exchange(const MonitorMessage& request)
{
    TavrinCompletion done { HOST_STATUS_NO_KEYBOARD, 0 };
    std::uint32_t count = 0;
    // Only the keyboard's own requests reach the ports; nothing while ending.
    if (m_ports != nullptr && !m_stopping && touchesKeyboard(request.code)) {
        const std::uint32_t inputLength = static_cast<std::uint32_t>(request.input.size());
        m_buffer.assign(std::max(inputLength, request.outputLength), 0);
        std::copy(request.input.begin(), request.input.end(), m_buffer.begin());
        const CQuietLine line(*m_ports);
        done = TavrinServeControl(line.Platform(), request.code, m_buffer.empty() ? nullptr : m_buffer.data(),
            inputLength, request.outputLength);
        if (TAVRIN_STATUS_IS_SUCCESS(done.status))
            count = std::min(done.information, request.outputLength);
    }
    return Answered(sendMonitorCompletion(m_channel, done, m_buffer.data(), count));
}

void CPortMonitor::Forward()
{
    m_stopping = true;
    m_killAt = Clock::now() + STOP_GRACE;
    ::kill(m_child, SIGTERM);
}

bool CPortMonitor::Relay()
{
    char chunk[RELAY_CHUNK];
    ssize_t n;
    while ((n = ::read(m_relayFd, chunk, sizeof chunk)) < 0 && errno == EINTR) { }
    for (std::size_t at = 0; n > 0 && at < static_cast<std::size_t>(n);) {
        pollfd out { STDERR_FILENO, POLLOUT, 0 };
        if (::poll(&out, 1, 0) <= 0)
            break;
        const std::size_t piece = std::min(RELAY_PIECE, static_cast<std::size_t>(n) - at);
        const ssize_t written = ::write(STDERR_FILENO, chunk + at, piece);
        if (written <= 0)
            break;
        at += static_cast<std::size_t>(written);
    }
    return n > 0;
}

int CPortMonitor::Reap()
{
    const Clock::time_point end = Clock::now() + REAP_GRACE;
    bool killed = false;
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(m_child, &status, WNOHANG);
        if (r == m_child)
            break;
        if (r < 0 && errno != EINTR)
            return EXIT_SERVING_LOST;
        if (!killed && Clock::now() >= end) {
            ::kill(m_child, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(REAP_STEP);
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    tell(texts::SERVING_LOST);
    return EXIT_SERVING_LOST;
}

} // namespace tavrin
