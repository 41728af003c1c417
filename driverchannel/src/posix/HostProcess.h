// Child processes of the backend: the driver host it starts, directly or
// through pkexec. Started with posix_spawn (safe in a threaded program),
// in this process's group so that a terminal's interrupt ends both.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace driverchannel::posix {

// What a started host (or pkexec) says on its standard error. A pipe whose
// writing end never blocks, so a host is never held up by a reader that is
// busy; what comes while the host starts is kept, for the reason when it
// does not, and once it serves everything is passed on to our own standard
// error as it is read.
class CHostOutput {
public:
    CHostOutput() = default;
    ~CHostOutput();
    CHostOutput(const CHostOutput&) = delete;
    CHostOutput& operator=(const CHostOutput&) = delete;

    bool Open();
    int WriteEnd() const { return m_write; }
    // After the spawn: the child holds it now.
    void CloseWriteEnd();
    // Takes what is there.
    void Drain();
    // Passes what was kept on, and from now on what comes.
    void Forward();
    // The lines kept (at most the last few kilobytes), without their ends.
    std::vector<std::string> Lines() const;

private:
    int m_read = -1;
    int m_write = -1;
    bool m_forward = false;
    std::string m_kept;
};

// Starts argv[0], an absolute path, with standard error to errorFd when it
// is given (inherited otherwise); -1 on failure (also for a relative path).
pid_t spawnProcess(const std::vector<std::string>& argv, int errorFd = -1);

enum class ChildState {
    Running,
    Ended, // reaped now; its wait status in *status
    Unknown, // not our child (or already reaped)
};

ChildState pollChild(pid_t pid, int* status = nullptr);

// Waits up to timeoutMs for the child to end; true once it is no longer a
// running child of ours (reaped now, or not ours to wait for).
bool waitForChild(pid_t pid, int timeoutMs);

// Asks the child to end (SIGTERM), then kills it after graceMs. A child we
// may not signal (one that runs as root through pkexec) is left alone.
// True when it no longer runs as our child.
bool endChild(pid_t pid, int graceMs);

} // namespace driverchannel::posix
