// The lock file stands in for the named mutex. flock() belongs to the open
// file, so the kernel drops it when the holder exits or is killed: a
// crashed first copy never blocks the next. The descriptor is close-on-exec,
// so the driver host and any other child cannot keep the lock alive. The
// file itself stays: removing it would let a copy that opened the old file
// and one that creates a new file both hold "the" lock.
#include <app/SingleInstance.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {
namespace {

inline constexpr std::intptr_t NO_LOCK = -1;
inline constexpr const char* LOCK_SUFFIX = ".lock";
inline constexpr const char* FALLBACK_TEMP = "/tmp";

bool isDirectory(const char* path)
{
    struct stat info { };
    return path && *path && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

CSingleInstance::CSingleInstance(std::string name)
    : m_name(std::move(name))
    , m_native(NO_LOCK)
{
}

std::string CSingleInstance::LockPathOf(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (isDirectory(runtime))
        return std::string(runtime) + "/" + name + LOCK_SUFFIX;
    // The temp folder is shared by every user: the user id keeps the name
    // per user, as the runtime directory does.
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = isDirectory(temp) ? temp : FALLBACK_TEMP;
    return folder + "/" + name + "-" + std::to_string(::getuid()) + LOCK_SUFFIX;
}

InstanceState CSingleInstance::Acquire()
{
    if (m_native != NO_LOCK)
        return InstanceState::Acquired;
    const std::string path = LockPathOf(m_name);
    // O_NOFOLLOW: a planted link in a shared folder must not make us create
    // or lock another file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return InstanceState::Unavailable;
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? InstanceState::AlreadyRunning : InstanceState::Unavailable;
    }
    m_native = fd;
    return InstanceState::Acquired;
}

void CSingleInstance::Release()
{
    if (m_native == NO_LOCK)
        return;
    ::close(int(m_native)); // drops the lock
    m_native = NO_LOCK;
}

bool CSingleInstance::IsHeld() const
{
    return m_native != NO_LOCK;
}

} // namespace app
