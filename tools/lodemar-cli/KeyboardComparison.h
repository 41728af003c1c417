// What differs between a layout and what the keyboard holds, key number by
// key number as a written table is held (verify, apply), for people and for
// --json results.
#pragma once

#include <keydata/KeyImage.h>
#include <keydata/KeyTable.h>
#include <transfer/CKeyboardTransfer.h>

#include <nlohmann/json.hpp>

#include <string>

namespace lodemar::cli {

// Moving one may throw as moving a json may (its allocator's bad_alloc).
struct KeyboardComparison { // NOLINT(bugprone-exception-escape)
    transfer::TableDifference difference;
    int settings = 0; // settings bytes that differ
    std::string lines; // a line per key and settings byte that differ
    nlohmann::ordered_json json; // {"keys": [...], "settings": [...]}, "from" the keyboard "to" the layout

    bool Same() const { return difference.Empty(); }
    // "N of 128 key numbers and M settings bytes differ between LAYOUT and the keyboard:"
    std::string Heading(const std::string& layout) const;
};

KeyboardComparison compareLayout(const keydata::KeyTable& layout, const keydata::KeyboardContents& keyboard);

} // namespace lodemar::cli
