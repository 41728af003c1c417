// A scripted stand-in for the Win32 calls: a small service manager, a file
// set, devices and a queue of device replies, with switches for each failure
// the Windows backend must handle. Every call is logged in order.
// CFakeWindowsBackend puts the real Windows backend over it, with a
// scripted keyboard claim, for tests of the channel and of what stands on it.
#pragma once

#include "win32/CServiceDriverBackend.h"
#include "win32/CWin32System.h"

#include <driverchannel/CDriverBackend.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace driverchannel::testing {

using namespace driverchannel::win32;

inline constexpr std::uint32_t NT_VERSION = 0x0A280105; // top bit clear
inline constexpr std::uint32_t W9X_VERSION = 0xC0000A04; // top bit set

class CFakeWin32System : public CWin32System {
public:
    struct Service {
        std::string driverPath;
        bool running = false;
    };
    struct Reply {
        bool ok = true;
        std::uint32_t count = 0;
        std::vector<std::uint8_t> output;
    };
    struct IoCall {
        std::uint32_t code;
        std::vector<std::uint8_t> input;
        std::uint32_t outputLength;
    };

    // Script.
    std::uint32_t version = NT_VERSION;
    std::string currentDirectory = "C:\\work";
    std::string windowsDirectory = "C:\\WINDOWS";
    bool currentDirectoryFails = false;
    bool windowsDirectoryFails = false;
    std::set<std::string> files;
    bool managerFails = false;
    bool createFails = false;
    bool startFails = false;
    bool stopRefused = false;
    bool deleteRefused = false;
    bool deviceOpenFails = false;
    std::string throwBadAllocIn; // the name of a call that runs out of memory
    // What CFakeWindowsBackend's claim answers (the Windows backend itself
    // holds nothing).
    KeyboardClaim claim = KeyboardClaim::Held;
    std::string claimHolder; // what an InUse claim reports
    std::deque<Reply> replies; // default reply: success, count 0
    // Called as each device request arrives, before it is answered, so that
    // a test can look at the program meanwhile.
    std::function<void(std::uint32_t code)> onDeviceControl;

    // Observed state.
    std::map<std::string, Service> services;
    std::vector<std::string> calls;
    std::vector<IoCall> ioCalls;
    std::set<std::intptr_t> openServiceObjects;
    std::set<std::intptr_t> openDevices;
    // The calls made before the keyboard was given up; none while held.
    std::optional<std::size_t> releasedAfterCalls;

