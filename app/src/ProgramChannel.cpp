#include <app/ProgramChannel.h>

#include <driverchannel/CUnavailableDriverPlatform.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace app {
namespace {

namespace fs = std::filesystem;

// The emulated keyboard's host program.
constexpr char DRIVER_HOST_FILE[] = "tavrin-emu";

bool holdsHost(const fs::path& folder)
{
#if defined(_WIN32)
    (void)folder;
    return false;
#else
    std::error_code error;
    const fs::path host = folder / DRIVER_HOST_FILE;
    return fs::is_regular_file(host, error) && ::access(host.c_str(), X_OK) == 0;
#endif
}

bool sameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    const bool same = fs::equivalent(a, b, error);
    return !error && same;
}

} // namespace

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

DriverHostPlaces ProgramDriverHostPlaces()
{
    DriverHostPlaces places;
#if defined(LODEMAR_BUILD_PROGRAM_FOLDER) && defined(LODEMAR_BUILD_HOST_FOLDER)
    places.buildProgramFolder = LODEMAR_BUILD_PROGRAM_FOLDER;
    places.buildHostFolder = LODEMAR_BUILD_HOST_FOLDER;
#endif
    return places;
}

std::string driverHostFolderFor(const std::string& programFolder, const DriverHostPlaces& places)
{
    if (programFolder.empty())
        return {};
    if (!places.buildHostFolder.empty() && sameFolder(programFolder, places.buildProgramFolder)
        && holdsHost(places.buildHostFolder))
        return places.buildHostFolder;
    return {};
}

void UseDriverHostNearProgram(const std::string& programFolder)
{
#if defined(_WIN32)
    (void)programFolder;
#else
    const char* given = std::getenv(driverchannel::DRIVER_DIRECTORY_VARIABLE);
    if (given != nullptr && given[0] != '\0')
        return;
    const std::string folder = driverHostFolderFor(programFolder, ProgramDriverHostPlaces());
    if (!folder.empty())
        ::setenv(driverchannel::DRIVER_DIRECTORY_VARIABLE, folder.c_str(), 1);
#endif
}

} // namespace app
