// The program's command line and its name.
//
//   lodemar                      the real keyboard, through the port driver
//   lodemar --emulate            the emulated keyboard, default memory file
//   lodemar --emulate=MEMFILE    the emulated keyboard, memory kept in MEMFILE
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

struct ProgramOptions {
    bool emulate = false;
    // Empty with emulate: the emulator's default memory file.
    std::string emulatedKeyboardMemory;
    bool help = false;
};

inline constexpr int OPTIONS_OK = 0;
inline constexpr int OPTIONS_UNKNOWN = -1; // error names the option
inline constexpr int OPTIONS_EMPTY_MEMFILE = -2;

// Parses the arguments after the program name. On failure returns a
// negative code, leaves options as far as parsed and sets error to the
// offending argument.
int parseProgramOptions(
    const std::vector<std::string>& arguments, ProgramOptions& options, std::string& error);

// The application name: the program file's name without its directory and
// extension. On Linux its first letter is upper-cased ("lodemar" gives
// "Lodemar"), program files there being lower case by convention; on
// Windows the name stands as the file has it ("Lodemar.exe").
std::string applicationNameOf(std::string_view programPath);

} // namespace app
