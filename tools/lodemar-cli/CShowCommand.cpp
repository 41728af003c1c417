#include "CCommand.h"
#include "CliTexts.h"
#include "KeyDescription.h"
#include "KeyFileMessages.h"
#include "LayoutInput.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <keydata/KeyboardFit.h>
#include <keydata/KeySettings.h>
#include <keydata/KeyText.h>
#include <keydata/WritePackets.h>

#include <iostream>
#include <vector>

namespace lodemar::cli {

namespace {

using keydata::KeyRecord;
using keydata::KeyTable;

std::string settingsLine(const char* name, std::uint8_t value, std::span<const keydata::SettingBit> bits)
{
    std::string line = format(text::SHOW_SETTINGS, name, value);
    std::uint8_t named = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        line += format(
            text::SHOW_BIT, bits[i].name, (value & bits[i].mask) ? text::SHOW_BIT_ON : text::SHOW_BIT_OFF);
        if (i + 1 < bits.size())
            line += ',';
        named |= bits[i].mask;
    }
    if (value & ~named)
        line += format(text::SHOW_OTHER_BITS, value & ~named);
    return line + '\n';
}

std::string keyLine(const KeyTable& table, const std::string& label, int row, int column)
{
    const KeyRecord& record = table.Record(row, column);
    std::string keyText;
    keydata::renderKeyText(record, keyText);
    const std::string slot = format("(%d,%d)", row, column);
    std::string line = format(text::SHOW_KEY_LINE, label.c_str(), keydata::keyNumberOfSlot(row, column),
        slot.c_str(), kindName(record.kind).c_str(), keylayout::displayText(keyText, true).c_str());
    // An empty key has no text: no trailing blanks.
    const auto end = line.find_last_not_of(" \n");
    line.erase(end + 1);
    return line + '\n';
}

// What the fit check says, a line each ("Keyboard write: ...").
std::vector<std::string> fitNotes(const keydata::KeyboardFit& fit)
{
    std::vector<std::string> notes;
    if (fit.overflowKey >= 0)
        notes.push_back(format(text::SHOW_NO_FIT, fit.dataUsed, fit.dataUsed - keydata::DATA_AREA_SIZE,
            keydata::keyNameForUser(fit.overflowKey).c_str()));
    if (fit.markerKey >= 0)
        notes.push_back(format(text::SHOW_MARKER, keydata::keyNameForUser(fit.markerKey).c_str()));
    if (fit.unknownKindKey >= 0)
        notes.push_back(format(text::SHOW_UNKNOWN_KIND, keydata::keyNameForUser(fit.unknownKindKey).c_str()));
    if (fit.droppedBytesKey >= 0)
        notes.push_back(format(text::SHOW_DROPPED, keydata::keyNameForUser(fit.droppedBytesKey).c_str()));
    if (fit.settingsBit7)
        notes.push_back(text::SHOW_BIT7);
    if (fit.Fits())
        notes.push_back(text::SHOW_FITS);
    for (std::string& note : notes)
        note.pop_back(); // the line end
    return notes;
}

nlohmann::ordered_json settingsJson(std::uint8_t value, std::span<const keydata::SettingBit> bits)
{
    nlohmann::ordered_json options = nlohmann::ordered_json::object();
    for (const keydata::SettingBit& bit : bits)
        options[bit.name] = (value & bit.mask) != 0;
    return { { "value", value }, { "options", options } };
}

} // namespace

namespace {

class CShowCommand final : public CCommand {
public:
    CShowCommand()
        : CCommand("show", "LAYOUT [--json]",
            "Print the settings with their option bits, every grid key (1..95, L, R, S, X, Z) and key\n"
            "number 120 with kind and key text, and the use of the keyboard's data area.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        AddJsonResult(command);
    }

    int Run() override
    {
        const std::string& file = Files()[0];
        Result()["layout"] = file;
        KeyTable table;
        std::size_t length = 0;
        if (!loadLayoutOrReport(file, table, &length))
            return EXIT_FAILED;

        // The grid keys, key number 120 and the shared slot (by its first key number).
        std::vector<std::pair<std::string, int>> keys;
        for (int g = 0; g < keydata::GRID_KEYS; ++g) {
            const keydata::GridSlot slot = keydata::slotOfGridIndex(g);
            std::string label;
            keydata::keyCaption(keydata::GRID_FIRST_CONTROL_ID + g, false, label);
            keys.emplace_back(label, keydata::keyNumberOfSlot(slot.row, slot.column));
        }
        keys.emplace_back(text::SHOW_NO_CAPTION, keydata::HIDDEN_KEY_NUMBER);
        keys.emplace_back(
            text::SHOW_NO_CAPTION, keydata::keyNumberOfSlot(keydata::SHARED_ROW, keydata::SHARED_COLUMN));
        const keydata::KeyboardFit fit = keydata::checkKeyboardFit(table);
        const std::vector<std::string> notes = fitNotes(fit);

        if (JsonResult()) {
            Result()["length"] = length;
            Result()["systemConfig"] = settingsJson(table.systemConfig, keydata::systemConfigBits());
            Result()["mcrConfig"] = settingsJson(table.mcrConfig, keydata::mcrConfigBits());
            nlohmann::ordered_json& listed = Result()["keys"] = nlohmann::ordered_json::array();
            for (const auto& [label, n] : keys)
                listed.push_back(keylayout::keyJson(n, table.RecordOfKeyNumber(n)));
            Result()["dataArea"]
                = { { "used", fit.dataUsed }, { "size", keydata::DATA_AREA_SIZE }, { "free", fit.dataFree } };
            Result()["keyboardWrite"] = { { "fits", fit.Fits() }, { "notes", notes } };
            return EXIT_OK;
        }
        std::string out
            = format(text::SHOW_FILE, keylayout::displayText(shownInput(file), true).c_str(), length);
        out += settingsLine("systemConfig", table.systemConfig, keydata::systemConfigBits());
        out += settingsLine("mcrConfig", table.mcrConfig, keydata::mcrConfigBits());
        out += '\n';
        out += text::SHOW_KEYS_HEADER;
        for (const auto& [label, n] : keys) {
            const keydata::SlotCode slot = keydata::slotOfKeyNumber(n);
            out += keyLine(table, label, keydata::slotRow(slot), keydata::slotColumn(slot));
        }
        out.insert(out.size() - 1, text::SHOW_SHARED_NOTE);
        out += '\n';
        out += format(text::SHOW_DATA_AREA, fit.dataUsed, keydata::DATA_AREA_SIZE, fit.dataFree);
        for (const std::string& note : notes)
            out += note + '\n';
        std::cout << out;
        return EXIT_OK;
    }
};

} // namespace

std::unique_ptr<CCommand> newShowCommand()
{
    return std::make_unique<CShowCommand>();
}

} // namespace lodemar::cli
