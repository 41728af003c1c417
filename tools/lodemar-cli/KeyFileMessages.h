#pragma once

#include <keydata/KeyFile.h>
#include <keydata/KeyTable.h>

#include <string>

namespace lodemar::cli {

// Loads a key data file into a fresh table; prints the reason and returns
// false when it cannot.
bool loadTableOrReport(const std::string& path, keydata::KeyTable& table, std::size_t& length);

// The one-line reason of a failed save.
std::string saveFailureMessage(const keydata::KeyFileResult& result);

} // namespace lodemar::cli
