// The key data file (.dat): a keyboard memory image as encodeImage writes
// it, from its first byte up to and including its END_MARK. No header,
// version or checksum; recognised by SETTINGS_MARK at offset 0 and KEY_MARK
// at offset 3.
#pragma once

#include <keydata/KeyTable.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace keydata {

inline constexpr const char* KEY_FILE_EXTENSION = ".dat";
// Reading takes at most this much of a file; decodeImage refuses more than
// IMAGE_DECODE_LIMIT of it.
inline constexpr std::size_t KEY_FILE_READ_LIMIT = 10240;

inline constexpr int KEYFILE_OK = 0;
inline constexpr int KEYFILE_E_OPEN = -1; // load: cannot open; save: cannot be written or created
inline constexpr int KEYFILE_E_EMPTY = -2; // load: nothing to read
inline constexpr int KEYFILE_E_NOT_SAVE_FILE = -3; // load: first byte not 0xFC or fourth not 0xFA
inline constexpr int KEYFILE_E_TOO_LONG = -4; // load: over 8000 bytes; save: image over 8000 bytes
inline constexpr int KEYFILE_E_READ = -5; // load: the read failed part-way
inline constexpr int KEYFILE_E_WRITE = -6; // save: writing, flushing or replacing failed
inline constexpr int KEYFILE_E_MARKER_BYTE = -7; // save: a byte of 0xFA or above would read back as a marker
inline constexpr int KEYFILE_E_NOT_REGULAR = -8; // a folder, FIFO, device or socket: not touched

struct [[nodiscard]] KeyFileResult {
    int result = KEYFILE_OK;
    std::string path; // as given
    int systemError = 0; // errno (POSIX) or GetLastError (Windows) behind E_OPEN, E_READ, E_WRITE
    std::size_t length = 0; // bytes read or written; for E_TOO_LONG on save, the image length
    int keyNumber = -1; // E_MARKER_BYTE: the key concerned, -1 for a settings byte
    bool Ok() const { return result == KEYFILE_OK; }
};

// Reads the file and applies it to the table. The table changes only when
// the file is a save file of at most 8000 bytes; records the file does not
// name keep their values. Only regular files are read.
KeyFileResult loadKeyFile(const std::string& path, KeyTable& table);

// Same checks on bytes already in memory (what loadKeyFile applies after
// reading at most KEY_FILE_READ_LIMIT bytes).
[[nodiscard]] int applyKeyFileBytes(std::span<const std::uint8_t> bytes, KeyTable& table);

// Writes the table's image with writeFileContents. The table is refused, and
// nothing written, when the image could not be loaded again (over 8000
// bytes, or a byte that would be read as a marker).
KeyFileResult saveKeyFile(const std::string& path, const KeyTable& table);

// The one way the suite writes a file (key data files, JSON layouts): bytes
// become the whole new contents of path. An existing file must be a regular
// file the caller may write. It is replaced atomically, keeping its
// permissions and owner (a file with several hard links, or one whose owner
// a new file could not be given, is written in place where nobody but the
// caller can have put it); a failure before the replacement leaves the
// previous file as it was, and no failure reports success. A symbolic link
// is followed only where the kernel's protected_symlinks rule would follow
// it (root: only root's own links), and a file someone else left in a
// sticky folder others can write is not filled (protected_regular); both
// are refused as KEYFILE_E_OPEN with EACCES, the kernel's own answer.
KeyFileResult writeFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// The name with ".dat" appended unless it already ends in it (any case).
std::string withKeyFileExtension(const std::string& name);

} // namespace keydata
