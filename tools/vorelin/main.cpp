// vorelin: the card reader library from the command line.
#include "CVorelinCommand.h"
#include "VorelinTexts.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << VorelinTexts::USAGE;
            return EXIT_RESULT_OK;
        }
    }
    CVorelinCommand command;
    std::string error;
    if (!command.Parse(args, error)) {
        std::cerr << "vorelin: " << error << "\n";
        if (args.size() < 2)
            std::cerr << VorelinTexts::USAGE;
        return EXIT_USAGE;
    }
    return command.Run(std::cout, std::cerr);
}
