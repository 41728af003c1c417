// A platform for a keyboard this build cannot reach (the emulated keyboard on
// Windows, or one whose memory file has no place). It touches nothing: there is no driver file anywhere, so
// Load ends with CHANNEL_DRIVER_FILE_NOT_FOUND, and every other call fails.
#pragma once

#include "driverchannel/CDriverPlatform.h"

namespace driverchannel {

class CUnavailableDriverPlatform final : public CDriverPlatform {
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

} // namespace driverchannel
