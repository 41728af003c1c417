// The key table as JSON (format "lodemar-key-table", version 2; see
// docs/json-format.md):
//   {"$schema": JSON_SCHEMA_ID, "format": "lodemar-key-table", "version": 2,
//    "systemConfig": int, "mcrConfig": int,
//    "keys": [{"keyNumber": n, "caption": "1" or null, "row": r, "column": c, "kind": k,
//              "content": "<lower-case hex>",
//              "text": "<the characters>"          (string keys)
//              "display": "<key text>"}, ...]}      (other kinds, when they show any)
#pragma once

#include <keydata/KeyTable.h>

#include <nlohmann/json.hpp>

#include <string>

namespace keylayout {

inline constexpr const char* JSON_FORMAT_NAME = "lodemar-key-table";
inline constexpr int JSON_FORMAT_VERSION = 2;
// The JSON Schema of the format (docs/lodemar-key-table.schema.json), named
// by "$schema" in every exported layout.
inline constexpr const char* JSON_SCHEMA_ID = "https://lodemar.org/schemas/lodemar-key-table.schema.json";

// All 128 key numbers in order, one key object per line.
std::string exportJson(const keydata::KeyTable& table);

// A record as export writes it: kind, content, and text (string keys) or
// display (the others, when they show anything).
nlohmann::ordered_json recordJson(const keydata::KeyRecord& record);
// A key object of export: key number, caption, slot, then the record.
nlohmann::ordered_json keyJson(int keyNumber, const keydata::KeyRecord& record);

struct ImportProblem {
    std::string detail; // what is wrong
    int keyNumber = -1; // the key it concerns, when known
    long long entry = -1; // index into "keys" when the key number is not known
};

// Builds a table from JSON: only the settings, keys, kinds and contents
// count (a key named by keyNumber or caption, both given they must agree; a
// string key's "text" standing for its content; "row", "column", "display"
// and anything else are ignored); keys not listed stay empty. A document
// without "format" is read as the first version was, whose "text" was
// display text and whose "caption" named nothing. Strict: the first problem
// is reported and the table is then of no use.
[[nodiscard]] bool importJson(
    const nlohmann::json& document, keydata::KeyTable& table, ImportProblem& problem);

// Key text made safe for a terminal or JSON: the bytes are read as
// ISO-8859-1 and written as UTF-8; with escapeControls, control characters
// become \xHH.
std::string displayText(const std::string& raw, bool escapeControls);

} // namespace keylayout
