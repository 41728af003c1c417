// The keyboard memory image: the marked byte stream that the keyboard sends
// on a read-out and that a .dat file holds.
//
//   FC systemConfig mcrConfig, then per key number n = 0..127:
//   FA n FB kind content..., and a final FD.
#pragma once

#include <keydata/KeyTable.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace keydata {

inline constexpr std::size_t IMAGE_GROUP_OVERHEAD = 4; // KEY_MARK n DATA_MARK kind
inline constexpr std::size_t IMAGE_EMPTY_LENGTH = 3 + KEY_NUMBER_COUNT * IMAGE_GROUP_OVERHEAD + 1; // 516
inline constexpr std::size_t IMAGE_CAPACITY = IMAGE_EMPTY_LENGTH + KEY_NUMBER_COUNT * MAX_CONTENT; // 33156
// Longest image decodeImage accepts (and the keyboard's read-out limit).
inline constexpr std::size_t IMAGE_DECODE_LIMIT = 8000;

// Length of the image encodeImage writes for this table.
std::size_t imageLength(const KeyTable& table);

// Writes the image (always all 128 groups, ended by END_MARK) and returns
// its length. When out is shorter than imageLength(table) nothing is
// written and 0 is returned; IMAGE_CAPACITY bytes always suffice.
std::size_t encodeImage(const KeyTable& table, std::span<std::uint8_t> out);
std::vector<std::uint8_t> encodeImage(const KeyTable& table);

// Applies an image to the table: records and settings the image names are
// overwritten, all others keep their values. Returns false and changes
// nothing when the image is longer than IMAGE_DECODE_LIMIT. Markers may
// stand anywhere; look-ahead past the end reads 0x00 (never the memory
// behind the span).
[[nodiscard]] bool decodeImage(KeyTable& table, std::span<const std::uint8_t> image);

// What a keyboard holds, key number by key number: unlike a KeyTable, the 27
// key numbers of the shared slot each have a record of their own.
struct KeyboardContents {
    std::uint8_t systemConfig = DEFAULT_SYSTEM_CONFIG;
    std::uint8_t mcrConfig = DEFAULT_MCR_CONFIG;
    std::array<KeyRecord, KEY_NUMBER_COUNT> keys {};
};
// The same decoding into contents.
[[nodiscard]] bool decodeImage(KeyboardContents& contents, std::span<const std::uint8_t> image);

// Whether bytes hold the whole image that every write leaves in the
// keyboard: a complete group (KEY_MARK n DATA_MARK kind) for each key number
// 0..127, at most IMAGE_DECODE_LIMIT bytes ending in END_MARK. A read-out
// that broke off part-way (the driver closes the block with END_MARK after a
// time-out) lacks the groups after the break. A break inside the contents of
// key number 127 cannot be told from a shorter content.
bool isWholeImage(std::span<const std::uint8_t> image);

// Whether the table's image decodes back into the same table.
inline constexpr int IMAGE_OK = 0;
inline constexpr int IMAGE_E_TOO_LONG = -1; // longer than IMAGE_DECODE_LIMIT: could not be loaded again
inline constexpr int IMAGE_E_MARKER_BYTE = -2; // a settings, kind or content byte of 0xFA or above

struct [[nodiscard]] ImageCheck {
    int result = IMAGE_OK;
    std::size_t length = 0; // imageLength of the table
    int keyNumber = -1; // IMAGE_E_MARKER_BYTE: first key concerned, -1 for a settings byte
    std::uint8_t value = 0; // IMAGE_E_MARKER_BYTE: the offending byte
};
ImageCheck checkImage(const KeyTable& table);

} // namespace keydata
