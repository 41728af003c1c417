#include "FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace keydata::detail {

namespace {

constexpr int TEMP_NAME_ATTEMPTS = 64;
constexpr mode_t NEW_FILE_MODE = 0666; // narrowed by the umask, as for any new file
constexpr mode_t PERMISSION_BITS = 07777;
// Never blocks on what is not a regular file, never becomes its terminal.
constexpr int OPEN_FLAGS = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
// As many links as the kernel follows in one path.
constexpr int LINK_LIMIT = 40;
constexpr std::size_t LINK_TEXT_LIMIT = 4096;

class CDescriptor {
public:
    explicit CDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~CDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int Release() { return std::exchange(m_fd, -1); }
    // Closes it, reporting a failed close (errno set).
    bool Close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

bool othersMayWrite(const struct stat& folder)
{
    return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// The kernel's protected_symlinks rule, tightened for root: a link is
// followed when it is the caller's own, or when its owner owns a folder
// that is not sticky and world-writable. Root follows only root's links:
// any other user's link would lend that user root's rights.
bool mayFollow(const struct stat& link, const struct stat& folder)
{
    const uid_t caller = ::geteuid();
    if (link.st_uid == caller)
        return true;
    if (caller == 0)
        return false;
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared && link.st_uid == folder.st_uid;
}

// The kernel's protected_regular rule (its stricter level): in a sticky
// folder others can write, a file that neither the caller nor the
// folder's owner owns was put there by someone else for the caller to
// fill.
bool plantedForCaller(const struct stat& file, const struct stat& folder)
{
    return (folder.st_mode & S_ISVTX) != 0 && othersMayWrite(folder) && file.st_uid != ::geteuid()
        && file.st_uid != folder.st_uid;
}

// Writing into the old file itself is safe only where nobody but the
// caller (or root) can have put it: a folder only its owner can change.
bool inPlaceAllowed(const struct stat& folder)
{
    return !othersMayWrite(folder) && (folder.st_uid == ::geteuid() || folder.st_uid == 0);
}

std::deque<std::string> components(const std::string& path)
{
    std::deque<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
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

// Where a write lands: the folder that holds the final name, and the
// name in it (absent, or anything but a link).
struct WriteTarget {
    CDescriptor folder { -1 };
    struct stat folderStat { };
    std::string name;
};

// Walks path one name at a time from a folder descriptor, following each
// link only where mayFollow allows it, so that no name is looked up
// twice and no link another user planted is followed. FILE_OK, or a
// result with systemError set (EACCES for a refused link).
int findWriteTarget(const std::string& path, WriteTarget& target, int& systemError)
{
    if (path.empty() || path.back() == '/') {
        systemError = EISDIR;
        return FILE_E_NOT_REGULAR;
    }
    std::deque<std::string> parts = components(path);
    target.folder.Reset(::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    int links = 0;
    while (target.folder.Get() >= 0 && !parts.empty()) {
        const std::string part = parts.front();
        parts.pop_front();
        const bool last = parts.empty();
        if (last && (part == "." || part == "..")) {
            systemError = EISDIR;
            return FILE_E_NOT_REGULAR;
        }
        if (part == ".")
            continue;
        struct stat st;
        if (::fstatat(target.folder.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && last) {
                target.name = part;
                break;
            }
            systemError = errno;
            return FILE_E_OPEN;
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat folder;
            if (::fstat(target.folder.Get(), &folder) != 0 || !mayFollow(st, folder)) {
                systemError = EACCES;
                return FILE_E_OPEN;
            }
            char text[LINK_TEXT_LIMIT];
            const ssize_t n = ::readlinkat(target.folder.Get(), part.c_str(), text, sizeof text);
            if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text || ++links > LINK_LIMIT) {
                systemError = n <= 0 ? errno : ELOOP;
                return FILE_E_OPEN;
            }
            const std::string linked(text, static_cast<std::size_t>(n));
            std::deque<std::string> inner = components(linked);
            parts.insert(parts.begin(), inner.begin(), inner.end());
            if (linked[0] == '/')
                target.folder.Reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (parts.empty() || linked.back() == '/') {
                systemError = EISDIR;
                return FILE_E_NOT_REGULAR;
            }
            continue;
        }
        if (last) {
            target.name = part;
            break;
        }
        target.folder.Reset(
            ::openat(target.folder.Get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (target.folder.Get() < 0 || ::fstat(target.folder.Get(), &target.folderStat) != 0) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    return FILE_OK;
}

// The target's own descriptor: the file keeps its inode, links, owner
// and mode. The room is reserved before the old contents are touched.
int writeInPlace(CDescriptor& target, off_t oldSize, std::span<const std::uint8_t> bytes, int& systemError)
{
    const int fd = target.Get();
    const off_t size = static_cast<off_t>(bytes.size());
    if (size > oldSize) {
        const int reserved = ::posix_fallocate(fd, 0, size);
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            systemError = reserved;
            return FILE_E_WRITE;
        }
    }
    const bool ok = ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes) && ::ftruncate(fd, size) == 0
        && ::fsync(fd) == 0 && target.Close();
    if (!ok) {
        systemError = errno;
        return FILE_E_WRITE;
    }
    return FILE_OK;
}

void syncFolder(int folder)
{
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself already happened
        ::close(fd);
    }
}

} // namespace

int openForReading(const std::string& path, std::FILE*& file, int& systemError)
{
    file = nullptr;
    systemError = 0;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return FILE_E_NOT_REGULAR; // not even opened: a FIFO's open would wait for a writer
    CDescriptor fd(::open(path.c_str(), O_RDONLY | OPEN_FLAGS));
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    if (!S_ISREG(st.st_mode))
        return FILE_E_NOT_REGULAR; // swapped in since the first look
    file = ::fdopen(fd.Get(), "rb");
    if (!file) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    fd.Release();
    return FILE_OK;
}

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
{
    systemError = 0;
    WriteTarget target;
    if (const int found = findWriteTarget(path, target, systemError); found != FILE_OK)
        return found;
    const int folder = target.folder.Get();
    const char* name = target.name.c_str();

    // An existing target must be a regular file the caller may write: the
    // rename below needs only the folder's permission, so the file's own is
    // checked by opening it for writing.
    struct stat st { };
    CDescriptor old(-1);
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(st.st_mode))
            return FILE_E_NOT_REGULAR;
        if (plantedForCaller(st, target.folderStat)) {
            systemError = EACCES;
            return FILE_E_OPEN;
        }
        old.Reset(::openat(folder, name, O_WRONLY | O_NOFOLLOW | OPEN_FLAGS));
        const ino_t looked = st.st_ino;
        if (old.Get() < 0 || ::fstat(old.Get(), &st) != 0) {
            systemError = errno;
            return FILE_E_OPEN;
        }
        if (!S_ISREG(st.st_mode) || st.st_ino != looked)
            return FILE_E_NOT_REGULAR; // swapped in since the first look
        // A rename would split the links.
        if (st.st_nlink > 1 && inPlaceAllowed(target.folderStat))
            return writeInPlace(old, st.st_size, bytes, systemError);
    }
    const bool exists = old.Get() >= 0;

