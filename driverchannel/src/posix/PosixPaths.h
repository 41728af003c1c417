// Where the Linux backend keeps things, what it calls them, and which of them
// it trusts: a folder or program counts only when it and every folder above
// it belong to root or the user and nobody else can change them.
#pragma once

#include <sys/types.h>

#include <string>

namespace driverchannel::posix {

// Folder name below the runtime and state directories.
inline constexpr char SUITE_FOLDER[] = "lodemar";
// The emulated keyboard's default memory file, in the state folder.
inline constexpr char DEFAULT_MEMORY_FILE[] = "emulated-keyboard.bin";

// $XDG_RUNTIME_DIR/lodemar where that folder is the user's alone; else,
// never a name someone else could take first in a shared folder, root's own
// /run/lodemar-root for root and <home>/.cache/lodemar/run for a user.
// Empty when there is none. Not created here.
std::string runtimeDirectory();

// $XDG_STATE_HOME/lodemar, else $HOME/.local/state/lodemar; empty when
// neither variable gives an absolute path.
std::string stateDirectory();

// Creates path (mode 0700, parents as needed) unless it exists. Every
// folder above it must be trusted (trustedPath), and the last component a
// directory of this user: one that others could write into is not trusted
// at all, since what was put into it meanwhile would be; one they could
// only read is closed to 0700.
bool ensurePrivateDirectory(const std::string& path);

// Whether path (a program or a folder) can be changed only by root or by
// owner: itself and every folder above it belong to one of them, and none is
// writable by anyone else (a sticky folder of theirs, such as /tmp, only
// lets others change their own names). Links are followed only where one of
// them made the link; names that do not exist yet pass. why receives the
// first name that fails.
bool trustedPath(const std::string& path, uid_t owner, std::string& why);

// The libexec folder this build installs the driver hosts into: the only
// place the real keyboard's host is taken from.
std::string installedDriverDirectory();
// The libexec folder beside the running program (../libexec from bin, read
// through /proc/self/exe) when it holds the emulated keyboard's host: an
// install tree moved to another prefix. Empty otherwise. Never for the
// real keyboard: a copied program must not make pkexec run a host planted
// beside it.
std::string besideProgramDriverDirectory();
// Whether the running program is one of this build tree's own (tests,
// ./scripts/run.sh): its file lies in the build tree, whose folders are
// trusted. Never for an installed program; a build configured without
// build-tree lookups (packages) knows no build tree at all.
bool runningFromBuildTree();
// Where the emulated keyboard's host is looked for: $LODEMAR_DRIVER_DIR when
// set (made absolute; root honours it only from the build tree), else the
// build tree's host folder (build-tree programs only), else the folder
// beside the program, else the installed folder.
std::string emulatedDriverDirectory();

// A driver name that can name the files of its keyboard (no folder, no
// line break, not "." or "..").
bool isKeyboardName(const std::string& name);

// The host program of a driver name: the name in lower case ("Tavrin" ->
// "tavrin") for the real keyboard, with "-emu" for the emulated one.
std::string hostFileName(const std::string& name, bool emulated);

// The keyboard a driver name drives: NAME for the real keyboard,
// NAME.emulated-HASH for an emulated one, HASH naming its memory file. It
// names the keyboard's lock and (emulated) socket, so a run on one
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
