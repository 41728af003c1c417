#include "FileReplace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace keydata::detail {

namespace {

    constexpr int TEMP_NAME_ATTEMPTS = 64;
    constexpr mode_t NEW_FILE_MODE = 0666; // narrowed by the umask, as for any new file
    constexpr mode_t PERMISSION_BITS = 07777;

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

    int writeInPlace(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            systemError = errno;
            return REPLACE_E_CREATE;
        }
        bool ok = writeAll(fd, bytes);
        // Devices and pipes cannot be synced; that is not a failed write.
        if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
            ok = false;
        if (!ok)
            systemError = errno;
        if (::close(fd) != 0 && ok) {
            systemError = errno;
            ok = false;
        }
        return ok ? REPLACE_OK : REPLACE_E_WRITE;
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

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
{
    systemError = 0;
    const std::string target = resolveTarget(path);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return writeInPlace(target, bytes, systemError);

    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "." + base + ".";

    std::random_device seed;
    std::mt19937 random(seed());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
        temp = prefix + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NEW_FILE_MODE);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        systemError = errno;
        return REPLACE_E_CREATE;
    }
    if (exists && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & PERMISSION_BITS); // keep the replaced file's permissions

    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        systemError = errno;
    if (::close(fd) != 0 && ok) {
        systemError = errno;
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        systemError = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return REPLACE_E_WRITE;
    }
    syncFolder(folder);
    return REPLACE_OK;
}

} // namespace keydata::detail
