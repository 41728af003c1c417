// One command of lodemar-cli, declared in one place: its CLI11 subcommand
// (options, arguments and how many, help) and what it does, which the
// subcommand's callback runs once the whole line is parsed. Each command is
// the class of its own file (CShowCommand.cpp, ...); main() lists them. A
// command that takes --json fills its result object instead of printing
// text; the run prints it as one line, with "ok" and the failure.
#pragma once

#include "CliReport.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace lodemar::cli {

struct KeyboardChoice {
    bool emulate = false;
    std::string memoryFile; // empty with emulate: the default memory file
};

// What the program's own part of the line gave.
struct ProgramLine {
    bool help = false;
    bool version = false;
    CLI::Option* emulate = nullptr; // --emulate before the command
    bool emptyEmulate = false; // "--emulate=" anywhere on the line
};

class CCommand {
public:
    virtual ~CCommand() = default;
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    const char* Name() const { return m_name; }
    // The arguments after the name, and what the command does.
    const char* Arguments() const { return m_arguments; }
    const char* Summary() const { return m_summary; }
    // As "lodemar-cli NAME --help" prints it.
    std::string Usage() const;

    // Adds the command to the program's parser. Its callback runs the
    // command unless help or the version was asked for.
    void AddTo(CLI::App& program, const ProgramLine& line);
    bool Chosen() const;
    bool HelpAsked() const { return m_help; }
    // The exit status of the run.
    int Status() const { return m_status; }

protected:
    CCommand(const char* name, const char* arguments, const char* summary);

    virtual void AddOptions(CLI::App& command) = 0;
    // Runs the parsed command; returns the exit status.
    virtual int Run() = 0;

    // The options several commands take.
    void AddFiles(CLI::App& command, int least, int most);
    void AddOutput(CLI::App& command);
    void AddKeyboardChoice(CLI::App& command);
    void AddJsonResult(CLI::App& command);

    const std::vector<std::string>& Files() const { return m_files; }
    // -o FILE ("-": standard output); empty when not given.
    const std::string& Output() const { return m_output; }
    const KeyboardChoice& Keyboard() const { return m_keyboard; }
    // --json: the result goes to standard output as one JSON object.
    bool JsonResult() const { return m_json; }
    nlohmann::ordered_json& Result() { return m_result; }
    int UsageError(const std::string& message) const;

private:
    void OnParsed(const ProgramLine& line);
    int Start(const ProgramLine& line);
    void PrintResult();

    const char* m_name;
    const char* m_arguments;
    const char* m_summary;
    CLI::App* m_command = nullptr;
    bool m_help = false;
    int m_status = EXIT_OK;
    std::vector<std::string> m_files;
    std::string m_output;
    CLI::Option* m_emulate = nullptr;
    KeyboardChoice m_keyboard;
    bool m_json = false;
    nlohmann::ordered_json m_result;
};

using CommandList = std::vector<std::unique_ptr<CCommand>>;

// The commands, in the order --help lists them.
std::unique_ptr<CCommand> newShowCommand();
std::unique_ptr<CCommand> newExportCommand();
std::unique_ptr<CCommand> newImportCommand();
std::unique_ptr<CCommand> newDiffCommand();
std::unique_ptr<CCommand> newReadCommand();
std::unique_ptr<CCommand> newWriteCommand();
std::unique_ptr<CCommand> newVerifyCommand();
std::unique_ptr<CCommand> newProbeCommand();
std::unique_ptr<CCommand> newApplyCommand();
// commands: the list it is part of.
std::unique_ptr<CCommand> newHelpCommand(const CommandList& commands);

// The program's --help: its usage and every command's.
void printProgramHelp(const CommandList& commands);

} // namespace lodemar::cli
