// One run of a keyboard at a time. A run holds an exclusive flock() on
// ID.lock in the user's private runtime folder from Load until its host
// has stopped; the file holds "<pid> <program name>\n" so that a second run
// can say who is using the keyboard. The kernel drops the lock however the
// holder ends (a killed run never blocks the next). The holder removes the
// file while it still holds it, and a lock won on a file that is no longer
// the one at its path is taken again, so two runs never both hold it.
//
// The real keyboard's root host keeps a lock of its own for its whole life,
// which covers the runs of other users; only root can take it, and the host
// publishes who holds it in a record (tavrin/TavrinHolder.h) that
// hardwareHostHolder reads.
#pragma once

#include <lodemar/CLockFile.h>

#include <optional>
#include <string>

namespace driverchannel::posix {

// How a holder is described to the user.
inline constexpr char HOLDER_PROCESS[] = "process %ld (%s)"; // pid, program name
inline constexpr char HOLDER_PROCESS_UNNAMED[] = "process %ld"; // pid
inline constexpr char HOLDER_OF_USER[] = "%s of user %s"; // process, user name or number
inline constexpr char HOLDER_UNKNOWN[] = "another program";

enum class LockState {
    Held,
    InUse, // another process holds it
    Failed, // the file cannot be opened, is not ours or not a regular file
};

class CKeyboardLock {
public:
    CKeyboardLock() = default;
    ~CKeyboardLock();
    CKeyboardLock(const CKeyboardLock&) = delete;
    CKeyboardLock& operator=(const CKeyboardLock&) = delete;

    // Takes the lock file at path (in a private folder of ours), recording
    // this process in it. On InUse, holder describes the process that holds
    // it. Held at once when this object holds it already.
    LockState Take(const std::string& path, std::string& holder);
    // Removes the file and drops the lock.
    void Release();
    bool Held() const { return m_lock.Held(); }

private:
    lodemar::CLockFile m_lock;
    std::string m_path;
};

// Who holds the real keyboard through its root host, from the host's record
// at path, e.g. "process 4711 (lodemar) of user ann"; nothing when no live
// host wrote it (or there is none).
std::optional<std::string> hardwareHostHolder(const std::string& path);

} // namespace driverchannel::posix
