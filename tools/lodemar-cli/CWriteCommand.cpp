#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"

#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

namespace {

class CWriteCommand final : public CCommand {
public:
    CWriteCommand()
        : CCommand("write", "LAYOUT [--no-verify] [--emulate[=MEMFILE]]",
            "Write the key table of the layout into the keyboard, with a progress bar on stderr, then read\n"
            "the keyboard back: the write has succeeded only when the keyboard holds the table\n"
            "(--no-verify leaves the read-back out). A table the keyboard cannot store faithfully is\n"
            "refused before anything is sent.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        command.add_flag(text::NO_VERIFY_OPTION, m_noVerify);
        AddKeyboardChoice(command);
    }

    int Run() override
    {
        keydata::KeyTable table;
        if (!loadWritableTable(Files()[0], table))
            return EXIT_FAILED;
        CKeyboardSession session;
        if (!session.Open(Keyboard()))
            return EXIT_FAILED;
        transfer::CKeyboardTransfer transfer(session.Channel());
        // The read-back that confirms the write can be left out.
        if (!writeWithProgress(transfer, table, !m_noVerify, true).Succeeded())
            return EXIT_FAILED;
        std::cout << transfer::text::WRITE_SUCCESS << '\n';
        return EXIT_OK;
    }

    bool m_noVerify = false;
};

} // namespace

std::unique_ptr<CCommand> newWriteCommand()
{
    return std::make_unique<CWriteCommand>();
}

} // namespace lodemar::cli
