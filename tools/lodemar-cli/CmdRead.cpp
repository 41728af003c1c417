#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyboardSession.h"
#include "KeyFileMessages.h"

#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

int runRead(const Arguments& given)
{
    const char* self = commandNamed("read").name;
    Arguments arguments = given;
    KeyboardChoice choice;
    std::string problem;
    if (!takeKeyboardChoice(arguments, choice, problem))
        return usageError(self, problem);
    std::string output;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" || argument == "--output") {
            if (i + 1 >= arguments.size())
                return usageError(self, text::MISSING_OUTPUT);
            output = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return usageError(self, format(text::UNKNOWN_OPTION, argument.c_str()));
        } else {
            return usageError(self, text::WRONG_ARGUMENTS);
        }
    }
    if (output.empty())
        return usageError(self, text::MISSING_OUTPUT);

    CKeyboardSession session;
    if (!session.Open(choice))
        return EXIT_FAILED;
    keydata::KeyTable table;
    transfer::CKeyboardTransfer transfer(session.Channel());
    const transfer::ReadResult read = transfer.Read(table);
    if (!read.Succeeded())
        return fail(readFailureText(read));
    std::cout << transfer::text::READ_SUCCESS << '\n';

    const keydata::KeyFileResult saved = keydata::saveKeyFile(output, table);
    if (!saved.ok())
        return fail(saveFailureMessage(saved));
    return EXIT_OK;
}

} // namespace lodemar::cli