    std::random_device seed;
    std::mt19937 random(seed());
    std::string temp;
    CDescriptor fd(-1);
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS && fd.Get() < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
        temp = "." + target.name + "." + suffix;
        fd.Reset(::openat(
            folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NEW_FILE_MODE));
        if (fd.Get() < 0 && errno != EEXIST)
            break;
    }
    if (fd.Get() < 0) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    if (exists) {
        // The replacement keeps the owner, or the file is written in place
        // rather than handed to the caller; then the permissions (a change
        // of owner clears the set-id bits).
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            && ::fchown(fd.Get(), st.st_uid, st.st_gid) != 0) {
            fd.Close();
            ::unlinkat(folder, temp.c_str(), 0);
            if (!inPlaceAllowed(target.folderStat)) {
                systemError = EACCES;
                return FILE_E_OPEN;
            }
            return writeInPlace(old, st.st_size, bytes, systemError);
        }
        ::fchmod(fd.Get(), st.st_mode & PERMISSION_BITS);
    }

    bool ok = writeAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
    if (!ok)
        systemError = errno;
    if (!fd.Close() && ok) {
        systemError = errno;
        ok = false;
    }
    if (ok && ::renameat(folder, temp.c_str(), folder, name) != 0) {
        systemError = errno;
        ok = false;
    }
    if (!ok) {
        ::unlinkat(folder, temp.c_str(), 0);
        return FILE_E_WRITE;
    }
    syncFolder(folder);
    return FILE_OK;
}

} // namespace keydata::detail
