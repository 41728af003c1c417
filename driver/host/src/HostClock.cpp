#include "HostClock.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

namespace tavrin {

namespace {

constexpr long NANOSECONDS_PER_SECOND = 1000000000L;
constexpr long WAIT_NANOSECONDS = 1000000L;
constexpr long SPIN_NANOSECONDS = 80000L; // wake this early and spin the rest

timespec add(timespec t, long nanoseconds)
{
    t.tv_nsec += nanoseconds;
    while (t.tv_nsec >= NANOSECONDS_PER_SECOND) {
        t.tv_nsec -= NANOSECONDS_PER_SECOND;
        ++t.tv_sec;
    }
    while (t.tv_nsec < 0) {
        t.tv_nsec += NANOSECONDS_PER_SECOND;
        --t.tv_sec;
    }
    return t;
}

bool before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Since when the line has been quiet (markLineQuiet), for the next wait
// only. A host serves one keyboard from one thread.
timespec quietSince {};
bool quietMarked = false;

const TavrinPlatform& inner(void* context)
{
    return *static_cast<const TavrinPlatform*>(context);
}

} // namespace

void markLineQuiet()
{
    clock_gettime(CLOCK_MONOTONIC, &quietSince);
    quietMarked = true;
}

void waitOneMillisecond()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec start = quietMarked && before(quietSince, now) ? quietSince : now;
    quietMarked = false;
    const timespec deadline = add(start, WAIT_NANOSECONDS);
    const timespec wake = add(deadline, -SPIN_NANOSECONDS);
    if (before(now, wake))
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) { }
    do {
        clock_gettime(CLOCK_MONOTONIC, &now);
    } while (before(now, deadline));
}

void traceToStandardError(const char* line)
{
    const std::size_t length = std::strlen(line);
    std::fputs(line, stderr);
    if (length == 0 || line[length - 1] != '\n')
        std::fputc('\n', stderr);
}

TavrinPlatform realKeyboardPlatform(void* context, bool trace)
{
    TavrinPlatform p {};
    p.context = context;
    p.waitOneMillisecond = [](void*) { waitOneMillisecond(); };
    if (trace)
        p.trace = [](void*, const char* line) { traceToStandardError(line); };
    p.obtainScratch
        = [](void*, std::uint32_t size, std::uint32_t) { return new (std::nothrow) std::uint8_t[size]; };
    p.releaseScratch = [](void*, std::uint8_t* block, std::uint32_t) { delete[] block; };
    return p;
}

CQuietLine::CQuietLine(const TavrinPlatform& ports)
    : m_ports(ports)
    , m_platform(ports)
{
    m_platform.context = &m_ports;
    m_platform.readPort = [](void* c, std::uint16_t port) {
        const TavrinPlatform& p = inner(c);
        const std::uint8_t value = p.readPort(p.context, port);
        if (port == KBC_DATA_PORT)
            markLineQuiet();
        return value;
    };
    m_platform.writePort = [](void* c, std::uint16_t port, std::uint8_t value) {
        const TavrinPlatform& p = inner(c);
        p.writePort(p.context, port, value);
    };
    m_platform.waitOneMillisecond = [](void* c) {
        const TavrinPlatform& p = inner(c);
        p.waitOneMillisecond(p.context);
    };
    if (ports.trace != nullptr)
        m_platform.trace = [](void* c, const char* line) {
            const TavrinPlatform& p = inner(c);
            p.trace(p.context, line);
        };
    m_platform.obtainScratch = [](void* c, std::uint32_t size, std::uint32_t tag) {
        const TavrinPlatform& p = inner(c);
        return p.obtainScratch(p.context, size, tag);
    };
    m_platform.releaseScratch = [](void* c, std::uint8_t* block, std::uint32_t tag) {
        const TavrinPlatform& p = inner(c);
        p.releaseScratch(p.context, block, tag);
    };
}

} // namespace tavrin
