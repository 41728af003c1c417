// How lodemar-cli reports a failure: one line on standard error, and the
// same failure kept for the run's --json result.
#pragma once

#include <lodemar/ExitCodes.h>

#include <string>

namespace lodemar::cli {

using lodemar::EXIT_DIFFERS;
using lodemar::EXIT_FAILED;
using lodemar::EXIT_NOT_COMPARED;
using lodemar::EXIT_OK;
using lodemar::EXIT_USAGE;

// The name that stands for standard input or output where a file is named.
inline constexpr const char* STANDARD_STREAM = "-";

// What went wrong: the system's own text (or ours), and why, when known.
struct Failure {
    std::string text;
    std::string reason;
    // "text (reason)", or the text alone.
    std::string Line() const;
};

// Prints "lodemar-cli: <line>" on stderr, keeps the run's first failure
// and returns code.
int fail(const Failure& failure, int code = EXIT_FAILED);
int fail(const std::string& message, int code = EXIT_FAILED);
// A usage error of the named command, pointing at its --help.
int usageError(const char* command, const std::string& message);

// The run's first failure; null when nothing has failed.
const Failure* runFailure();

// An input file's name as messages show it: "-" is "standard input".
std::string shownInput(const std::string& path);

} // namespace lodemar::cli
