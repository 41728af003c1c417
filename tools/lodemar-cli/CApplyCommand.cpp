#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include "KeyboardComparison.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

namespace {

// Makes the keyboard hold a layout, writing only when it does not already:
// what a run on many terminals, again and again, needs.
class CApplyCommand final : public CCommand {
public:
    CApplyCommand()
        : CCommand("apply", "LAYOUT [--check] [--json] [--emulate[=MEMFILE]]",
            "Make the keyboard hold the layout: read it, compare, and only when they differ write the\n"
            "layout (with the read-back). The last line says \"changed\", \"unchanged\" or, with --check\n"
            "(read and compare only, never write), \"would change\". Exit status 0 when the keyboard\n"
            "holds the layout at the end, 3 when --check finds keys that differ.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        command.add_flag("--check", m_check);
        AddJsonResult(command);
        AddKeyboardChoice(command);
    }

    int Run() override
    {
        const std::string& file = Files()[0];
        Result()["layout"] = file;
        Result()["check"] = m_check;
        Result()["changed"] = false;
        Result()["written"] = false;
        keydata::KeyTable table;
        if (!loadWritableTable(file, table))
            return EXIT_FAILED;
        CKeyboardSession session;
        keydata::KeyboardContents keyboard;
        const bool talk = !JsonResult();
        if (!session.Open(Keyboard()) || !readKeyboard(session, keyboard, talk))
            return EXIT_FAILED;

        const KeyboardComparison compared = compareLayout(table, keyboard);
        Result()["changed"] = !compared.Same();
        Result()["differences"] = compared.json;
        const std::string shown = keylayout::displayText(shownInput(file), true);
        if (compared.Same()) {
            Say(format(text::APPLY_UNCHANGED, shown.c_str()));
            return EXIT_OK;
        }
        Say(compared.Heading(shown) + compared.lines);
        if (m_check) {
            Say(format(text::APPLY_WOULD_CHANGE, shown.c_str()));
            return EXIT_DIFFERS;
        }
        transfer::CKeyboardTransfer transfer(session.Channel());
        const transfer::WriteResult written = writeWithProgress(transfer, table, true, talk);
        Result()["written"] = written.packetsSent > 0;
        if (!written.Succeeded())
            return EXIT_FAILED;
        if (talk)
            std::cerr << transfer::text::WRITE_SUCCESS << '\n';
        Say(format(text::APPLY_CHANGED, shown.c_str()));
        return EXIT_OK;
    }

    // Text for people, unless the result is JSON.
    void Say(const std::string& text) const
    {
        if (!JsonResult())
            std::cout << text;
    }

    bool m_check = false;
};

} // namespace

std::unique_ptr<CCommand> newApplyCommand()
{
    return std::make_unique<CApplyCommand>();
}

} // namespace lodemar::cli
