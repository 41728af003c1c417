// Everything the driver host says to its user, in one place.
#pragma once

namespace tavrin::texts {

inline constexpr char USAGE[]
    = "usage: tavrin --socket PATH --emulate MEMFILE [--fault F]... [--allow-uid UID] [--trace]\n"
      "       tavrin --hardware [--trace]\n"
      "       tavrin --help | --version\n"
      "Serves the Tavrin port driver's control codes on a local socket.\n"
      "  --emulate MEMFILE  emulated keyboard whose 4096-byte memory lives in MEMFILE\n"
      "  --fault F          emulated keyboard fault: silent, refuse, endless, busy, stall=N\n"
      "  --hardware         the real keyboard on the PC's keyboard port (root; through pkexec\n"
      "                     for a user). The socket is fixed, in the runtime folder. The host\n"
      "                     takes the keyboard port only while requests come (and 1.5 s after);\n"
      "                     meanwhile the keyboard types nothing.\n"
      "  --allow-uid UID    also serve this user\n"
      "  --trace            print the driver's trace lines on standard error\n"
      "Started through pkexec (or set-id) only --hardware and --trace are accepted.\n"
      "Exit status: 0 after a stop request or a termination signal, 2 wrong usage, 6 the memory\n"
      "file, keyboard port, runtime folder or socket cannot be had, 7 the socket or the keyboard\n"
      "is in use.\n";
// %s: the version.
inline constexpr char VERSION[] = "tavrin %s\n";

inline constexpr char PREFIX[] = "tavrin: ";

inline constexpr char NO_SOCKET[] = "--socket PATH is required";
inline constexpr char NO_BACKEND[] = "choose the keyboard: --emulate MEMFILE or --hardware";
inline constexpr char TWO_BACKENDS[] = "--emulate and --hardware exclude each other";
inline constexpr char FAULT_NEEDS_EMULATION[] = "--fault applies to the emulated keyboard only";
inline constexpr char TEST_ROOTS_NEED_SOCKET[]
    = "--test-sysfs-root and --test-dev-root need --hardware --socket";
inline constexpr char PRIVILEGED_HARDWARE_ONLY[]
    = "started with more rights than its caller, tavrin serves only the real keyboard: "
      "--hardware [--trace], nothing else";
inline constexpr char UNKNOWN_OPTION[] = "unknown option ";
inline constexpr char MISSING_VALUE[] = "missing value for ";
inline constexpr char BAD_FAULT[] = "unknown fault ";
inline constexpr char BAD_UID[] = "not a user id: ";
inline constexpr char BAD_BOUND[] = "not a time in milliseconds: ";
inline constexpr char NO_PARENT[] = "the program that started the host has already ended";

inline constexpr char MEMORY_OPEN_FAILED[] = "cannot open or create the keyboard memory file ";
inline constexpr char MEMORY_WRONG_SIZE[] = "not a keyboard memory file (it must hold exactly 4096 bytes): ";
inline constexpr char MEMORY_IO_FAILED[] = "cannot read or write the keyboard memory file ";
inline constexpr char MEMORY_NOT_OWN[]
    = "refused: the keyboard memory file must be a regular file of your own, not a link: ";
inline constexpr char MEMORY_COMMIT_FAILED[]
    = "writing the keyboard memory file failed; the request that wrote it failed too";

// The runtime folder of the real keyboard's host.
inline constexpr char RUN_DIR_NEEDS_ROOT[]
    = "the real keyboard's host must run as root (through pkexec for a user)";
inline constexpr char RUN_DIR_UNSAFE[]
    = "refused: not a root-owned folder that only root can change (or a link): ";
inline constexpr char RUN_DIR_FAILED[] = "cannot create or open the runtime folder ";
inline constexpr char LOCK_FAILED[] = "cannot create or lock ";
inline constexpr char FILE_NOT_OWN[] = "refused: a link, or not a file of the host's own: ";
inline constexpr char IN_USE_BY[] = "the keyboard is in use by process ";
inline constexpr char IN_USE_UID[] = " (uid ";
inline constexpr char DROP_FAILED[] = "the serving process cannot give up root rights: ";

// The keyboard port through the kernel (serio).
inline constexpr char SERIO_NO_PORT[]
    = "no keyboard port found (no serio port described as \"i8042 KBD port\" under ";
inline constexpr char SERIO_HELD[]
    = "refused: the keyboard port %s is held by the driver \"%s\", not by this program";
inline constexpr char SERIO_NO_DRIVER[]
    = "the kernel's serio_raw driver is not available (modprobe serio_raw failed)";
inline constexpr char SERIO_NOT_LOADED[]
    = "the kernel's serio_raw driver is not loaded, and no modprobe was found in /sbin or /usr/sbin "
      "to load it (as root: modprobe serio_raw, or insmod serio_raw.ko)";
inline constexpr char SERIO_CONTROL_FAILED[] = "cannot hand the keyboard port to serio_raw through ";
inline constexpr char SERIO_NO_DEVICE[]
    = "serio_raw took the keyboard port but its device did not appear under ";
inline constexpr char SERIO_RECORD_FAILED[] = "cannot keep the record of the held keyboard port: ";
inline constexpr char SERIO_RECOVERED[]
    = "gave the keyboard port %s back to \"%s\": a previous host ended without doing so";
inline constexpr char SERIO_GIVE_BACK_FAILED[]
    = "could not give the keyboard port %s back; the keyboard stays silent until it is "
      "(as root: echo -n %s > %s/drvctl, or start the host again)";
inline constexpr char SERIO_LOST[] = "the keyboard port was taken away from the host";
inline constexpr char SERIO_NOT_TAKEN[] = "the keyboard port could not be taken for this request";

// The monitor: the part of the real keyboard's host that keeps root.
inline constexpr char SPLIT_FAILED[] = "cannot start the serving process: ";
inline constexpr char MONITOR_BAD_REQUEST[]
    = "the serving process sent the monitor something it does not accept; ending it";
inline constexpr char SERVING_LOST[] = "the serving process ended abnormally";

// Raw port I/O, only where no kernel driver owns the controller.
inline constexpr char HARDWARE_NEEDS_ROOT[]
    = "the hardware backend needs root to reach the keyboard controller ports "
      "(start tavrin as root or through pkexec, or use --emulate MEMFILE): ";
inline constexpr char HARDWARE_UNSUPPORTED[]
    = "no keyboard port found and raw port I/O needs an x86 PC running Linux; use --emulate MEMFILE";
inline constexpr char HARDWARE_KERNEL_OWNS[]
    = "refused: the kernel's i8042 driver takes the keyboard's interrupt (IRQ 1) but offers no keyboard "
      "port; raw port I/O would race it";

inline constexpr char SOCKET_PATH_TOO_LONG[] = "socket path too long: ";
inline constexpr char SOCKET_NOT_A_SOCKET[] = "exists and is not a socket, not replacing it: ";
inline constexpr char SOCKET_NOT_SAFE[]
    = "a socket is left over in a folder others can change; remove it yourself: ";
inline constexpr char SOCKET_CANNOT_GIVE[]
    = "cannot hand the socket to another user safely: its folder is not root's alone: ";
inline constexpr char SOCKET_IN_USE[] = "another host already serves ";
inline constexpr char SOCKET_FAILED[] = "cannot create the socket ";
inline constexpr char PEER_REFUSED[] = "refused a connection from uid ";
inline constexpr char SERVING[] = "serving ";
inline constexpr char STOPPING[] = "stopping";

} // namespace tavrin::texts
