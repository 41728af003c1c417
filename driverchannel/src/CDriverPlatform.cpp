// The Windows forms of the driver file and device names, used by every
// platform that does not name its files otherwise, and the default of
// holding the keyboard (nothing to hold).
#include "driverchannel/CDriverPlatform.h"

#include "DriverNames.h"

namespace driverchannel {

KeyboardClaim CDriverPlatform::ClaimKeyboard(const std::string&, std::string&)
{
    return KeyboardClaim::Held;
}

void CDriverPlatform::ReleaseKeyboard() { }

std::string CDriverPlatform::FailureReason() const
{
    return {};
}

std::string CDriverPlatform::DriverFileInDirectory(const std::string& directory, const std::string& name)
{
    return names::formatPath(names::DRIVER_FILE_IN_DIRECTORY, directory, name);
}

std::string CDriverPlatform::DriverFileInSystem(const std::string& windowsDirectory, const std::string& name)
{
    return names::formatPath(
        names::DRIVER_FILE_IN_SYSTEM, windowsDirectory + names::SYSTEM_DRIVER_FOLDER, name);
}

bool CDriverPlatform::IsDevicePath(const std::string& deviceName)
{
    return (!deviceName.empty() && deviceName[0] == names::DEVICE_PATH_MARK)
        || (deviceName.size() > 1 && deviceName[1] == names::DEVICE_PATH_MARK);
}

std::string CDriverPlatform::DevicePathOf(const std::string& deviceName)
{
    return names::formatPath(names::DEVICE_PATH, deviceName);
}

} // namespace driverchannel
