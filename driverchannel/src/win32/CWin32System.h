// The Win32 calls the Windows backend's steps are made of, behind one
// interface so that the steps can be driven by a scripted system in tests.
// Each operation stands for one system call (or a short, fixed sequence of
// them); the decisions stay in CServiceDriverBackend. Private to the Windows
// backend: CNativeWin32System makes the calls, tests script them.
#pragma once

#include <cstdint>
#include <string>

namespace driverchannel::win32 {

// Opaque handles. The values 0 and -1 are reserved so the backend can keep
// the system's meanings: 0 is "no handle", -1 is the value a failed device
// open leaves behind.
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

// Versions at or above this value (top bit set) belong to the 9x family.
inline constexpr std::uint32_t VERSION_9X_FAMILY_BIT = 0x80000000u;

class CWin32System {
public:
    virtual ~CWin32System() = default;

    // The system version value; the backend tests its top bit only.
    virtual std::uint32_t QueryVersion() = 0;

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
    // succeeded; bytesReturned receives the reported byte count (the backend
    // sets it before the call). Must fail, not crash, for INVALID_DEVICE.
    virtual bool DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
        std::uint32_t inputLength, void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
        = 0;
    // Never called with NO_DEVICE or INVALID_DEVICE.
    virtual void CloseDevice(DeviceHandle device) = 0;

    // Names of files and devices, in the system's forms (DriverNames.h);
    // virtual so that a test can run out of memory in one of them.
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

} // namespace driverchannel::win32
