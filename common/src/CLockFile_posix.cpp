#include <lodemar/CLockFile.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace lodemar {

namespace {

constexpr int OPEN_FLAGS = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

} // namespace

int tryFlock(int fd, int operation)
{
    int result;
    do
        result = ::flock(fd, operation | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

CLockFile::~CLockFile()
{
    Release();
}

LockResult CLockFile::Take(int folderFd, const std::string& name, mode_t mode)
{
    Release();
    m_error = 0;
    m_fd = ::openat(folderFd, name.c_str(), OPEN_FLAGS, mode);
    if (m_fd < 0) {
        m_error = errno;
        return m_error == ELOOP ? LockResult::Refused : LockResult::Failed;
    }
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        Release();
        return LockResult::Refused;
    }
    if ((st.st_mode & 07777) != mode)
        (void)::fchmod(m_fd, mode);
    m_error = tryFlock(m_fd, LOCK_EX);
    if (m_error == EWOULDBLOCK)
        return LockResult::InUse;
    if (m_error != 0) {
        const int error = m_error;
        Release();
        m_error = error;
        return LockResult::Failed;
    }
    m_held = true;
    return LockResult::Held;
}

std::string CLockFile::FirstLine(std::size_t limit) const
{
    if (m_fd < 0)
        return {};
    std::vector<char> buffer(limit);
    ssize_t n;
    do
        n = ::pread(m_fd, buffer.data(), buffer.size(), 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return {};
    const std::string_view text(buffer.data(), static_cast<std::size_t>(n));
    return std::string(text.substr(0, text.find('\n')));
}

bool CLockFile::WriteLine(const std::string& line)
{
    if (!m_held || ::ftruncate(m_fd, 0) != 0)
        return false;
    ssize_t n;
    do
        n = ::pwrite(m_fd, line.data(), line.size(), 0);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(line.size());
}

void CLockFile::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_held = false;
}

} // namespace lodemar
