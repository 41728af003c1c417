// The key table: the program's one in-memory model of what the keyboard
// holds, and the three numberings that meet in it (slot, key number, grid
// index).
#pragma once

#include <keydata/KeyboardProtocol.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace keydata {

inline constexpr int TABLE_ROWS = 6;
inline constexpr int TABLE_COLUMNS = 20;
inline constexpr std::size_t CONTENT_SIZE = MAX_CONTENT + 1; // content bytes and their terminator

// Result codes of the table operations.
inline constexpr int KEYTABLE_OK = 0;
inline constexpr int KEYTABLE_E_TOO_LONG = -1; // more than MAX_CONTENT bytes
inline constexpr int KEYTABLE_E_NUL_BYTE = -2; // a 0x00 inside the bytes would cut them short

struct KeyRecord {
    std::uint8_t kind = KIND_EMPTY;
    std::array<std::uint8_t, CONTENT_SIZE> content {};

    // Bytes before the terminator; never more than MAX_CONTENT, even when a
    // caller left no terminator in the first 255 bytes.
    std::size_t ContentLength() const;
    std::span<const std::uint8_t> Bytes() const { return { content.data(), ContentLength() }; }

    // Kinds 1..3 are shown and written; kind 0 and any kind above 3 are
    // shown (and written to the keyboard) as an empty key.
    bool IsEmpty() const { return kind < KIND_SWITCH || kind > KIND_STRING; }

    // Kind and the bytes before the terminator; what follows the terminator
    // is not part of the key.
    friend bool operator==(const KeyRecord& a, const KeyRecord& b);
};

// Slot as one 16-bit value: row in the high byte, column in the low byte.
using SlotCode = std::uint16_t;
inline constexpr SlotCode SLOT_NONE = 0xFFFF;
inline constexpr int slotRow(SlotCode slot)
{
    return slot >> 8;
}
inline constexpr int slotColumn(SlotCode slot)
{
    return slot & 0xFF;
}

// Key numbers without a slot of their own (60, 96..119, 126, 127) share
// this one; key number 120 lives in (5,5), which no grid key shows.
inline constexpr int SHARED_ROW = 5;
inline constexpr int SHARED_COLUMN = 18;
inline constexpr int HIDDEN_KEY_NUMBER = 120;

// Grid of key caps: 95 keys in five rows of 19, then five small keys.
inline constexpr int GRID_KEYS = 100;
inline constexpr int GRID_MAP_SIZE = 128;
inline constexpr int GRID_COLUMNS = 19;
inline constexpr int GRID_MAIN_KEYS = 95;
inline constexpr int GRID_FIRST_CONTROL_ID = 1001;
inline constexpr std::int32_t GRID_NO_KEY = 255;

struct GridSlot {
    std::int32_t row = GRID_NO_KEY;
    std::int32_t column = GRID_NO_KEY;
    bool IsValid() const { return row != GRID_NO_KEY; }
    friend bool operator==(const GridSlot&, const GridSlot&) = default;
};

// Key number 0..127 to its slot; SLOT_NONE for anything else.
SlotCode slotOfKeyNumber(int keyNumber);

// Grid index 0..127 to its slot; (255, 255) for 100..127 and anything else.
GridSlot slotOfGridIndex(int gridIndex);

// The key number of a slot, or -1 when no key number has it; for the shared
// slot the lowest of its key numbers (60).
int keyNumberOfSlot(int row, int column);

// True for row 0..5, column 0..19.
inline constexpr bool isTableSlot(int row, int column)
{
    return row >= 0 && row < TABLE_ROWS && column >= 0 && column < TABLE_COLUMNS;
}

// The keyboard's key table: a plain value type, 6 x 20 records and the two
// settings bytes. A fresh table is all empty with the default settings.
class KeyTable {
public:
    std::uint8_t systemConfig = DEFAULT_SYSTEM_CONFIG;
    std::uint8_t mcrConfig = DEFAULT_MCR_CONFIG;

    // row 0..5, column 0..19 (checked by assert; callers validate positions
    // that come from outside with isTableSlot).
    KeyRecord& Record(int row, int column);
    const KeyRecord& Record(int row, int column) const;

    // The record at slotOfKeyNumber(n); n must be 0..127.
    KeyRecord& RecordOfKeyNumber(int keyNumber);
    const KeyRecord& RecordOfKeyNumber(int keyNumber) const;

    friend bool operator==(const KeyTable&, const KeyTable&) = default;

private:
    std::array<std::array<KeyRecord, TABLE_COLUMNS>, TABLE_ROWS> m_records {};
};

// Stores what the key programming dialog composed: empty bytes make the
// record kind 0 with its first 255 content bytes zeroed; otherwise the kind
// and the bytes with their terminator. Bytes that cannot be held (more than
// 255, or a 0x00 among them) are refused and the record is left as it was.
[[nodiscard]] int storeKey(KeyRecord& record, std::uint8_t kind, std::span<const std::uint8_t> bytes);

} // namespace keydata
