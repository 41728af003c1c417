#include "CCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"
#include "KeyDescription.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <keydata/KeyText.h>
#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

namespace {

std::string keyLabel(int keyNumber)
{
    std::string caption;
    keydata::keyNumberCaption(keyNumber, caption);
    return caption.empty() ? text::SHOW_NO_CAPTION : caption;
}

// Reads the keyboard and compares it with the file; sends nothing else.
class CVerifyCommand final : public CCommand {
public:
    CVerifyCommand()
        : CCommand("verify", "LAYOUT [--emulate[=MEMFILE]]",
            "Read the keyboard and compare it with the key table of the layout, sending nothing else; list\n"
            "the keys that differ (exit status 3 when any do).")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        AddKeyboardChoice(command);
    }

    int Run() override;
};

int CVerifyCommand::Run()
{
    const std::string& file = Files()[0];
    keydata::KeyTable table;
    if (!loadWritableTable(file, table))
        return EXIT_FAILED;
    CKeyboardSession session;
    if (!session.Open(Keyboard()))
        return EXIT_FAILED;
    transfer::CKeyboardTransfer transfer(session.Channel());
    keydata::KeyboardContents keyboard;
    const transfer::ReadResult read = transfer.Read(keyboard);
    if (!read.Succeeded())
        return fail(readFailure(read));
    // Status, not the result: the result alone goes to standard output.
    std::cerr << transfer::text::READ_SUCCESS << '\n';

    // Compared as the keyboard holds a written table, key number by key
    // number: each of the shared slot's key numbers on its own.
    const transfer::TableDifference difference = transfer::compareWithKeyboard(table, keyboard);
    std::string lines;
    for (const int n : difference.keyNumbers) {
        const keydata::SlotCode slot = keydata::slotOfKeyNumber(n);
        const std::string where = format("(%d,%d)", keydata::slotRow(slot), keydata::slotColumn(slot));
        lines += format(text::VERIFY_KEY, keyLabel(n).c_str(), n, where.c_str(),
            recordText(table.recordOfKeyNumber(n)).c_str(),
            recordText(keyboard.keys[static_cast<std::size_t>(n)]).c_str());
    }
    const std::pair<const char*, std::pair<std::uint8_t, std::uint8_t>> bytes[] = {
        { "systemConfig", { table.systemConfig, keyboard.systemConfig } },
        { "mcrConfig", { table.mcrConfig, keyboard.mcrConfig } },
    };
    const bool differs[] = { difference.systemConfig, difference.mcrConfig };
    int settings = 0;
    for (std::size_t i = 0; i < std::size(bytes); ++i) {
        if (!differs[i])
            continue;
        ++settings;
        lines += format(text::VERIFY_SETTING, bytes[i].first, bytes[i].second.first, bytes[i].second.second);
    }
    const std::string shown = keylayout::displayText(shownInput(file), true);
    if (difference.Empty()) {
        std::cout << format(text::VERIFY_SAME, shown.c_str());
        return EXIT_OK;
    }
    std::cout << format(
        text::VERIFY_DIFFERS, static_cast<int>(difference.keyNumbers.size()), settings, shown.c_str())
              << lines;
    return EXIT_DIFFERS;
}

} // namespace

std::unique_ptr<CCommand> newVerifyCommand()
{
    return std::make_unique<CVerifyCommand>();
}

} // namespace lodemar::cli
