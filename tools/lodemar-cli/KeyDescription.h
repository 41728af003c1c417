#pragma once

#include <keydata/KeyTable.h>

#include <cstdint>
#include <string>

namespace lodemar::cli {

// "empty", "switch", "function", "string" or "kind N".
std::string kindName(std::uint8_t kind);
// The kind and the key text, safe for a terminal: "string 4011[Enter]", "empty".
std::string recordText(const keydata::KeyRecord& record);

} // namespace lodemar::cli
