// Command line of the driver host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <kbemu/KeyboardFirmware.h>

namespace tavrin {

struct HostOptions {
    std::string socketPath;
    std::string memoryFile; // set with --emulate
    bool hardware = false;
    kbemu::KeyboardFaults faults;
    bool busyController = false; // --fault busy
    std::optional<std::uint32_t> allowUid;
    bool trace = false;
    bool help = false;
};

// Parses argv; pkexecUid is the PKEXEC_UID environment value (or null) that
// stands in for --allow-uid. Returns false with a message on a bad line.
bool parseHostOptions(
    int argc, const char* const* argv, const char* pkexecUid, HostOptions& options, std::string& error);

} // namespace tavrin
