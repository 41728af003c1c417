// The command table of lodemar-cli: one entry and one source file per
// subcommand, so that new subcommands slot in without touching the others.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace lodemar::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1; // the command ran and failed
inline constexpr int EXIT_USAGE = 2; // the command line was wrong
inline constexpr int EXIT_DIFFERS = 3; // verify: the keyboard holds another table

using Arguments = std::vector<std::string>;

struct CliCommand {
    const char* name;
    const char* usage; // arguments after the name
    const char* summary; // one line for --help
    int (*run)(const Arguments& arguments);
};

std::span<const CliCommand> commands();

int runShow(const Arguments& arguments);
int runExport(const Arguments& arguments);
int runImport(const Arguments& arguments);
int runRead(const Arguments& arguments);
int runWrite(const Arguments& arguments);
int runVerify(const Arguments& arguments);
int runProbe(const Arguments& arguments);

// Prints "lodemar-cli: <message>" as one line on stderr and returns code.
int fail(const std::string& message, int code = EXIT_FAILED);
// A usage error for the named command, pointing at its --help.
int usageError(const char* command, const std::string& message);
// True when the arguments ask for help; prints the command's usage.
bool helpRequested(const CliCommand& command, const Arguments& arguments);
const CliCommand& commandNamed(const char* name);

} // namespace lodemar::cli
