#pragma once

#include <cstdint>
#include <string>

namespace lodemar::cli {

// "empty", "switch", "function", "string" or "kind N".
std::string kindName(std::uint8_t kind);

} // namespace lodemar::cli
