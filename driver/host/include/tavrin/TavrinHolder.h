// The record of who holds the real keyboard's host lock (RUN_HOLDER_NAME in
// TavrinPaths.h): one line written by the host that holds the lock,
//
//   "<host pid> <host start time> <caller pid> <caller uid>\n"
//
// the host's start time being field 22 of /proc/PID/stat, so that a record
// left by a host killed outright is never taken for a live one whose pid
// came round again. Readers are other users' runs (to say who holds the
// keyboard before asking for a password) and a second host. Linux only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace tavrin {

struct HostHolder {
    long hostPid = 0;
    std::uint64_t hostStart = 0;
    long callerPid = 0;
    std::uint32_t callerUid = 0;
};

inline std::string formatHolder(const HostHolder& holder)
{
    return std::to_string(holder.hostPid) + " " + std::to_string(holder.hostStart) + " "
        + std::to_string(holder.callerPid) + " " + std::to_string(holder.callerUid) + "\n";
}

[[nodiscard]] inline std::optional<HostHolder> parseHolder(const std::string& line)
{
    std::istringstream in(line);
    HostHolder holder;
    long long uid = -1;
    std::string rest;
    if (!(in >> holder.hostPid >> holder.hostStart >> holder.callerPid >> uid) || (in >> rest)
        || holder.hostPid <= 0 || holder.callerPid <= 0 || uid < 0 || uid >= 0xFFFFFFFFLL)
        return std::nullopt;
    holder.callerUid = static_cast<std::uint32_t>(uid);
    return holder;
}

// Field 22 of /proc/PID/stat ("self" for this process): when the process
// started, in clock ticks since boot; 0 when it cannot be read.
inline std::uint64_t processStartTime(const std::string& pid)
{
    std::ifstream in("/proc/" + pid + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The name (field 2) may hold anything but ends at the last ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int number = 3; fields >> field; ++number)
        if (number == 22)
            return std::strtoull(field.c_str(), nullptr, 10);
    return 0;
}

// The holder as long as it is the live process that wrote the record.
inline bool holderAlive(const HostHolder& holder)
{
    return holder.hostStart != 0 && processStartTime(std::to_string(holder.hostPid)) == holder.hostStart;
}

} // namespace tavrin
