// The key data file on disk, one implementation per platform: opening a file
// for reading, and writing a whole file so that readers see either the old
// or the new contents.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace keydata::detail {

inline constexpr int FILE_OK = 0;
// Cannot be opened; for a save: the target may not be written, or the new
// file cannot be created.
inline constexpr int FILE_E_OPEN = -1;
inline constexpr int FILE_E_WRITE = -2; // writing, flushing or the final rename failed
inline constexpr int FILE_E_NOT_REGULAR = -3; // a folder, FIFO, device or socket: never opened for data

// Opens an existing regular file for binary reading; anything else is
// refused without waiting on it (a FIFO would block the open). systemError
// receives errno or GetLastError behind FILE_E_OPEN.
int openForReading(const std::string& path, std::FILE*& file, int& systemError);

// Writes bytes as the new contents of path (see keydata::writeFileContents).
// A target that exists must be a regular file the caller may write (checked
// by opening it for writing, so that the folder's permissions cannot be used
// to go around the file's). The new contents go to a new file beside the
// target, flushed to the disk and renamed over it, with the target's
// permissions and owner; a target with several hard links, or whose owner the
// new file could not be given, is written in place instead where that is
// safe. POSIX: links and planted files are refused as FILE_E_OPEN with
// EACCES. On a failure before the rename, path is left as it was.
// systemError receives errno or GetLastError of the failing call.
int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError);

} // namespace keydata::detail
