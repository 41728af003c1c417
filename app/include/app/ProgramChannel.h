// The one place where the program makes its driver channel, so that tests
// can build the main window over a channel of their own.
#pragma once

#include <app/ProgramOptions.h>

#include <driverchannel/CDriverChannel.h>

#include <memory>

namespace app {

// Windows: the channel over the system (service control manager and the
// Tavrin device). Linux: no driver platform is built yet, so the channel
// stands over CUnavailableDriverPlatform and Load fails as with nothing
// installed. An emulated keyboard is chosen with options.emulate.
std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options);

} // namespace app
