// lodemar-cli: the headless front end of the keyboard programming suite.
#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyboardSession.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

using namespace lodemar::cli;

namespace {

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
    std::cout << format(text::HELP_OUTRO, installedDriverFolder().c_str());
}

} // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // The same bytes as on Linux: lines end in a bare line feed.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
    // Options that choose the keyboard may stand before the command; they
    // are handed to it with its own arguments.
    Arguments leading;
    int at = 1;
    while (at < argc && isEmulateOption(argv[at]))
        leading.push_back(argv[at++]);
    if (at >= argc)
        return fail(text::NO_COMMAND, EXIT_USAGE);
    const std::string name = argv[at];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp();
        return EXIT_OK;
    }
    for (const CliCommand& command : commands()) {
        if (name != command.name)
            continue;
        Arguments arguments(argv + at + 1, argv + argc);
        arguments.insert(arguments.end(), leading.begin(), leading.end());
        if (helpRequested(command, arguments))
            return EXIT_OK;
        const int code = command.run(arguments);
        std::cout.flush();
        if (code == EXIT_OK && !std::cout)
            return fail(std::strerror(errno));
        return code;
    }
    return fail(format(text::UNKNOWN_COMMAND, name.c_str()), EXIT_USAGE);
}
