#include "kbemu/KeyboardFaultNames.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace kbemu {

bool addFaultByName(std::string_view name, EmulatedFaults& faults)
{
    constexpr std::string_view STALL = "stall=";
    if (name == "silent") {
        faults.keyboard.silent = true;
    } else if (name == "refuse") {
        faults.keyboard.refuse = true;
    } else if (name == "endless") {
        faults.keyboard.endless = true;
    } else if (name == "busy") {
        faults.busyController = true;
    } else if (name.substr(0, STALL.size()) == STALL) {
        const std::string_view count = name.substr(STALL.size());
        std::uint64_t n = 0;
        const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
        if (count.empty() || ec != std::errc() || end != count.data() + count.size()
            || n > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return false;
        faults.keyboard.stallAfter = static_cast<std::int64_t>(n);
    } else {
        return false;
    }
    return true;
}

} // namespace kbemu
