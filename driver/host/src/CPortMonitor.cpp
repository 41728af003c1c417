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
    : port_(port)
    , ports_(ports)
    , channel_(channelFd)
    , child_(child)
    , signalFd_(signalFd)
    , relayFd_(relayFd)
    , parentFd_(parentFd)
{
}

int CPortMonitor::Run()
{
    for (;;) {
        // poll skips the negative descriptors: no relay, no parent to watch.
        pollfd fds[4] = { { channel_, POLLIN, 0 }, { signalFd_, POLLIN, 0 }, { relayFd_, POLLIN, 0 },
            { stopping_ ? -1 : parentFd_, POLLIN, 0 } };
        const int ready = ::poll(fds, 4, stopping_ ? lodemar::millisecondsUntil(killAt_) : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[1].revents != 0) {
            signalfd_siginfo info;
            if (::read(signalFd_, &info, sizeof info) > 0 && !stopping_)
                Forward();
        }
        if (ready > 0 && fds[3].revents != 0 && !stopping_)
            Forward();
        if (ready > 0 && relayFd_ >= 0 && fds[2].revents != 0)
            Relay();
        if (ready > 0 && fds[0].revents != 0) {
            const MonitorMessage request = receiveMonitorRequest(channel_);
            if (request.kind == MonitorRequest::End)
                break;
            if (!Serve(request)) {
                ::kill(child_, SIGKILL);
                break;
            }
        }
        if (stopping_ && Clock::now() >= killAt_) {
            ::kill(child_, SIGKILL);
            break;
        }
    }
    // Once the serving process has gone, no one holds the device any more.
    const int code = Reap();
    while (relayFd_ >= 0 && Relay()) { } // its last words
    if (port_ != nullptr)
        port_->GiveBack();
    return code;
}

bool CPortMonitor::Serve(const MonitorMessage& request)
{
    switch (request.kind) {
    case MonitorRequest::GiveBack:
        if (port_ != nullptr)
            port_->GiveBack();
        return Answered(sendMonitorReply(channel_, MONITOR_DONE));
    case MonitorRequest::Take: {
        std::string error;
        if (port_ == nullptr || stopping_ || !port_->Take(error)) {
            if (!error.empty())
                tell(error);
            return Answered(sendMonitorReply(channel_, MONITOR_REFUSED));
        }
        // The device is the serving process's alone from here.
        const int device = port_->ReleaseDevice();
        const bool sent = sendMonitorReply(channel_, MONITOR_DONE, device);
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
    if (ports_ != nullptr && !stopping_ && touchesKeyboard(request.code)) {
        const std::uint32_t inputLength = static_cast<std::uint32_t>(request.input.size());
        buffer_.assign(std::max(inputLength, request.outputLength), 0);
        std::copy(request.input.begin(), request.input.end(), buffer_.begin());
        done = TavrinServeControl(ports_, request.code, buffer_.empty() ? nullptr : buffer_.data(),
            inputLength, request.outputLength);
        if (TAVRIN_STATUS_IS_SUCCESS(done.status))
            count = std::min(done.information, request.outputLength);
    }
    return Answered(sendMonitorCompletion(channel_, done, buffer_.data(), count));
}

void CPortMonitor::Forward()
{
    stopping_ = true;
    killAt_ = Clock::now() + STOP_GRACE;
    ::kill(child_, SIGTERM);
}

bool CPortMonitor::Relay()
{
    char chunk[RELAY_CHUNK];
    ssize_t n;
    while ((n = ::read(relayFd_, chunk, sizeof chunk)) < 0 && errno == EINTR) { }
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
        const pid_t r = ::waitpid(child_, &status, WNOHANG);
        if (r == child_)
            break;
        if (r < 0 && errno != EINTR)
            return EXIT_SERVING_LOST;
        if (!killed && Clock::now() >= end) {
            ::kill(child_, SIGKILL);
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
