// Every text the vorelin tool shows.
#pragma once

namespace VorelinTexts {

inline constexpr const char* USAGE = R"(usage: vorelin PORT COMMAND [ARGUMENTS]
       vorelin --help | --version
Talks to an IC card reader on the serial port PORT (for example /dev/ttyUSB0,
or COM1 on Windows).

commands:
  version                    the reader's version bytes
  present                    the reader's card indication
  beep 0|1                   beep
  power on|off               power the card on or off
  read AREA ADDR COUNT       read COUNT bytes of card memory
  write AREA ADDR HEX        write bytes given in hex (at most 251)
  check-password HEX         present the card's three-byte password
  change-password HEX        write a new three-byte password

AREA, ADDR and COUNT are 0 to 255, decimal or 0x-prefixed hex. HEX is pairs
of hex digits, optionally separated by spaces, colons or dashes.

The last line of output is the library's result code and its meaning.
exit status: 0 success, 1 the reader reported an error status,
             2 wrong usage, 5 the exchange with the reader failed,
             6 the port cannot be opened.
)";
// %s: the version.
inline constexpr const char* VERSION = "vorelin %s\n";

inline constexpr const char* CANNOT_OPEN = "cannot open the port ";
inline constexpr const char* NOT_A_DEVICE = "it is not a device (a serial port is a character device)";
inline constexpr const char* NOT_A_TERMINAL = "it is not a serial port (the device is no terminal)";
inline constexpr const char* HELD = "another program holds it";
inline constexpr const char* NOT_A_PORT = "it is not a serial port, or its settings cannot be read";
inline constexpr const char* NO_REASON = "the port opens, but not as a serial port at 9600 baud";
// %s: the port, its group twice.
inline constexpr const char* GROUP_HINT
    = "hint: %s belongs to the group %s; add your user to it (sudo adduser $USER %s) and log in again";
inline constexpr const char* UNKNOWN_COMMAND = "unknown command: ";
inline constexpr const char* UNKNOWN_OPTION = "unknown option: ";
inline constexpr const char* WRONG_ARGUMENTS = "wrong arguments for ";
inline constexpr const char* BAD_NUMBER = "not a number from 0 to 255: ";
inline constexpr const char* BAD_HEX = "not pairs of hex digits: ";
inline constexpr const char* TOO_MANY_BYTES = "at most 251 bytes can be written";
inline constexpr const char* PASSWORD_LENGTH = "a password is three bytes, six hex digits";
inline constexpr const char* SEE_HELP = "see vorelin --help";

inline constexpr const char* CARD_INDICATION = "card indication ";
inline constexpr const char* RESULT = "result ";

inline constexpr const char* MEANING_SUCCESS = "success";
inline constexpr const char* MEANING_READER_STATUS = "the reader reported error status ";
inline constexpr const char* STATUS_NOT_LISTED = "a status without a listed meaning";
inline constexpr const char* MEANING_IO
    = "the request could not be written or no complete reply came in time";
inline constexpr const char* MEANING_BEEP_READ = "no reply to the beep came in time";
inline constexpr const char* MEANING_CHECK = "the reply failed its check byte or was too long to check";
inline constexpr const char* MEANING_BEEP_REPLY
    = "the reader did not answer the beep with a plain success reply";
inline constexpr const char* MEANING_UNKNOWN = "unknown result";

} // namespace VorelinTexts
