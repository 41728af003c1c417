// Every text lodemar-cli prints, in one place. printf-style formats.
#pragma once

namespace lodemar::cli::text {

inline constexpr const char* PROGRAM = "lodemar-cli";
inline constexpr const char* USAGE_LINE = "usage: lodemar-cli [--emulate[=MEMFILE]] COMMAND [ARGUMENTS]\n"
                                          "       lodemar-cli --help | --version\n";
inline constexpr const char* HELP_INTRO
    = "Shows, exports, imports and compares keyboard data files (.dat) and layouts in JSON of the\n"
      "programmable keyboard, and reads, writes and verifies the keyboard itself. A LAYOUT is either\n"
      "of them. Where a file is named, - stands for standard input or output.\n\n"
      "Commands:\n";
// %s: the program's name, then the version.
inline constexpr const char* VERSION_LINE = "%s %s\n";
inline constexpr const char* EXIT_STATUS_HELP
    = "Exit status: 0 on success, 1 when a command fails, 2 for a wrong command line,\n"
      "3 when verify (or apply --check) finds keys that differ; diff: 0 equal, 1 different, 4 a layout\n"
      "could not be read.\n";
#if defined(_WIN32)
// %s: the system driver folder.
inline constexpr const char* HELP_OUTRO
    = "\nKeyboard commands (read, write, verify, apply):\n"
      "  They use the keyboard through the port driver Tavrin.sys, which lodemar-cli installs as a\n"
      "  service, starts, stops and removes again; that needs an administrator. Tavrin.sys is looked\n"
      "  for in the current directory, then in %s.\n"
      "  There is no emulated keyboard on Windows: --emulate is refused.\n"
      "\n'lodemar-cli COMMAND --help' shows the usage of one command.\n";
#else
// %s: the installed folder of the driver host.
inline constexpr const char* HELP_OUTRO
    = "\nKeyboard commands (read, write, verify, apply, probe; diff --keyboard):\n"
      "  --emulate[=MEMFILE]  use the emulated keyboard, whose memory is kept in MEMFILE\n"
      "                       (default: $XDG_STATE_HOME/lodemar/emulated-keyboard.bin); it may also\n"
      "                       stand before the command.\n"
      "  Without --emulate they use the REAL keyboard through the driver host's hardware backend,\n"
      "  which needs root: unless lodemar-cli runs as root it starts the host through\n"
      "  /usr/bin/pkexec, which asks for an administrator's password. The keyboard types nothing\n"
      "  while it is being programmed or read.\n"
      "  The driver host 'tavrin' is never taken from the current directory. The real keyboard's\n"
      "  host is always the installed one in %s; for the emulated keyboard\n"
      "  LODEMAR_DRIVER_DIR names another folder instead (e.g. build/driver/host in a build tree).\n"
      "  One run at a time uses a keyboard: another one is told which process holds it.\n"
      "\n'lodemar-cli COMMAND --help' shows the usage of one command.\n";
#endif
inline constexpr const char* COMMAND_USAGE = "usage: lodemar-cli %s %s\n%s\n";
inline constexpr const char* STANDARD_INPUT = "standard input";
inline constexpr const char* STANDARD_OUTPUT = "standard output";

inline constexpr const char* NO_COMMAND = "no command given; try 'lodemar-cli --help'";
inline constexpr const char* TRY_HELP = "; try 'lodemar-cli --help'";
// A failure with its reason: the system's text, then why.
inline constexpr const char* FAILURE_WITH_REASON = "%s (%s)";
inline constexpr const char* UNKNOWN_COMMAND = "unknown command '%s'; try 'lodemar-cli --help'";
inline constexpr const char* USAGE_ERROR = "%s: %s; try 'lodemar-cli %s --help'";
inline constexpr const char* WRONG_ARGUMENTS = "wrong arguments";
inline constexpr const char* UNKNOWN_OPTION = "unknown option '%s'";
inline constexpr const char* MISSING_OUTPUT = "the output file is missing (-o FILE.dat)";
inline constexpr const char* KEYBOARD_AND_TWO_FILES
    = "--keyboard takes the place of the first layout: one file";
inline constexpr const char* EMULATE_WITHOUT_KEYBOARD = "--emulate needs --keyboard";
inline constexpr const char* STANDARD_INPUT_TWICE
    = "standard input (-) is named twice; it can be read only once, so name a file for one of them";
inline constexpr const char* EMPTY_MEMORY_FILE
    = "--emulate= needs a file name (or use --emulate alone for the default)";

// Loading and saving key data files.
inline constexpr const char* LOAD_OPEN = "cannot open %s: %s";
inline constexpr const char* LOAD_EMPTY = "%s is empty";
inline constexpr const char* LOAD_NOT_SAVE_FILE
    = "%s is not a keyboard data file (it must begin with 0xFC and hold 0xFA at offset 3)";
inline constexpr const char* LOAD_TOO_LONG
    = "%s is longer than %zu bytes, the most a keyboard data file holds";
inline constexpr const char* NOT_REGULAR
    = "%s is not a regular file (a folder, FIFO or device cannot hold a key table); nothing was done";
inline constexpr const char* SAVE_OPEN = "cannot open %s for writing: %s (nothing was changed)";
inline constexpr const char* SAVE_WRITE = "cannot write %s: %s (the previous file is unchanged)";
inline constexpr const char* SAVE_TOO_LONG = "%s not written: the key table's image would be %zu bytes, but "
                                             "a keyboard data file over %zu bytes cannot be loaded again";
inline constexpr const char* SAVE_MARKER_KEY
    = "%s not written: %s holds a byte of 0xFA or above, which a keyboard data file cannot store";
inline constexpr const char* SAVE_MARKER_SETTINGS
    = "%s not written: a settings byte of 0xFA or above cannot be stored in a keyboard data file";
inline constexpr const char* UNKNOWN_RESULT = "%s: unexpected result %d";

// show
inline constexpr const char* SHOW_FILE = "File: %s (%zu bytes)\n";
inline constexpr const char* SHOW_SETTINGS = "%-12s 0x%02X:";
inline constexpr const char* SHOW_BIT = " %s %s";
inline constexpr const char* SHOW_BIT_ON = "on";
inline constexpr const char* SHOW_BIT_OFF = "off";
inline constexpr const char* SHOW_OTHER_BITS = ", other bits 0x%02X";
inline constexpr const char* SHOW_KEYS_HEADER = "Key  No.  Slot    Kind      Text\n";
inline constexpr const char* SHOW_KEY_LINE = "%-4s %3d  %-7s %-9s %s\n";
inline constexpr const char* SHOW_NO_CAPTION = "-";
inline constexpr const char* SHOW_SHARED_NOTE = "  (shared by key numbers 60, 96..119, 126, 127)";
inline constexpr const char* SHOW_KIND_EMPTY = "empty";
inline constexpr const char* SHOW_KIND_SWITCH = "switch";
inline constexpr const char* SHOW_KIND_FUNCTION = "function";
inline constexpr const char* SHOW_KIND_STRING = "string";
inline constexpr const char* SHOW_KIND_UNKNOWN = "kind %d";
inline constexpr const char* SHOW_DATA_AREA = "Data area: %zu of %zu bytes used, %zu free\n";
inline constexpr const char* SHOW_FITS = "Keyboard write: fits\n";
inline constexpr const char* SHOW_NO_FIT
    = "Keyboard write: refused, the function and string contents need %zu bytes, %zu more than the data area "
      "holds (from %s on)\n";
inline constexpr const char* SHOW_MARKER = "Keyboard write: %s holds a byte of 0xFA or above, "
                                           "which the keyboard's read-out cannot return\n";
inline constexpr const char* SHOW_UNKNOWN_KIND
    = "Keyboard write: %s has an unknown kind and is written as an empty key\n";
inline constexpr const char* SHOW_DROPPED = "Keyboard write: %s holds bytes its kind does not write\n";
inline constexpr const char* SHOW_BIT7
    = "Keyboard write: bit 7 of a settings byte is not written (settings travel as 7-bit values)\n";

// import
inline constexpr const char* IMPORT_READ = "cannot read %s: %s";
inline constexpr const char* IMPORT_TOO_BIG = "%s is too big for a key table in JSON";
inline constexpr const char* IMPORT_BAD_JSON = "%s: bad JSON: %s";
inline constexpr const char* IMPORT_ERROR = "%s: %s";
inline constexpr const char* IMPORT_KEY_ERROR = "%s: %s: %s";
inline constexpr const char* IMPORT_ENTRY_ERROR = "%s: keys[%zu]: %s";

// diff. The side of a comparison that is the keyboard.
inline constexpr const char* DIFF_KEYBOARD = "the keyboard";
inline constexpr const char* NOT_LAYOUT = "%s is neither a keyboard data file (.dat) nor a layout in JSON";
inline constexpr const char* DIFF_FROM = "--- %s\n";
inline constexpr const char* DIFF_TO = "+++ %s\n";
inline constexpr const char* DIFF_SHARED = "key numbers 60, 96..119, 126, 127 (one shared record)";
inline constexpr const char* DIFF_OLD = "  - %s\n";
inline constexpr const char* DIFF_NEW = "  + %s\n";
inline constexpr const char* DIFF_SETTING = "%s\n  - 0x%02X\n  + 0x%02X\n";
inline constexpr const char* DIFF_SUMMARY = "%d keys and %d settings bytes differ\n";

// Keyboard commands. The system's own texts come from transfer/TransferTexts.h.
inline constexpr const char* NO_DEFAULT_MEMORY
    = "no folder for the emulated keyboard's memory (set XDG_STATE_HOME or HOME), name a file with "
      "--emulate=MEMFILE";
#if defined(_WIN32)
// The driver is the kernel driver service Tavrin.sys.
inline constexpr const char* NO_EMULATION
    = "there is no emulated keyboard on Windows (it belongs to the Linux driver host)";
#endif
// Before the real keyboard is written or read.
inline constexpr const char* KEYBOARD_PAUSED
    = "note: the keyboard types nothing while it is being programmed or read; it types again when "
      "lodemar-cli has finished";

#if defined(_WIN32)
inline constexpr const char* CHANNEL_NO_DEVICE_TEXT = "the driver's device is not open";
#else
inline constexpr const char* CHANNEL_NO_DEVICE_TEXT = "no connection to the driver host";
#endif
inline constexpr const char* CHANNEL_REQUEST_FAILED_TEXT
    = "the request failed or the keyboard did not answer";
inline constexpr const char* CHANNEL_OTHER_TEXT = "result %d";
// Why a write failed, under the system's text.
inline constexpr const char* WRITE_FAILED_HEADER = "the header packet: %s";
inline constexpr const char* WRITE_FAILED_KEY = "the packet of key number %d: %s";
inline constexpr const char* WRITE_FAILED_FINISH = "the finish packet: %s";
inline constexpr const char* READ_REFUSED = "the keyboard refused the read command";
inline constexpr const char* READ_TOO_LONG = "the keyboard sent %d bytes without ending its image";
inline constexpr const char* READ_END_ONLY = "the keyboard took the read command but sent no data";
inline constexpr const char* READ_INCOMPLETE
    = "the keyboard's data broke off before all 128 keys had come; nothing was read";
inline constexpr const char* WRITE_FAILED_READ_BACK = "every packet was sent, but the read-back failed: %s";
inline constexpr const char* WRITE_FAILED_MISMATCH = "read back, the keyboard does not hold: %s";
inline constexpr const char* NO_VERIFY_OPTION = "--no-verify";

// probe. %s: the answer's bytes in hexadecimal.
inline constexpr const char* PROBE_ANSWER = "keyboard answers: %s (%s)\n";
inline constexpr const char* PROBE_UNTRANSLATED = "PS/2 keyboard, untranslated";
inline constexpr const char* PROBE_TRANSLATED = "PS/2 keyboard, translated by the keyboard controller";
inline constexpr const char* PROBE_OTHER_KEYBOARD = "a keyboard with a less common ID";
inline constexpr const char* PROBE_ID_CUT_SHORT = "a keyboard's ID, cut short";
inline constexpr const char* PROBE_NO_ID = "acknowledged without ID bytes, as an old AT keyboard does";
inline constexpr const char* PROBE_SILENT
    = "no keyboard answers: nothing came back to the identify command (is "
      "the keyboard plugged into the keyboard port?)";
inline constexpr const char* PROBE_REFUSED
    = "the keyboard answered %s and did not acknowledge the identify command";
inline constexpr const char* PROBE_NOT_KEYBOARD
    = "the keyboard port answers %s, which is not a keyboard's ID";
inline constexpr const char* PROBE_FAILED = "the identify request failed (%s)";
inline constexpr const char* HEX_BYTE = "%02X";

// The progress of a write: a bar redrawn in place on a terminal, a line every
// few keys otherwise. %s title, %d percentage, then the status line.
inline constexpr const char* PROGRESS_BAR = "\r%s [%3d%%] [%s] %s\033[K";
inline constexpr const char* PROGRESS_LINE = "%s [%d%%] %s\n";
inline constexpr char PROGRESS_DONE = '#';
inline constexpr char PROGRESS_TODO = '.';

// verify
inline constexpr const char* VERIFY_SAME = "The keyboard holds the key table of %s.\n";
inline constexpr const char* VERIFY_DIFFERS
    = "%d of 128 key numbers and %d settings bytes differ between %s and the keyboard:\n";
inline constexpr const char* VERIFY_KEY = "  %-4s key number %3d %-8s file: %s; keyboard: %s\n";
inline constexpr const char* VERIFY_SETTING = "  %-12s file: 0x%02X; keyboard: 0x%02X\n";
inline constexpr const char* VERIFY_RECORD = "%s %s";

// apply: the last line, whose first word scripts read. %s: the layout.
inline constexpr const char* APPLY_UNCHANGED
    = "unchanged: the keyboard holds the key table of %s already; nothing was written\n";
inline constexpr const char* APPLY_WOULD_CHANGE
    = "would change: the keyboard does not hold the key table of %s; nothing was written (--check)\n";
inline constexpr const char* APPLY_CHANGED = "changed: the keyboard holds the key table of %s now\n";

} // namespace lodemar::cli::text
