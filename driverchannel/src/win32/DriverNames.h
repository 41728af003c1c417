// The Windows backend's fixed names and path forms, each defined once.
#pragma once

#include <tavrin/TavrinControl.h>

#include <string>
#include <string_view>

namespace driverchannel::win32::names {

// Cleared before every load on both families; it does not follow the name
// given to Load.
inline constexpr char SERVICE_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\" TAVRIN_DRIVER_NAME;

inline constexpr char DRIVER_FILE_IN_DIRECTORY[] = "%s\\%s.sys"; // directory, name
inline constexpr char SYSTEM_DRIVER_FOLDER[] = "\\system32\\Drivers\\"; // after the Windows directory
inline constexpr char DRIVER_FILE_IN_SYSTEM[] = "%s%s.sys"; // system driver folder, name
inline constexpr char DEVICE_PATH[] = "\\\\.\\%s"; // device name
inline constexpr char DEVICE_PATH_MARK = '\\';

inline constexpr char VXD_FILE_IN_DIRECTORY[] = "%s\\%s.vxd"; // current directory, name
inline constexpr char VXD_OPEN_PATH[] = "\\\\.\\%s.VXD"; // name

// Replaces the first "%s" of format with first and the second with second;
// nothing else in format is interpreted. May throw std::bad_alloc.
std::string formatPath(std::string_view format, std::string_view first, std::string_view second = {});

} // namespace driverchannel::win32::names
