// Layouts named on the command line ("-": standard input), read into a
// fresh table; each prints its reason and returns false when it cannot.
#pragma once

#include <keydata/KeyTable.h>

#include <cstddef>
#include <string>

namespace lodemar::cli {

// JSON only.
bool loadJsonOrReport(const std::string& path, keydata::KeyTable& table);

// A key data file (it begins with 0xFC) or JSON; length, when given, is set
// to the bytes read.
bool loadLayoutOrReport(const std::string& path, keydata::KeyTable& table, std::size_t* length = nullptr);

} // namespace lodemar::cli
