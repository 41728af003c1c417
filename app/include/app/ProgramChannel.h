// The one place where the program makes its driver channel, so that tests
// can build the main window over a channel of their own.
#pragma once

#include <app/ProgramOptions.h>

#include <driverchannel/CDriverChannel.h>

#include <memory>

namespace app {

// The channel over the platform of this build: Windows, the service control
// manager and the Tavrin device; Linux, the tavrin driver host. The emulated
// keyboard is chosen only with options.emulate (Linux); when it cannot be
// reached, the channel stands over CUnavailableDriverPlatform and Load fails.
std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options);

} // namespace app
