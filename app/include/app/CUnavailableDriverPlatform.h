// A driver platform with nothing installed behind it: no driver file
// anywhere, no service manager, no device. The channel over it fails to
// load (CHANNEL_DRIVER_FILE_NOT_FOUND) and every request fails, exactly as
// on a system where the driver was never installed. It stands in where the
// build has no real platform, so that the program says it cannot load the
// driver and stays usable instead of pretending to reach a keyboard.
#pragma once

#include <driverchannel/CDriverPlatform.h>

namespace app {

class CUnavailableDriverPlatform : public driverchannel::CDriverPlatform {
public:
    std::uint32_t QueryVersion() override;
    void DeleteServiceKey(const std::string& keyPath) override;
    bool ReadCurrentDirectory(std::string& directory) override;
    bool ReadWindowsDirectory(std::string& directory) override;
    bool FileExists(const std::string& path) override;
    driverchannel::ServiceHandle OpenServiceManager() override;
    driverchannel::ServiceHandle CreateDriverService(driverchannel::ServiceHandle manager,
        const std::string& name, const std::string& driverPath) override;
    driverchannel::ServiceHandle OpenDriverService(
        driverchannel::ServiceHandle manager, const std::string& name) override;
    driverchannel::StartOutcome StartDriverService(driverchannel::ServiceHandle service) override;
    bool StopDriverService(driverchannel::ServiceHandle service) override;
    bool DeleteDriverService(driverchannel::ServiceHandle service) override;
    void CloseServiceObject(driverchannel::ServiceHandle handle) override;
    driverchannel::DeviceHandle OpenDeviceFile(const std::string& path) override;
    driverchannel::DeviceHandle OpenVxdFile(const std::string& path) override;
    bool DeviceControl(driverchannel::DeviceHandle device, std::uint32_t controlCode, const void* input,
        std::uint32_t inputLength, void* output, std::uint32_t outputLength,
        std::uint32_t& bytesReturned) override;
    void CloseDevice(driverchannel::DeviceHandle device) override;
};

} // namespace app
