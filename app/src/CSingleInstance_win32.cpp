// The named mutex, created with initial ownership as the first copy holds
// it. A second copy sees ERROR_ALREADY_EXISTS, gives its handle back and
// ends. The system releases an abandoned mutex when its holder dies. The
// mutex belongs to the session, so nothing here can be another user's.
#include <app/CSingleInstance.h>

#include <windows.h>

namespace app {
namespace {

inline constexpr std::intptr_t NO_MUTEX = 0;

HANDLE handleOf(std::intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

} // namespace

CSingleInstance::CSingleInstance(std::string name)
    : m_name(std::move(name))
    , m_native(NO_MUTEX)
{
}

std::string CSingleInstance::LockPathOf(const std::string&)
{
    return std::string();
}

std::string CSingleInstance::ServerPathOf(const std::string&)
{
    return std::string();
}

// The first copy is not asked to come forward here: it stays where it is,
// and the later copy only says that it runs.
int CSingleInstance::Listen()
{
    return -1;
}

bool CSingleInstance::TakeShowRequest()
{
    return false;
}

bool CSingleInstance::AskRunningCopyToShow(int)
{
    return false;
}

InstanceState CSingleInstance::Acquire()
{
    if (m_native != NO_MUTEX)
        return InstanceState::Acquired;
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, m_name.c_str());
    if (!mutex)
        return InstanceState::Unavailable;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Ownership was not granted; releasing fails harmlessly.
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
        return InstanceState::AlreadyRunning;
    }
    m_native = reinterpret_cast<std::intptr_t>(mutex);
    return InstanceState::Acquired;
}

void CSingleInstance::Release()
{
    if (m_native == NO_MUTEX)
        return;
    ::ReleaseMutex(handleOf(m_native));
    ::CloseHandle(handleOf(m_native));
    m_native = NO_MUTEX;
}

bool CSingleInstance::IsHeld() const
{
    return m_native != NO_MUTEX;
}

} // namespace app
