#include "FileAccess.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

    class Descriptor {
    public:
        explicit Descriptor(int fd)
            : fd_(fd)
        {
        }
        ~Descriptor()
        {
            if (fd_ >= 0)
                ::close(fd_);
        }
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        int get() const { return fd_; }
        void reset(int fd)
        {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = fd;
        }
        int release() { return std::exchange(fd_, -1); }
        // Closes it, reporting a failed close (errno set).
        bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

    private:
        int fd_;
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

    // Follows a symbolic link so that the link stays and its target is
    // replaced.
    std::string resolveTarget(const std::string& path)
    {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved))
                return resolved;
        }
        return path;
    }

    // The target's own descriptor: the file keeps its inode, links, owner
    // and mode. The room is reserved before the old contents are touched.
    int writeInPlace(Descriptor& target, off_t oldSize, std::span<const std::uint8_t> bytes, int& systemError)
    {
        const int fd = target.get();
        const off_t size = static_cast<off_t>(bytes.size());
        if (size > oldSize) {
            const int reserved = ::posix_fallocate(fd, 0, size);
            if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
                systemError = reserved;
                return FILE_E_WRITE;
            }
        }
        const bool ok = ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes) && ::ftruncate(fd, size) == 0
            && ::fsync(fd) == 0 && target.close();
        if (!ok) {
            systemError = errno;
            return FILE_E_WRITE;
        }
        return FILE_OK;
    }

    void syncFolder(const std::string& folder)
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    Descriptor fd(::open(path.c_str(), O_RDONLY | OPEN_FLAGS));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    if (!S_ISREG(st.st_mode))
        return FILE_E_NOT_REGULAR; // swapped in since the first look
    file = ::fdopen(fd.get(), "rb");
    if (!file) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    fd.release();
    return FILE_OK;
}

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
{
    systemError = 0;
    const std::string target = resolveTarget(path);

    // An existing target must be a regular file the caller may write: the
    // rename below needs only the folder's permission, so the file's own is
    // checked by opening it for writing.
    struct stat st {};
    Descriptor old(-1);
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return FILE_E_NOT_REGULAR;
        old.reset(::open(target.c_str(), O_WRONLY | OPEN_FLAGS));
        if (old.get() < 0 || ::fstat(old.get(), &st) != 0) {
            systemError = errno;
            return FILE_E_OPEN;
        }
        if (!S_ISREG(st.st_mode))
            return FILE_E_NOT_REGULAR;
        // A rename would split the links.
        if (st.st_nlink > 1)
            return writeInPlace(old, st.st_size, bytes, systemError);
    }
    const bool exists = old.get() >= 0;

    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix
        = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "." + base + ".";

    std::random_device seed;
    std::mt19937 random(seed());
    std::string temp;
    Descriptor fd(-1);
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS && fd.get() < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
        temp = prefix + suffix;
        fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NEW_FILE_MODE));
        if (fd.get() < 0 && errno != EEXIST)
            break;
    }
    if (fd.get() < 0) {
        systemError = errno;
        return FILE_E_OPEN;
    }
    if (exists) {
        // The replacement keeps the owner, or the file is written in place
        // rather than handed to the caller; then the permissions (a change
        // of owner clears the set-id bits).
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            && ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
            fd.close();
            ::unlink(temp.c_str());
            return writeInPlace(old, st.st_size, bytes, systemError);
        }
        ::fchmod(fd.get(), st.st_mode & PERMISSION_BITS);
    }

    bool ok = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!ok)
        systemError = errno;
    if (!fd.close() && ok) {
        systemError = errno;
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        systemError = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return FILE_E_WRITE;
    }
    syncFolder(folder);
    return FILE_OK;
}

} // namespace keydata::detail
