// Layouts named on the command line ("-": standard input), read into a
// fresh table; each prints its reason and returns false when it cannot.
#pragma once

#include <keydata/KeyTable.h>

#include <string>

namespace lodemar::cli {

// JSON only.
bool loadJsonOrReport(const std::string& path, keydata::KeyTable& table);

// A key data file (it begins with 0xFC) or JSON.
bool loadLayoutOrReport(const std::string& path, keydata::KeyTable& table);

} // namespace lodemar::cli
