// The folder the host's socket (and, for the real keyboard, its lock and the
// record of the held keyboard port) lives in. Everything inside is reached
// relative to the folder's descriptor, never through a path a user could
// change between two steps.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include <lodemar/CLockFile.h>

namespace tavrin {

class CHostFolder {
public:
    CHostFolder() = default;
    ~CHostFolder();
    CHostFolder(const CHostFolder&) = delete;
    CHostFolder& operator=(const CHostFolder&) = delete;

    // The fixed runtime folder (absolute path): created root-owned 0755 when
    // missing; it and every folder above it must be root's, writable by no
    // one else, and not a link. EXIT_SERVED or EXIT_SETUP with a message.
    int OpenFixed(const std::string& path, std::string& error);
    // The folder of a socket path the (unprivileged) caller chose.
    int OpenBeside(const std::string& socketPath, std::string& error);

    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    const std::string& SocketName() const { return m_socketName; }
    std::string SocketPath() const { return m_path + "/" + m_socketName; }
    // Nobody but this user or root can remove or replace names inside.
    bool Safe() const { return m_safe; }

    // Holds the lock file (root's alone) for the host's life and writes who
    // holds it into the holder's record (TavrinHolder.h). EXIT_SERVED;
    // EXIT_IN_USE naming the holder; EXIT_SETUP.
    int Lock(pid_t callerPid, std::uint32_t callerUid, std::string& error);
    // Opens (creating) a regular file of this process's user inside the
    // folder, never through a link; -1 with a message.
    int OpenOwnFile(const char* name, mode_t mode, std::string& error);

private:
    // Who holds the lock, as the holder's record says, for the message.
    std::string Holder() const;

    int m_fd = -1;
    lodemar::CLockFile m_lock;
    int m_holderFd = -1;
    std::string m_path;
    std::string m_socketName;
    bool m_safe = false;
};

} // namespace tavrin
