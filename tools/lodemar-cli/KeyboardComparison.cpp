#include "KeyboardComparison.h"

#include "CliTexts.h"
#include "KeyDescription.h"
#include <lodemar/Format.h>

#include <keydata/KeyText.h>

namespace lodemar::cli {

namespace {

std::string keyLabel(int keyNumber)
{
    std::string caption;
    keydata::keyNumberCaption(keyNumber, caption);
    return caption.empty() ? text::SHOW_NO_CAPTION : caption;
}

} // namespace

std::string KeyboardComparison::Heading(const std::string& layout) const
{
    return format(
        text::VERIFY_DIFFERS, static_cast<int>(difference.keyNumbers.size()), settings, layout.c_str());
}

KeyboardComparison compareLayout(const keydata::KeyTable& layout, const keydata::KeyboardContents& keyboard)
{
    KeyboardComparison compared;
    compared.difference = transfer::compareWithKeyboard(layout, keyboard);
    compared.json
        = { { "keys", nlohmann::ordered_json::array() }, { "settings", nlohmann::ordered_json::array() } };
    for (const int n : compared.difference.keyNumbers) {
        const keydata::SlotCode slot = keydata::slotOfKeyNumber(n);
        const std::string where = format("(%d,%d)", keydata::slotRow(slot), keydata::slotColumn(slot));
        const keydata::KeyRecord& wanted = layout.RecordOfKeyNumber(n);
        const keydata::KeyRecord& held = keyboard.keys[static_cast<std::size_t>(n)];
        compared.lines += format(text::VERIFY_KEY, keyLabel(n).c_str(), n, where.c_str(),
            recordText(wanted).c_str(), recordText(held).c_str());
        compared.json["keys"].push_back(keyDifferenceJson(n, keydata::keyNameForUser(n), held, wanted));
    }
    const struct {
        const char* name;
        std::uint8_t wanted;
        std::uint8_t held;
        bool differs;
    } bytes[] = {
        { "systemConfig", layout.systemConfig, keyboard.systemConfig, compared.difference.systemConfig },
        { "mcrConfig", layout.mcrConfig, keyboard.mcrConfig, compared.difference.mcrConfig },
    };
    for (const auto& byte : bytes) {
        if (!byte.differs)
            continue;
        ++compared.settings;
        compared.lines += format(text::VERIFY_SETTING, byte.name, byte.wanted, byte.held);
        compared.json["settings"].push_back(settingDifferenceJson(byte.name, byte.held, byte.wanted));
    }
    return compared;
}

} // namespace lodemar::cli
