// Where the Linux backend keeps things, and what it calls them.
#pragma once

#include <string>

namespace driverchannel::posix {

// Folder name below the runtime and state directories.
inline constexpr char SUITE_FOLDER[] = "lodemar";
// The emulated keyboard's default memory file, in the state folder.
inline constexpr char DEFAULT_MEMORY_FILE[] = "emulated-keyboard.bin";

// $XDG_RUNTIME_DIR/lodemar, or $TMPDIR/lodemar-UID (/tmp/lodemar-UID) when
// the session has no runtime directory. Not created here.
std::string registrationDirectory();

// $XDG_STATE_HOME/lodemar, else $HOME/.local/state/lodemar; empty when
// neither variable gives an absolute path.
std::string stateDirectory();

// Creates path (mode 0700, parents as needed) unless it exists. The last
// component must end up a directory of this user, not a symbolic link and
// closed to others, since sockets and records in it steer what runs.
bool ensurePrivateDirectory(const std::string& path);

// The libexec folder this build installs the driver host into: the only
// place the real keyboard's host is taken from.
std::string installedDriverDirectory();
// The libexec folder beside the running program (../libexec from bin, read
// through /proc/self/exe) when it holds the host: an install tree moved to
// another prefix. Empty otherwise. Never for the real keyboard: a copied
// program must not make pkexec run a host planted beside it.
std::string besideProgramDriverDirectory();
// Where the emulated keyboard's host is looked for: $LODEMAR_DRIVER_DIR when
// set (made absolute), else the folder beside the program, else the
// installed folder.
std::string emulatedDriverDirectory();

// The host program of a driver name: the name in lower case ("Tavrin" ->
// "tavrin") for the real keyboard, with "-emu" for the emulated one.
std::string hostFileName(const std::string& name, bool emulated);

// The keyboard a driver name drives: NAME for the real keyboard,
// NAME.emulated-HASH for an emulated one, HASH naming its memory file. It
// names the keyboard's lock, record and (emulated) socket, so a run on one
// keyboard never touches another's, and a host serving one keyboard is never
// taken for another's.
std::string keyboardId(const std::string& name, const std::string& memoryFile);
// DIR/ID.sock
std::string hostSocketPath(const std::string& directory, const std::string& id);
// DIR/ID.lock
std::string keyboardLockPath(const std::string& directory, const std::string& id);

// An absolute path whose folder has its symbolic links resolved (as far as
// it exists) but whose last component is kept as given, so that a link
// there is seen, and refused, by whoever opens the file; the path unchanged
// when that fails.
std::string normalisedPath(const std::string& path);

} // namespace driverchannel::posix
