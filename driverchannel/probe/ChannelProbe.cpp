// Loads a driver through the build's platform, reports each result code and
// removes the driver again. A diagnostic for a real machine, and the link
// check of the platform backend in the cross builds.
//
//   driverchannel_probe [NAME [DRIVER-PATH]]   (NAME defaults to Tavrin)
#include "driverchannel/CDriverChannel.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const char* name = argc > 1 ? argv[1] : driverchannel::DRIVER_SERVICE_NAME;
    const char* driverPath = argc > 2 ? argv[2] : nullptr;

    driverchannel::CDriverChannel channel;
    const int loaded = channel.Load(name, driverPath, nullptr, true);
    std::printf("Load: %d\n", loaded);
    std::printf("family: %s\n", channel.IsNtFamily() ? "NT" : "9x");
    std::printf(
        "driver path: %s\ndevice path: %s\n", channel.DriverPath().c_str(), channel.DevicePath().c_str());
    std::printf("installed %d, started %d, remove on stop %d\n", channel.IsInstalled(), channel.IsStarted(),
        channel.RemovesOnStop());
    if (channel.IsNtFamily())
        std::printf("Remove: %d\n", channel.Remove(false));
    return loaded == driverchannel::CHANNEL_SUCCESS ? 0 : 1;
}
