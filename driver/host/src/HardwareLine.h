// The command line of the real keyboard's host. The program pkexec starts
// parses no general option syntax: it knows four words, and when privileged
// it accepts only "--hardware [--trace]". A test build of the host links its
// own parser instead (driver/host/testing/), which also names stand-in
// folders and bounds; the installed program has no such options.
#pragma once

#include <string>

#include "HostSettings.h"

namespace tavrin {

struct HardwareLine {
    HostSettings settings;
    bool help = false;
    bool version = false;
};

// argv as main() got it; pkexecUid: the PKEXEC_UID environment value, or
// null. Sets the caller's uid (PKEXEC_UID, else the real uid). False with a
// message on anything else.
[[nodiscard]] bool parseHardwareLine(
    int argc, const char* const* argv, const char* pkexecUid, HardwareLine& line, std::string& error);

} // namespace tavrin
