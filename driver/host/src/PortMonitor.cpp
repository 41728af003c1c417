#include "PortMonitor.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "HostBackend.h"
#include "HostOptions.h"
#include "HostTexts.h"
#include "SerioPort.h"

namespace tavrin {

namespace {

using Clock = std::chrono::steady_clock;

// A request is never cut off; the longest, a read-out from a keyboard that
// keeps sending, stays well within this.
constexpr auto STOP_GRACE = std::chrono::seconds(30);
// A serving process that has closed its end is on its way out.
constexpr auto REAP_GRACE = std::chrono::seconds(2);
constexpr auto REAP_STEP = std::chrono::milliseconds(5);

int millisecondsUntil(Clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(left > 0 ? left : 0);
}

} // namespace

CPortMonitor::CPortMonitor(CSerioPort* port, int channelFd, pid_t child, int signalFd)
    : port_(port)
    , channel_(channelFd)
    , child_(child)
    , signalFd_(signalFd)
{
}

int CPortMonitor::Run()
{
    Clock::time_point killAt {};
    for (;;) {
        pollfd fds[2] = { { channel_, POLLIN, 0 }, { signalFd_, POLLIN, 0 } };
        const int ready = ::poll(fds, 2, stopping_ ? millisecondsUntil(killAt) : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[1].revents != 0) {
            signalfd_siginfo info;
            if (::read(signalFd_, &info, sizeof info) > 0 && !stopping_) {
                Forward();
                killAt = Clock::now() + STOP_GRACE;
            }
        }
        if (ready > 0 && fds[0].revents != 0) {
            const MonitorRequest request = receiveMonitorRequest(channel_);
            if (request == MonitorRequest::End)
                break;
            if (request == MonitorRequest::Invalid) {
                tell(texts::MONITOR_BAD_REQUEST);
                ::kill(child_, SIGKILL);
                break;
            }
            Serve(request);
        }
        if (stopping_ && Clock::now() >= killAt) {
            ::kill(child_, SIGKILL);
            break;
        }
    }
    // Once the serving process has gone, no one holds the device any more.
    const int code = Reap();
    if (port_ != nullptr)
        port_->GiveBack();
    return code;
}

void CPortMonitor::Serve(MonitorRequest request)
{
    if (request == MonitorRequest::GiveBack) {
        if (port_ != nullptr)
            port_->GiveBack();
        sendMonitorReply(channel_, MONITOR_DONE);
        return;
    }
    std::string error;
    if (port_ == nullptr || stopping_ || !port_->Take(error)) {
        if (!error.empty())
            tell(error);
        sendMonitorReply(channel_, MONITOR_REFUSED);
        return;
    }
    // The device is the serving process's alone from here.
    const int device = port_->ReleaseDevice();
    sendMonitorReply(channel_, MONITOR_DONE, device);
    ::close(device);
}

void CPortMonitor::Forward()
{
    stopping_ = true;
    ::kill(child_, SIGTERM);
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
