#include <app/ProgramChannel.h>

#include <driverchannel/CUnavailableDriverPlatform.h>

namespace app {

std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options)
{
    driverchannel::DriverPlatformOptions platform;
    if (options.emulate) {
        platform.emulatedKeyboardMemory = options.emulatedKeyboardMemory.empty()
            ? driverchannel::DefaultEmulatedKeyboardMemory()
            : options.emulatedKeyboardMemory;
        // No place for the emulator's memory: the emulated keyboard cannot be
        // reached, and an empty name would mean the real keyboard instead.
        if (platform.emulatedKeyboardMemory.empty())
            return std::make_unique<driverchannel::CDriverChannel>(
                std::make_unique<driverchannel::CUnavailableDriverPlatform>());
    }
    return std::make_unique<driverchannel::CDriverChannel>(driverchannel::CreateDriverPlatform(platform));
}

} // namespace app
