// Waits bounded by a moment on the steady clock: what poll() and its kind
// take as a time-out.
#pragma once

#include <algorithm>
#include <chrono>

namespace lodemar {

// The longest time-out ever handed to the system in one call; a caller that
// waits longer loops.
inline constexpr long long MAX_WAIT_MS = 24LL * 60 * 60 * 1000;

// Milliseconds from now until when, rounded up, 0 once it has passed.
inline int millisecondsUntil(std::chrono::steady_clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, MAX_WAIT_MS));
}

} // namespace lodemar
