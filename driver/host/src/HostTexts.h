// Everything the driver host says to its user, in one place.
#pragma once

namespace tavrin::texts {

inline constexpr char USAGE[]
    = "usage: tavrin --socket PATH (--emulate MEMFILE [--fault F]... | --hardware)\n"
      "              [--allow-uid UID] [--trace]\n"
      "Serves the Tavrin port driver's control codes on the local socket PATH.\n"
      "  --emulate MEMFILE  emulated keyboard whose 4096-byte memory lives in MEMFILE\n"
      "  --fault F          emulated keyboard fault: silent, refuse, endless, busy, stall=N\n"
      "  --hardware         the PC's keyboard controller through raw port I/O (root, x86)\n"
      "  --allow-uid UID    also serve this user (default: $PKEXEC_UID when set)\n"
      "  --trace            print the driver's trace lines on standard error\n";

inline constexpr char PREFIX[] = "tavrin: ";

inline constexpr char NO_SOCKET[] = "--socket PATH is required";
inline constexpr char NO_BACKEND[] = "choose the keyboard: --emulate MEMFILE or --hardware";
inline constexpr char TWO_BACKENDS[] = "--emulate and --hardware exclude each other";
inline constexpr char FAULT_NEEDS_EMULATION[] = "--fault applies to the emulated keyboard only";
inline constexpr char UNKNOWN_OPTION[] = "unknown option ";
inline constexpr char MISSING_VALUE[] = "missing value for ";
inline constexpr char BAD_FAULT[] = "unknown fault ";
inline constexpr char BAD_UID[] = "not a user id: ";

inline constexpr char MEMORY_OPEN_FAILED[] = "cannot open or create the keyboard memory file ";
inline constexpr char MEMORY_WRONG_SIZE[] = "not a keyboard memory file (it must hold exactly 4096 bytes): ";
inline constexpr char MEMORY_IO_FAILED[] = "cannot read or write the keyboard memory file ";
inline constexpr char MEMORY_NOT_OWN[]
    = "refused: the keyboard memory file must be a regular file of your own, not a link: ";
inline constexpr char MEMORY_COMMIT_FAILED[] = "writing the keyboard memory file failed";

inline constexpr char HARDWARE_NEEDS_ROOT[]
    = "the hardware backend needs root to reach the keyboard controller ports "
      "(start tavrin as root or through pkexec, or use --emulate MEMFILE): ";
inline constexpr char HARDWARE_UNSUPPORTED[]
    = "the hardware backend needs an x86 PC running Linux; use --emulate MEMFILE";

inline constexpr char SOCKET_PATH_TOO_LONG[] = "socket path too long: ";
inline constexpr char SOCKET_NOT_A_SOCKET[] = "exists and is not a socket, not replacing it: ";
inline constexpr char SOCKET_IN_USE[] = "another host already serves ";
inline constexpr char SOCKET_FAILED[] = "cannot create the socket ";
inline constexpr char PEER_REFUSED[] = "refused a connection from uid ";
inline constexpr char SERVING[] = "serving ";
inline constexpr char STOPPING[] = "stopping";

} // namespace tavrin::texts
