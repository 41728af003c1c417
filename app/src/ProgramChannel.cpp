#include <app/ProgramChannel.h>

#include <driverchannel/CUnavailableDriverBackend.h>

namespace app {

std::unique_ptr<driverchannel::CDriverChannel> CreateProgramChannel(const ProgramOptions& options)
{
    driverchannel::DriverBackendOptions backend;
    if (options.emulate) {
        backend.emulatedKeyboardMemory = options.emulatedKeyboardMemory.empty()
            ? driverchannel::DefaultEmulatedKeyboardMemory()
            : options.emulatedKeyboardMemory;
        // No place for the emulator's memory: the emulated keyboard cannot be
        // reached, and an empty name would mean the real keyboard instead.
        if (backend.emulatedKeyboardMemory.empty())
            return std::make_unique<driverchannel::CDriverChannel>(
                std::make_unique<driverchannel::CUnavailableDriverBackend>());
    }
    return std::make_unique<driverchannel::CDriverChannel>(driverchannel::CreateDriverBackend(backend));
}

} // namespace app
