// How lodemar-cli describes keys: a record's kind and text for people, and
// a key that differs between two tables for --json results.
#pragma once

#include <keydata/KeyTable.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace lodemar::cli {

// "empty", "switch", "function", "string" or "kind N".
std::string kindName(std::uint8_t kind);
// The kind and the key text, safe for a terminal: "string 4011[Enter]", "empty".
std::string recordText(const keydata::KeyRecord& record);

// {"keyNumber", "caption", "name", "from": record, "to": record}; name as
// messages name the key.
nlohmann::ordered_json keyDifferenceJson(
    int keyNumber, const std::string& name, const keydata::KeyRecord& from, const keydata::KeyRecord& to);
// {"name", "from", "to"} of a settings byte.
nlohmann::ordered_json settingDifferenceJson(const char* name, std::uint8_t from, std::uint8_t to);

} // namespace lodemar::cli
