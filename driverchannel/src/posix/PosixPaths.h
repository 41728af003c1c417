// Where the Linux backend keeps things, and what it calls them.
#pragma once

#include <string>

namespace driverchannel::posix {

// Folder name below the runtime and state directories.
inline constexpr char SUITE_FOLDER[] = "lodemar";
// The emulated keyboard's default memory file, in the state folder.
inline constexpr char DEFAULT_MEMORY_FILE[] = "emulated-keyboard.bin";

// $XDG_RUNTIME_DIR/lodemar, or /tmp/lodemar-UID when the session has no
// runtime directory. Not created here.
std::string registrationDirectory();

// $XDG_STATE_HOME/lodemar, else $HOME/.local/state/lodemar; empty when
// neither variable gives an absolute path.
std::string stateDirectory();

// Creates path (mode 0700, parents as needed) unless it exists. The last
// component must end up a directory of this user, not a symbolic link and
// closed to others, since sockets and records in it steer what runs.
bool ensurePrivateDirectory(const std::string& path);

// The installed location of the driver host: $LODEMAR_DRIVER_DIR when set
// (made absolute), else the libexec folder this build installs into.
std::string installedDriverDirectory();

// The host program of a driver name: the name in lower case ("Tavrin" ->
// "tavrin").
std::string hostFileName(const std::string& name);

// The socket of a device name: DIR/NAME.sock for the real keyboard,
// DIR/NAME.emulated-HASH.sock for an emulated one, HASH naming its memory
// file, so a host serving one keyboard is never taken for another's.
std::string hostSocketPath(
    const std::string& directory, const std::string& deviceName, const std::string& memoryFile);

// An absolute path with symbolic links resolved as far as the file exists;
// the path unchanged when that fails.
std::string normalisedPath(const std::string& path);

} // namespace driverchannel::posix