    bool Called(const std::string& prefix) const
    {
        return std::any_of(
            calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }

    std::uint32_t QueryVersion() override { return version; }
    void DeleteServiceKey(const std::string& keyPath) override { Log("DeleteServiceKey " + keyPath); }
    bool ReadCurrentDirectory(std::string& directory) override
    {
        Log("ReadCurrentDirectory");
        directory = currentDirectory;
        return !currentDirectoryFails;
    }
    bool ReadWindowsDirectory(std::string& directory) override
    {
        Log("ReadWindowsDirectory");
        directory = windowsDirectory;
        return !windowsDirectoryFails;
    }
    bool FileExists(const std::string& path) override
    {
        Log("FileExists " + path);
        return files.count(path) != 0;
    }

    ServiceHandle OpenServiceManager() override
    {
        Log("OpenServiceManager");
        return managerFails ? NO_SERVICE : NewServiceObject("");
    }
    ServiceHandle CreateDriverService(
        ServiceHandle, const std::string& name, const std::string& path) override
    {
        Log("CreateDriverService " + name + " " + path);
        if (createFails || services.count(name))
            return NO_SERVICE;
        services[name] = Service { path, false };
        return NewServiceObject(name);
    }
    ServiceHandle OpenDriverService(ServiceHandle, const std::string& name) override
    {
        Log("OpenDriverService " + name);
        return services.count(name) ? NewServiceObject(name) : NO_SERVICE;
    }
    StartOutcome StartDriverService(ServiceHandle service) override
    {
        Service& s = services.at(Log("StartDriverService", service));
        if (s.running)
            return StartOutcome::AlreadyRunning;
        if (startFails)
            return StartOutcome::Failed;
        s.running = true;
        return StartOutcome::Started;
    }
    bool StopDriverService(ServiceHandle service) override
    {
        Service& s = services.at(Log("StopDriverService", service));
        if (stopRefused || !s.running || !openDevices.empty())
            return false;
        s.running = false;
        return true;
    }
    bool DeleteDriverService(ServiceHandle service) override
    {
        const std::string name = Log("DeleteDriverService", service);
        return !deleteRefused && services.erase(name) != 0;
    }
    void CloseServiceObject(ServiceHandle handle) override
    {
        Log("CloseServiceObject");
        if (openServiceObjects.erase(static_cast<std::intptr_t>(handle)) == 0)
            calls.push_back("ERROR: closed an unknown service object");
    }

    DeviceHandle OpenDeviceFile(const std::string& path) override
    {
        Log("OpenDeviceFile " + path);
        return deviceOpenFails ? INVALID_DEVICE : NewDevice();
    }
    DeviceHandle OpenVxdFile(const std::string& path) override
    {
        Log("OpenVxdFile " + path);
        return deviceOpenFails ? INVALID_DEVICE : NewDevice();
    }
    bool DeviceControl(DeviceHandle device, std::uint32_t code, const void* input, std::uint32_t inputLength,
        void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned) override
    {
        if (onDeviceControl)
            onDeviceControl(code);
        Log("DeviceControl");
        const auto* in = static_cast<const std::uint8_t*>(input);
        ioCalls.push_back(IoCall { code, std::vector<std::uint8_t>(in, in + inputLength), outputLength });
        if (!openDevices.count(static_cast<std::intptr_t>(device)))
            return false; // what the system does with a closed or invalid handle
        Reply reply;
        if (!replies.empty()) {
            reply = replies.front();
            replies.pop_front();
        }
        if (output != nullptr && !reply.output.empty())
            std::memcpy(
                output, reply.output.data(), std::min<std::size_t>(reply.output.size(), outputLength));
        bytesReturned = reply.count;
        return reply.ok;
    }
    void CloseDevice(DeviceHandle device) override
    {
        Log("CloseDevice");
        if (openDevices.erase(static_cast<std::intptr_t>(device)) == 0)
            calls.push_back("ERROR: closed an unknown device");
    }

    std::string DevicePathOf(const std::string& deviceName) override
    {
        Log("DevicePathOf");
        return CWin32System::DevicePathOf(deviceName);
    }

private:
    // Logs a call, running out of memory there when the script says so.
    void Log(const std::string& entry)
    {
        if (!throwBadAllocIn.empty() && entry.rfind(throwBadAllocIn, 0) == 0)
            throw std::bad_alloc();
        calls.push_back(entry);
    }
    std::string Log(const std::string& entry, ServiceHandle service)
    {
        const std::string name = m_serviceNames.at(static_cast<std::intptr_t>(service));
        Log(entry + " " + name);
        return name;
    }
    ServiceHandle NewServiceObject(const std::string& name)
    {
        const std::intptr_t value = m_nextHandle++;
        openServiceObjects.insert(value);
        m_serviceNames[value] = name;
        return ServiceHandle { value };
    }
    DeviceHandle NewDevice()
    {
        const std::intptr_t value = m_nextHandle++;
        openDevices.insert(value);
        return DeviceHandle { value };
    }

    std::intptr_t m_nextHandle = 100;
    std::map<std::intptr_t, std::string> m_serviceNames;
};

// The Windows backend over a fake system, its claim scripted by the fake.
class CFakeWindowsBackend final : public CDriverBackend {
public:
    explicit CFakeWindowsBackend(CFakeWin32System& os)
        : m_os(os)
        , m_backend(os)
    {
    }
    KeyboardClaim ClaimKeyboard(std::string_view, std::string& holder) override
    {
        if (m_os.claim == KeyboardClaim::InUse)
            holder = m_os.claimHolder;
        return m_os.claim;
    }
    int StartDriver(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow) override
    {
        return m_backend.StartDriver(name, driverPath, deviceName, startNow);
    }
    int Control(std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
        std::uint32_t outputLength, std::uint32_t& bytesReturned) override
    {
        return m_backend.Control(code, input, inputLength, output, outputLength, bytesReturned);
    }
    int StopDriver() override { return m_backend.StopDriver(); }
    void ReleaseKeyboard() override { m_os.releasedAfterCalls = m_os.calls.size(); }

    CServiceDriverBackend& Steps() { return m_backend; }

private:
    CFakeWin32System& m_os;
    CServiceDriverBackend m_backend;
};

inline std::unique_ptr<CDriverBackend> fakeWindowsBackend(CFakeWin32System& os)
{
    return std::make_unique<CFakeWindowsBackend>(os);
}

} // namespace driverchannel::testing
