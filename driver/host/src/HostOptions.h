// Command line of the driver host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <kbemu/KeyboardFaultNames.h>
#include <lodemar/ExitCodes.h>

namespace tavrin {

// Exit codes of the host, from the suite's table.
inline constexpr int EXIT_SERVED = lodemar::EXIT_OK;
inline constexpr int EXIT_USAGE = lodemar::EXIT_USAGE;
// memory file, keyboard port, runtime folder or socket could not be had
inline constexpr int EXIT_SETUP = lodemar::EXIT_CANNOT_OPEN;
// another host already serves the socket or holds the keyboard
inline constexpr int EXIT_IN_USE = lodemar::EXIT_IN_USE;
// the real keyboard's serving process was killed
inline constexpr int EXIT_SERVING_LOST = lodemar::EXIT_SERVING_LOST;

// How long a connection may sit idle, and how long a request may stay half
// sent or a reply unread, before the host drops the connection.
inline constexpr int DEFAULT_IDLE_MS = 60000;
inline constexpr int DEFAULT_STALL_MS = 5000;
// How long the real keyboard's port stays with the host after the last
// request that used the keyboard. The packets of a transfer follow each
// other within milliseconds, and a check read-out follows a write at once;
// the user's typing comes back this long after the transfer.
inline constexpr int DEFAULT_RELEASE_MS = 1500;
inline constexpr int SIMULATED_DEVICE_SLACK_MS = 2000;

struct HostOptions {
    std::string socketPath; // empty with --hardware: the fixed runtime folder's socket
    std::string memoryFile; // set with --emulate
    bool hardware = false;
    kbemu::EmulatedFaults faults; // --fault
    std::optional<std::uint32_t> allowUid;
    bool trace = false;
    bool help = false;
    bool version = false;

    // Started with more rights than its caller (through pkexec, or set-id):
    // then only --hardware (and --trace) are accepted.
    bool privileged = false;
    std::uint32_t callerUid = 0; // the user the host serves

    // Test options of an unprivileged host: a stand-in sysfs and /dev for
    // the keyboard port, other connection bounds and port idle time.
    std::string sysfsRoot;
    std::string devRoot;
    int idleMs = DEFAULT_IDLE_MS;
    int stallMs = DEFAULT_STALL_MS;
    int releaseMs = DEFAULT_RELEASE_MS;

    // Set by the program, not the line: the keyboard port is simulated
    // (stand-in roots, or a test build whose fixed roots are stand-ins).
    // Raw port I/O is then never considered, and every wait for the serio
    // device may last SIMULATED_DEVICE_SLACK_MS longer: the simulated device
    // is a pseudo-terminal, whose bytes pass through a kernel worker that a
    // loaded machine has been seen to keep waiting for almost a second.
    bool simulatedKernel = false;
};

// How the process was started.
struct HostCaller {
    const char* pkexecUid = nullptr; // the PKEXEC_UID environment value, or null
    bool elevated = false; // real and effective user or group differ (set-id)
    std::uint32_t realUid = 0;
};

// Parses argv (with CLI11). Returns false with a message on a bad line,
// including any option but --hardware, --trace and --help when the caller is
// privileged.
bool parseHostOptions(
    int argc, const char* const* argv, const HostCaller& caller, HostOptions& options, std::string& error);

} // namespace tavrin
