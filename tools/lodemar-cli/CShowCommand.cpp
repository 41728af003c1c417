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
    const KeyRecord& record = table.record(row, column);
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

std::string fitLines(const keydata::KeyboardFit& fit)
{
    std::string lines = format(text::SHOW_DATA_AREA, fit.dataUsed, keydata::DATA_AREA_SIZE, fit.dataFree);
    if (fit.overflowKey >= 0)
        lines += format(text::SHOW_NO_FIT, fit.dataUsed, fit.dataUsed - keydata::DATA_AREA_SIZE,
            keydata::keyNameForUser(fit.overflowKey).c_str());
    if (fit.markerKey >= 0)
        lines += format(text::SHOW_MARKER, keydata::keyNameForUser(fit.markerKey).c_str());
    if (fit.unknownKindKey >= 0)
        lines += format(text::SHOW_UNKNOWN_KIND, keydata::keyNameForUser(fit.unknownKindKey).c_str());
    if (fit.droppedBytesKey >= 0)
        lines += format(text::SHOW_DROPPED, keydata::keyNameForUser(fit.droppedBytesKey).c_str());
    if (fit.settingsBit7)
        lines += text::SHOW_BIT7;
    if (fit.fits())
        lines += text::SHOW_FITS;
    return lines;
}

} // namespace

namespace {

class CShowCommand final : public CCommand {
public:
    CShowCommand()
        : CCommand("show", "LAYOUT",
            "Print the settings with their option bits, every grid key (1..95, L, R, S, X, Z) and key\n"
            "number 120 with kind and key text, and the use of the keyboard's data area.")
    {
    }

private:
    void AddOptions(CLI::App& command) override { AddFiles(command, 1, 1); }

    int Run() override
    {
        KeyTable table;
        std::size_t length = 0;
        if (!loadLayoutOrReport(Files()[0], table, &length))
            return EXIT_FAILED;

        std::string out
            = format(text::SHOW_FILE, keylayout::displayText(shownInput(Files()[0]), true).c_str(), length);
        out += settingsLine("systemConfig", table.systemConfig, keydata::systemConfigBits());
        out += settingsLine("mcrConfig", table.mcrConfig, keydata::mcrConfigBits());
        out += '\n';
        out += text::SHOW_KEYS_HEADER;
        for (int g = 0; g < keydata::GRID_KEYS; ++g) {
            const keydata::GridSlot slot = keydata::slotOfGridIndex(g);
            std::string label;
            keydata::keyCaption(keydata::GRID_FIRST_CONTROL_ID + g, false, label);
            out += keyLine(table, label, slot.row, slot.column);
        }
        const keydata::SlotCode hidden = keydata::slotOfKeyNumber(keydata::HIDDEN_KEY_NUMBER);
        out += keyLine(table, text::SHOW_NO_CAPTION, keydata::slotRow(hidden), keydata::slotColumn(hidden));
        std::string shared
            = keyLine(table, text::SHOW_NO_CAPTION, keydata::SHARED_ROW, keydata::SHARED_COLUMN);
        shared.insert(shared.size() - 1, text::SHOW_SHARED_NOTE);
        out += shared;
        out += '\n';
        out += fitLines(keydata::checkKeyboardFit(table));
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
