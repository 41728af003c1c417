#include "MonitorProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <lodemar/Deadline.h>

namespace tavrin {

namespace {

// Room for one descriptor's control message, aligned as cmsghdr wants.
union ControlBuffer {
    char bytes[CMSG_SPACE(sizeof(int))];
    cmsghdr align;
};

void putWord(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t word(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16
        | std::uint32_t(at[3]) << 24;
}

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
    while ((n = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT)) < 0 && errno == EINTR) { }
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

bool sendWhole(int fd, const void* data, std::size_t size, void* control, std::size_t controlSize)
{
    iovec io { const_cast<void*>(data), size };
    msghdr message {};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = controlSize;
    ssize_t n;
    while ((n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT)) < 0 && errno == EINTR) { }
    return n == static_cast<ssize_t>(size);
}

// Waits up to the deadline for the monitor's answer to arrive.
bool awaitAnswer(int fd, std::chrono::steady_clock::time_point end)
{
    pollfd p { fd, POLLIN, 0 };
    for (;;) {
        const int ready = ::poll(&p, 1, lodemar::millisecondsUntil(end));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

MonitorMessage parseMonitorRequest(
    const std::uint8_t* data, std::size_t size, bool truncated, bool descriptors)
{
    MonitorMessage message;
    if (size == 0 && !truncated && !descriptors) {
        message.kind = MonitorRequest::End;
        return message;
    }
    if (size == 0 || truncated || descriptors)
        return message;
    if (size == 1 && data[0] == MONITOR_TAKE)
        message.kind = MonitorRequest::Take;
    else if (size == 1 && data[0] == MONITOR_GIVE_BACK)
        message.kind = MonitorRequest::GiveBack;
    else if (data[0] == MONITOR_EXCHANGE && size >= MONITOR_HEADER_SIZE) {
        const std::uint32_t inputLength = word(data + 5);
        const std::uint32_t outputLength = word(data + 9);
        if (inputLength > MONITOR_MAX_INPUT || outputLength > MONITOR_MAX_OUTPUT
            || size != MONITOR_HEADER_SIZE + inputLength)
            return message;
        message.kind = MonitorRequest::Exchange;
        message.code = word(data + 1);
        message.outputLength = outputLength;
        message.input.assign(data + MONITOR_HEADER_SIZE, data + size);
    }
    return message;
}

MonitorMessage receiveMonitorRequest(int fd)
{
    // One byte more than any request, so a longer message shows as such.
    std::uint8_t data[MONITOR_HEADER_SIZE + MONITOR_MAX_INPUT + 1] = {};
    bool truncated = false;
    bool descriptors = false;
    const ssize_t n = receive(fd, data, sizeof data, truncated, descriptors, nullptr);
    if (n < 0) {
        MonitorMessage end;
        end.kind = MonitorRequest::End;
        return end;
    }
    return parseMonitorRequest(data, static_cast<std::size_t>(n), truncated, descriptors);
}

bool sendMonitorReply(int fd, std::uint8_t reply, int deviceFd)
{
    ControlBuffer control {};
    if (deviceFd < 0)
        return sendWhole(fd, &reply, 1, nullptr, 0);
    msghdr layout {};
    layout.msg_control = control.bytes;
    layout.msg_controllen = sizeof control.bytes;
    cmsghdr* c = CMSG_FIRSTHDR(&layout);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &deviceFd, sizeof deviceFd);
    return sendWhole(fd, &reply, 1, control.bytes, sizeof control.bytes);
}

bool sendMonitorCompletion(
    int fd, const TavrinCompletion& done, const std::uint8_t* output, std::uint32_t count)
{
    std::vector<std::uint8_t> message { MONITOR_COMPLETED };
    putWord(message, done.status);
    putWord(message, done.information);
    putWord(message, count);
    message.insert(message.end(), output, output + count);
    return sendWhole(fd, message.data(), message.size(), nullptr, 0);
}

bool askMonitor(int fd, std::uint8_t request, int timeoutMs, int* deviceFd)
{
    if (deviceFd != nullptr)
        *deviceFd = -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!sendWhole(fd, &request, 1, nullptr, 0) || !awaitAnswer(fd, end))
        return false;
    std::uint8_t reply = 0;
    bool truncated = false;
    bool descriptors = false;
    int device = -1;
    const ssize_t n = receive(fd, &reply, 1, truncated, descriptors, &device);
    const bool done = n == 1 && !truncated && reply == MONITOR_DONE
        && (request != MONITOR_TAKE || (device >= 0 && deviceFd != nullptr));
    if (done && deviceFd != nullptr && request == MONITOR_TAKE)
        *deviceFd = device;
    else if (device >= 0)
        ::close(device);
    return done;
}

bool askMonitorExchange(int fd, std::uint32_t code, const std::uint8_t* input, std::uint32_t inputLength,
    std::uint8_t* output, std::uint32_t outputLength, int timeoutMs, TavrinCompletion& done,
    std::uint32_t& count)
{
    count = 0;
    if (inputLength > MONITOR_MAX_INPUT || outputLength > MONITOR_MAX_OUTPUT)
        return false;
    std::vector<std::uint8_t> message { MONITOR_EXCHANGE };
    putWord(message, code);
    putWord(message, inputLength);
    putWord(message, outputLength);
    message.insert(message.end(), input, input + inputLength);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!sendWhole(fd, message.data(), message.size(), nullptr, 0) || !awaitAnswer(fd, end))
        return false;
    std::vector<std::uint8_t> reply(MONITOR_HEADER_SIZE + outputLength + 1);
    bool truncated = false;
    bool descriptors = false;
    const ssize_t n = receive(fd, reply.data(), reply.size(), truncated, descriptors, nullptr);
    if (n < static_cast<ssize_t>(MONITOR_HEADER_SIZE) || truncated || descriptors
        || reply[0] != MONITOR_COMPLETED)
        return false;
    const std::uint32_t sent = word(reply.data() + 9);
    if (sent > outputLength || static_cast<std::size_t>(n) != MONITOR_HEADER_SIZE + sent)
        return false;
    done = TavrinCompletion { word(reply.data() + 1), word(reply.data() + 5) };
    std::memcpy(output, reply.data() + MONITOR_HEADER_SIZE, sent);
    count = sent;
    return true;
}

} // namespace tavrin
