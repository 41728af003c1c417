#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"

namespace lodemar::cli {

int runWrite(const Arguments& given)
{
    KeyboardChoice choice;
    std::string file;
    int usageCode = EXIT_USAGE;
    if (!parseKeyboardFileArguments(commandNamed("write").name, given, choice, file, usageCode))
        return usageCode;
    keydata::KeyTable table;
    if (!loadWritableTable(file, table))
        return EXIT_FAILED;
    CKeyboardSession session;
    if (!session.Open(choice))
        return EXIT_FAILED;
    transfer::CKeyboardTransfer transfer(session.Channel());
    return writeWithProgress(transfer, table) ? EXIT_OK : EXIT_FAILED;
}

} // namespace lodemar::cli
