// vorelin: the card reader library from the command line.
#include "CVorelinCommand.h"
#include "VorelinTexts.h"

#include <lodemar/Version.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    CVorelinCommand command;
    std::string error;
    const bool parsed = command.Parse(args, error);
    if (command.HelpRequested()) {
        std::cout << VorelinTexts::USAGE;
        return EXIT_RESULT_OK;
    }
    if (command.VersionRequested()) {
        std::printf(VorelinTexts::VERSION, LODEMAR_VERSION);
        return EXIT_RESULT_OK;
    }
    if (!parsed) {
        std::cerr << "vorelin: " << error << "\n";
        if (args.size() < 2)
            std::cerr << VorelinTexts::USAGE;
        return EXIT_USAGE;
    }
    return command.Run(std::cout, std::cerr);
}
