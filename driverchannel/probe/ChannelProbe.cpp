// Loads a driver through the Windows backend, reports each result code and
// removes the driver again. A diagnostic for a real machine, and the link
// check of the backend in the cross builds.
//
//   driverchannel_probe [NAME [DRIVER-PATH]]   (NAME defaults to Tavrin)
#include "win32/CNativeWin32System.h"
#include "win32/CServiceDriverBackend.h"

#include <driverchannel/CDriverChannel.h>

#include <cstdio>

int main(int argc, char** argv)
{
    const char* name = argc > 1 ? argv[1] : driverchannel::DRIVER_NAME;
    const char* driverPath = argc > 2 ? argv[2] : nullptr;

    driverchannel::win32::CNativeWin32System system;
    driverchannel::win32::CServiceDriverBackend backend(system);
    driverchannel::CDriverChannel channel(backend);
    const int loaded = channel.Load(name, driverPath, nullptr, true);
    std::printf("Load: %d\n", loaded);
    std::printf("family: %s\n", backend.IsNtFamily() ? "NT" : "9x");
    std::printf(
        "driver path: %s\ndevice path: %s\n", backend.DriverPath().c_str(), backend.DevicePath().c_str());
    std::printf("installed %d, started %d, remove on stop %d\n", backend.IsInstalled(), backend.IsStarted(),
        backend.RemovesOnStop());
    if (backend.IsNtFamily())
        std::printf("Remove: %d\n", backend.Remove(false));
    return loaded == driverchannel::CHANNEL_SUCCESS ? 0 : 1;
}
