// The host's own 1 ms wait, run here as many times as a write waits: what
// the machine's timers cost at the moment, which no path through the host
// can beat. A benchmark reports its ratio beside the write's.
#pragma once

#include <sys/prctl.h>

#include <chrono>
#include <cstddef>

#include "HostClock.h"

inline double machineWaitSeconds(std::size_t waits)
{
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); // as the host sets it
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < waits; ++i)
        tavrin::waitOneMillisecond();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
