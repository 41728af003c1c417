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
// reached, the channel stands over CUnavailableDriverBackend and Load fails.
std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options);

// Linux: the channel takes the real keyboard's host "tavrin" from the
// libexec folder fixed at build time only; the emulated keyboard's
// "tavrin-emu" from LODEMAR_DRIVER_DIR, the build tree (a program run from
// it), the libexec folder beside the program or the installed one
// (driverchannel/src/posix/PosixPaths.h), and never from the current folder.

} // namespace app
