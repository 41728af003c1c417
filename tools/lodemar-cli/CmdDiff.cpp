#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"
#include "KeyDescription.h"
#include "LayoutInput.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <keydata/KeyText.h>

#include <iostream>

namespace lodemar::cli {

namespace {

using keydata::KeyRecord;
using keydata::KeyTable;

void describeChange(std::string& out, const KeyRecord& from, const KeyRecord& to)
{
    out += format(text::DIFF_OLD, recordText(from).c_str());
    out += format(text::DIFF_NEW, recordText(to).c_str());
}

// The keys (one record per slot, named by grid caption) and settings that
// differ; returns how many keys and settings bytes.
std::pair<int, int> differences(const KeyTable& a, const KeyTable& b, std::string& out)
{
    int keys = 0;
    for (int g = 0; g < keydata::GRID_KEYS; ++g) {
        const keydata::GridSlot slot = keydata::slotOfGridIndex(g);
        const KeyRecord& from = a.record(slot.row, slot.column);
        const KeyRecord& to = b.record(slot.row, slot.column);
        if (from == to)
            continue;
        const int n = keydata::keyNumberOfSlot(slot.row, slot.column);
        out += format(text::DIFF_KEY, keydata::keyNameForUser(n).c_str(), n);
        describeChange(out, from, to);
        ++keys;
    }
    // The keys no key cap shows: key number 120 and the shared slot.
    const keydata::SlotCode hidden = keydata::slotOfKeyNumber(keydata::HIDDEN_KEY_NUMBER);
    const int hiddenRow = keydata::slotRow(hidden);
    const int hiddenColumn = keydata::slotColumn(hidden);
    if (!(a.record(hiddenRow, hiddenColumn) == b.record(hiddenRow, hiddenColumn))) {
        out += keydata::keyNameForUser(keydata::HIDDEN_KEY_NUMBER) + '\n';
        describeChange(out, a.record(hiddenRow, hiddenColumn), b.record(hiddenRow, hiddenColumn));
        ++keys;
    }
    const KeyRecord& sharedFrom = a.record(keydata::SHARED_ROW, keydata::SHARED_COLUMN);
    const KeyRecord& sharedTo = b.record(keydata::SHARED_ROW, keydata::SHARED_COLUMN);
    if (!(sharedFrom == sharedTo)) {
        out += text::DIFF_SHARED;
        describeChange(out, sharedFrom, sharedTo);
        ++keys;
    }
    int settings = 0;
    const std::tuple<const char*, std::uint8_t, std::uint8_t> bytes[] = {
        { "systemConfig", a.systemConfig, b.systemConfig },
        { "mcrConfig", a.mcrConfig, b.mcrConfig },
    };
    for (const auto& [name, from, to] : bytes) {
        if (from == to)
            continue;
        out += format(text::DIFF_SETTING, name, from, to);
        ++settings;
    }
    return { keys, settings };
}

} // namespace

// Compares two layouts (.dat or JSON), or the keyboard with one.
int runDiff(const CliOptions& options)
{
    const char* self = commandNamed("diff").name;
    if (options.keyboard && options.files.size() != 1)
        return usageError(self, text::KEYBOARD_AND_TWO_FILES);
    if (!options.keyboard && options.files.size() != 2)
        return usageError(self, text::WRONG_ARGUMENTS);
    if (!options.keyboard && options.choice.emulate)
        return usageError(self, text::EMULATE_WITHOUT_KEYBOARD);

    KeyTable from;
    KeyTable to;
    const std::string& last = options.files.back();
    if (!loadLayoutOrReport(last, to))
        return EXIT_NOT_COMPARED;
    std::string fromName;
    if (options.keyboard) {
        // The file first: a file that cannot be read starts no driver.
        CKeyboardSession session;
        if (!session.Open(options.choice))
            return EXIT_NOT_COMPARED;
        transfer::CKeyboardTransfer transfer(session.Channel());
        const transfer::ReadResult read = transfer.Read(from);
        if (!read.Succeeded())
            return fail(readFailureText(read), EXIT_NOT_COMPARED);
        fromName = text::DIFF_KEYBOARD;
    } else {
        if (!loadLayoutOrReport(options.files[0], from))
            return EXIT_NOT_COMPARED;
        fromName = keylayout::displayText(shownInput(options.files[0]), true);
    }

    std::string lines;
    const auto [keys, settings] = differences(from, to, lines);
    if (keys == 0 && settings == 0)
        return EXIT_OK;
    std::cout << format(text::DIFF_FROM, fromName.c_str())
              << format(text::DIFF_TO, keylayout::displayText(shownInput(last), true).c_str()) << lines
              << format(text::DIFF_SUMMARY, keys, settings);
    // As diff(1): different layouts are no failure of the command.
    return EXIT_FAILED;
}

} // namespace lodemar::cli
