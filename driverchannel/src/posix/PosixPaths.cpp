#include "PosixPaths.h"

#include <driverchannel/CDriverChannel.h>
#include <driverchannel/CDriverPlatform.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace driverchannel::posix {

namespace {

constexpr char RUNTIME_VARIABLE[] = "XDG_RUNTIME_DIR";
constexpr char STATE_VARIABLE[] = "XDG_STATE_HOME";
constexpr char HOME_VARIABLE[] = "HOME";
constexpr char STATE_BELOW_HOME[] = "/.local/state";
constexpr char TEMPORARY_VARIABLE[] = "TMPDIR";
constexpr char TEMPORARY_FALLBACK[] = "/tmp";
constexpr char RUNTIME_FALLBACK_FORMAT[] = "/lodemar-%u";
constexpr char SOCKET_SUFFIX[] = ".sock";
constexpr char EMULATED_HOST_SUFFIX[] = "-emu";
constexpr char LOCK_SUFFIX[] = ".lock";
constexpr char EMULATED_ID_INFIX[] = ".emulated-";
constexpr mode_t PRIVATE_MODE = 0700;

// XDG variables count only when they hold an absolute path.
std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

// FNV-1a, 64 bits: stable across runs and builds.
std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool makeDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), PRIVATE_MODE) == 0 || errno == EEXIST;
}

} // namespace

std::string registrationDirectory()
{
    const std::string runtime = absoluteVariable(RUNTIME_VARIABLE);
    if (!runtime.empty())
        return runtime + "/" + SUITE_FOLDER;
    // A shared folder: the name is per user, and ensurePrivateDirectory
    // refuses one that another user made first.
    std::string temporary = absoluteVariable(TEMPORARY_VARIABLE);
    if (temporary.empty())
        temporary = TEMPORARY_FALLBACK;
    char name[64];
    std::snprintf(name, sizeof name, RUNTIME_FALLBACK_FORMAT, static_cast<unsigned>(::getuid()));
    return temporary + name;
}

std::string stateDirectory()
{
    std::string base = absoluteVariable(STATE_VARIABLE);
    if (base.empty()) {
        const std::string home = absoluteVariable(HOME_VARIABLE);
        if (home.empty())
            return {};
        base = home + STATE_BELOW_HOME;
    }
    return base + "/" + SUITE_FOLDER;
}

bool ensurePrivateDirectory(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    // Parents are made as needed (an XDG state folder may not exist yet).
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        if (!makeDirectory(path.substr(0, at)))
            return false;
    if (!makeDirectory(path))
        return false;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0)
        return ::chmod(path.c_str(), PRIVATE_MODE) == 0;
    return true;
}

std::string installedDriverDirectory()
{
    return LODEMAR_INSTALLED_DRIVER_DIR;
}

std::string besideProgramDriverDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    const std::filesystem::path folder
        = (program.parent_path() / LODEMAR_LIBEXEC_FROM_PROGRAM).lexically_normal();
    const std::filesystem::path host = folder / hostFileName(DRIVER_SERVICE_NAME, true);
    struct stat st { };
    if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(host.c_str(), X_OK) != 0)
        return {};
    return folder.string();
}

std::string emulatedDriverDirectory()
{
    const char* given = std::getenv(DRIVER_DIRECTORY_VARIABLE);
    if (given != nullptr && given[0] != '\0') {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(given, error);
        return error ? std::string(given) : absolute.string();
    }
    const std::string beside = besideProgramDriverDirectory();
    return beside.empty() ? installedDriverDirectory() : beside;
}

std::string hostFileName(const std::string& name, bool emulated)
{
    std::string file = name;
    for (char& c : file)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return emulated ? file + EMULATED_HOST_SUFFIX : file;
}

std::string keyboardId(const std::string& name, const std::string& memoryFile)
{
    if (memoryFile.empty())
        return name;
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(memoryFile)));
    return name + EMULATED_ID_INFIX + hash;
}

std::string hostSocketPath(const std::string& directory, const std::string& id)
{
    return directory + "/" + id + SOCKET_SUFFIX;
}

std::string keyboardLockPath(const std::string& directory, const std::string& id)
{
    return directory + "/" + id + LOCK_SUFFIX;
}

std::string normalisedPath(const std::string& path)
{
    namespace fs = std::filesystem;
    if (path.empty())
        return path;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    const fs::path name = absolute.filename();
    // A folder ("x/", "x/..") has no last component to keep: it is no
    // memory file, and whoever opens it refuses it.
    if (name.empty() || name == "." || name == "..") {
        const fs::path canonical = fs::weakly_canonical(absolute, error);
        return error ? path : canonical.string();
    }
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    return error ? path : (folder / name).string();
}

} // namespace driverchannel::posix
