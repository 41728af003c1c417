#include <keylayout/TableJson.h>

#include "KeyLayoutTexts.h"
#include <lodemar/Format.h>

#include <keydata/KeyText.h>

#include <array>
#include <optional>
#include <vector>

namespace keylayout {

using lodemar::format;

using keydata::KeyRecord;
using keydata::KeyTable;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr const char* FIELD_SCHEMA = "$schema";
constexpr const char* FIELD_FORMAT = "format";
constexpr const char* FIELD_VERSION = "version";
constexpr const char* FIELD_SYSTEM_CONFIG = "systemConfig";
constexpr const char* FIELD_MCR_CONFIG = "mcrConfig";
constexpr const char* FIELD_KEYS = "keys";
constexpr const char* FIELD_KEY_NUMBER = "keyNumber";
constexpr const char* FIELD_CAPTION = "caption";
constexpr const char* FIELD_ROW = "row";
constexpr const char* FIELD_COLUMN = "column";
constexpr const char* FIELD_KIND = "kind";
constexpr const char* FIELD_CONTENT = "content";
constexpr const char* FIELD_TEXT = "text";
constexpr const char* FIELD_DISPLAY = "display";

constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr int LAST_STORABLE_BYTE = keydata::FIRST_MARK - 1; // 0xF9

std::string hexOf(std::span<const std::uint8_t> bytes)
{
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += HEX_DIGITS[b >> 4];
        hex += HEX_DIGITS[b & 0x0F];
    }
    return hex;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// An integer field within [low, high], or nothing.
std::optional<int> intField(const json& object, const char* name, int low, int high)
{
    const auto it = object.find(name);
    if (it == object.end() || !it->is_number_integer())
        return std::nullopt;
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(high) || static_cast<long long>(value) < low)
            return std::nullopt;
        return static_cast<int>(value);
    }
    const auto value = it->get<std::int64_t>();
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

