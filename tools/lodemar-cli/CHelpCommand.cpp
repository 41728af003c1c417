#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include <lodemar/Format.h>

#include <iostream>

namespace lodemar::cli {

namespace {

class CHelpCommand final : public CCommand {
public:
    explicit CHelpCommand(const CommandList& commands)
        : CCommand("help", "[COMMAND]", "Print this help, or the usage of one command.")
        , m_commands(commands)
    {
    }

private:
    void AddOptions(CLI::App& command) override { command.add_option("COMMAND", m_asked); }

    int Run() override
    {
        const std::string& asked = m_asked;
        if (asked.empty()) {
            printProgramHelp(m_commands);
            return EXIT_OK;
        }
        for (const auto& command : m_commands)
            if (asked == command->Name()) {
                std::cout << command->Usage();
                return EXIT_OK;
            }
        return fail(format(text::UNKNOWN_COMMAND, asked.c_str()), EXIT_USAGE);
    }

    const CommandList& m_commands;
    std::string m_asked;
};

} // namespace

std::unique_ptr<CCommand> newHelpCommand(const CommandList& commands)
{
    return std::make_unique<CHelpCommand>(commands);
}

void printProgramHelp(const CommandList& commands)
{
    std::cout << text::USAGE_LINE << text::HELP_INTRO;
    for (const auto& command : commands) {
        std::cout << "  " << command->Name() << ' ' << command->Arguments() << '\n';
        const std::string summary = command->Summary();
        for (std::size_t at = 0, next; at < summary.size(); at = next + 1) {
            next = summary.find('\n', at);
            if (next == std::string::npos)
                next = summary.size();
            std::cout << "      " << summary.substr(at, next - at) << '\n';
        }
    }
    std::cout << format(text::HELP_OUTRO, installedDriverFolder().c_str()) << text::EXIT_STATUS_HELP;
}

} // namespace lodemar::cli
