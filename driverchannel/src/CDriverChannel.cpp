#include "driverchannel/CDriverChannel.h"

#include "DriverNames.h"

#include <climits>
#include <new>
#include <utility>

namespace driverchannel {

namespace {

// Closes the service manager and service handles an operation opened, in
// every path out of it.
class CServiceHandles {
public:
    explicit CServiceHandles(CDriverPlatform& platform)
        : m_platform(platform)
    {
    }
    ~CServiceHandles()
    {
        if (service != NO_SERVICE)
            m_platform.CloseServiceObject(service);
        if (manager != NO_SERVICE)
            m_platform.CloseServiceObject(manager);
    }
    CServiceHandles(const CServiceHandles&) = delete;
    CServiceHandles& operator=(const CServiceHandles&) = delete;

    // CHANNEL_SUCCESS, or -1 / -2 for whichever open failed.
    int Open(const std::string& serviceName)
    {
        manager = m_platform.OpenServiceManager();
        if (manager == NO_SERVICE)
            return CHANNEL_OPEN_MANAGER_FAILED;
        service = m_platform.OpenDriverService(manager, serviceName);
        if (service == NO_SERVICE)
            return CHANNEL_OPEN_SERVICE_FAILED;
        return CHANNEL_SUCCESS;
    }

    ServiceHandle manager = NO_SERVICE;
    ServiceHandle service = NO_SERVICE;

private:
    CDriverPlatform& m_platform;
};

bool isNtVersion(std::uint32_t version)
{
    return (version & VERSION_9X_FAMILY_BIT) == 0;
}

} // namespace

CDriverChannel::CDriverChannel(CDriverPlatform& platform)
    : m_platform(platform)
    , m_ntFamily(isNtVersion(platform.QueryVersion()))
{
}

CDriverChannel::CDriverChannel(std::unique_ptr<CDriverPlatform> platform)
    : m_ownedPlatform(std::move(platform))
    , m_platform(*m_ownedPlatform)
    , m_ntFamily(isNtVersion(m_platform.QueryVersion()))
{
}

#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_PLATFORM)
CDriverChannel::CDriverChannel()
    : CDriverChannel(CreateDriverPlatform())
{
}
#endif

CDriverChannel::~CDriverChannel()
{
    try {
        CloseDeviceHandle();
        if (m_ntFamily)
            (void)Remove(false); // a destructor has no one to tell
        // Only now: the next run must not find our driver still serving.
        m_platform.ReleaseKeyboard();
    } catch (...) {
        // Nothing can be reported from here; the service is left as it is.
    }
}

int CDriverChannel::Load(std::string_view name, const char* driverPath, const char* deviceName, bool startNow)
{
    try {
        // Before the stale key is cleared: that key may be another run's.
        std::string holder;
        switch (m_platform.ClaimKeyboard(std::string(name), holder)) {
        case KeyboardClaim::Held:
            break;
        case KeyboardClaim::InUse:
            m_keyboardHolder = std::move(holder);
            return CHANNEL_KEYBOARD_IN_USE;
        case KeyboardClaim::Failed:
            return CHANNEL_OPEN_MANAGER_FAILED;
        }
        m_keyboardHolder.clear();
        // Clears whatever an earlier run left registered; the result does not matter.
        m_platform.DeleteServiceKey(names::SERVICE_KEY);
    } catch (const std::bad_alloc&) {
        return CHANNEL_OUT_OF_MEMORY;
    }
    const int result = Prepare(name, driverPath, deviceName);
    if (result != CHANNEL_SUCCESS || !m_ntFamily)
        return result;
    return Install(startNow);
}

int CDriverChannel::Prepare(std::string_view name, const char* driverPath, const char* deviceName)
{
    try {
        return m_ntFamily ? PrepareService(name, driverPath, deviceName) : PrepareVxd(name, driverPath);
    } catch (const std::bad_alloc&) {
        // Nothing of this call has been stored: the names are committed only
        // once all of them are built.
        return CHANNEL_OUT_OF_MEMORY;
    }
}

int CDriverChannel::PrepareVxd(std::string_view name, const char* driverPath)
{
    // A given path skips the file test; the VxD is opened by its name either way.
    if (driverPath == nullptr) {
        std::string directory;
        if (!m_platform.ReadCurrentDirectory(directory))
            return CHANNEL_DIRECTORY_FAILED;
        if (!m_platform.FileExists(names::formatPath(names::VXD_FILE_IN_DIRECTORY, directory, name)))
            return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    const std::string openPath = names::formatPath(names::VXD_OPEN_PATH, name);
    // A second load must not leak the first handle (and with it the VxD).
    CloseDeviceHandle();
    m_device = m_platform.OpenVxdFile(openPath);
    if (m_device == NO_DEVICE)
        m_device = INVALID_DEVICE;
    return m_device == INVALID_DEVICE ? CHANNEL_OPEN_MANAGER_FAILED : CHANNEL_SUCCESS;
}

int CDriverChannel::PrepareService(std::string_view name, const char* driverPath, const char* deviceName)
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
    if (!m_platform.IsDevicePath(device))
        device = m_platform.DevicePathOf(device);

    m_driverPath = std::move(driverFile);
    m_serviceName = std::move(serviceName);
    m_devicePath = std::move(device);
    m_prepared = true;
    return CHANNEL_SUCCESS;
}

int CDriverChannel::FindDriverFile(const std::string& name, std::string& path)
{
    std::string directory;
    if (!m_platform.ReadCurrentDirectory(directory))
        return CHANNEL_DIRECTORY_FAILED;
    std::string candidate = m_platform.DriverFileInDirectory(directory, name);
    if (!m_platform.FileExists(candidate)) {
        if (!m_platform.ReadWindowsDirectory(directory))
            return CHANNEL_DIRECTORY_FAILED;
        candidate = m_platform.DriverFileInSystem(directory, name);
        if (!m_platform.FileExists(candidate))
            return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    path = std::move(candidate);
    return CHANNEL_SUCCESS;
}

int CDriverChannel::Install(bool startNow)
{
    if (m_installed)
        return CHANNEL_SUCCESS;
    if (!m_prepared)
        return CHANNEL_NOT_PREPARED;
    {
        CServiceHandles handles(m_platform);
        handles.manager = m_platform.OpenServiceManager();
        if (handles.manager == NO_SERVICE)
            return CHANNEL_OPEN_MANAGER_FAILED;
        // Creation fails when an earlier run left the service registered;
        // that one is reused.
        handles.service = m_platform.CreateDriverService(handles.manager, m_serviceName, m_driverPath);
        if (handles.service == NO_SERVICE)
            handles.service = m_platform.OpenDriverService(handles.manager, m_serviceName);
        if (handles.service == NO_SERVICE)
            return CHANNEL_OPEN_SERVICE_FAILED;
    }
    m_installed = true;
    return startNow ? Start() : CHANNEL_SUCCESS;
}

int CDriverChannel::Start()
{
    if (m_started)
        return CHANNEL_SUCCESS;
    {
        CServiceHandles handles(m_platform);
        const int opened = handles.Open(m_serviceName);
        if (opened != CHANNEL_SUCCESS)
            return opened;
        switch (m_platform.StartDriverService(handles.service)) {
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

int CDriverChannel::OpenDevice()
{
    CloseDeviceHandle();
    m_device = m_platform.OpenDeviceFile(m_devicePath);
    if (m_device == NO_DEVICE)
        m_device = INVALID_DEVICE;
    return m_device == INVALID_DEVICE ? CHANNEL_NO_DEVICE : CHANNEL_SUCCESS;
}

int CDriverChannel::StopService()
{
    if (!m_started)
        return CHANNEL_SUCCESS;
    CServiceHandles handles(m_platform);
    const int opened = handles.Open(m_serviceName);
    if (opened != CHANNEL_SUCCESS)
        return opened;
    // The driver cannot stop while its device is open.
    CloseDeviceHandle();
    if (!m_platform.StopDriverService(handles.service))
        return CHANNEL_STOP_REFUSED;
    m_started = false;
    return CHANNEL_SUCCESS;
}

int CDriverChannel::Remove(bool force)
{
    int result = CHANNEL_SUCCESS;
    if (m_started) {
        result = StopService();
        if (result == CHANNEL_SUCCESS && m_removeOnStop) {
            CServiceHandles handles(m_platform);
            handles.manager = m_platform.OpenServiceManager();
            if (handles.manager == NO_SERVICE)
                return CHANNEL_OPEN_MANAGER_FAILED;
            handles.service = m_platform.OpenDriverService(handles.manager, m_serviceName);
            if (handles.service == NO_SERVICE)
                result = CHANNEL_OPEN_SERVICE_FAILED;
            else if (!m_platform.DeleteDriverService(handles.service))
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

int CDriverChannel::Send(std::uint32_t controlCode, const void* input, std::uint32_t inputLength)
{
    if (m_device == NO_DEVICE)
        return CHANNEL_NO_DEVICE;
    std::uint32_t count = 0;
    const bool ok = m_platform.DeviceControl(m_device, controlCode, input, inputLength, nullptr, 0, count);
    // A call the system rejected is a failed send too, not only the driver's
    // report of a silent or refusing keyboard.
    if (!ok || count == SEND_SILENT_KEYBOARD || count == SEND_REFUSED_BY_KEYBOARD)
        return CHANNEL_REQUEST_FAILED;
    return CHANNEL_SUCCESS;
}

int CDriverChannel::Request(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
    void* output, std::uint32_t outputLength)
{
    if (m_device == NO_DEVICE)
        return CHANNEL_NO_DEVICE;
    std::uint32_t count = 0;
    if (!m_platform.DeviceControl(m_device, controlCode, input, inputLength, output, outputLength, count))
        return CHANNEL_REQUEST_FAILED;
    // A count beyond the caller's buffer cannot be true; passing it on would
    // make the caller read past its buffer.
    if (count > outputLength || count > static_cast<std::uint32_t>(INT_MAX))
        return CHANNEL_REQUEST_FAILED;
    return static_cast<int>(count);
}

void CDriverChannel::CloseDeviceHandle()
{
    if (m_device != NO_DEVICE && m_device != INVALID_DEVICE)
        m_platform.CloseDevice(m_device);
    m_device = NO_DEVICE;
}

void CDriverChannel::ReleaseNames()
{
    std::string().swap(m_driverPath);
    std::string().swap(m_devicePath);
    std::string().swap(m_serviceName);
}

} // namespace driverchannel
