// Child processes of the backend: the driver host it starts, directly or
// through pkexec. Started with posix_spawn (safe in a threaded program),
// in this process's group so that a terminal's interrupt ends both.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace driverchannel::posix {

// Starts argv[0], an absolute path; -1 on failure (also for a relative one).
pid_t spawnProcess(const std::vector<std::string>& argv);

enum class ChildState {
    Running,
    Ended, // reaped now
    Unknown, // not our child (or already reaped)
};

ChildState pollChild(pid_t pid);

// Waits up to timeoutMs for the child to end; true once it is no longer a
// running child of ours (reaped now, or not ours to wait for).
bool waitForChild(pid_t pid, int timeoutMs);

// Asks the child to end (SIGTERM), then kills it after graceMs. A child we
// may not signal (one that runs as root through pkexec) is left alone.
// True when it no longer runs as our child.
bool endChild(pid_t pid, int graceMs);

} // namespace driverchannel::posix
