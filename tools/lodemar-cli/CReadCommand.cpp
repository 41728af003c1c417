#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"

#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

namespace {

class CReadCommand final : public CCommand {
public:
    CReadCommand()
        : CCommand("read", "-o FILE.dat [--emulate[=MEMFILE]]",
            "Read the key table out of the keyboard and save it.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddOutput(command);
        AddKeyboardChoice(command);
    }

    int Run() override
    {
        if (Output().empty())
            return UsageError(text::MISSING_OUTPUT);
        CKeyboardSession session;
        if (!session.Open(Keyboard()))
            return EXIT_FAILED;
        keydata::KeyTable table;
        transfer::CKeyboardTransfer transfer(session.Channel());
        const transfer::ReadResult read = transfer.Read(table);
        if (!read.Succeeded())
            return fail(readFailure(read));
        // The table itself may be what goes to standard output.
        (Output() == STANDARD_STREAM ? std::cerr : std::cout) << transfer::text::READ_SUCCESS << '\n';
        return saveTableOrReport(Output(), table) ? EXIT_OK : EXIT_FAILED;
    }
};

} // namespace

std::unique_ptr<CCommand> newReadCommand()
{
    return std::make_unique<CReadCommand>();
}

} // namespace lodemar::cli
