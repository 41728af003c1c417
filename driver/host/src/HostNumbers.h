// Numbers on a host's command line and in its environment, checked strictly:
// decimal digits only, nothing after them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tavrin {

// A user id as pkexec writes it, below (uid_t)-1 (which means "no user").
[[nodiscard]] bool parseUid(std::string_view text, std::uint32_t& uid);
// A bound of 1 ms to MAX_BOUND_MS.
[[nodiscard]] bool parseMilliseconds(std::string_view text, int& ms);

} // namespace tavrin
