#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyboardSession.h"
#include "KeyDescription.h"
#include "TableJson.h"

#include <keydata/KeyText.h>
#include <transfer/TransferTexts.h>

#include <iostream>

namespace lodemar::cli {

namespace {

std::string recordText(const keydata::KeyRecord& record)
{
    std::string keyText;
    keydata::renderKeyText(record, keyText);
    std::string line
        = format(text::VERIFY_RECORD, kindName(record.kind).c_str(), displayText(keyText, true).c_str());
    const auto end = line.find_last_not_of(' ');
    line.erase(end + 1);
    return line;
}

// Reads the keyboard back after the write and lists what differs.
int compareWithKeyboard(
    transfer::CKeyboardTransfer& transfer, const keydata::KeyTable& table, const std::string& file)
{
    keydata::KeyTable back;
    const transfer::ReadResult read = transfer.Read(back);
    if (!read.Succeeded())
        return fail(readFailureText(read));
    std::cout << transfer::text::READ_SUCCESS << '\n';

    // Per key number, as the keyboard holds them: the shared slot is
    // compared once for each of its key numbers.
    std::string lines;
    int keys = 0;
    for (int n = 0; n < keydata::KEY_NUMBER_COUNT; ++n) {
        const keydata::KeyRecord& wanted = table.recordOfKeyNumber(n);
        const keydata::KeyRecord& found = back.recordOfKeyNumber(n);
        if (wanted == found)
            continue;
        ++keys;
        const keydata::SlotCode slot = keydata::slotOfKeyNumber(n);
        const std::string where = format("(%d,%d)", keydata::slotRow(slot), keydata::slotColumn(slot));
        lines += format(
            text::VERIFY_KEY, n, where.c_str(), recordText(wanted).c_str(), recordText(found).c_str());
    }
    int settings = 0;
    const std::pair<const char*, std::pair<std::uint8_t, std::uint8_t>> bytes[] = {
        { "systemConfig", { table.systemConfig, back.systemConfig } },
        { "mcrConfig", { table.mcrConfig, back.mcrConfig } },
    };
    for (const auto& [name, values] : bytes) {
        if (values.first == values.second)
            continue;
        ++settings;
        lines += format(text::VERIFY_SETTING, name, values.first, values.second);
    }
    const std::string shown = displayText(file, true);
    if (keys == 0 && settings == 0) {
        std::cout << format(text::VERIFY_SAME, shown.c_str());
        return EXIT_OK;
    }
    std::cout << format(text::VERIFY_DIFFERS, keys, settings, shown.c_str()) << lines;
    return EXIT_DIFFERS;
}

} // namespace

int runVerify(const Arguments& given)
{
    return writeFileToKeyboard(commandNamed("verify").name, given, compareWithKeyboard);
}

} // namespace lodemar::cli
