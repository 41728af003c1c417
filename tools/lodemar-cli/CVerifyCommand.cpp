#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include "KeyboardComparison.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <iostream>

namespace lodemar::cli {

namespace {

// Reads the keyboard and compares it with the layout; sends nothing else.
class CVerifyCommand final : public CCommand {
public:
    CVerifyCommand()
        : CCommand("verify", "LAYOUT [--json] [--emulate[=MEMFILE]]",
            "Read the keyboard and compare it with the key table of the layout, sending nothing else; list\n"
            "the keys that differ (exit status 3 when any do).")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        AddJsonResult(command);
        AddKeyboardChoice(command);
    }

    int Run() override
    {
        const std::string& file = Files()[0];
        Result()["layout"] = file;
        keydata::KeyTable table;
        if (!loadWritableTable(file, table))
            return EXIT_FAILED;
        CKeyboardSession session;
        keydata::KeyboardContents keyboard;
        if (!session.Open(Keyboard()) || !readKeyboard(session, keyboard, !JsonResult()))
            return EXIT_FAILED;

        const KeyboardComparison compared = compareLayout(table, keyboard);
        Result()["matches"] = compared.Same();
        Result()["differences"] = compared.json;
        const std::string shown = keylayout::displayText(shownInput(file), true);
        if (!JsonResult())
            std::cout << (compared.Same() ? format(text::VERIFY_SAME, shown.c_str())
                                          : compared.Heading(shown) + compared.lines);
        return compared.Same() ? EXIT_OK : EXIT_DIFFERS;
    }
};

} // namespace

std::unique_ptr<CCommand> newVerifyCommand()
{
    return std::make_unique<CVerifyCommand>();
}

} // namespace lodemar::cli
