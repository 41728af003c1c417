// The one place where the program makes its driver channel, so that tests
// can build the main window over a channel of their own.
#pragma once

#include <app/ProgramOptions.h>

#include <driverchannel/CDriverChannel.h>

#include <memory>
#include <string>

namespace app {

// The channel over the platform of this build: Windows, the service control
// manager and the Tavrin device; Linux, the tavrin driver host. The emulated
// keyboard is chosen only with options.emulate (Linux); when it cannot be
// reached, the channel stands over CUnavailableDriverPlatform and Load fails.
std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options);

// Linux: the channel takes the driver host "tavrin" from the libexec folder
// fixed at build time, never from the current folder; for the emulated
// keyboard the folder driverchannel::DRIVER_DIRECTORY_VARIABLE names counts
// instead, else the libexec folder beside the program (an install tree moved
// to another prefix).

// Where the host can be besides those places: in the build tree when the
// program runs from there.
struct DriverHostPlaces {
    std::string buildProgramFolder; // the program's folder in the build tree
    std::string buildHostFolder; // the host's folder in the build tree
};

// This build's places (empty on Windows, where the driver is no host).
DriverHostPlaces ProgramDriverHostPlaces();

// The folder holding the host for a program in programFolder: the build
// tree's host folder when the program is the build tree's. Empty otherwise.
std::string driverHostFolderFor(const std::string& programFolder, const DriverHostPlaces& places);

// Points the channel at driverHostFolderFor(programFolder) through
// DRIVER_DIRECTORY_VARIABLE (so for the emulated keyboard only), unless the
// variable is set already or no such folder exists. Call before the channel
// is made.
void UseDriverHostNearProgram(const std::string& programFolder);

} // namespace app
