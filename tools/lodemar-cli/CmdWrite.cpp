#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"
#include "KeyFileMessages.h"

namespace lodemar::cli {

int runWrite(const CliOptions& options)
{
    if (options.files.size() != 1)
        return usageError(commandNamed("write").name, text::WRONG_ARGUMENTS);
    keydata::KeyTable table;
    if (!loadWritableTable(options.files[0], table))
        return EXIT_FAILED;
    CKeyboardSession session;
    if (!session.Open(options.choice))
        return EXIT_FAILED;
    transfer::CKeyboardTransfer transfer(session.Channel());
    // The read-back that confirms the write can be left out.
    return writeWithProgress(transfer, table, !options.noVerify) ? EXIT_OK : EXIT_FAILED;
}

} // namespace lodemar::cli
