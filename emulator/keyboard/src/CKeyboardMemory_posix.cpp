// The memory file on POSIX systems. The path may come from another user's
// folder (a shared /tmp): the last component is opened without following a
// link, and the file must be a regular file of this user's.
#include "kbemu/CKeyboardMemory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kbemu {

namespace {

constexpr mode_t MEMORY_FILE_MODE = 0600;

class CFileStore final : public CMemoryStore {
public:
    explicit CFileStore(int fd)
        : m_fd(fd)
    {
    }
    ~CFileStore() override { ::close(m_fd); }

    int Sync() override { return ::fdatasync(m_fd) == 0 ? MEMORY_OK : MEMORY_E_IO; }

    int Save(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) override
    {
        while (count > 0) {
            const ssize_t n = ::pwrite(m_fd, bytes, count, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return MEMORY_E_IO;
            bytes += n;
            offset += static_cast<std::uint32_t>(n);
            count -= static_cast<std::uint32_t>(n);
        }
        return MEMORY_OK;
    }

private:
    int m_fd;
};

// Reads exactly count bytes from the start of fd.
bool readAll(int fd, std::uint8_t* into, std::uint32_t count)
{
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, into + done, count - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::uint32_t>(n);
    }
    return true;
}

} // namespace

int CKeyboardMemory::Open(const std::string& path)
{
    m_store.reset();
    constexpr int FLAGS = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.c_str(), FLAGS);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(path.c_str(), FLAGS | O_CREAT | O_EXCL, MEMORY_FILE_MODE);
    if (fd < 0)
        return errno == ELOOP ? MEMORY_E_NOT_OWN : MEMORY_E_OPEN;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return MEMORY_E_NOT_OWN;
    }
    if (st.st_size == static_cast<off_t>(MEMORY_SIZE)) {
        if (!readAll(fd, m_bytes.data(), MEMORY_SIZE)) {
            ::close(fd);
            return MEMORY_E_IO;
        }
        m_dirtyFrom = MEMORY_SIZE;
        m_dirtyTo = 0;
        m_store = std::make_unique<CFileStore>(fd);
        return MEMORY_OK;
    }
    if (st.st_size != 0) {
        ::close(fd);
        return MEMORY_E_SIZE;
    }
    // New (or empty) file: an erased keyboard, written out whole.
    m_store = std::make_unique<CFileStore>(fd);
    Erase();
    const int committed = Sync();
    if (committed != MEMORY_OK)
        m_store.reset();
    return committed;
}

} // namespace kbemu
