#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
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

// The keys (one record per slot, named by grid caption) and settings that
// differ, as lines and as --json's {"keys": [...], "settings": [...]};
// returns how many keys and settings bytes.
std::pair<int, int> differences(
    const KeyTable& a, const KeyTable& b, std::string& out, nlohmann::ordered_json& json)
{
    json = { { "keys", nlohmann::ordered_json::array() }, { "settings", nlohmann::ordered_json::array() } };
    int keys = 0;
    auto compare = [&](int row, int column, const std::string& name) {
        const KeyRecord& from = a.Record(row, column);
        const KeyRecord& to = b.Record(row, column);
        if (from == to)
            return;
        out += name + '\n';
        out += format(text::DIFF_OLD, recordText(from).c_str());
        out += format(text::DIFF_NEW, recordText(to).c_str());
        json["keys"].push_back(keyDifferenceJson(keydata::keyNumberOfSlot(row, column), name, from, to));
        ++keys;
    };
    for (int g = 0; g < keydata::GRID_KEYS; ++g) {
        const keydata::GridSlot slot = keydata::slotOfGridIndex(g);
        compare(
            slot.row, slot.column, keydata::keyNameForUser(keydata::keyNumberOfSlot(slot.row, slot.column)));
    }
    // The keys no key cap shows: key number 120 and the shared slot.
    const keydata::SlotCode hidden = keydata::slotOfKeyNumber(keydata::HIDDEN_KEY_NUMBER);
    compare(keydata::slotRow(hidden), keydata::slotColumn(hidden),
        keydata::keyNameForUser(keydata::HIDDEN_KEY_NUMBER));
    compare(keydata::SHARED_ROW, keydata::SHARED_COLUMN, text::DIFF_SHARED);
    int settings = 0;
    const std::tuple<const char*, std::uint8_t, std::uint8_t> bytes[] = {
        { "systemConfig", a.systemConfig, b.systemConfig },
        { "mcrConfig", a.mcrConfig, b.mcrConfig },
    };
    for (const auto& [name, from, to] : bytes) {
        if (from == to)
            continue;
        out += format(text::DIFF_SETTING, name, from, to);
        json["settings"].push_back(settingDifferenceJson(name, from, to));
        ++settings;
    }
    return { keys, settings };
}

// Compares two layouts (.dat or JSON), or the keyboard with one.
class CDiffCommand final : public CCommand {
public:
    CDiffCommand()
        : CCommand("diff", "[--json] A B | --keyboard B [--emulate[=MEMFILE]]",
            "List the keys (by grid caption, with both texts) and settings that differ between two layouts,\n"
            ".dat or JSON; --keyboard reads the keyboard as the first one. Exit status 0 when they are "
            "equal,\n"
            "1 when they differ, 4 when a layout could not be read.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 2);
        command.add_flag("--keyboard", m_keyboard);
        AddJsonResult(command);
        AddKeyboardChoice(command);
    }

    int Run() override;

    bool m_keyboard = false;
};

int CDiffCommand::Run()
{
    const std::vector<std::string>& files = Files();
    if (m_keyboard && files.size() != 1)
        return UsageError(text::KEYBOARD_AND_TWO_FILES);
    if (!m_keyboard && files.size() != 2)
        return UsageError(text::WRONG_ARGUMENTS);
    if (!m_keyboard && Keyboard().emulate)
        return UsageError(text::EMULATE_WITHOUT_KEYBOARD);
    if (files.size() == 2 && files[0] == STANDARD_STREAM && files[1] == STANDARD_STREAM)
        return UsageError(text::STANDARD_INPUT_TWICE);

    KeyTable from;
    KeyTable to;
    const std::string& last = files.back();
    Result()["from"] = m_keyboard ? nlohmann::ordered_json() : nlohmann::ordered_json(files[0]);
    Result()["to"] = last;
    if (!loadLayoutOrReport(last, to))
        return EXIT_NOT_COMPARED;
    std::string fromName;
    if (m_keyboard) {
        // The file first: a file that cannot be read starts no driver.
        CKeyboardSession session;
        if (!session.Open(Keyboard()))
            return EXIT_NOT_COMPARED;
        transfer::CKeyboardTransfer transfer(session.Channel());
        const transfer::ReadResult read = transfer.Read(from);
        if (!read.Succeeded())
            return fail(readFailure(read), EXIT_NOT_COMPARED);
        fromName = text::DIFF_KEYBOARD;
    } else {
        if (!loadLayoutOrReport(files[0], from))
            return EXIT_NOT_COMPARED;
        fromName = keylayout::displayText(shownInput(files[0]), true);
    }

    std::string lines;
    nlohmann::ordered_json json;
    const auto [keys, settings] = differences(from, to, lines, json);
    Result()["equal"] = keys == 0 && settings == 0;
    Result()["differences"] = json;
    if (keys == 0 && settings == 0)
        return EXIT_OK;
    if (!JsonResult())
        std::cout << format(text::DIFF_FROM, fromName.c_str())
                  << format(text::DIFF_TO, keylayout::displayText(shownInput(last), true).c_str()) << lines
                  << format(text::DIFF_SUMMARY, keys, settings);
    // As diff(1): different layouts are no failure of the command.
    return EXIT_FAILED;
}

} // namespace

std::unique_ptr<CCommand> newDiffCommand()
{
    return std::make_unique<CDiffCommand>();
}

} // namespace lodemar::cli
