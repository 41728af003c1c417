// The Linux build's backend: the driver host (CHostDriverBackend).
#include "CHostDriverBackend.h"
#include "PosixPaths.h"

#include <driverchannel/CDriverBackend.h>

namespace driverchannel {

std::unique_ptr<CDriverBackend> CreateDriverBackend(const DriverBackendOptions& options)
{
    return std::make_unique<posix::CHostDriverBackend>(posix::defaultHostDriverSettings(options));
}

std::string DefaultEmulatedKeyboardMemory()
{
    const std::string folder = posix::stateDirectory();
    if (folder.empty() || !posix::ensurePrivateDirectory(folder))
        return {};
    return folder + "/" + posix::DEFAULT_MEMORY_FILE;
}

std::string DriverHostFolder(const DriverBackendOptions& options)
{
    return posix::defaultHostDriverSettings(options).installedDirectory;
}

bool PrivateRuntimeFolder(std::string& folder)
{
    folder = posix::runtimeDirectory();
    return posix::ensurePrivateDirectory(folder);
}

} // namespace driverchannel
