// The host's own 1 ms wait, run here as many times as a write waits: what
// the machine's timers cost at the moment, which no path through the host
// can beat. A benchmark reports its ratio beside the write's.
#pragma once

#include <sys/prctl.h>

#include <benchmark/benchmark.h>

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

// The counters every write benchmark reports, for the seconds its writes of
// bytes took over all iterations and the machine's waits beside them; gives
// the floor of 1 ms per byte in seconds.
inline double reportWriteRatios(
    benchmark::State& state, double seconds, double waitSeconds, std::size_t bytes)
{
    const double floor = static_cast<double>(bytes) * 0.001 * static_cast<double>(state.iterations());
    state.counters["bytes_sent"] = static_cast<double>(bytes);
    state.counters["ratio_to_1ms_per_byte"] = seconds / floor;
    state.counters["machine_wait_ratio"] = waitSeconds / floor;
    state.counters["ratio_to_machine_waits"] = seconds / waitSeconds;
    return floor;
}
