// lodemar-cli: the headless front end of the keyboard programming suite.
#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include <lodemar/CommandLine.h>
#include <lodemar/Format.h>

#include <lodemar/Version.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

using namespace lodemar::cli;
using lodemar::format;

namespace {

constexpr const char* EMULATE_OPTION = "--emulate";
constexpr const char* LEADING_EMULATE_FLAG = "--emulate{\x01}";

void addCommands(CommandList& commands)
{
    commands.push_back(newShowCommand());
    commands.push_back(newExportCommand());
    commands.push_back(newImportCommand());
    commands.push_back(newDiffCommand());
    commands.push_back(newReadCommand());
    commands.push_back(newWriteCommand());
    commands.push_back(newVerifyCommand());
    commands.push_back(newProbeCommand());
    commands.push_back(newApplyCommand());
    commands.push_back(newHelpCommand(commands));
}

// "--emulate=" must not quietly become the default memory file, and CLI11
// cannot tell it from "--emulate": looked for before parsing.
bool emptyEmulateValue(int argc, char** argv)
{
    const std::string empty = std::string(EMULATE_OPTION) + "=";
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (argv[i] == empty)
            return true;
    return false;
}

// A parse error as one line of ours: the command concerned, what was wrong.
int reportParseError(const CLI::App& program, const CLI::ParseError& error)
{
    using lodemar::CommandLineProblem;
    const lodemar::CommandLineError problem = lodemar::commandLineError(program, error);
    if (problem.command.empty()) {
        switch (problem.problem) {
        case CommandLineProblem::UnknownCommand:
            return fail(format(text::UNKNOWN_COMMAND, problem.word.c_str()), EXIT_USAGE);
        case CommandLineProblem::UnknownOption:
            return fail(format(text::UNKNOWN_OPTION, problem.word.c_str()) + text::TRY_HELP, EXIT_USAGE);
        default:
            return fail(problem.detail + text::TRY_HELP, EXIT_USAGE);
        }
    }
    const char* name = problem.command.c_str();
    switch (problem.problem) {
    case CommandLineProblem::UnknownOption:
        return usageError(name, format(text::UNKNOWN_OPTION, problem.word.c_str()));
    case CommandLineProblem::UnknownCommand:
    case CommandLineProblem::WrongArguments:
        return usageError(name, text::WRONG_ARGUMENTS);
    default:
        return usageError(name, problem.detail);
    }
}

} // namespace

int main(int argc, char** argv)
try {
#if defined(_WIN32)
    // The same bytes as on Linux: lines end in a bare line feed, and key
    // data files pass through standard input and output unchanged.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
    CommandList commands;
    addCommands(commands);

    CLI::App program(text::HELP_INTRO, text::PROGRAM);
    ProgramLine line;
    lodemar::setUpParser(program, line.help);
    program.add_flag("--version", line.version);
    // One command a run: after it, a command's name is an argument.
    program.require_subcommand(0, 1);
    // Options that choose the keyboard may stand before the command.
    line.emulate = program.add_flag(LEADING_EMULATE_FLAG);
    line.emptyEmulate = emptyEmulateValue(argc, argv);
    for (const auto& command : commands)
        command->AddTo(program, line);

    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Asking for help wins over the rest of the line.
        for (const auto& command : commands)
            if (command->HelpAsked()) {
                std::cout << command->Usage();
                return EXIT_OK;
            }
        if (line.help) {
            printProgramHelp(commands);
            return EXIT_OK;
        }
        return reportParseError(program, error);
    }

    const CCommand* chosen = nullptr;
    for (const auto& command : commands)
        if (command->Chosen())
            chosen = command.get();
    if (chosen != nullptr && chosen->HelpAsked()) {
        std::cout << chosen->Usage();
        return EXIT_OK;
    }
    if (line.help) {
        printProgramHelp(commands);
        return EXIT_OK;
    }
    if (line.version) {
        std::cout << format(text::VERSION_LINE, text::PROGRAM, LODEMAR_VERSION);
        return EXIT_OK;
    }
    if (chosen == nullptr)
        return fail(text::NO_COMMAND, EXIT_USAGE);

    const int code = chosen->Status();
    std::cout.flush();
    if (code == EXIT_OK && !std::cout)
        return fail(std::strerror(errno));
    return code;
} catch (const std::exception& error) {
    // Out of memory, mostly: said as any failure is.
    return fail(error.what());
}
