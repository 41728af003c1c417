// The command table of lodemar-cli: one entry and one source file per
// subcommand. main() makes a CLI11 subcommand of each entry with the options
// the entry names, and hands the parsed line to its run function.
#pragma once

#include <lodemar/ExitCodes.h>

#include <span>
#include <string>
#include <vector>

namespace lodemar::cli {

using lodemar::EXIT_DIFFERS;
using lodemar::EXIT_FAILED;
using lodemar::EXIT_NOT_COMPARED;
using lodemar::EXIT_OK;
using lodemar::EXIT_USAGE;

// The name that stands for standard input or output where a file is named.
inline constexpr const char* STANDARD_STREAM = "-";

struct KeyboardChoice {
    bool emulate = false;
    std::string memoryFile; // empty with emulate: the default memory file
};

// What a command line gave a command.
struct CliOptions {
    std::vector<std::string> files; // the arguments, in order
    std::string output; // -o FILE ("-": standard output); empty when not given
    bool noVerify = false; // write --no-verify
    bool keyboard = false; // diff --keyboard
    KeyboardChoice choice; // --emulate[=MEMFILE]
};

// The options a command takes besides its files.
enum CommandOption : unsigned {
    TAKES_OUTPUT = 1u << 0,
    TAKES_EMULATE = 1u << 1,
    TAKES_NO_VERIFY = 1u << 2,
    TAKES_KEYBOARD = 1u << 3,
};

struct CliCommand {
    const char* name;
    const char* usage; // arguments after the name
    const char* summary; // for --help
    unsigned options; // CommandOption bits
    int (*run)(const CliOptions& options);
};

std::span<const CliCommand> commands();

int runShow(const CliOptions& options);
int runExport(const CliOptions& options);
int runImport(const CliOptions& options);
int runDiff(const CliOptions& options);
int runRead(const CliOptions& options);
int runWrite(const CliOptions& options);
int runVerify(const CliOptions& options);
int runProbe(const CliOptions& options);

// Prints "lodemar-cli: <message>" as one line on stderr and returns code.
int fail(const std::string& message, int code = EXIT_FAILED);
// A usage error for the named command, pointing at its --help.
int usageError(const char* command, const std::string& message);
// The usage of one command, as its --help prints it.
std::string commandUsage(const CliCommand& command);
const CliCommand& commandNamed(const char* name);

// An input file's name as messages show it: "-" is "standard input".
std::string shownInput(const std::string& path);

} // namespace lodemar::cli
