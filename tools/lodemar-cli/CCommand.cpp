#include "CCommand.h"

#include "CliTexts.h"
#include <lodemar/CommandLine.h>
#include <lodemar/Format.h>

#include <iostream>

namespace lodemar::cli {

namespace {

// Every --json result begins with these.
constexpr const char* RESULT_FORMAT_FIELD = "format";
constexpr const char* RESULT_FORMAT = "lodemar-cli-result";
constexpr const char* RESULT_VERSION_FIELD = "version";
constexpr int RESULT_VERSION = 1;
constexpr const char* RESULT_COMMAND_FIELD = "command";
constexpr const char* RESULT_OK_FIELD = "ok";
constexpr const char* RESULT_FAILURE_FIELD = "failure";

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

void CCommand::AddJsonResult(CLI::App& command)
{
    command.add_flag("--json", m_json);
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
    m_result = { { RESULT_FORMAT_FIELD, RESULT_FORMAT }, { RESULT_VERSION_FIELD, RESULT_VERSION },
        { RESULT_COMMAND_FIELD, m_name } };
    m_status = Start(line);
    if (m_json)
        PrintResult();
}

int CCommand::Start(const ProgramLine& line)
{
    if (line.emptyEmulate)
        return UsageError(text::EMPTY_MEMORY_FILE);
    if (line.emulate->count() > 0) {
        if (m_emulate == nullptr)
            return UsageError(text::WRONG_ARGUMENTS);
        m_keyboard = choiceOf(*line.emulate);
    }
    if (m_emulate != nullptr && m_emulate->count() > 0)
        m_keyboard = choiceOf(*m_emulate);
    return Run();
}

void CCommand::PrintResult()
{
    const Failure* failure = runFailure();
    m_result[RESULT_OK_FIELD] = failure == nullptr;
    if (failure != nullptr) {
        nlohmann::ordered_json& described = m_result[RESULT_FAILURE_FIELD];
        described["text"] = failure->text;
        if (!failure->reason.empty())
            described["reason"] = failure->reason;
    }
    // Names and texts from outside may hold any bytes: never a throw here.
    std::cout << m_result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

} // namespace lodemar::cli
