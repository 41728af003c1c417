// Everything the driver host says to its user, in one place.
#pragma once

namespace tavrin::texts {

inline constexpr char HARDWARE_USAGE[]
    = "usage: tavrin --hardware [--trace]\n"
      "       tavrin --help | --version\n"
      "Serves the Tavrin port driver's control codes for the real keyboard on the PC's keyboard\n"
      "port, on the socket in its fixed runtime folder. It runs as root (through pkexec for a\n"
      "user), takes the keyboard port only while requests come (and 1.5 s after), and the\n"
      "keyboard types nothing meanwhile. The emulated keyboard's host is tavrin-emu.\n"
      "  --hardware  the real keyboard\n"
      "  --trace     print the driver's trace lines on standard error\n"
      "Started through pkexec only --hardware and --trace are accepted; set-id it refuses to run.\n"
      "Exit status: 0 after a stop request or a termination signal, 2 wrong usage, 6 the keyboard\n"
      "port, runtime folder, serving user or socket cannot be had, 7 the keyboard is in use,\n"
      "8 the serving process was killed.\n";
inline constexpr char EMULATED_USAGE[]
    = "usage: tavrin-emu --socket PATH --emulate MEMFILE [--fault F]... [--allow-uid UID] [--trace]\n"
      "       tavrin-emu --help | --version\n"
      "Serves the Tavrin port driver's control codes for the emulated keyboard on a local socket,\n"
      "as the user who starts it.\n"
      "  --socket PATH      the socket to serve\n"
      "  --emulate MEMFILE  the emulated keyboard, its 4096-byte memory kept in MEMFILE\n"
      "  --fault F          emulated keyboard fault: silent, refuse, endless, busy, stall=N\n"
      "  --allow-uid UID    also serve this user\n"
      "  --trace            print the driver's trace lines on standard error\n"
      "Exit status: 0 after a stop request or a termination signal, 2 wrong usage, 6 the memory\n"
      "file or socket cannot be had, 7 another host serves the socket.\n";
// %s: the program's name, the version.
inline constexpr char VERSION[] = "%s %s\n";

inline constexpr char NO_SOCKET[] = "--socket PATH is required";
inline constexpr char NO_MEMORY_FILE[] = "--emulate MEMFILE is required";
inline constexpr char NO_HARDWARE[] = "--hardware is required (the emulated keyboard's host is tavrin-emu)";
inline constexpr char TEST_ROOTS_NEED_SOCKET[] = "--test-sysfs-root and --test-dev-root need --socket";
inline constexpr char PRIVILEGED_HARDWARE_ONLY[]
    = "started with more rights than its caller, tavrin serves only the real keyboard: "
      "--hardware [--trace], nothing else";
inline constexpr char SET_ID_REFUSED[]
    = "refused: the host must not be installed set-user-id or set-group-id; a user starts it "
      "through pkexec";
inline constexpr char EMULATED_NOT_PRIVILEGED[]
    = "refused: the emulated keyboard's host runs as the user who starts it, never with more rights "
      "(not through pkexec, not set-id)";
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
inline constexpr char IN_USE_BY_HOST[] = "the keyboard is in use by another host";
inline constexpr char DROP_FAILED[] = "the serving process cannot give up root rights: ";
inline constexpr char CONFINE_FAILED[] = "the serving process cannot be confined: ";
inline constexpr char NO_SERVING_USER[]
    = "the system user _tavrin that serves the keyboard is missing (the lodemar-cli package creates "
      "it; as root: adduser --system --group --home /nonexistent --no-create-home _tavrin)";
inline constexpr char BAD_SERVING_USER[] = "refused: the serving user must be a user of its own, not root: ";

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
inline constexpr char MONITOR_UNREAD[] = "the serving process does not take the monitor's answers; ending it";
inline constexpr char MONITOR_BAD_REQUEST[]
    = "the serving process sent the monitor something it does not accept; ending it";
inline constexpr char SERVING_LOST[] = "the serving process ended abnormally";

// Raw port I/O, only where no kernel driver owns the controller. %s: the
// sysfs folder looked in, then the system's reason.
inline constexpr char RAW_PORTS_UNAVAILABLE[]
    = "no keyboard port found (no serio port described as \"i8042 KBD port\" under %s), and the "
      "keyboard controller's ports cannot be reached directly either (ioperm: %s); to work without "
      "the keyboard use --emulate";
inline constexpr char HARDWARE_UNSUPPORTED[]
    = "no keyboard port found, and raw port I/O needs an x86 PC running Linux; to work without the "
      "keyboard use --emulate";
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
