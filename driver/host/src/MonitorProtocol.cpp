#include "MonitorProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tavrin {

namespace {

// Room for one descriptor's control message, aligned as cmsghdr wants.
union ControlBuffer {
    char bytes[CMSG_SPACE(sizeof(int))];
    cmsghdr align;
};

// Receives one message of at most size bytes; -1 on failure. Passed
// descriptors are closed unless wanted is given, which then takes the first.
ssize_t receive(int fd, std::uint8_t* data, std::size_t size, bool& truncated, bool& descriptors, int* wanted)
{
    iovec io { data, size };
    ControlBuffer control {};
    msghdr message {};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control.bytes;
    message.msg_controllen = sizeof control.bytes;
    ssize_t n;
    while ((n = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) { }
    truncated = (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
    descriptors = false;
    if (n < 0)
        return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int passed = -1;
            std::memcpy(&passed, CMSG_DATA(c) + i * sizeof(int), sizeof passed);
            descriptors = true;
            if (wanted != nullptr && *wanted < 0)
                *wanted = passed;
            else
                ::close(passed);
        }
    }
    return n;
}

} // namespace

MonitorRequest parseMonitorRequest(
    const std::uint8_t* data, std::size_t size, bool truncated, bool descriptors)
{
    if (size == 0 && !truncated && !descriptors)
        return MonitorRequest::End;
    if (size != 1 || truncated || descriptors)
        return MonitorRequest::Invalid;
    if (data[0] == MONITOR_TAKE)
        return MonitorRequest::Take;
    if (data[0] == MONITOR_GIVE_BACK)
        return MonitorRequest::GiveBack;
    return MonitorRequest::Invalid;
}

MonitorRequest receiveMonitorRequest(int fd)
{
    // One byte more than any request, so a longer message shows as such.
    std::uint8_t data[2] = {};
    bool truncated = false;
    bool descriptors = false;
    const ssize_t n = receive(fd, data, sizeof data, truncated, descriptors, nullptr);
    if (n < 0)
        return MonitorRequest::End;
    return parseMonitorRequest(data, static_cast<std::size_t>(n), truncated, descriptors);
}

bool sendMonitorReply(int fd, std::uint8_t reply, int deviceFd)
{
    iovec io { &reply, 1 };
    ControlBuffer control {};
    msghdr message {};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    if (deviceFd >= 0) {
        message.msg_control = control.bytes;
        message.msg_controllen = sizeof control.bytes;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &deviceFd, sizeof deviceFd);
    }
    ssize_t n;
    while ((n = ::sendmsg(fd, &message, MSG_NOSIGNAL)) < 0 && errno == EINTR) { }
    return n == 1;
}

bool askMonitor(int fd, std::uint8_t request, int timeoutMs, int* deviceFd)
{
    if (deviceFd != nullptr)
        *deviceFd = -1;
    ssize_t n;
    while ((n = ::send(fd, &request, 1, MSG_NOSIGNAL)) < 0 && errno == EINTR) { }
    if (n != 1)
        return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd p { fd, POLLIN, 0 };
    for (;;) {
        const auto left
            = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        const int ready = ::poll(&p, 1, static_cast<int>(left > 0 ? left : 0));
        if (ready > 0)
            break;
        if (ready == 0 || errno != EINTR)
            return false;
    }
    std::uint8_t reply = 0;
    bool truncated = false;
    bool descriptors = false;
    int device = -1;
    n = receive(fd, &reply, 1, truncated, descriptors, &device);
    const bool done = n == 1 && !truncated && reply == MONITOR_DONE
        && (request != MONITOR_TAKE || (device >= 0 && deviceFd != nullptr));
    if (done && deviceFd != nullptr && request == MONITOR_TAKE)
        *deviceFd = device;
    else if (device >= 0)
        ::close(device);
    return done;
}

} // namespace tavrin
