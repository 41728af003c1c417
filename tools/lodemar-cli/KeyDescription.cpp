#include "KeyDescription.h"

#include "CliTexts.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <keydata/KeyText.h>

namespace lodemar::cli {

std::string kindName(std::uint8_t kind)
{
    switch (kind) {
    case keydata::KIND_EMPTY:
        return text::SHOW_KIND_EMPTY;
    case keydata::KIND_SWITCH:
        return text::SHOW_KIND_SWITCH;
    case keydata::KIND_FUNCTION:
        return text::SHOW_KIND_FUNCTION;
    case keydata::KIND_STRING:
        return text::SHOW_KIND_STRING;
    default:
        return format(text::SHOW_KIND_UNKNOWN, kind);
    }
}

std::string recordText(const keydata::KeyRecord& record)
{
    std::string keyText;
    keydata::renderKeyText(record, keyText);
    std::string line = format(
        text::VERIFY_RECORD, kindName(record.kind).c_str(), keylayout::displayText(keyText, true).c_str());
    const auto end = line.find_last_not_of(' ');
    line.erase(end + 1);
    return line;
}

nlohmann::ordered_json keyDifferenceJson(
    int keyNumber, const std::string& name, const keydata::KeyRecord& from, const keydata::KeyRecord& to)
{
    std::string caption;
    keydata::keyNumberCaption(keyNumber, caption);
    return { { "keyNumber", keyNumber },
        { "caption", caption.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(caption) },
        { "name", name }, { "from", keylayout::recordJson(from) }, { "to", keylayout::recordJson(to) } };
}

nlohmann::ordered_json settingDifferenceJson(const char* name, std::uint8_t from, std::uint8_t to)
{
    return { { "name", name }, { "from", from }, { "to", to } };
}

} // namespace lodemar::cli
