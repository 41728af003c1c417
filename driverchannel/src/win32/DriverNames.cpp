#include "DriverNames.h"

namespace driverchannel::win32::names {

std::string formatPath(std::string_view format, std::string_view first, std::string_view second)
{
    constexpr std::string_view PLACEHOLDER = "%s";
    const std::string_view args[] = { first, second };
    std::string out;
    out.reserve(format.size() + first.size() + second.size());
    std::size_t next = 0;
    while (!format.empty()) {
        const std::size_t at = format.find(PLACEHOLDER);
        if (at == std::string_view::npos || next == std::size(args)) {
            out += format;
            break;
        }
        out += format.substr(0, at);
        out += args[next++];
        format.remove_prefix(at + PLACEHOLDER.size());
    }
    return out;
}

} // namespace driverchannel::win32::names