// The hexadecimal content of a key into bytes.
bool readContent(const json& content, std::vector<std::uint8_t>& bytes, std::string& problem)
{
    if (!content.is_string()) {
        problem = text::JSON_CONTENT_TYPE;
        return false;
    }
    const std::string& hex = content.get_ref<const std::string&>();
    if (hex.size() % 2 != 0) {
        problem = text::JSON_CONTENT_TYPE;
        return false;
    }
    if (hex.size() / 2 > static_cast<std::size_t>(keydata::MAX_CONTENT)) {
        problem = format(text::JSON_CONTENT_LONG, hex.size() / 2);
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            problem = text::JSON_CONTENT_TYPE;
            return false;
        }
        const int value = high << 4 | low;
        if (value == 0) {
            problem = format(text::JSON_CONTENT_NUL, i / 2);
            return false;
        }
        if (value > LAST_STORABLE_BYTE) {
            problem = format(text::JSON_CONTENT_MARKER, value, i / 2);
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

// A string key's text into bytes: each character is one byte (ISO-8859-1),
// U+0001..U+00F9. The JSON library has checked the UTF-8 already.
bool readText(const json& value, std::vector<std::uint8_t>& bytes, std::string& problem)
{
    if (!value.is_string()) {
        problem = text::JSON_TEXT_TYPE;
        return false;
    }
    const std::string& utf8 = value.get_ref<const std::string&>();
    bytes.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        unsigned codePoint = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            codePoint = codePoint << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        if (codePoint == 0 || codePoint > LAST_STORABLE_BYTE) {
            problem = format(text::JSON_TEXT_CHARACTER, codePoint, bytes.size());
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(codePoint));
        i += length;
    }
    if (bytes.size() > static_cast<std::size_t>(keydata::MAX_CONTENT)) {
        problem = format(text::JSON_TEXT_LONG, bytes.size());
        return false;
    }
    return true;
}

// A key's bytes: its content, or (format 2, string keys) its text; both
// given, they must agree.
bool readKeyBytes(
    const json& key, int kind, bool textCounts, std::vector<std::uint8_t>& bytes, std::string& problem)
{
    const auto content = key.find(FIELD_CONTENT);
    const auto characters = textCounts ? key.find(FIELD_TEXT) : key.end();
    if (characters != key.end() && kind != keydata::KIND_STRING) {
        problem = text::JSON_TEXT_KIND;
        return false;
    }
    if (content == key.end() && characters == key.end()) {
        problem = textCounts ? std::string(text::JSON_NO_CONTENT) : format(text::JSON_MISSING, FIELD_CONTENT);
        if (!textCounts && key.contains(FIELD_TEXT))
            problem = format(text::JSON_READ_AS_VERSION_1, problem.c_str(), FIELD_TEXT);
        return false;
    }
    if (content != key.end() && !readContent(*content, bytes, problem))
        return false;
    if (characters == key.end())
        return true;
    std::vector<std::uint8_t> fromText;
    if (!readText(*characters, fromText, problem))
        return false;
    if (content != key.end() && fromText != bytes) {
        problem = text::JSON_TEXT_DISAGREES;
        return false;
    }
    bytes = std::move(fromText);
    return true;
}

// Which version of the format the document is: 1 without "format".
bool readFormatVersion(const json& document, long long& version, std::string& problem)
{
    const auto name = document.find(FIELD_FORMAT);
    if (name == document.end()) {
        version = 1;
        return true;
    }
    if (!name->is_string() || name->get_ref<const std::string&>() != JSON_FORMAT_NAME) {
        problem = format(text::JSON_FORMAT, JSON_FORMAT_NAME);
        return false;
    }
    const auto number = document.find(FIELD_VERSION);
    if (number == document.end()) {
        problem = format(text::JSON_MISSING, FIELD_VERSION);
        return false;
    }
    if (!number->is_number_integer() || number->get<long long>() < 1) {
        problem = text::JSON_VERSION;
        return false;
    }
    version = number->get<long long>();
    if (version > JSON_FORMAT_VERSION) {
        problem = format(text::JSON_NEWER, version, JSON_FORMAT_VERSION);
        return false;
    }
    return true;
}

// The key number a key names: by keyNumber, or (version 2) by caption; both
// given, they must agree. A null caption (a key no key cap shows) names
// nothing.
bool readKeyNumber(const json& key, bool captionCounts, int& keyNumber, std::string& problem)
{
    const auto caption = key.find(FIELD_CAPTION);
    const bool captionGiven = caption != key.end() && !caption->is_null();
    int byCaption = -1;
    if (captionCounts && captionGiven) {
        if (caption->is_string())
            byCaption = keydata::keyNumberOfCaption(caption->get_ref<const std::string&>());
        if (byCaption < 0) {
            problem = text::JSON_CAPTION;
            return false;
        }
    }
    if (!key.contains(FIELD_KEY_NUMBER)) {
        keyNumber = byCaption;
        if (byCaption >= 0)
            return true;
        problem
            = captionCounts ? std::string(text::JSON_NO_KEY) : format(text::JSON_MISSING, FIELD_KEY_NUMBER);
        if (!captionCounts && captionGiven)
            problem = format(text::JSON_READ_AS_VERSION_1, problem.c_str(), FIELD_CAPTION);
        return false;
    }
    const auto number = intField(key, FIELD_KEY_NUMBER, 0, keydata::KEY_NUMBER_COUNT - 1);
    if (!number) {
        problem = text::JSON_KEY_NUMBER;
        return false;
    }
    if (byCaption >= 0 && byCaption != *number) {
        problem = format(
            text::JSON_CAPTION_DISAGREES, *number, caption->get_ref<const std::string&>().c_str(), byCaption);
        return false;
    }
    keyNumber = *number;
    return true;
}

void appendUtf8(std::string& out, unsigned codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The JSON library escapes C0 controls only: DEL and the C1 controls
// (U+0080..U+009F, C2 80..C2 9F in UTF-8) are escaped here alike. Those
// bytes occur in dumped JSON only inside strings.
std::string escapeControls(const std::string& dumped)
{
    std::string out;
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const auto b = static_cast<unsigned char>(dumped[i]);
        const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
        if (b == 0x7F) {
            out += format("\\u%04x", b);
        } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += format("\\u%04x", next);
            ++i;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

} // namespace

std::string displayText(const std::string& raw, bool escapeControls)
{
    std::string out;
    for (char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        const bool control = b < 0x20 || (b >= 0x7F && b < 0xA0);
        if (escapeControls && control)
            out += format("\\x%02X", b);
        else
            appendUtf8(out, b);
    }
    return out;
}

ordered_json recordJson(const KeyRecord& record)
{
    ordered_json object;
    object[FIELD_KIND] = record.kind;
    object[FIELD_CONTENT] = hexOf(record.Bytes());
    if (record.kind == keydata::KIND_STRING) {
        // Every byte as the character it stands for: text for content.
        const std::span<const std::uint8_t> bytes = record.Bytes();
        object[FIELD_TEXT] = displayText(std::string(bytes.begin(), bytes.end()), false);
    } else {
        std::string keyText;
        keydata::renderKeyText(record, keyText);
        if (!keyText.empty())
            object[FIELD_DISPLAY] = displayText(keyText, false);
    }
    return object;
}

ordered_json keyJson(int keyNumber, const KeyRecord& record)
{
    const keydata::SlotCode slot = keydata::slotOfKeyNumber(keyNumber);
    std::string caption;
    keydata::keyNumberCaption(keyNumber, caption);
    ordered_json key;
    key[FIELD_KEY_NUMBER] = keyNumber;
    key[FIELD_CAPTION] = caption.empty() ? ordered_json() : ordered_json(caption);
    key[FIELD_ROW] = keydata::slotRow(slot);
    key[FIELD_COLUMN] = keydata::slotColumn(slot);
    key.update(recordJson(record));
    return key;
}

std::string exportJson(const KeyTable& table)
{
    std::string out = "{\n";
    out += format("  \"%s\": \"%s\",\n", FIELD_SCHEMA, JSON_SCHEMA_ID);
    out += format("  \"%s\": \"%s\",\n", FIELD_FORMAT, JSON_FORMAT_NAME);
    out += format("  \"%s\": %d,\n", FIELD_VERSION, JSON_FORMAT_VERSION);
    out += format("  \"%s\": %d,\n", FIELD_SYSTEM_CONFIG, table.systemConfig);
    out += format("  \"%s\": %d,\n", FIELD_MCR_CONFIG, table.mcrConfig);
    out += format("  \"%s\": [\n", FIELD_KEYS);
    for (int n = 0; n < keydata::KEY_NUMBER_COUNT; ++n) {
        const ordered_json key = keyJson(n, table.RecordOfKeyNumber(n));
        out += "    " + escapeControls(key.dump());
        out += n + 1 < keydata::KEY_NUMBER_COUNT ? ",\n" : "\n";
    }
    out += "  ]\n}\n";
    return out;
}

bool importJson(const json& document, KeyTable& table, ImportProblem& problem)
{
    table = KeyTable {};
    if (!document.is_object()) {
        problem.detail = text::JSON_NOT_OBJECT;
        return false;
    }
    auto setting = [&](const char* name, std::uint8_t& out) {
        const auto value = intField(document, name, 0, LAST_STORABLE_BYTE);
        if (value)
            out = static_cast<std::uint8_t>(*value);
        else
            problem.detail = format(document.contains(name) ? text::JSON_SETTING : text::JSON_MISSING, name);
        return value.has_value();
    };
    long long version = 0;
    if (!readFormatVersion(document, version, problem.detail))
        return false;
    if (!setting(FIELD_SYSTEM_CONFIG, table.systemConfig) || !setting(FIELD_MCR_CONFIG, table.mcrConfig))
        return false;
    const auto keys = document.find(FIELD_KEYS);
    if (keys == document.end()) {
        problem.detail = format(text::JSON_MISSING, FIELD_KEYS);
        return false;
    }
    if (!keys->is_array()) {
        problem.detail = text::JSON_KEYS;
        return false;
    }

    std::array<bool, keydata::KEY_NUMBER_COUNT> seen {};
    int sharedBy = -1; // the first listed key number of the shared slot
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < keys->size(); ++i) {
        const json& key = (*keys)[i];
        problem.entry = static_cast<long long>(i);
        if (!key.is_object()) {
            problem.detail = text::JSON_KEY_OBJECT;
            return false;
        }
        const bool secondVersion = version >= JSON_FORMAT_VERSION;
        int n = -1;
        if (!readKeyNumber(key, secondVersion, n, problem.detail))
            return false;
        problem.keyNumber = n;
        if (seen[static_cast<std::size_t>(n)]) {
            problem.detail = text::JSON_DUPLICATE;
            return false;
        }
        seen[static_cast<std::size_t>(n)] = true;
        // Any kind a file can hold comes back, the unknown ones included.
        const auto kind = intField(key, FIELD_KIND, keydata::KIND_EMPTY, LAST_STORABLE_BYTE);
        if (!kind) {
            problem.detail = key.contains(FIELD_KIND) ? std::string(text::JSON_KIND)
                                                      : format(text::JSON_MISSING, FIELD_KIND);
            return false;
        }
        // The first version's text was display text: only content counted.
        if (!readKeyBytes(key, *kind, secondVersion, bytes, problem.detail))
            return false;

        // Set as given (not through storeKey), so that whatever a file can
        // hold, such as an empty function key, comes back unchanged.
        KeyRecord record;
        record.kind = static_cast<std::uint8_t>(*kind);
        std::copy(bytes.begin(), bytes.end(), record.content.begin());

        KeyRecord& target = table.RecordOfKeyNumber(n);
        const keydata::SlotCode slot = keydata::slotOfKeyNumber(n);
        const bool shared = keydata::slotRow(slot) == keydata::SHARED_ROW
            && keydata::slotColumn(slot) == keydata::SHARED_COLUMN;
        if (shared && sharedBy >= 0 && !(target == record)) {
            problem.detail = format(text::JSON_SHARED_CONFLICT, keydata::keyNameForUser(sharedBy).c_str());
            return false;
        }
        if (shared && sharedBy < 0)
            sharedBy = n;
        target = record;
    }
    problem = ImportProblem {};
    return true;
}

} // namespace keylayout
