#include "PosixPaths.h"

#include <driverchannel/CDriverBackend.h>
#include <driverchannel/ChannelResults.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>

namespace driverchannel::posix {

namespace {

constexpr char RUNTIME_VARIABLE[] = "XDG_RUNTIME_DIR";
constexpr char STATE_VARIABLE[] = "XDG_STATE_HOME";
constexpr char HOME_VARIABLE[] = "HOME";
constexpr char STATE_BELOW_HOME[] = "/.local/state";
constexpr char ROOT_RUNTIME_FALLBACK[] = "/run/lodemar-root";
constexpr char RUNTIME_BELOW_HOME[] = "/.cache/lodemar/run";
constexpr char SOCKET_SUFFIX[] = ".sock";
constexpr char EMULATED_HOST_SUFFIX[] = "-emu";
constexpr char LOCK_SUFFIX[] = ".lock";
constexpr char EMULATED_ID_INFIX[] = ".emulated-";
constexpr mode_t PRIVATE_MODE = 0700;
constexpr mode_t OTHERS_WRITE = S_IWGRP | S_IWOTH;
constexpr int LINK_LIMIT = 40;

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

std::deque<std::string> components(const std::string& path)
{
    std::deque<std::string> parts;
    std::string part;
    for (const char c : path + "/") {
        if (c != '/') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

bool ownedByOneOf(const struct stat& st, uid_t owner)
{
    return st.st_uid == 0 || st.st_uid == owner;
}

// Walks path from / one name at a time, as trustedPath describes; missing
// folders are made (0700) when create is set.
bool walkTrusted(const std::string& path, uid_t owner, bool create, std::string& why)
{
    if (path.empty() || path[0] != '/') {
        why = path;
        return false;
    }
    std::deque<std::string> parts = components(path);
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string walked;
    struct stat st;
    bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && ownedByOneOf(st, owner) && (st.st_mode & OTHERS_WRITE) == 0;
    for (int links = 0; ok && !parts.empty();) {
        const std::string part = parts.front();
        parts.pop_front();
        walked += "/" + part;
        if (::fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // What does not exist yet is this user's to make.
            if (errno == ENOENT && !create)
                break;
            ok = create && errno == ENOENT && ::mkdirat(fd, part.c_str(), PRIVATE_MODE) == 0
                && ::fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
            if (!ok)
                break;
        }
        if (S_ISLNK(st.st_mode)) {
            char text[4096];
            const ssize_t n = ::readlinkat(fd, part.c_str(), text, sizeof text);
            ok = ownedByOneOf(st, owner) && n > 0 && static_cast<std::size_t>(n) < sizeof text
                && ++links <= LINK_LIMIT;
            if (!ok)
                break;
            const std::string linked(text, static_cast<std::size_t>(n));
            const std::deque<std::string> inner = components(linked);
            parts.insert(parts.begin(), inner.begin(), inner.end());
            if (linked[0] == '/') {
                ::close(fd);
                fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
                ok = fd >= 0;
            }
            continue;
        }
        const bool sticky = (st.st_mode & S_ISVTX) != 0 && S_ISDIR(st.st_mode);
        ok = ownedByOneOf(st, owner) && ((st.st_mode & OTHERS_WRITE) == 0 || (sticky && !parts.empty()));
        if (ok && !parts.empty()) {
            const int next = ::openat(fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ::close(fd);
            fd = next;
            ok = fd >= 0;
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        why = walked.empty() ? std::string("/") : walked;
    return ok;
}

// The user's home from the user database (the environment's HOME is the
// caller's to choose only for the caller's own files).
std::string homeOf(uid_t uid)
{
    passwd entry {};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr
        || found->pw_dir == nullptr || found->pw_dir[0] != '/')
        return {};
    return found->pw_dir;
}

} // namespace

std::string runtimeDirectory()
{
    const uid_t self = ::geteuid();
    // The session's runtime folder, when only this user (or root) can change
    // it: under sudo it is still the user's, and root keeps out of it.
    const std::string runtime = absoluteVariable(RUNTIME_VARIABLE);
    std::string why;
    struct stat st;
    if (!runtime.empty() && trustedPath(runtime, self, why)
        && (::stat(runtime.c_str(), &st) != 0 || st.st_uid == self))
        return runtime + "/" + SUITE_FOLDER;
    if (self == 0)
        return ROOT_RUNTIME_FALLBACK;
    std::string home = absoluteVariable(HOME_VARIABLE);
    if (home.empty())
        home = homeOf(self);
    return home.empty() ? std::string() : home + RUNTIME_BELOW_HOME;
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
    std::string why;
    // Parents are made as needed (an XDG state folder may not exist yet).
    if (!walkTrusted(path, ::geteuid(), true, why))
        return false;
    // One others could write into is not trusted at all: what they put there
    // meanwhile would be. One they could only read is closed.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & OTHERS_WRITE) != 0)
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(path.c_str(), PRIVATE_MODE) == 0;
}

bool trustedPath(const std::string& path, uid_t owner, std::string& why)
{
    return walkTrusted(path, owner, false, why);
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
    const std::filesystem::path host = folder / hostFileName(DRIVER_NAME, true);
    struct stat st { };
    if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(host.c_str(), X_OK) != 0)
        return {};
    return folder.string();
}

bool runningFromBuildTree()
{
#if defined(LODEMAR_BUILD_TREE)
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string tree = std::string(LODEMAR_BUILD_TREE) + "/";
    std::string why;
    return !error && program.string().rfind(tree, 0) == 0
        && trustedPath(LODEMAR_BUILD_TREE, ::geteuid(), why);
#else
    return false;
#endif
}

std::string emulatedDriverDirectory()
{
    const bool buildTree = runningFromBuildTree();
    const char* given = std::getenv(DRIVER_DIRECTORY_VARIABLE);
    // Root's environment may be a user's (sudo -E, su without "-").
    if (given != nullptr && given[0] != '\0' && (::geteuid() != 0 || buildTree)) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(given, error);
        return error ? std::string(given) : absolute.string();
    }
#if defined(LODEMAR_BUILD_HOST_DIR)
    if (buildTree)
        return LODEMAR_BUILD_HOST_DIR;
#endif
    const std::string beside = besideProgramDriverDirectory();
    return beside.empty() ? installedDriverDirectory() : beside;
}

bool isKeyboardName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\n\r") == std::string::npos
        && name.find('\0') == std::string::npos;
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
