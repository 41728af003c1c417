// The Windows build's backend: the driver as a service (CServiceDriverBackend)
// over the Win32 calls themselves.
#include "CNativeWin32System.h"
#include "CServiceDriverBackend.h"

#include <driverchannel/CDriverBackend.h>
#include <driverchannel/CUnavailableDriverBackend.h>

#include <windows.h>

namespace driverchannel {

std::unique_ptr<CDriverBackend> CreateDriverBackend(const DriverBackendOptions& options)
{
    // No emulated keyboard exists here; asking for one must not reach the
    // real keyboard instead.
    if (!options.emulatedKeyboardMemory.empty())
        return std::make_unique<CUnavailableDriverBackend>();
    return std::make_unique<win32::CServiceDriverBackend>(std::make_unique<win32::CNativeWin32System>());
}

std::string DefaultEmulatedKeyboardMemory()
{
    return {};
}

std::string DriverHostFolder(const DriverBackendOptions&)
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
