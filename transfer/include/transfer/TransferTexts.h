// The keyboard transfer's texts, verbatim, shared by the program (message
// boxes, progress window) and lodemar-cli. printf-style where they take values.
#pragma once

namespace transfer::text {

inline constexpr char CONFIRM_WRITE[] = "Are you sure write to keyboard?";
inline constexpr char WRITE_SUCCESS[] = "Data writed to keyboard successful!";
inline constexpr char WRITE_FAIL[] = "Data writed to keyboard fail,Please retry again!";
inline constexpr char CONFIRM_READ[] = "While reading keyboard data, Do NOT use your keyboard and mouse.\n"
                                       "\t\tAre you sure read data from keyboard now?";
inline constexpr char READ_SUCCESS[] = "Read data from keyboard successful!";
inline constexpr char READ_FAIL[] = "Read data fail,Please read again!";

// Progress window: the title (the window adds " [N%]") and the status line
// with the key number 0..127 of the packet about to be sent.
inline constexpr char PROGRESS_TITLE[] = "Programing...";
inline constexpr char PROGRESS_STATUS[] = "programing %d key";
// Ours: the status line while the keyboard is read back after a write.
inline constexpr char PROGRESS_VERIFY[] = "checking the keyboard";

// Ours: why a write whose every packet went out still failed; shown under
// WRITE_FAIL. %s names the keys ("key 15, key L").
inline constexpr char VERIFY_MISMATCH[] = "The keyboard does not hold what was written: %s.";
inline constexpr char VERIFY_READ_FAILED[] = "The keyboard could not be read back to check what was written.";
inline constexpr char DIFFERENCE_SEPARATOR[] = ", ";
inline constexpr char DIFFERENCE_SETTINGS[] = "the settings";
inline constexpr char DIFFERENCE_MORE[] = "and %d more keys";

// Loading the port driver failed (any non-zero result of Load).
inline constexpr char LOAD_DRIVER_FAIL[] = "Can't not load kernel program!!!";

// Ours: why Load failed (loadFailureReason), one clause each, shared by
// lodemar-cli and the program. A %s after "run" is the program's name.
#if defined(_WIN32)
// The driver is the kernel driver service Tavrin.sys.
inline constexpr const char* LOAD_NO_DRIVER_FILE_HARDWARE
    = "Tavrin.sys is neither in the current directory nor in %s; run %s in the folder where it lies";
inline constexpr const char* LOAD_NO_DRIVER_FILE_EMULATED = LOAD_NO_DRIVER_FILE_HARDWARE;
inline constexpr const char* LOAD_NO_REGISTRATION_FOLDER
    = "cannot open the service control manager; run %s as administrator";
inline constexpr const char* LOAD_NO_REGISTRATION = "the driver service could not be created or opened";
#else
inline constexpr const char* LOAD_NO_DRIVER_FILE_EMULATED
    = "the driver host 'tavrin-emu' is not in %s; set LODEMAR_DRIVER_DIR to its folder";
inline constexpr const char* LOAD_NO_DRIVER_FILE_HARDWARE
    = "the driver host 'tavrin' is not installed in %s, the only place the real keyboard's host is "
      "taken from";
inline constexpr const char* LOAD_NO_REGISTRATION_FOLDER
    = "cannot use the private folder for the keyboard's lock and the driver host's socket "
      "($XDG_RUNTIME_DIR/lodemar, else ~/.cache/lodemar/run): it must be a folder of this user alone, "
      "not a link";
#endif
inline constexpr const char* LOAD_KEYBOARD_IN_USE
    = "the keyboard is in use by %s; nothing was sent, try again once it has finished";
inline constexpr const char* LOAD_OUT_OF_MEMORY = "out of memory";
#if defined(_WIN32)
inline constexpr const char* LOAD_START_FAILED_EMULATED = "the driver service did not start";
inline constexpr const char* LOAD_START_FAILED_HARDWARE
    = "the driver service did not start (Tavrin.sys is a 32-bit driver; 64-bit Windows refuses it)";
inline constexpr const char* LOAD_NO_DEVICE = "cannot open the driver's device \\\\.\\Tavrin";
inline constexpr const char* LOAD_NO_DIRECTORY = "cannot read the current directory";
#else
inline constexpr const char* LOAD_START_FAILED_EMULATED
    = "the driver host did not start (its own message is on standard error)";
inline constexpr const char* LOAD_START_FAILED_HARDWARE
    = "the driver host did not start; the real keyboard needs root, through pkexec (its message is on "
      "standard error)";
inline constexpr const char* LOAD_NO_DEVICE = "cannot connect to the driver host";
inline constexpr const char* LOAD_NO_DIRECTORY = "no folder to look for the driver host in";
#endif
inline constexpr const char* LOAD_OTHER = "result %d";

// A table the keyboard cannot store faithfully is not written; the reason.
// %s names the first key concerned by its grid caption ("key 15").
inline constexpr char FIT_REFUSED[] = "The key table cannot be written to the keyboard.";
inline constexpr char FIT_DATA_AREA[]
    = "The key table cannot be written to the keyboard: the function and string contents need %d bytes, "
      "%d more than the keyboard's data area of %d bytes holds (from %s on).";
inline constexpr char FIT_MARKER_BYTE[]
    = "The key table cannot be written to the keyboard: %s holds a byte of 0xFA or above, "
      "which the keyboard cannot send back when it is read.";
inline constexpr char FIT_UNKNOWN_KIND[]
    = "The key table cannot be written to the keyboard: %s has an unknown kind, "
      "which the keyboard would store as an empty key.";
inline constexpr char FIT_DROPPED_BYTES[]
    = "The key table cannot be written to the keyboard: %s holds bytes that its kind "
      "does not carry to the keyboard.";
inline constexpr char FIT_SETTINGS_BIT7[]
    = "The key table cannot be written to the keyboard: a settings byte has bit 7 set, "
      "which the keyboard does not store.";

} // namespace transfer::text
