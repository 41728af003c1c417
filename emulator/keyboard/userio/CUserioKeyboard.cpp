#include "CUserioKeyboard.h"

#include <linux/userio.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace kbemu {

namespace {

constexpr std::int64_t NS_PER_SECOND = 1000000000;
// What userio keeps for its reader; one read takes it all.
constexpr std::size_t USERIO_QUEUE = 16;
// Well below the 64 bytes serio_raw keeps for its reader.
constexpr std::int64_t CATCH_UP_BYTES = 8;

std::int64_t nowNs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t { t.tv_sec } * NS_PER_SECOND + t.tv_nsec;
}

int command(int device, std::uint8_t type, std::uint8_t data)
{
    const userio_cmd cmd { type, data };
    for (;;) {
        if (::write(device, &cmd, sizeof cmd) == static_cast<ssize_t>(sizeof cmd))
            return 0;
        if (errno != EINTR)
            return errno;
    }
}

} // namespace

CUserioKeyboard::CUserioKeyboard(CKeyboardFirmware& keyboard, std::int64_t byteNs)
    : m_keyboard(keyboard)
    , m_byteNs(std::max<std::int64_t>(0, byteNs))
{
}

int CUserioKeyboard::Register(int device, std::uint8_t portType)
{
    if (const int error = command(device, USERIO_CMD_SET_PORT_TYPE, portType))
        return error;
    return command(device, USERIO_CMD_REGISTER, 0);
}

std::int64_t CUserioKeyboard::NextEvent() const
{
    std::int64_t next = m_arrivals.empty() ? -1 : m_arrivals.front().at;
    if (m_sendAt >= 0 && (next < 0 || m_sendAt < next))
        next = m_sendAt;
    return next;
}

int CUserioKeyboard::Serve(int device, int stop)
{
    for (;;) {
        const std::int64_t next = NextEvent();
        const std::int64_t wait = next < 0 ? -1 : std::max<std::int64_t>(0, next - nowNs());
        timespec limit { static_cast<time_t>(wait / NS_PER_SECOND), static_cast<long>(wait % NS_PER_SECOND) };
        pollfd fds[2] = { { device, POLLIN, 0 }, { stop, POLLIN, 0 } };
        if (::ppoll(fds, 2, wait < 0 ? nullptr : &limit, nullptr) < 0 && errno != EINTR)
            return errno;
        if (fds[1].revents != 0)
            return 0;
        const std::int64_t now = nowNs();
        if ((fds[0].revents & POLLIN) != 0)
            if (const int error = Receive(device, now))
                return error;
        if (const int error = Send(device, now))
            return error;
    }
}

int CUserioKeyboard::Receive(int device, std::int64_t now)
{
    std::uint8_t bytes[USERIO_QUEUE];
    const ssize_t n = ::read(device, bytes, sizeof bytes);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN ? 0 : errno;
    for (ssize_t i = 0; i < n; ++i)
        m_arrivals.push_back({ now + m_byteNs, bytes[i] });
    return 0;
}

int CUserioKeyboard::Send(int device, std::int64_t now)
{
    while (!m_arrivals.empty() && m_arrivals.front().at <= now) {
        const Arrival arrival = m_arrivals.front();
        m_arrivals.pop_front();
        ++m_fromPc;
        m_keyboard.Receive(arrival.byte);
        // A byte from the PC ends a read-out: what was due is not sent.
        m_sendAt = -1;
        m_lineFree = std::max(m_lineFree, arrival.at);
    }
    for (;;) {
        if (!m_keyboard.HasOutput()) {
            m_sendAt = -1;
            return 0;
        }
        if (m_sendAt < 0)
            m_sendAt = std::max(m_lineFree, now) + m_byteNs;
        if (m_sendAt > now)
            return 0;
        if (const int error = command(device, USERIO_CMD_SEND_INTERRUPT, m_keyboard.TakeOutput()))
            return error;
        ++m_toPc;
        // Counted from when it was due, so the pace holds on average where
        // the timers fire late (a virtual machine), but a long stall is not
        // made up by more than a few bytes back to back.
        m_lineFree = std::max(m_sendAt, now - CATCH_UP_BYTES * m_byteNs);
        m_sendAt = m_lineFree + m_byteNs;
    }
}

} // namespace kbemu
