// The key table as JSON:
//   {"systemConfig": int, "mcrConfig": int,
//    "keys": [{"keyNumber": n, "row": r, "column": c, "kind": k,
//              "content": "<lower-case hex>", "text": "<key text>"}, ...]}
#pragma once

#include <keydata/KeyTable.h>

#include <nlohmann/json.hpp>

#include <string>

namespace lodemar::cli {

// All 128 key numbers in order, one key object per line.
std::string exportJson(const keydata::KeyTable& table);

struct ImportProblem {
    std::string detail; // what is wrong
    int keyNumber = -1; // the key it concerns, when known
    long long entry = -1; // index into "keys" when the key number is not known
};

// Builds a table from JSON: only the settings, key numbers, kinds and
// contents count ("row", "column", "text" and anything else are ignored);
// keys not listed stay empty. Strict: the first problem is reported and
// the table is then of no use.
bool importJson(const nlohmann::json& document, keydata::KeyTable& table, ImportProblem& problem);

// Key text made safe for a terminal or JSON: the bytes are read as
// ISO-8859-1 and written as UTF-8; with escapeControls, control characters
// become \xHH.
std::string displayText(const std::string& raw, bool escapeControls);

} // namespace lodemar::cli
