#include "CServiceDriverBackend.h"

#include "DriverNames.h"

#include <new>
#include <utility>

namespace driverchannel::win32 {

namespace {

// Closes the service manager and service handles an operation opened, in
// every path out of it.
class CServiceHandles {
public:
    explicit CServiceHandles(CWin32System& system)
        : m_system(system)
    {
    }
    ~CServiceHandles()
    {
        if (service != NO_SERVICE)
            m_system.CloseServiceObject(service);
        if (manager != NO_SERVICE)
            m_system.CloseServiceObject(manager);
    }
    CServiceHandles(const CServiceHandles&) = delete;
    CServiceHandles& operator=(const CServiceHandles&) = delete;

    // CHANNEL_SUCCESS, or -1 / -2 for whichever open failed.
    int Open(const std::string& serviceName)
    {
        manager = m_system.OpenServiceManager();
        if (manager == NO_SERVICE)
            return CHANNEL_OPEN_MANAGER_FAILED;
        service = m_system.OpenDriverService(manager, serviceName);
        if (service == NO_SERVICE)
            return CHANNEL_OPEN_SERVICE_FAILED;
        return CHANNEL_SUCCESS;
    }

    ServiceHandle manager = NO_SERVICE;
    ServiceHandle service = NO_SERVICE;

private:
    CWin32System& m_system;
};

bool isNtVersion(std::uint32_t version)
{
    return (version & VERSION_9X_FAMILY_BIT) == 0;
}

} // namespace

CServiceDriverBackend::CServiceDriverBackend(CWin32System& system)
    : m_system(system)
    , m_ntFamily(isNtVersion(system.QueryVersion()))
{
}

CServiceDriverBackend::CServiceDriverBackend(std::unique_ptr<CWin32System> system)
    : m_ownedSystem(std::move(system))
    , m_system(*m_ownedSystem)
    , m_ntFamily(isNtVersion(m_system.QueryVersion()))
{
}

CServiceDriverBackend::~CServiceDriverBackend()
{
    // The service is the channel's to stop (StopDriver); a handle is never leaked.
    CloseDeviceHandle();
}

KeyboardClaim CServiceDriverBackend::ClaimKeyboard(std::string_view, std::string&)
{
    return KeyboardClaim::Held;
}

void CServiceDriverBackend::ReleaseKeyboard() { }

int CServiceDriverBackend::StopDriver()
{
    CloseDeviceHandle();
    return m_ntFamily ? Remove(false) : CHANNEL_SUCCESS;
}

int CServiceDriverBackend::StartDriver(
    std::string_view name, const char* driverPath, const char* deviceName, bool startNow)
{
    try {
        // Clears whatever an earlier run left registered; the result does not matter.
        m_system.DeleteServiceKey(names::SERVICE_KEY);
    } catch (const std::bad_alloc&) {
        return CHANNEL_OUT_OF_MEMORY;
    }
    const int result = Prepare(name, driverPath, deviceName);
    if (result != CHANNEL_SUCCESS || !m_ntFamily)
        return result;
    return Install(startNow);
}

int CServiceDriverBackend::Prepare(std::string_view name, const char* driverPath, const char* deviceName)
{
    try {
        return m_ntFamily ? PrepareService(name, driverPath, deviceName) : PrepareVxd(name, driverPath);
    } catch (const std::bad_alloc&) {
        // Nothing of this call has been stored: the names are committed only
        // once all of them are built.
        return CHANNEL_OUT_OF_MEMORY;
    }
}

int CServiceDriverBackend::PrepareVxd(std::string_view name, const char* driverPath)
{
    // A given path skips the file test; the VxD is opened by its name either way.
    if (driverPath == nullptr) {
        std::string directory;
        if (!m_system.ReadCurrentDirectory(directory))
            return CHANNEL_DIRECTORY_FAILED;
        if (!m_system.FileExists(names::formatPath(names::VXD_FILE_IN_DIRECTORY, directory, name)))
            return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    const std::string openPath = names::formatPath(names::VXD_OPEN_PATH, name);
    // A second load must not leak the first handle (and with it the VxD).
    CloseDeviceHandle();
    m_device = m_system.OpenVxdFile(openPath);
    if (m_device == NO_DEVICE)
        m_device = INVALID_DEVICE;
    return m_device == INVALID_DEVICE ? CHANNEL_OPEN_MANAGER_FAILED : CHANNEL_SUCCESS;
}

int CServiceDriverBackend::PrepareService(
    std::string_view name, const char* driverPath, const char* deviceName)
{
    if (m_prepared && Remove(false) != CHANNEL_SUCCESS)
        return CHANNEL_PREVIOUS_NOT_REMOVED;

    std::string serviceName(name);
    std::string driverFile;
    if (driverPath != nullptr) {
        driverFile = driverPath;
    } else {
        const int found = FindDriverFile(serviceName, driverFile);
        if (found != CHANNEL_SUCCESS)
            return found;
    }

    std::string device = deviceName != nullptr ? std::string(deviceName) : serviceName;
    if (!m_system.IsDevicePath(device))
        device = m_system.DevicePathOf(device);

    m_driverPath = std::move(driverFile);
    m_serviceName = std::move(serviceName);
    m_devicePath = std::move(device);
    m_prepared = true;
    return CHANNEL_SUCCESS;
}

int CServiceDriverBackend::FindDriverFile(const std::string& name, std::string& path)
{
    std::string directory;
    if (!m_system.ReadCurrentDirectory(directory))
        return CHANNEL_DIRECTORY_FAILED;
    std::string candidate = m_system.DriverFileInDirectory(directory, name);
    if (!m_system.FileExists(candidate)) {
        if (!m_system.ReadWindowsDirectory(directory))
            return CHANNEL_DIRECTORY_FAILED;
        candidate = m_system.DriverFileInSystem(directory, name);
        if (!m_system.FileExists(candidate))
            return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    path = std::move(candidate);
    return CHANNEL_SUCCESS;
}

int CServiceDriverBackend::Install(bool startNow)
{
    if (m_installed)
        return CHANNEL_SUCCESS;
    if (!m_prepared)
        return CHANNEL_NOT_PREPARED;
    {
        CServiceHandles handles(m_system);
        handles.manager = m_system.OpenServiceManager();
        if (handles.manager == NO_SERVICE)
            return CHANNEL_OPEN_MANAGER_FAILED;
        // Creation fails when an earlier run left the service registered;
        // that one is reused.
        handles.service = m_system.CreateDriverService(handles.manager, m_serviceName, m_driverPath);
        if (handles.service == NO_SERVICE)
            handles.service = m_system.OpenDriverService(handles.manager, m_serviceName);
        if (handles.service == NO_SERVICE)
            return CHANNEL_OPEN_SERVICE_FAILED;
    }
    m_installed = true;
    return startNow ? Start() : CHANNEL_SUCCESS;
}

int CServiceDriverBackend::Start()
{
    if (m_started)
        return CHANNEL_SUCCESS;
    {
        CServiceHandles handles(m_system);
        const int opened = handles.Open(m_serviceName);
        if (opened != CHANNEL_SUCCESS)
            return opened;
        switch (m_system.StartDriverService(handles.service)) {
        case StartOutcome::Started:
            break;
        case StartOutcome::AlreadyRunning:
            // Someone else's service: use it, stop it at the end, keep it.
            m_removeOnStop = false;
            break;
        case StartOutcome::Failed:
            return CHANNEL_START_FAILED;
        }
    }
    m_started = true;
    return OpenDevice();
}

int CServiceDriverBackend::OpenDevice()
{
    CloseDeviceHandle();
    m_device = m_system.OpenDeviceFile(m_devicePath);
    if (m_device == NO_DEVICE)
        m_device = INVALID_DEVICE;
    return m_device == INVALID_DEVICE ? CHANNEL_NO_DEVICE : CHANNEL_SUCCESS;
}

int CServiceDriverBackend::StopService()
{
    if (!m_started)
        return CHANNEL_SUCCESS;
    CServiceHandles handles(m_system);
    const int opened = handles.Open(m_serviceName);
    if (opened != CHANNEL_SUCCESS)
        return opened;
    // The driver cannot stop while its device is open.
    CloseDeviceHandle();
    if (!m_system.StopDriverService(handles.service))
        return CHANNEL_STOP_REFUSED;
    m_started = false;
    return CHANNEL_SUCCESS;
}

int CServiceDriverBackend::Remove(bool force)
{
    int result = CHANNEL_SUCCESS;
    if (m_started) {
        result = StopService();
        if (result == CHANNEL_SUCCESS && m_removeOnStop) {
            CServiceHandles handles(m_system);
            handles.manager = m_system.OpenServiceManager();
            if (handles.manager == NO_SERVICE)
                return CHANNEL_OPEN_MANAGER_FAILED;
            handles.service = m_system.OpenDriverService(handles.manager, m_serviceName);
            if (handles.service == NO_SERVICE)
                result = CHANNEL_OPEN_SERVICE_FAILED;
            else if (!m_system.DeleteDriverService(handles.service))
                result = CHANNEL_DELETE_FAILED;
            if (result == CHANNEL_SUCCESS)
                m_installed = false;
        }
    }
    if (m_prepared && (result == CHANNEL_SUCCESS || force)) {
        m_prepared = false;
        ReleaseNames();
    }
    return result;
}

int CServiceDriverBackend::Control(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
    void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
{
    if (m_device == NO_DEVICE)
        return CHANNEL_NO_DEVICE;
    // A handle whose open failed still goes to the system, which rejects it.
    return m_system.DeviceControl(
               m_device, controlCode, input, inputLength, output, outputLength, bytesReturned)
        ? CHANNEL_SUCCESS
        : CHANNEL_REQUEST_FAILED;
}

void CServiceDriverBackend::CloseDeviceHandle()
{
    if (m_device != NO_DEVICE && m_device != INVALID_DEVICE)
        m_system.CloseDevice(m_device);
    m_device = NO_DEVICE;
}

void CServiceDriverBackend::ReleaseNames()
{
    std::string().swap(m_driverPath);
    std::string().swap(m_devicePath);
    std::string().swap(m_serviceName);
}

} // namespace driverchannel::win32
