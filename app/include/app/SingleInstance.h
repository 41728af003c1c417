// One copy of the program at a time. On Windows the named mutex; elsewhere
// an exclusive lock on a file of that name in the user's runtime directory,
// which the system drops when the holder ends, however it ends.
//
//   CSingleInstance instance;
//   if (instance.Acquire() == InstanceState::AlreadyRunning)
//       return 0; // silently
#pragma once

#include <cstdint>
#include <string>

namespace app {

enum class InstanceState {
    Acquired, // this copy is the first
    AlreadyRunning, // another copy holds the name
    Unavailable, // the object could not be made: carry on as the first copy
};

class CSingleInstance {
public:
    explicit CSingleInstance(std::string name);
    CSingleInstance();
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    InstanceState Acquire();
    // Gives the name up (also done on destruction).
    void Release();
    bool IsHeld() const;

    const std::string& Name() const { return m_name; }

    // POSIX: the lock file for a name: $XDG_RUNTIME_DIR/<name>.lock, or
    // <temp>/<name>-<uid>.lock when there is no runtime directory. Empty on
    // Windows.
    static std::string LockPathOf(const std::string& name);

private:
    std::string m_name;
    std::intptr_t m_native; // file descriptor or mutex handle
};

} // namespace app
