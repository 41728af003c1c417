// The one seam between CDriverChannel and the operating system: what the
// program asks of a keyboard driver, in the channel's result codes. A backend
// holds the keyboard for one run, starts the driver and opens its device,
// passes device controls to it, and stops it again.
//
// Backends: src/win32 (the driver as a service of the service control
// manager, or a VxD on the 9x family; its steps over a private interface to
// the Win32 calls) and src/posix (Linux: the tavrin driver host process and
// its socket); see docs/driverchannel.md. Builds without a backend declare
// no default backend and no CDriverChannel(); callers pass their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace driverchannel {

enum class KeyboardClaim {
    Held, // this run holds the keyboard now (or held it already)
    InUse, // another run holds it
    Failed, // the lock could not be had (no private folder for it)
};

class CDriverBackend {
public:
    virtual ~CDriverBackend() = default;

    // Holds the keyboard that the driver name drives for this run, before
    // anything else is touched, so that two runs never drive one keyboard or
    // stop each other's driver. On InUse, holder describes the run that
    // holds it.
    virtual KeyboardClaim ClaimKeyboard(std::string_view name, std::string& holder) = 0;
    // Finds the driver of this name (at driverPath when it is given), starts
    // it when startNow is set and opens its device (deviceName, when given,
    // instead of the name's own). CHANNEL_SUCCESS or the code of the step
    // that failed; the backend stays in the state it reached.
    [[nodiscard]] virtual int StartDriver(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow)
        = 0;
    // One synchronous device control on the open device: CHANNEL_SUCCESS,
    // CHANNEL_NO_DEVICE (none open) or CHANNEL_REQUEST_FAILED (the call
    // failed, or the driver reported a failure). bytesReturned receives the
    // driver's byte count (its report, for a send); it is 0 before the call.
    [[nodiscard]] virtual int Control(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
        void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
        = 0;
    // Closes the device and stops (and unregisters) what Start started; a
    // driver found running is left running. CHANNEL_SUCCESS, or the code
    // of the step that refused.
    [[nodiscard]] virtual int StopDriver() = 0;
    // Gives the keyboard up; called once the driver has been stopped.
    virtual void ReleaseKeyboard() = 0;

    // The backend's own words for why its last operation failed (what the
    // driver host or pkexec said, a folder it would not trust), for the
    // user; empty when it has none. The result code stays the answer.
    virtual std::string FailureReason() const { return {}; }
};

// Linux: names a folder that replaces the installed location of the driver
// host for the emulated keyboard (for running from a build tree or a moved
// install). The real keyboard's host comes only from the installed location.
inline constexpr char DRIVER_DIRECTORY_VARIABLE[] = "LODEMAR_DRIVER_DIR";
// Linux, for tests and diagnosis: the socket of a host that already serves
// the real keyboard; the channel uses it and never starts or stops a host.
inline constexpr char HARDWARE_SOCKET_VARIABLE[] = "LODEMAR_HARDWARE_SOCKET";

// What the backend of this build drives.
struct DriverBackendOptions {
    // Empty: the real keyboard. Otherwise the emulated keyboard, whose memory
    // lives in this file (created when missing). The emulator is chosen only
    // this way, never as a fallback.
    std::string emulatedKeyboardMemory;
};

// The backend of this build. Declared only where the build has one.
#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_BACKEND)
// Linux: the driver host, with the hardware backend (started through pkexec
// unless the process is root) or the emulated keyboard.
// Windows: the service control manager. There is no emulated keyboard on
// Windows: a backend asked for one touches nothing and its StartDriver finds no
// driver (CHANNEL_DRIVER_FILE_NOT_FOUND).
// Never null.
std::unique_ptr<CDriverBackend> CreateDriverBackend(const DriverBackendOptions& options = {});

// The memory file of the emulated keyboard when the user names none:
// $XDG_STATE_HOME/lodemar/emulated-keyboard.bin (else ~/.local/state/...),
// its folder created on demand. Empty when no such folder can be had (and
// always on Windows): the caller must then not ask for emulation, rather
// than fall back to the real keyboard.
std::string DefaultEmulatedKeyboardMemory();

// The folder the driver for these options is taken from. Linux: the
// installed libexec folder; for the emulated keyboard $LODEMAR_DRIVER_DIR
// instead when it is set. Windows: the system driver folder, the second place
// the backend looks in after the current directory.
std::string DriverHostFolder(const DriverBackendOptions& options);

// Linux: the user's private folder of the suite ($XDG_RUNTIME_DIR/lodemar
// where that folder is the user's alone; else /run/lodemar-root for root and
// ~/.cache/lodemar/run for a user) in folder; true once it exists with mode
// 0700, false when it is a link, belongs to another user, others could write
// into it, a folder above it could be changed by someone else, or it cannot
// be made. Windows: false, folder empty.
bool PrivateRuntimeFolder(std::string& folder);
#endif

} // namespace driverchannel
