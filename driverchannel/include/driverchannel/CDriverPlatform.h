// The one seam between CDriverChannel and the operating system. Each
// operation stands for one system call (or a short, fixed sequence of them)
// that the channel's algorithms use; the decisions stay in the channel.
//
// Backends: src/win32 (service control manager, registry, DeviceIoControl)
// and src/posix (Linux: the tavrin driver host process, a registration record
// in the user's runtime directory, the host's socket); see
// docs/driverchannel.md. Builds without a backend declare no default
// platform and no CDriverChannel(); callers pass their own platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace driverchannel {

// Opaque handles. The values 0 and -1 are reserved so the channel can keep
// the system's meanings: 0 is "no handle", -1 is the value a failed device
// open leaves behind. A backend whose native handles can be 0 maps them.
enum class DeviceHandle : std::intptr_t {};
enum class ServiceHandle : std::intptr_t {};

inline constexpr DeviceHandle NO_DEVICE { 0 };
inline constexpr DeviceHandle INVALID_DEVICE { -1 };
inline constexpr ServiceHandle NO_SERVICE { 0 };

enum class StartOutcome {
    Started,
    AlreadyRunning, // the service was running before this call
    Failed,
};

enum class KeyboardClaim {
    Held, // this run holds the keyboard now (or held it already)
    InUse, // another run holds it
    Failed, // the lock could not be had (no private folder for it)
};

// Versions at or above this value (top bit set) belong to the 9x family.
inline constexpr std::uint32_t VERSION_9X_FAMILY_BIT = 0x80000000u;

class CDriverPlatform {
public:
    virtual ~CDriverPlatform() = default;

    // The system version value; the channel tests its top bit only.
    virtual std::uint32_t QueryVersion() = 0;

    // Holds the keyboard that the driver name drives for this run, before
    // anything else is touched, so that two runs never drive one keyboard or
    // stop each other's driver. On InUse, holder describes the run that
    // holds it. The default holds
    // nothing: where the program's single instance is the only user of the
    // driver (Windows), there is nothing more to hold.
    virtual KeyboardClaim ClaimKeyboard(const std::string& name, std::string& holder);
    // Gives the keyboard up; called once the driver has been stopped.
    virtual void ReleaseKeyboard();

    // The backend's own words for why its last operation failed (what the
    // driver host or pkexec said, a folder it would not trust), for the
    // user; empty when it has none. The result code stays the answer.
    virtual std::string FailureReason() const;

    // Deletes a key below the local machine's root with all its subkeys.
    virtual void DeleteServiceKey(const std::string& keyPath) = 0;

    // Directory reads; false when the system call fails. The current
    // directory is the process's working directory. The "Windows directory"
    // is the system folder below which the system driver directory lies.
    virtual bool ReadCurrentDirectory(std::string& directory) = 0;
    virtual bool ReadWindowsDirectory(std::string& directory) = 0;
    virtual bool FileExists(const std::string& path) = 0;

    // Service manager. Each open returns NO_SERVICE on failure; every handle
    // returned is given back to CloseServiceObject.
    virtual ServiceHandle OpenServiceManager() = 0;
    // A demand-start kernel driver service, full access, name and display
    // name equal; NO_SERVICE when it cannot be created (including "exists").
    virtual ServiceHandle CreateDriverService(
        ServiceHandle manager, const std::string& name, const std::string& driverPath)
        = 0;
    virtual ServiceHandle OpenDriverService(ServiceHandle manager, const std::string& name) = 0;
    virtual StartOutcome StartDriverService(ServiceHandle service) = 0;
    // Sends the stop control; false when it is refused.
    virtual bool StopDriverService(ServiceHandle service) = 0;
    virtual bool DeleteDriverService(ServiceHandle service) = 0;
    virtual void CloseServiceObject(ServiceHandle handle) = 0;

