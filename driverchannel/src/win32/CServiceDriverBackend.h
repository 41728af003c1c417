// The Windows backend: on the NT family it finds the driver file, registers
// it with the service control manager as a demand-start kernel driver
// service, starts it and opens its device, and at the end stops the service
// and deletes it again, so that the driver is present only while the
// program runs. On the 9x family it loads the VxD by opening it; closing the
// handle unloads it. Its steps keep their own result codes and state.
//
// Portable: every system call goes through CWin32System, so the steps run
// against a scripted system in the tests of every build.
#pragma once

#include "CWin32System.h"

#include <driverchannel/CDriverBackend.h>
#include <driverchannel/ChannelResults.h>

#include <memory>
#include <string>
#include <string_view>

namespace driverchannel::win32 {

class CServiceDriverBackend final : public CDriverBackend {
public:
    // The system is borrowed and must outlive the backend.
    explicit CServiceDriverBackend(CWin32System& system);
    // The system is owned; it must not be null.
    explicit CServiceDriverBackend(std::unique_ptr<CWin32System> system);
    ~CServiceDriverBackend() override;

    CServiceDriverBackend(const CServiceDriverBackend&) = delete;
    CServiceDriverBackend& operator=(const CServiceDriverBackend&) = delete;

    // Where the program is the only user of the driver (its single
    // instance), there is nothing more to hold.
    KeyboardClaim ClaimKeyboard(std::string_view name, std::string& holder) override;
    // Clears the stale service key, then Prepare and (NT family) Install.
    int StartDriver(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow) override;
    int Control(std::uint32_t controlCode, const void* input, std::uint32_t inputLength, void* output,
        std::uint32_t outputLength, std::uint32_t& bytesReturned) override;
    // Closes the device; on the NT family then Remove(false).
    int StopDriver() override;
    void ReleaseKeyboard() override;

    // The steps.
    [[nodiscard]] int Prepare(std::string_view name, const char* driverPath, const char* deviceName);
    [[nodiscard]] int Install(bool startNow);
    [[nodiscard]] int Start();
    [[nodiscard]] int OpenDevice();
    [[nodiscard]] int StopService();
    [[nodiscard]] int Remove(bool force);

    DeviceHandle Device() const { return m_device; }
    const std::string& ServiceName() const { return m_serviceName; }
    const std::string& DriverPath() const { return m_driverPath; }
    const std::string& DevicePath() const { return m_devicePath; }
    bool IsPrepared() const { return m_prepared; }
    bool IsStarted() const { return m_started; }
    bool IsInstalled() const { return m_installed; }
    bool RemovesOnStop() const { return m_removeOnStop; }
    bool IsNtFamily() const { return m_ntFamily; }

private:
    [[nodiscard]] int PrepareVxd(std::string_view name, const char* driverPath);
    [[nodiscard]] int PrepareService(std::string_view name, const char* driverPath, const char* deviceName);
    [[nodiscard]] int FindDriverFile(const std::string& name, std::string& path);
    void CloseDeviceHandle();
    void ReleaseNames();

    std::unique_ptr<CWin32System> m_ownedSystem;
    CWin32System& m_system;

    DeviceHandle m_device = NO_DEVICE;
    std::string m_serviceName;
    std::string m_driverPath;
    std::string m_devicePath;
    bool m_prepared = false;
    bool m_started = false;
    bool m_installed = false;
    bool m_removeOnStop = true;
    bool m_ntFamily = false;
};

} // namespace driverchannel::win32
