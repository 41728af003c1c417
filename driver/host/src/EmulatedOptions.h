// The command line of tavrin-emu, the emulated keyboard's host, which runs
// as the user who starts it (parsed with CLI11 through lodemar/CommandLine.h,
// like the suite's other headless programs). Its test options (other
// connection bounds) stay out of the usage text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <kbemu/KeyboardFaultNames.h>

#include "HostSettings.h"

namespace tavrin {

struct EmulatedOptions {
    HostSettings settings;
    std::string memoryFile; // --emulate
    kbemu::EmulatedFaults faults; // --fault
    std::optional<std::uint32_t> allowUid;
    bool help = false;
    bool version = false;
};

// Parses argv. Returns false with a message on a bad line.
[[nodiscard]] bool parseEmulatedOptions(
    int argc, const char* const* argv, EmulatedOptions& options, std::string& error);

} // namespace tavrin
