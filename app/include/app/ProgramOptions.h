// The program's command line and its name.
//
//   lodemar                      the real keyboard, through the port driver
//   lodemar --emulate            the emulated keyboard, default memory file
//   lodemar --emulate=MEMFILE    the emulated keyboard, memory kept in MEMFILE
//   lodemar [--emulate] FILE     either, with a key data file or JSON layout loaded at start
//   lodemar -h | --help | --version
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

struct ProgramOptions {
    bool emulate = false;
    // Empty with emulate: the emulator's default memory file.
    std::string emulatedKeyboardMemory;
    // A key data file or JSON layout to load once the window is shown.
    std::string file;
    bool help = false;
    bool version = false;
};

inline constexpr int OPTIONS_OK = 0;
inline constexpr int OPTIONS_UNKNOWN = -1; // error names the option
inline constexpr int OPTIONS_EMPTY_MEMFILE = -2;
inline constexpr int OPTIONS_EXTRA_FILE = -3; // error names the second file

// Parses the arguments after the program name (with QCommandLineParser, in
// the Qt library lodemar_app). On failure returns a negative code and sets
// error to the offending argument; help and version are set all the same.
int parseProgramOptions(
    const std::vector<std::string>& arguments, ProgramOptions& options, std::string& error);

// --help and --version need no display: answered before Qt starts (Qt's own
// options, which QApplication takes out later, are no error here). Returns
// the exit status when the command line asked for either, else -1.
int AnswerBeforeQtStarts(int argc, char** argv);

// The application name: the program file's name without its directory and
// extension. On Linux its first letter is upper-cased ("lodemar" gives
// "Lodemar"), program files there being lower case by convention; on
// Windows the name stands as the file has it ("Lodemar.exe").
std::string applicationNameOf(std::string_view programPath);

// The program file's name as given (argv[0] without its folder), for
// messages before Qt is up.
std::string programFileName(const char* path);

} // namespace app
