#include "driverchannel/CUnavailableDriverPlatform.h"

namespace driverchannel {

namespace {
// Top bit clear: the service path, which looks for a driver file first.
constexpr std::uint32_t SERVICE_FAMILY_VERSION = 0;
} // namespace

std::uint32_t CUnavailableDriverPlatform::QueryVersion()
{
    return SERVICE_FAMILY_VERSION;
}

void CUnavailableDriverPlatform::DeleteServiceKey(const std::string&) { }

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
    return NO_SERVICE;
}

ServiceHandle CUnavailableDriverPlatform::CreateDriverService(
    ServiceHandle, const std::string&, const std::string&)
{
    return NO_SERVICE;
}

ServiceHandle CUnavailableDriverPlatform::OpenDriverService(ServiceHandle, const std::string&)
{
    return NO_SERVICE;
}

StartOutcome CUnavailableDriverPlatform::StartDriverService(ServiceHandle)
{
    return StartOutcome::Failed;
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
    return INVALID_DEVICE;
}

DeviceHandle CUnavailableDriverPlatform::OpenVxdFile(const std::string&)
{
    return INVALID_DEVICE;
}

bool CUnavailableDriverPlatform::DeviceControl(
    DeviceHandle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t&)
{
    return false;
}

void CUnavailableDriverPlatform::CloseDevice(DeviceHandle) { }

} // namespace driverchannel
