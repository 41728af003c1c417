// The byte sequences "Write to KB" sends, one device send each: a header,
// one packet per key number 0..127, and a finish packet. They lay the table
// out in the keyboard's memory: header at 0x000, a two-byte entry per key at
// 0x100 + 2n, the function and string contents from 0x200 on.
#pragma once

#include <keydata/KeyTable.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace keydata {

inline constexpr std::size_t HEADER_PACKET_LENGTH = 8;
inline constexpr std::size_t FINISH_PACKET_LENGTH = 2;
inline constexpr std::size_t KEY_PACKET_ENTRY_LENGTH = 6; // empty and switch keys
inline constexpr std::size_t KEY_PACKET_DATA_OVERHEAD = 11; // function and string keys: + content
inline constexpr std::size_t MAX_PACKET_LENGTH = KEY_PACKET_DATA_OVERHEAD + MAX_CONTENT; // 266
inline constexpr std::size_t DATA_AREA_SIZE = DATA_AREA_END - DATA_AREA_BASE; // 3584

struct WritePacket {
    std::array<std::uint8_t, MAX_PACKET_LENGTH> bytes {};
    std::size_t length = 0;
    std::span<const std::uint8_t> View() const { return { bytes.data(), length }; }
};

// An address below 0x1000 as the keyboard takes it: two bytes below 0x80,
// (A >> 8) | ((A >> 1) & 0x40), then A & 0x7F.
std::array<std::uint8_t, 2> addressPair(std::uint16_t address);

// 0xE8 0x00 0x00 0xE7 0xAA 0x55 and the settings masked to 7 bits.
WritePacket headerPacket(std::uint8_t systemConfig, std::uint8_t mcrConfig);

inline constexpr int PACKET_OK = 0;
inline constexpr int PACKET_E_KEY_NUMBER = -1; // not 0..127
inline constexpr int PACKET_E_DATA_AREA = -2; // the content would not lie within 0x200..0xFFF

// The packet of key number n for the record at slotOfKeyNumber(n).
// dataAddress is the running data address D: start with DATA_AREA_BASE; it
// advances past the content and its 0x00 for function and string keys.
// Kinds above 3 are written as empty keys. A content that would pass the
// end of the data area is refused (its address cannot be expressed in the
// entry) and D is left as it was; checkKeyboardFit tells this beforehand.
[[nodiscard]] int keyPacket(
    const KeyTable& table, int keyNumber, std::uint16_t& dataAddress, WritePacket& packet);

// 0xED 0x00.
WritePacket finishPacket();

} // namespace keydata
