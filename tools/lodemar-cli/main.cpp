// lodemar-cli: the headless front end of the keyboard programming suite.
#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"
#include <lodemar/Format.h>

#include <lodemar/Version.h>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <iostream>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

using namespace lodemar::cli;
using lodemar::format;

namespace {

constexpr const char* EMULATE_OPTION = "--emulate";
// A flag that may carry a value (--emulate=MEMFILE); alone it gives this.
constexpr const char* EMULATE_FLAG = "--emulate{\x01}";
constexpr const char* EMULATE_DEFAULT = "\x01";

void printHelp()
{
    std::cout << text::USAGE_LINE << text::HELP_INTRO;
    for (const CliCommand& command : commands()) {
        std::cout << "  " << command.name << ' ' << command.usage << '\n';
        std::string summary = command.summary;
        for (std::size_t at = 0, next; at < summary.size(); at = next + 1) {
            next = summary.find('\n', at);
            if (next == std::string::npos)
                next = summary.size();
            std::cout << "      " << summary.substr(at, next - at) << '\n';
        }
    }
    std::cout << format(text::HELP_OUTRO, installedDriverFolder().c_str()) << text::EXIT_STATUS_HELP;
}

// The keyboard an --emulate flag chose (the last one given counts).
KeyboardChoice choiceOf(const CLI::Option* emulate)
{
    KeyboardChoice choice;
    if (emulate->count() == 0)
        return choice;
    choice.emulate = true;
    const std::string value = emulate->results().back();
    if (value != EMULATE_DEFAULT)
        choice.memoryFile = value;
    return choice;
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
int reportParseError(const CLI::App& app, const CLI::ParseError& error)
{
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const CLI::App& where = chosen.empty() ? app : *chosen.front();
    std::string extra;
    const std::vector<std::string> remaining = where.remaining();
    if (!remaining.empty())
        extra = remaining.front();
    if (chosen.empty()) {
        if (!extra.empty() && extra[0] != '-')
            return fail(format(text::UNKNOWN_COMMAND, extra.c_str()), EXIT_USAGE);
        if (!extra.empty())
            return fail(
                format(text::UNKNOWN_OPTION, extra.c_str()) + "; try 'lodemar-cli --help'", EXIT_USAGE);
        return fail(std::string(error.what()) + "; try 'lodemar-cli --help'", EXIT_USAGE);
    }
    const std::string name = where.get_name();
    if (!extra.empty() && extra.size() > 1 && extra[0] == '-')
        return usageError(name.c_str(), format(text::UNKNOWN_OPTION, extra.c_str()));
    if (!extra.empty())
        return usageError(name.c_str(), text::WRONG_ARGUMENTS);
    return usageError(name.c_str(), error.what());
}

} // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // The same bytes as on Linux: lines end in a bare line feed, and key
    // data files pass through standard input and output unchanged.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
    if (argc >= 2 && std::strcmp(argv[1], "help") == 0) {
        printHelp();
        return EXIT_OK;
    }

    CLI::App app(text::HELP_INTRO, text::PROGRAM);
    app.set_help_flag(); // our own texts, below
    app.set_version_flag();
    bool help = false;
    bool version = false;
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);
    // Options that choose the keyboard may stand before the command.
    CLI::Option* leadingEmulate = app.add_flag(EMULATE_FLAG);

    struct Parsed {
        const CliCommand* command;
        CLI::App* app;
        CliOptions options;
        CLI::Option* emulate = nullptr;
        bool help = false;
    };
    std::vector<Parsed> parsed;
    parsed.reserve(commands().size());
    for (const CliCommand& command : commands()) {
        parsed.push_back({ &command, nullptr, {}, nullptr, false });
        Parsed& entry = parsed.back();
        CLI::App* sub = app.add_subcommand(command.name, command.summary);
        sub->set_help_flag();
        sub->add_flag("-h,--help", entry.help);
        sub->add_option("FILE", entry.options.files);
        if (command.options & TAKES_OUTPUT)
            sub->add_option("-o,--output", entry.options.output);
        if (command.options & TAKES_EMULATE)
            entry.emulate = sub->add_flag(EMULATE_FLAG);
        if (command.options & TAKES_NO_VERIFY)
            sub->add_flag("--no-verify", entry.options.noVerify);
        if (command.options & TAKES_KEYBOARD)
            sub->add_flag("--keyboard", entry.options.keyboard);
        entry.app = sub;
    }

    const bool emptyEmulate = emptyEmulateValue(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Asking for help wins over the rest of the line.
        for (Parsed& entry : parsed)
            if (entry.help) {
                std::cout << commandUsage(*entry.command);
                return EXIT_OK;
            }
        if (help) {
            printHelp();
            return EXIT_OK;
        }
        return reportParseError(app, error);
    }

    Parsed* chosen = nullptr;
    for (Parsed& entry : parsed)
        if (entry.app->parsed())
            chosen = &entry;
    if (chosen != nullptr && chosen->help) {
        std::cout << commandUsage(*chosen->command);
        return EXIT_OK;
    }
    if (help) {
        printHelp();
        return EXIT_OK;
    }
    if (version) {
        std::cout << format(text::VERSION_LINE, text::PROGRAM, LODEMAR_VERSION);
        return EXIT_OK;
    }
    if (chosen == nullptr)
        return fail(text::NO_COMMAND, EXIT_USAGE);

    const char* self = chosen->command->name;
    if (emptyEmulate)
        return usageError(self, text::EMPTY_MEMORY_FILE);
    CliOptions& options = chosen->options;
    if (leadingEmulate->count() > 0) {
        if (chosen->emulate == nullptr)
            return usageError(self, text::WRONG_ARGUMENTS);
        options.choice = choiceOf(leadingEmulate);
    }
    if (chosen->emulate != nullptr && chosen->emulate->count() > 0)
        options.choice = choiceOf(chosen->emulate);

    const int code = chosen->command->run(options);
    std::cout.flush();
    if (code == EXIT_OK && !std::cout)
        return fail(std::strerror(errno));
    return code;
}
