#include <app/CUnavailableDriverPlatform.h>

namespace app {

using driverchannel::DeviceHandle;
using driverchannel::ServiceHandle;

// The NT family: the channel then looks for the driver file and would
// register a service, which is the path every real platform takes.
std::uint32_t CUnavailableDriverPlatform::QueryVersion()
{
    return 0;
}

void CUnavailableDriverPlatform::DeleteServiceKey(const std::string&) { }

// There is no folder that could hold the driver: both read as empty, and
// no file exists in them.
bool CUnavailableDriverPlatform::ReadCurrentDirectory(std::string& directory)
{
    directory.clear();
    return true;
}

bool CUnavailableDriverPlatform::ReadWindowsDirectory(std::string& directory)
{
    directory.clear();
    return true;
}

bool CUnavailableDriverPlatform::FileExists(const std::string&)
{
    return false;
}

ServiceHandle CUnavailableDriverPlatform::OpenServiceManager()
{
    return driverchannel::NO_SERVICE;
}

ServiceHandle CUnavailableDriverPlatform::CreateDriverService(
    ServiceHandle, const std::string&, const std::string&)
{
    return driverchannel::NO_SERVICE;
}

ServiceHandle CUnavailableDriverPlatform::OpenDriverService(ServiceHandle, const std::string&)
{
    return driverchannel::NO_SERVICE;
}

driverchannel::StartOutcome CUnavailableDriverPlatform::StartDriverService(ServiceHandle)
{
    return driverchannel::StartOutcome::Failed;
}

bool CUnavailableDriverPlatform::StopDriverService(ServiceHandle)
{
    return false;
}

bool CUnavailableDriverPlatform::DeleteDriverService(ServiceHandle)
{
    return false;
}

void CUnavailableDriverPlatform::CloseServiceObject(ServiceHandle) { }

DeviceHandle CUnavailableDriverPlatform::OpenDeviceFile(const std::string&)
{
    return driverchannel::INVALID_DEVICE;
}

DeviceHandle CUnavailableDriverPlatform::OpenVxdFile(const std::string&)
{
    return driverchannel::INVALID_DEVICE;
}

bool CUnavailableDriverPlatform::DeviceControl(DeviceHandle, std::uint32_t, const void*, std::uint32_t, void*,
    std::uint32_t, std::uint32_t& bytesReturned)
{
    bytesReturned = 0;
    return false;
}

void CUnavailableDriverPlatform::CloseDevice(DeviceHandle) { }

} // namespace app
