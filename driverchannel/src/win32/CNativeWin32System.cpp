#include "CNativeWin32System.h"

// windows.h first: the other two rely on it.
#include <windows.h>

#include <shlwapi.h>
#include <winsvc.h>

namespace driverchannel::win32 {

namespace {

SC_HANDLE toScHandle(ServiceHandle handle)
{
    return reinterpret_cast<SC_HANDLE>(static_cast<std::intptr_t>(handle));
}

ServiceHandle fromScHandle(SC_HANDLE handle)
{
    return static_cast<ServiceHandle>(reinterpret_cast<std::intptr_t>(handle));
}

HANDLE toHandle(DeviceHandle handle)
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}

DeviceHandle fromHandle(HANDLE handle)
{
    // INVALID_HANDLE_VALUE is -1, the same value as INVALID_DEVICE.
    return static_cast<DeviceHandle>(reinterpret_cast<std::intptr_t>(handle));
}

// Runs a Get...DirectoryA style call, which returns the length it needs
// (with the terminator) when the buffer is too small, the length written
// (without it) on success and 0 on failure.
template <typename Query> bool readDirectory(Query query, std::string& directory)
{
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const UINT length = query(static_cast<UINT>(buffer.size()), buffer.data());
        if (length == 0)
            return false;
        if (length < buffer.size()) {
            buffer.resize(length);
            directory = std::move(buffer);
            return true;
        }
        // The directory can change between calls; try again with the new size.
        buffer.assign(length, '\0');
    }
    return false;
}

} // namespace

std::uint32_t CNativeWin32System::QueryVersion()
{
    return ::GetVersion();
}

void CNativeWin32System::DeleteServiceKey(const std::string& keyPath)
{
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
}

bool CNativeWin32System::ReadCurrentDirectory(std::string& directory)
{
    return readDirectory(
        [](UINT size, char* buffer) { return static_cast<UINT>(::GetCurrentDirectoryA(size, buffer)); },
        directory);
}

bool CNativeWin32System::ReadWindowsDirectory(std::string& directory)
{
    return readDirectory(
        [](UINT size, char* buffer) { return ::GetWindowsDirectoryA(buffer, size); }, directory);
}

bool CNativeWin32System::FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ServiceHandle CNativeWin32System::OpenServiceManager()
{
    return fromScHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

ServiceHandle CNativeWin32System::CreateDriverService(
    ServiceHandle manager, const std::string& name, const std::string& driverPath)
{
    return fromScHandle(::CreateServiceA(toScHandle(manager), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, driverPath.c_str(), nullptr,
        nullptr, nullptr, nullptr, nullptr));
}

ServiceHandle CNativeWin32System::OpenDriverService(ServiceHandle manager, const std::string& name)
{
    return fromScHandle(::OpenServiceA(toScHandle(manager), name.c_str(), SERVICE_ALL_ACCESS));
}

StartOutcome CNativeWin32System::StartDriverService(ServiceHandle service)
{
    if (::StartServiceA(toScHandle(service), 0, nullptr))
        return StartOutcome::Started;
    return ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING ? StartOutcome::AlreadyRunning
                                                             : StartOutcome::Failed;
}

bool CNativeWin32System::StopDriverService(ServiceHandle service)
{
    SERVICE_STATUS status {};
    return ::ControlService(toScHandle(service), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool CNativeWin32System::DeleteDriverService(ServiceHandle service)
{
    return ::DeleteService(toScHandle(service)) != FALSE;
}

void CNativeWin32System::CloseServiceObject(ServiceHandle handle)
{
    ::CloseServiceHandle(toScHandle(handle));
}

DeviceHandle CNativeWin32System::OpenDeviceFile(const std::string& path)
{
    return fromHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

DeviceHandle CNativeWin32System::OpenVxdFile(const std::string& path)
{
    // Creation disposition 0 is what loads a dynamic VxD on the 9x family.
    return fromHandle(::CreateFileA(
        path.c_str(), 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OVERLAPPED, nullptr));
}

bool CNativeWin32System::DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
    std::uint32_t inputLength, void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
{
    DWORD count = bytesReturned;
    // No overlapped structure: the request completes before the call returns.
    const BOOL ok = ::DeviceIoControl(toHandle(device), controlCode, const_cast<void*>(input), inputLength,
        output, outputLength, &count, nullptr);
    bytesReturned = count;
    return ok != FALSE;
}

void CNativeWin32System::CloseDevice(DeviceHandle device)
{
    ::CloseHandle(toHandle(device));
}

} // namespace driverchannel::win32
