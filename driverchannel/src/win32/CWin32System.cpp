#include "CWin32System.h"

#include "DriverNames.h"

namespace driverchannel::win32 {

std::string CWin32System::DriverFileInDirectory(const std::string& directory, const std::string& name)
{
    return names::formatPath(names::DRIVER_FILE_IN_DIRECTORY, directory, name);
}

std::string CWin32System::DriverFileInSystem(const std::string& windowsDirectory, const std::string& name)
{
    return names::formatPath(
        names::DRIVER_FILE_IN_SYSTEM, windowsDirectory + names::SYSTEM_DRIVER_FOLDER, name);
}

bool CWin32System::IsDevicePath(const std::string& deviceName)
{
    return (!deviceName.empty() && deviceName[0] == names::DEVICE_PATH_MARK)
        || (deviceName.size() > 1 && deviceName[1] == names::DEVICE_PATH_MARK);
}

std::string CWin32System::DevicePathOf(const std::string& deviceName)
{
    return names::formatPath(names::DEVICE_PATH, deviceName);
}

} // namespace driverchannel::win32
