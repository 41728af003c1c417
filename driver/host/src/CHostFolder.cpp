#include "CHostFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include <tavrin/TavrinHolder.h>
#include <tavrin/TavrinPaths.h>

#include "HostSettings.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr mode_t RUN_DIR_MODE = 0755;
constexpr mode_t LOCK_MODE = 0600; // a lock any user could open, any user could hold
constexpr mode_t HOLDER_MODE = 0644; // any user may read who holds the keyboard
constexpr int DIR_FLAGS = O_DIRECTORY | O_RDONLY | O_CLOEXEC | O_NOFOLLOW;

// Root's, and no one else can replace what is in it: writable by root alone,
// or sticky (like /tmp), where only an entry's owner may rename or remove it
// and every entry below is checked to be root's in turn.
bool rootOnly(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == 0
        && ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0);
}

std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = path.find('/', at);
        const std::string part = path.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!part.empty())
            parts.push_back(part);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return parts;
}

} // namespace

CHostFolder::~CHostFolder()
{
    // Cleared while the lock is still held: nobody else writes it meanwhile.
    if (m_holderFd >= 0) {
        (void)!::ftruncate(m_holderFd, 0);
        ::close(m_holderFd);
    }
    m_lock.Release();
    if (m_fd >= 0)
        ::close(m_fd);
}

int CHostFolder::OpenFixed(const std::string& path, std::string& error)
{
    const std::vector<std::string> parts = components(path);
    if (path.empty() || path[0] != '/' || parts.empty()) {
        error = texts::RUN_DIR_UNSAFE + path;
        return EXIT_SETUP;
    }
    int fd = ::open("/", DIR_FLAGS);
    struct stat st;
    std::string walked;
    for (std::size_t i = 0; fd >= 0 && i < parts.size(); ++i) {
        if (::fstat(fd, &st) != 0 || !rootOnly(st)) {
            ::close(fd);
            error = texts::RUN_DIR_UNSAFE + (walked.empty() ? std::string("/") : walked);
            return EXIT_SETUP;
        }
        walked += "/" + parts[i];
        if (i + 1 == parts.size() && ::mkdirat(fd, parts[i].c_str(), RUN_DIR_MODE) != 0 && errno != EEXIST) {
            error = texts::RUN_DIR_FAILED + walked + ": " + std::strerror(errno);
            ::close(fd);
            return EXIT_SETUP;
        }
        const int next = ::openat(fd, parts[i].c_str(), DIR_FLAGS);
        const int openError = errno;
        ::close(fd);
        fd = next;
        if (fd < 0) {
            error = (openError == ELOOP || openError == ENOTDIR)
                ? texts::RUN_DIR_UNSAFE + walked
                : texts::RUN_DIR_FAILED + walked + ": " + std::strerror(openError);
            return EXIT_SETUP;
        }
    }
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0) {
        if (fd >= 0)
            ::close(fd);
        error = texts::RUN_DIR_UNSAFE + path;
        return EXIT_SETUP;
    }
    // Root's own folder: its mode is set through the descriptor.
    if ((st.st_mode & 07777) != RUN_DIR_MODE && ::fchmod(fd, RUN_DIR_MODE) != 0) {
        error = texts::RUN_DIR_FAILED + path + ": " + std::strerror(errno);
        ::close(fd);
        return EXIT_SETUP;
    }
    m_fd = fd;
    m_path = path;
    m_socketName = RUN_SOCKET_NAME;
    m_safe = true;
    return EXIT_SERVED;
}

int CHostFolder::OpenBeside(const std::string& socketPath, std::string& error)
{
    const std::size_t slash = socketPath.rfind('/');
    const std::string folder
        = slash == std::string::npos ? "." : (slash == 0 ? "/" : socketPath.substr(0, slash));
    m_socketName = slash == std::string::npos ? socketPath : socketPath.substr(slash + 1);
    m_path = folder;
    if (m_socketName.empty() || m_socketName == "." || m_socketName == "..") {
        error = texts::SOCKET_FAILED + socketPath;
        return EXIT_SETUP;
    }
    // The caller's own folder: links above the last component are its own business.
    m_fd = ::open(folder.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        error = texts::SOCKET_FAILED + socketPath + ": " + std::strerror(errno);
        return EXIT_SETUP;
    }
    const bool ownedHere = st.st_uid == ::geteuid() || st.st_uid == 0;
    m_safe = ownedHere && ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0);
    return EXIT_SERVED;
}

int CHostFolder::OpenOwnFile(const char* name, mode_t mode, std::string& error)
{
    const int fd = ::openat(m_fd, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    const std::string path = m_path + "/" + name;
    if (fd < 0) {
        error = errno == ELOOP ? texts::FILE_NOT_OWN + path
                               : texts::LOCK_FAILED + path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st;
    // A second name (a hard link) would let a user aim the writes elsewhere.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        ::close(fd);
        error = texts::FILE_NOT_OWN + path;
        return -1;
    }
    if ((st.st_mode & 07777) != mode)
        ::fchmod(fd, mode);
    return fd;
}

int CHostFolder::Lock(pid_t callerPid, std::uint32_t callerUid, std::string& error)
{
    const std::string path = m_path + "/" + RUN_LOCK_NAME;
    switch (m_lock.Take(m_fd, RUN_LOCK_NAME, LOCK_MODE)) {
    case lodemar::LockResult::Held:
        break;
    case lodemar::LockResult::InUse:
        error = Holder();
        m_lock.Release();
        return EXIT_IN_USE;
    case lodemar::LockResult::Refused:
        error = texts::FILE_NOT_OWN + path;
        return EXIT_SETUP;
    case lodemar::LockResult::Failed:
        error = texts::LOCK_FAILED + path + ": " + std::strerror(m_lock.Error());
        return EXIT_SETUP;
    }
    m_holderFd = OpenOwnFile(RUN_HOLDER_NAME, HOLDER_MODE, error);
    const std::string line = formatHolder(HostHolder {
        static_cast<long>(::getpid()), processStartTime("self"), static_cast<long>(callerPid), callerUid });
    if (m_holderFd < 0 || ::ftruncate(m_holderFd, 0) != 0
        || ::pwrite(m_holderFd, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
        if (m_holderFd >= 0)
            error = texts::LOCK_FAILED + m_path + "/" + RUN_HOLDER_NAME + ": " + std::strerror(errno);
        m_lock.Release();
        return EXIT_SETUP;
    }
    return EXIT_SERVED;
}

std::string CHostFolder::Holder() const
{
    char line[128] = {};
    const int fd = ::openat(m_fd, RUN_HOLDER_NAME, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    const ssize_t n = fd >= 0 ? ::pread(fd, line, sizeof line - 1, 0) : -1;
    if (fd >= 0)
        ::close(fd);
    const std::optional<HostHolder> holder
        = parseHolder(std::string(line, n > 0 ? static_cast<std::size_t>(n) : 0));
    if (!holder || !holderAlive(*holder))
        return texts::IN_USE_BY_HOST;
    return texts::IN_USE_BY + std::to_string(holder->callerPid) + texts::IN_USE_UID
        + std::to_string(holder->callerUid) + ")";
}

} // namespace tavrin
