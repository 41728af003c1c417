#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"
#include "KeyFileMessages.h"

#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

int runRead(const CliOptions& options)
{
    const char* self = commandNamed("read").name;
    if (!options.files.empty())
        return usageError(self, text::WRONG_ARGUMENTS);
    if (options.output.empty())
        return usageError(self, text::MISSING_OUTPUT);

    CKeyboardSession session;
    if (!session.Open(options.choice))
        return EXIT_FAILED;
    keydata::KeyTable table;
    transfer::CKeyboardTransfer transfer(session.Channel());
    const transfer::ReadResult read = transfer.Read(table);
    if (!read.Succeeded())
        return fail(readFailureText(read));
    // The table itself may be what goes to standard output.
    (options.output == STANDARD_STREAM ? std::cerr : std::cout) << transfer::text::READ_SUCCESS << '\n';
    return saveTableOrReport(options.output, table) ? EXIT_OK : EXIT_FAILED;
}

} // namespace lodemar::cli
