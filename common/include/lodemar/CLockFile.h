// A lock file (POSIX): an exclusive flock() on a file of this process's own,
// which the kernel drops however the holder ends, so a crashed holder never
// blocks the next one. The one way the suite holds such a lock: the
// program's single instance, a run's hold on a keyboard, the real
// keyboard's host.
//
// The file is opened relative to a folder without following a link, and it
// must be a regular file of this process's user with a single name (a
// second name would let another user aim what is written into it
// elsewhere). Waits never block; a signal never makes a take fail.
#pragma once

#include <sys/types.h>

#include <string>

namespace lodemar {

enum class LockResult {
    Held,
    InUse, // another process holds it
    Refused, // a link, not a regular file of ours, or one with several names
    Failed, // could not be opened or locked; Error() says why
};

class CLockFile {
public:
    CLockFile() = default;
    ~CLockFile();
    CLockFile(const CLockFile&) = delete;
    CLockFile& operator=(const CLockFile&) = delete;

    // Opens (creating it with mode) name in the folder folderFd (AT_FDCWD:
    // name is a path) and takes the lock. The mode of a file of ours that
    // has another is set. After InUse, FirstLine() still reads the file.
    LockResult Take(int folderFd, const std::string& name, mode_t mode);
    bool Held() const { return m_held; }
    int Fd() const { return m_fd; }
    int Error() const { return m_error; }

    // The file's first line, at most limit bytes of it.
    std::string FirstLine(std::size_t limit = 128) const;
    // Replaces the file's contents with line.
    bool WriteLine(const std::string& line);
    // Drops the lock and closes the file.
    void Release();

private:
    int m_fd = -1;
    int m_error = 0;
    bool m_held = false;
};

// flock() without waiting, tried again when a signal interrupts it: 0, or
// the errno (EWOULDBLOCK: another process holds it).
int tryFlock(int fd, int operation);

} // namespace lodemar
