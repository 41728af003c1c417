// What a driver host serves with, whichever keyboard is behind it, and the
// host's exit codes.
#pragma once

#include <cstdint>
#include <string>

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
// The longest bound a test build may set.
inline constexpr int MAX_BOUND_MS = 24 * 60 * 60 * 1000;

struct HostSettings {
    bool trace = false; // the driver's trace lines on standard error
    // Empty for the real keyboard's host: the fixed runtime folder's socket.
    std::string socketPath;
    std::uint32_t callerUid = 0; // the user the host serves

    // Where the real keyboard's port is looked for (normally /sys and /dev).
    std::string sysfsRoot;
    std::string devRoot;
    int idleMs = DEFAULT_IDLE_MS;
    int stallMs = DEFAULT_STALL_MS;
    int releaseMs = DEFAULT_RELEASE_MS;

    // The keyboard port is simulated (stand-in roots in a test build). Raw
    // port I/O is then never considered, and every wait for the serio
    // device may last SIMULATED_DEVICE_SLACK_MS longer: the simulated device
    // is a pseudo-terminal, whose bytes pass through a kernel worker that a
    // loaded machine has been seen to keep waiting for almost a second.
    bool simulatedKernel = false;
    // The serving process's user in a test build (TAVRIN_SERVING_UID, which
    // needs no entry in the user database); -1: the suite's system user.
    long servingUid = -1;
};

} // namespace tavrin
