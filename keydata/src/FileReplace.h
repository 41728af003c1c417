// Writing a whole file so that readers see either the old or the new
// contents, one implementation per platform.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace keydata::detail {

inline constexpr int REPLACE_OK = 0;
inline constexpr int REPLACE_E_CREATE = -1; // the new file could not be created
inline constexpr int REPLACE_E_WRITE = -2;  // writing, flushing or the final rename failed

// Writes bytes to a new file beside path, flushes it to the disk and renames
// it over path. On any failure the new file is removed and path is left as
// it was. A path that names something other than a regular file (a device
// such as /dev/full) cannot be replaced and is written in place instead.
// systemError receives errno or GetLastError of the failing call.
int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError);

} // namespace keydata::detail
