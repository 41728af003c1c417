// The Linux backend: the driver "service" is the tavrin host process, its
// registration a record in the user's runtime directory, its device the
// host's socket. See docs/driverchannel.md for how each operation maps.
#pragma once

#include "driverchannel/CDriverPlatform.h"

#include "HostProcess.h"
#include "KeyboardLock.h"
#include "ServiceRecord.h"

#include <tavrin/CTavrinClient.h>

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace driverchannel::posix {

struct PosixPlatformSettings {
    std::string registrationDirectory; // locks, records, emulated keyboards' sockets
    std::string installedDirectory; // the one place the host program is taken from
    std::string emulatedKeyboardMemory; // empty: the real keyboard (hardware backend)
    bool elevate = false; // start the hardware host through the elevator
    std::string elevator; // absolute path (pkexec)
    std::string hardwareSocket; // where the real keyboard's host serves
    std::string hardwareHolder; // who holds the real keyboard's host, read before starting one; empty: none
    bool attachedHardwareHost = false; // hardwareSocket is served by a host we never start or stop
    int probeTimeoutMs = 1000; // is a host already serving?
    int startTimeoutMs = 10000; // until a host started directly answers
    int elevatedStartTimeoutMs = 120000; // leaves time for the password dialog
    int stopTimeoutMs = 5000; // until a host asked to stop has ended
    int connectTimeoutMs = 2000;
    int requestTimeoutMs = 60000; // a read-out from the real keyboard may take seconds
};

// The settings of this process: runtime directory; the installed location
// (for the emulated keyboard $LODEMAR_DRIVER_DIR instead); pkexec unless
// root; the real keyboard's fixed socket and lock, or the socket that
// $LODEMAR_HARDWARE_SOCKET names.
PosixPlatformSettings defaultPosixSettings(const DriverPlatformOptions& options);

class CPosixDriverPlatform final : public CDriverPlatform {
public:
    explicit CPosixDriverPlatform(PosixPlatformSettings settings);
    ~CPosixDriverPlatform() override;

    KeyboardClaim ClaimKeyboard(const std::string& name, std::string& holder) override;
    void ReleaseKeyboard() override;
    std::string FailureReason() const override { return m_failure; }
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

    // The current folder names no host: a program planted there must never
    // run (as root, for the real keyboard).
    std::string DriverFileInDirectory(const std::string& directory, const std::string& name) override;
    // DIR/tavrin for the name Tavrin (DIR/tavrin-emu for the emulated
    // keyboard), in the installed folder.
    std::string DriverFileInSystem(const std::string& installedDirectory, const std::string& name) override;
    // An absolute path names a socket already.
    bool IsDevicePath(const std::string& deviceName) override;
    std::string DevicePathOf(const std::string& deviceName) override;

    const PosixPlatformSettings& Settings() const { return m_settings; }
    // The host this platform started and has not yet seen end, or -1.
    pid_t StartedHost(const std::string& socketPath) const;

private:
    struct StartedHostProcess {
        pid_t pid = -1;
        std::unique_ptr<CHostOutput> output;
    };

    HostBackend Backend() const;
    // Whom a socket of this backend may be served by (null: a host attached
    // on purpose, taken as it is).
    const tavrin::HostTrust* Trust(HostBackend backend);
    // Why a started host (or pkexec) ended before it served.
    std::string WhyEnded(CHostOutput& output, int status, bool elevated) const;
    // Passes on what the running hosts said.
    void DrainHosts();
    std::string KeyboardId(const std::string& name) const;
    bool MatchesOptions(const ServiceRecord& record) const;
    StartOutcome LaunchHost(const ServiceRecord& record);
    std::intptr_t NextHandle();

    PosixPlatformSettings m_settings;
    std::intptr_t m_lastHandle = 0;
    std::set<std::intptr_t> m_managers;
    std::map<std::intptr_t, ServiceRecord> m_services;
    std::map<std::intptr_t, tavrin::CTavrinClient> m_devices;
    std::map<std::string, StartedHostProcess> m_hosts; // socket path -> host we started
    CKeyboardLock m_lock;
    tavrin::HostTrust m_trust;
    std::string m_failure;
};

} // namespace driverchannel::posix
