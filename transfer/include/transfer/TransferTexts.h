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