    // Opens a device for synchronous read/write use; INVALID_DEVICE on failure.
    virtual DeviceHandle OpenDeviceFile(const std::string& path) = 0;
    // 9x family: opening this path loads the VxD, closing the handle unloads
    // it. INVALID_DEVICE on failure.
    virtual DeviceHandle OpenVxdFile(const std::string& path) = 0;
    // One synchronous device control request. Returns whether the call
    // succeeded; bytesReturned receives the reported byte count (the channel
    // sets it before the call). Must fail, not crash, for INVALID_DEVICE.
    virtual bool DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
        std::uint32_t inputLength, void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
        = 0;
    // Never called with NO_DEVICE or INVALID_DEVICE.
    virtual void CloseDevice(DeviceHandle device) = 0;

    // Names of files and devices. The defaults are the system's Windows forms;
    // a platform whose files and devices are named otherwise overrides them.
    // "%s\%s.sys": the driver file in a directory (the current directory).
    virtual std::string DriverFileInDirectory(const std::string& directory, const std::string& name);
    // "%s%s.sys" after the Windows directory plus "\system32\Drivers\".
    virtual std::string DriverFileInSystem(const std::string& windowsDirectory, const std::string& name);
    // A device name with a backslash as its first or second character is a
    // path already and is used unchanged.
    virtual bool IsDevicePath(const std::string& deviceName);
    // "\\.\%s": the user-mode path of a device name.
    virtual std::string DevicePathOf(const std::string& deviceName);
};

// Linux: names a folder that replaces the installed location of the driver
// host for the emulated keyboard (for running from a build tree or a moved
// install). The real keyboard's host comes only from the installed location.
inline constexpr char DRIVER_DIRECTORY_VARIABLE[] = "LODEMAR_DRIVER_DIR";
// Linux, for tests and diagnosis: the socket of a host that already serves
// the real keyboard; the channel uses it and never starts or stops a host.
inline constexpr char HARDWARE_SOCKET_VARIABLE[] = "LODEMAR_HARDWARE_SOCKET";

// What the platform of this build drives.
struct DriverPlatformOptions {
    // Empty: the real keyboard. Otherwise the emulated keyboard, whose memory
    // lives in this file (created when missing). The emulator is chosen only
    // this way, never as a fallback.
    std::string emulatedKeyboardMemory;
};

// The platform of this build. Declared only where the build has one.
#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_PLATFORM)
// Linux: the driver host, with the hardware backend (started through pkexec
// unless the process is root) or the emulated keyboard.
// Windows: the service control manager. There is no emulated keyboard on
// Windows: a platform asked for one touches nothing and its Load finds no
// driver file (CHANNEL_DRIVER_FILE_NOT_FOUND).
// Never null.
std::unique_ptr<CDriverPlatform> CreateDriverPlatform(const DriverPlatformOptions& options = {});

// The memory file of the emulated keyboard when the user names none:
// $XDG_STATE_HOME/lodemar/emulated-keyboard.bin (else ~/.local/state/...),
// its folder created on demand. Empty when no such folder can be had (and
// always on Windows): the caller must then not ask for emulation, rather
// than fall back to the real keyboard.
std::string DefaultEmulatedKeyboardMemory();

// The folder the driver for these options is taken from. Linux: the
// installed libexec folder; for the emulated keyboard $LODEMAR_DRIVER_DIR
// instead when it is set. Windows: the system driver folder, the second place
// the channel looks in after the current directory.
std::string DriverHostFolder(const DriverPlatformOptions& options);

// Linux: the user's private folder of the suite ($XDG_RUNTIME_DIR/lodemar
// where that folder is the user's alone; else /run/lodemar-root for root and
// ~/.cache/lodemar/run for a user) in folder; true once it exists with mode
// 0700, false when it is a link, belongs to another user, others could write
// into it, a folder above it could be changed by someone else, or it cannot
// be made. Windows: false, folder empty.
bool PrivateRuntimeFolder(std::string& folder);
#endif

} // namespace driverchannel
