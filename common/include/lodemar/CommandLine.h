// The command-line conventions of the suite's programs on CLI11, in one
// place: how a parser and its commands are set up (each program prints its
// own help and version texts; CLI11 prints nothing) and what a CLI11 parse
// error means in the programs' terms. Each program words a
// CommandLineError in its own texts.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace lodemar {

enum class CommandLineProblem {
    UnknownCommand, // a word where a command was expected
    UnknownOption, // an option the program or its command does not take
    WrongArguments, // too many or too few arguments
    MissingValue, // an option given without its value
    BadValue, // a value a check refused; detail is the check's own text
    Other, // anything else; detail is CLI11's text
};

struct CommandLineError {
    CommandLineProblem problem = CommandLineProblem::Other;
    std::string command; // the command concerned; empty for the program itself
    std::string word; // the unknown command or option, or the option without its value
    std::string detail;
};

// A program's parser: no CLI11 help, version or Windows-style options;
// -h and --help set help.
void setUpParser(CLI::App& program, bool& help);

// One of the program's commands, set up alike; its -h and --help set help.
CLI::App* addCommand(CLI::App& program, const std::string& name, const std::string& summary, bool& help);

// A check of an option's value in the program's own words: check returns an
// empty text for a good value, else what is wrong (CommandLineError::detail).
// It may rewrite the value (a number to its decimal form).
CLI::Validator valueCheck(std::function<std::string(std::string& value)> check);

// What went wrong with the line that program was given.
CommandLineError commandLineError(const CLI::App& program, const CLI::ParseError& error);

} // namespace lodemar
