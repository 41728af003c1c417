#include "CWin32DriverPlatform.h"

#include <driverchannel/CUnavailableDriverPlatform.h>

// windows.h first: the other two rely on it.
#include <windows.h>

#include <shlwapi.h>
#include <winsvc.h>

namespace driverchannel {

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

std::uint32_t CWin32DriverPlatform::QueryVersion()
{
    return ::GetVersion();
}

void CWin32DriverPlatform::DeleteServiceKey(const std::string& keyPath)
{
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
}

bool CWin32DriverPlatform::ReadCurrentDirectory(std::string& directory)
{
    return readDirectory(
        [](UINT size, char* buffer) { return static_cast<UINT>(::GetCurrentDirectoryA(size, buffer)); },
        directory);
}

bool CWin32DriverPlatform::ReadWindowsDirectory(std::string& directory)
{
    return readDirectory(
        [](UINT size, char* buffer) { return ::GetWindowsDirectoryA(buffer, size); }, directory);
}

bool CWin32DriverPlatform::FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ServiceHandle CWin32DriverPlatform::OpenServiceManager()
{
    return fromScHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

ServiceHandle CWin32DriverPlatform::CreateDriverService(
    ServiceHandle manager, const std::string& name, const std::string& driverPath)
{
    return fromScHandle(::CreateServiceA(toScHandle(manager), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, driverPath.c_str(), nullptr,
        nullptr, nullptr, nullptr, nullptr));
}

ServiceHandle CWin32DriverPlatform::OpenDriverService(ServiceHandle manager, const std::string& name)
{
    return fromScHandle(::OpenServiceA(toScHandle(manager), name.c_str(), SERVICE_ALL_ACCESS));
}

StartOutcome CWin32DriverPlatform::StartDriverService(ServiceHandle service)
{
    if (::StartServiceA(toScHandle(service), 0, nullptr))
        return StartOutcome::Started;
    return ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING ? StartOutcome::AlreadyRunning
                                                             : StartOutcome::Failed;
}

bool CWin32DriverPlatform::StopDriverService(ServiceHandle service)
{
    SERVICE_STATUS status {};
    return ::ControlService(toScHandle(service), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool CWin32DriverPlatform::DeleteDriverService(ServiceHandle service)
{
    return ::DeleteService(toScHandle(service)) != FALSE;
}

void CWin32DriverPlatform::CloseServiceObject(ServiceHandle handle)
{
    ::CloseServiceHandle(toScHandle(handle));
}

DeviceHandle CWin32DriverPlatform::OpenDeviceFile(const std::string& path)
{
    return fromHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

DeviceHandle CWin32DriverPlatform::OpenVxdFile(const std::string& path)
{
    // Creation disposition 0 is what loads a dynamic VxD on the 9x family.
    return fromHandle(::CreateFileA(
        path.c_str(), 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OVERLAPPED, nullptr));
}

bool CWin32DriverPlatform::DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
    std::uint32_t inputLength, void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
{
    DWORD count = bytesReturned;
    // No overlapped structure: the request completes before the call returns.
    const BOOL ok = ::DeviceIoControl(toHandle(device), controlCode, const_cast<void*>(input), inputLength,
        output, outputLength, &count, nullptr);
    bytesReturned = count;
    return ok != FALSE;
}

void CWin32DriverPlatform::CloseDevice(DeviceHandle device)
{
    ::CloseHandle(toHandle(device));
}

std::unique_ptr<CDriverPlatform> CreateDriverPlatform(const DriverPlatformOptions& options)
{
    // No emulated keyboard exists here; asking for one must not reach the
    // real keyboard instead.
    if (!options.emulatedKeyboardMemory.empty())
        return std::make_unique<CUnavailableDriverPlatform>();
    return std::make_unique<CWin32DriverPlatform>();
}

std::string DefaultEmulatedKeyboardMemory()
{
    return {};
}

std::string DriverHostFolder(const DriverPlatformOptions&)
{
    // The channel's second place for Tavrin.sys: the system driver folder.
    char windows[MAX_PATH] = "";
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(length > 0 && length < MAX_PATH ? windows : "%WINDIR%") + "\\system32\\Drivers";
}

bool PrivateRuntimeFolder(std::string& folder)
{
    folder.clear();
    return false;
}

} // namespace driverchannel
