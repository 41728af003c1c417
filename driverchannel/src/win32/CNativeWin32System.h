// The Win32 calls themselves: service control manager, registry and device
// I/O. Built only for Windows; it cannot run on the Linux build machine.
#pragma once

#include "CWin32System.h"

namespace driverchannel::win32 {

class CNativeWin32System final : public CWin32System {
public:
    std::uint32_t QueryVersion() override;
    void DeleteServiceKey(const std::string& keyPath) override;
    bool ReadCurrentDirectory(std::string& directory) override;
    bool ReadWindowsDirectory(std::string& directory) override;
    bool FileExists(const std::string& path) override;

    ServiceHandle OpenServiceManager() override;
    ServiceHandle CreateDriverService(
        ServiceHandle manager, const std::string& name, const std::string& driverPath) override;
    ServiceHandle OpenDriverService(ServiceHandle manager, const std::string& name) override;
    StartOutcome StartDriverService(ServiceHandle service) override;
    bool StopDriverService(ServiceHandle service) override;
    bool DeleteDriverService(ServiceHandle service) override;
    void CloseServiceObject(ServiceHandle handle) override;

    DeviceHandle OpenDeviceFile(const std::string& path) override;
    DeviceHandle OpenVxdFile(const std::string& path) override;
    bool DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
        std::uint32_t inputLength, void* output, std::uint32_t outputLength,
        std::uint32_t& bytesReturned) override;
    void CloseDevice(DeviceHandle device) override;
};

} // namespace driverchannel::win32
