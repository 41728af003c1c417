#include <lodemar/CommandLine.h>

#include <utility>
#include <vector>

namespace lodemar {

void setUpParser(CLI::App& program, bool& help)
{
    program.set_help_flag();
    program.set_version_flag();
    program.allow_windows_style_options(false);
    program.add_flag("-h,--help", help);
}

CLI::App* addCommand(CLI::App& program, const std::string& name, const std::string& summary, bool& help)
{
    CLI::App* command = program.add_subcommand(name, summary);
    command->set_help_flag();
    command->add_flag("-h,--help", help);
    return command;
}

CLI::Validator valueCheck(std::function<std::string(std::string& value)> check)
{
    return CLI::Validator(std::move(check), "");
}

CommandLineError commandLineError(const CLI::App& program, const CLI::ParseError& error)
{
    CommandLineError found;
    found.detail = error.what();
    const std::vector<CLI::App*> chosen = program.get_subcommands();
    const CLI::App& where = chosen.empty() ? program : *chosen.front();
    if (!chosen.empty())
        found.command = where.get_name();

    // An unknown option explains the rest of the line best.
    const std::vector<std::string> remaining = where.remaining();
    if (!remaining.empty() && remaining.front().size() > 1 && remaining.front()[0] == '-') {
        found.problem = CommandLineProblem::UnknownOption;
        found.word = remaining.front();
        return found;
    }
    // CLI11 puts the option's name in front of the check's text.
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
        found.problem = CommandLineProblem::BadValue;
        const auto colon = found.detail.find(": ");
        if (colon != std::string::npos)
            found.detail.erase(0, colon + 2);
        return found;
    }
    // "-o: 1 required TEXT missing", "FILE: At Most 1 required but received
    // 2": the option's or the arguments' name leads.
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        found.word = found.detail.substr(0, found.detail.find(':'));
        const bool option = !found.word.empty() && found.word[0] == '-';
        found.problem = option ? CommandLineProblem::MissingValue : CommandLineProblem::WrongArguments;
        return found;
    }
    if (!remaining.empty()) {
        found.word = remaining.front();
        if (chosen.empty() && !program.get_subcommands({}).empty())
            found.problem = CommandLineProblem::UnknownCommand;
        else
            found.problem = CommandLineProblem::WrongArguments;
        return found;
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)
        found.problem = CommandLineProblem::WrongArguments;
    return found;
}

} // namespace lodemar
