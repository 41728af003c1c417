#include <app/ProgramChannel.h>

#include <app/CUnavailableDriverPlatform.h>

namespace app {

std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options)
{
#if defined(_WIN32) && defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_PLATFORM)
    if (!options.emulate)
        return std::make_unique<driverchannel::CDriverChannel>();
        // The keyboard emulator runs on Linux only: an emulated keyboard is not
        // reachable from a Windows build, which the failed load then says.
#else
    // No driver platform is built for this system yet (the driver host
    // backend comes with the POSIX channel): neither the real nor the
    // emulated keyboard can be reached, and Load fails honestly.
    (void)options;
#endif
    return std::make_unique<driverchannel::CDriverChannel>(std::make_unique<CUnavailableDriverPlatform>());
}

} // namespace app
