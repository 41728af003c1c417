#include "HostNumbers.h"

#include <charconv>

#include "HostSettings.h"

namespace tavrin {

namespace {

bool parseNumber(std::string_view text, std::uint64_t& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

} // namespace

bool parseUid(std::string_view text, std::uint32_t& uid)
{
    std::uint64_t value = 0;
    if (!parseNumber(text, value) || value >= 0xFFFFFFFFu)
        return false;
    uid = static_cast<std::uint32_t>(value);
    return true;
}

bool parseMilliseconds(std::string_view text, int& ms)
{
    std::uint64_t value = 0;
    if (!parseNumber(text, value) || value == 0 || value > MAX_BOUND_MS)
        return false;
    ms = static_cast<int>(value);
    return true;
}

} // namespace tavrin
