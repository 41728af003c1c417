// One copy of the program at a time. On Windows the named mutex; elsewhere
// an exclusive lock on a file of that name in the user's private folder of
// the suite (the driver channel's, mode 0700), which the system drops when
// the holder ends, however it ends. The first copy also listens there for
// later copies, which ask it to bring its window to the front.
//
//   CSingleInstance instance;
//   if (instance.Acquire() == InstanceState::AlreadyRunning)
//       instance.AskRunningCopyToShow(SHOW_REQUEST_LIMIT_MS);
#pragma once

#include <cstdint>
#include <string>

namespace app {

// The name of the one object that lets one copy of the program run.
inline constexpr const char* SINGLE_INSTANCE_NAME = "TAVRIN_LODEMAR";

enum class InstanceState {
    Acquired, // this copy is the first
    AlreadyRunning, // another copy holds the name
    Refused, // the lock file or its folder is not this user's own, or is a link
    Unavailable, // the object could not be made: carry on as the first copy
};

// What a later copy sends the first one, and the first one's answer.
inline constexpr char SHOW_REQUEST[] = "show\n";
inline constexpr char SHOW_ANSWER[] = "shown\n";
// How long a later copy waits for the first one to answer (the first may
// still be starting).
inline constexpr int SHOW_REQUEST_LIMIT_MS = 3000;

class CSingleInstance {
public:
    explicit CSingleInstance(std::string name);
    CSingleInstance();
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    InstanceState Acquire();
    // Gives the name up and stops listening (also done on destruction).
    void Release();
    bool IsHeld() const;

    const std::string& Name() const { return m_name; }
    // After Refused: the file or folder that is not this user's own.
    const std::string& RefusedPath() const { return m_refusedPath; }

    // The first copy: listens for later copies. Returns a descriptor that
    // becomes readable when one asks, -1 when none can be had (and on
    // Windows).
    int Listen();
    // Answers one waiting request; true when it asked for the window.
    bool TakeShowRequest();
    // A later copy: asks the first one to show its window; true when it
    // answered within timeoutMs. False on Windows.
    bool AskRunningCopyToShow(int timeoutMs);

    // POSIX: the lock file and the listening socket of a name in the
    // private folder (<folder>/<name>.lock, .sock). Empty on Windows.
    static std::string LockPathOf(const std::string& name);
    static std::string ServerPathOf(const std::string& name);

private:
    std::string m_name;
    std::string m_refusedPath;
    std::intptr_t m_native; // file descriptor or mutex handle
    int m_listener = -1;
    std::string m_serverPath;
};

} // namespace app
