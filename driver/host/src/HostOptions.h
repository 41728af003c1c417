// Command line of the driver host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <kbemu/KeyboardFirmware.h>
#include <lodemar/ExitCodes.h>

namespace tavrin {

// Exit codes of the host, from the suite's table.
inline constexpr int EXIT_SERVED = lodemar::EXIT_OK;
inline constexpr int EXIT_USAGE = lodemar::EXIT_USAGE;
// memory file, keyboard port, runtime folder or socket could not be had
inline constexpr int EXIT_SETUP = lodemar::EXIT_CANNOT_OPEN;
// another host already serves the socket or holds the keyboard
inline constexpr int EXIT_IN_USE = lodemar::EXIT_IN_USE;

// How long a connection may sit idle, and how long a request may stay half
// sent or a reply unread, before the host drops the connection.
inline constexpr int DEFAULT_IDLE_MS = 60000;
inline constexpr int DEFAULT_STALL_MS = 5000;

struct HostOptions {
    std::string socketPath; // empty with --hardware: the fixed runtime folder's socket
    std::string memoryFile; // set with --emulate
    bool hardware = false;
    kbemu::KeyboardFaults faults;
    bool busyController = false; // --fault busy
    std::optional<std::uint32_t> allowUid;
    bool trace = false;
    bool help = false;
    bool version = false;

    // Started with more rights than its caller (through pkexec, or set-id):
    // then only --hardware (and --trace) are accepted.
    bool privileged = false;
    std::uint32_t callerUid = 0; // the user the host serves

    // Test options of an unprivileged host: a stand-in sysfs and /dev for
    // the keyboard port, shorter connection bounds.
    std::string sysfsRoot;
    std::string devRoot;
    int idleMs = DEFAULT_IDLE_MS;
    int stallMs = DEFAULT_STALL_MS;

    // Set by the program, not the line: raw port I/O is considered only on
    // the real machine (no stand-in roots).
    bool rawPorts = false;
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
