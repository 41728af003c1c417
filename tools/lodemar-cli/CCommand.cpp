#include "CCommand.h"

#include "CliTexts.h"
#include <lodemar/CommandLine.h>
#include <lodemar/Format.h>

namespace lodemar::cli {

namespace {

// A flag that may carry a value (--emulate=MEMFILE); alone it gives this.
constexpr const char* EMULATE_FLAG = "--emulate{\x01}";
constexpr const char* EMULATE_DEFAULT = "\x01";

// The keyboard an --emulate flag chose (the last one given counts).
KeyboardChoice choiceOf(const CLI::Option& emulate)
{
    KeyboardChoice choice;
    choice.emulate = true;
    const std::string value = emulate.results().back();
    if (value != EMULATE_DEFAULT)
        choice.memoryFile = value;
    return choice;
}

} // namespace

CCommand::CCommand(const char* name, const char* arguments, const char* summary)
    : m_name(name)
    , m_arguments(arguments)
    , m_summary(summary)
{
}

std::string CCommand::Usage() const
{
    return format(text::COMMAND_USAGE, m_name, m_arguments, m_summary);
}

void CCommand::AddTo(CLI::App& program, const ProgramLine& line)
{
    m_command = addCommand(program, m_name, m_summary, m_help);
    AddOptions(*m_command);
    m_command->callback([this, &line] { OnParsed(line); });
}

bool CCommand::Chosen() const
{
    return m_command != nullptr && m_command->parsed();
}

void CCommand::AddFiles(CLI::App& command, int least, int most)
{
    CLI::Option* files = command.add_option("FILE", m_files)->expected(least, most);
    if (least > 0)
        files->required();
}

void CCommand::AddOutput(CLI::App& command)
{
    command.add_option("-o,--output", m_output);
}

void CCommand::AddKeyboardChoice(CLI::App& command)
{
    m_emulate = command.add_flag(EMULATE_FLAG);
}

int CCommand::UsageError(const std::string& message) const
{
    return usageError(m_name, message);
}

void CCommand::OnParsed(const ProgramLine& line)
{
    // Asking for help or the version wins over running.
    if (m_help || line.help || line.version)
        return;
    if (line.emptyEmulate) {
        m_status = UsageError(text::EMPTY_MEMORY_FILE);
        return;
    }
    if (line.emulate->count() > 0) {
        if (m_emulate == nullptr) {
            m_status = UsageError(text::WRONG_ARGUMENTS);
            return;
        }
        m_keyboard = choiceOf(*line.emulate);
    }
    if (m_emulate != nullptr && m_emulate->count() > 0)
        m_keyboard = choiceOf(*m_emulate);
    m_status = Run();
}

} // namespace lodemar::cli
