// The program's link to the keyboard port driver: finds the driver file,
// registers and starts the driver service, opens its device, passes device
// requests to it, and stops and removes the service again at the end.
// On the 9x family the VxD is loaded by opening it instead.
//
// Single-threaded; every operation returns 0 or one of the codes below.
// No exception leaves the channel.
#pragma once

#include "driverchannel/CDriverPlatform.h"

#include <tavrin/TavrinControl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace driverchannel {

// Result codes.
inline constexpr int CHANNEL_SUCCESS = 0;
inline constexpr int CHANNEL_OPEN_MANAGER_FAILED = -1; // 9x: opening the VxD failed
inline constexpr int CHANNEL_OPEN_SERVICE_FAILED = -2; // neither created nor opened
inline constexpr int CHANNEL_OUT_OF_MEMORY = -3;
inline constexpr int CHANNEL_DRIVER_FILE_NOT_FOUND = -4;
inline constexpr int CHANNEL_NO_DEVICE = -5; // open failed, or no handle held
inline constexpr int CHANNEL_START_FAILED = -6;
inline constexpr int CHANNEL_STOP_REFUSED = -7;
inline constexpr int CHANNEL_DELETE_FAILED = -8;
inline constexpr int CHANNEL_REQUEST_FAILED = -9;
inline constexpr int CHANNEL_NOT_PREPARED = -10;
inline constexpr int CHANNEL_PREVIOUS_NOT_REMOVED = -11;
inline constexpr int CHANNEL_DIRECTORY_FAILED = -13;
// Ours: another run holds the keyboard; KeyboardHolder() says which.
// Nothing was registered, started or sent.
inline constexpr int CHANNEL_KEYBOARD_IN_USE = -14;

// The name the program loads its port driver by.
inline constexpr char DRIVER_SERVICE_NAME[] = TAVRIN_DRIVER_NAME;

// Byte count with which the driver reports that the keyboard did not take a
// byte of a send (it stayed silent or refused it): the driver's own values.
inline constexpr std::uint32_t SEND_SILENT_KEYBOARD = TAVRIN_SEND_NO_REPLY;
// Byte count with which the driver reports that the keyboard refused a byte
// of a send (its "resend" reply).
inline constexpr std::uint32_t SEND_REFUSED_BY_KEYBOARD = TAVRIN_SEND_REFUSED;

class CDriverChannel {
public:
    // The platform is borrowed and must outlive the channel.
    explicit CDriverChannel(CDriverPlatform& platform);
    // The platform is owned; it must not be null.
    explicit CDriverChannel(std::unique_ptr<CDriverPlatform> platform);
#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_PLATFORM)
    // Over the platform of this build.
    CDriverChannel();
#endif
    // Closes the device; on the NT family then Remove(false); then gives
    // the keyboard up.
    ~CDriverChannel();

    CDriverChannel(const CDriverChannel&) = delete;
    CDriverChannel& operator=(const CDriverChannel&) = delete;

    // Takes the keyboard for this run (CHANNEL_KEYBOARD_IN_USE when another
    // run holds it), clears the stale service key, then Prepare and (NT
    // family) Install. driverPath and deviceName may be null.
    [[nodiscard]] int Load(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow);
    [[nodiscard]] int Prepare(std::string_view name, const char* driverPath, const char* deviceName);
    [[nodiscard]] int Install(bool startNow);
    [[nodiscard]] int Start();
    [[nodiscard]] int OpenDevice();
    [[nodiscard]] int StopService();
    [[nodiscard]] int Remove(bool force);

    // 0, CHANNEL_NO_DEVICE or CHANNEL_REQUEST_FAILED.
    [[nodiscard]] int Send(std::uint32_t controlCode, const void* input, std::uint32_t inputLength);
    // The number of bytes returned (0 or more), CHANNEL_NO_DEVICE or
    // CHANNEL_REQUEST_FAILED.
    [[nodiscard]] int Request(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
        void* output, std::uint32_t outputLength);

    DeviceHandle Device() const
    {
        return m_device;
    }
    const std::string& ServiceName() const
    {
        return m_serviceName;
    }
    const std::string& DriverPath() const
    {
        return m_driverPath;
    }
    const std::string& DevicePath() const
    {
        return m_devicePath;
    }
    bool IsPrepared() const
    {
        return m_prepared;
    }
    bool IsStarted() const
    {
        return m_started;
    }
    bool IsInstalled() const
    {
        return m_installed;
    }
    bool RemovesOnStop() const
    {
        return m_removeOnStop;
    }
    bool IsNtFamily() const
    {
        return m_ntFamily;
    }
    // After CHANNEL_KEYBOARD_IN_USE: who holds the keyboard, e.g.
    // "process 4711 (lodemar)". Empty otherwise.
    const std::string& KeyboardHolder() const
    {
        return m_keyboardHolder;
    }
    // After a failed Load: the system's reason in words, to show under the
    // program's own failure text, e.g. "tavrin: no keyboard port found ..."
    // or "pkexec: no authentication agent ..."; empty when the backend has
    // none (the result code alone then says what failed).
    std::string FailureReason() const
    {
        return m_platform.FailureReason();
    }

private:
    [[nodiscard]] int PrepareVxd(std::string_view name, const char* driverPath);
    [[nodiscard]] int PrepareService(std::string_view name, const char* driverPath, const char* deviceName);
    [[nodiscard]] int FindDriverFile(const std::string& name, std::string& path);
    void CloseDeviceHandle();
    void ReleaseNames();

    std::unique_ptr<CDriverPlatform> m_ownedPlatform;
    CDriverPlatform& m_platform;

    DeviceHandle m_device = NO_DEVICE;
    std::string m_serviceName;
    std::string m_driverPath;
    std::string m_devicePath;
    std::string m_keyboardHolder;
    bool m_prepared = false;
    bool m_started = false;
    bool m_installed = false;
    bool m_removeOnStop = true;
    bool m_ntFamily = false;
};

} // namespace driverchannel
