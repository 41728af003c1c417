// The Linux backend: the driver is the tavrin host process, its device the
// host's socket. It holds the keyboard's lock for the run, starts the host
// program from the one folder it is taken from (the real keyboard's through
// pkexec), or uses a host that already serves the keyboard, and stops only a
// host it started. See docs/driverchannel.md.
#pragma once

#include "CKeyboardLock.h"
#include "HostProcess.h"

#include <driverchannel/CDriverBackend.h>
#include <driverchannel/ChannelResults.h>
#include <tavrin/CTavrinClient.h>

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace driverchannel::posix {

struct HostDriverSettings {
    std::string runtimeDirectory; // locks, emulated keyboards' sockets
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
HostDriverSettings defaultHostDriverSettings(const DriverBackendOptions& options);

class CHostDriverBackend final : public CDriverBackend {
public:
    explicit CHostDriverBackend(HostDriverSettings settings);
    ~CHostDriverBackend() override;

    CHostDriverBackend(const CHostDriverBackend&) = delete;
    CHostDriverBackend& operator=(const CHostDriverBackend&) = delete;

    KeyboardClaim ClaimKeyboard(std::string_view name, std::string& holder) override;
    // The host program is DIR/tavrin for the name Tavrin (DIR/tavrin-emu for
    // the emulated keyboard), DIR the installed folder, never the current
    // one: a program planted there must never run (as root, for the real
    // keyboard). A given driverPath is used as it is. The socket is the
    // real keyboard's fixed one, or the emulated keyboard's in the runtime
    // folder; a given absolute deviceName instead.
    int StartDriver(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow) override;
    int Control(std::uint32_t controlCode, const void* input, std::uint32_t inputLength, void* output,
        std::uint32_t outputLength, std::uint32_t& bytesReturned) override;
    // Closes the connection and stops the host if this backend started it;
    // CHANNEL_STOP_REFUSED when it does not end in time.
    int StopDriver() override;
    void ReleaseKeyboard() override;
    std::string FailureReason() const override { return m_failure; }

    const HostDriverSettings& Settings() const { return m_settings; }
    // The host program and socket of the last StartDriver that got so far.
    const std::string& HostProgram() const { return m_program; }
    const std::string& SocketPath() const { return m_socket; }
    // The host this backend started and has not yet seen end, or -1.
    pid_t StartedHost() const { return m_host ? m_host->pid : -1; }

private:
    enum class Keyboard {
        Hardware,
        Emulated,
    };
    struct HostChild {
        pid_t pid = -1;
        std::unique_ptr<CHostOutput> output;
    };

    Keyboard WhichKeyboard() const; // the one the settings name
    [[nodiscard]] int FindHostProgram(std::string_view name, std::string& program);
    std::string SocketOf(std::string_view deviceName) const;
    // Uses a host already serving the socket, or starts one.
    [[nodiscard]] int RunHost();
    [[nodiscard]] int LaunchHost();
    // Whom a socket of this backend may be served by (null: a host attached
    // on purpose, taken as it is).
    const tavrin::HostTrust* Trust();
    // Why a started host (or pkexec) ended before it served.
    std::string WhyEnded(CHostOutput& output, int status, bool elevated) const;
    // Passes on what the hosts said.
    void DrainHosts();
    std::string KeyboardId(std::string_view name) const;

    HostDriverSettings m_settings;
    CKeyboardLock m_lock;
    tavrin::HostTrust m_trust;
    std::string m_failure;
    std::string m_program;
    std::string m_socket;
    std::optional<tavrin::CTavrinClient> m_client;
    std::optional<HostChild> m_host;
    // Hosts that never came up and could not be ended (they run as root):
    // reaped once they end.
    std::vector<HostChild> m_strays;
};

} // namespace driverchannel::posix
