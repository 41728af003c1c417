#include <keydata/KeyTable.h>

#include <algorithm>
#include <cassert>

namespace keydata {

namespace {

// Key number of every slot of rows 0..4, columns 0..18, as the keyboard
// is wired. Columns 0..11 follow 8 * (11 - column) + r; the right-hand
// block does not follow any rule.
constexpr std::uint8_t KEY_NUMBER_GRID[5][GRID_COLUMNS] = {
    { 93, 85, 77, 69, 61, 53, 45, 37, 29, 21, 13, 5, 79, 75, 76, 84, 68, 83, 87 },
    { 94, 86, 78, 70, 62, 54, 46, 38, 30, 22, 14, 6, 55, 51, 52, 63, 44, 67, 71 },
    { 88, 80, 72, 64, 56, 48, 40, 32, 24, 16, 8, 0, 47, 59, 92, 95, 36, 43, 39 },
    { 90, 82, 74, 66, 58, 50, 42, 34, 26, 18, 10, 2, 31, 91, 28, 35, 20, 27, 23 },
    { 89, 81, 73, 65, 57, 49, 41, 33, 25, 17, 9, 1, 7, 3, 4, 19, 12, 11, 15 },
};
// Row 5: key numbers 125 down to 120 in columns 0..5.
constexpr int ROW5_FIRST_KEY_NUMBER = 125;
constexpr int ROW5_KEYS = 6;

constexpr SlotCode slotCode(int row, int column)
{
    return static_cast<SlotCode>((row << 8) | column);
}

struct KeyNumberSlots {
    std::array<SlotCode, KEY_NUMBER_COUNT> slot {};
    constexpr KeyNumberSlots()
    {
        slot.fill(slotCode(SHARED_ROW, SHARED_COLUMN));
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < GRID_COLUMNS; ++column)
                slot[KEY_NUMBER_GRID[row][column]] = slotCode(row, column);
        for (int column = 0; column < ROW5_KEYS; ++column)
            slot[ROW5_FIRST_KEY_NUMBER - column] = slotCode(5, column);
    }
};
constexpr KeyNumberSlots KEY_NUMBER_SLOTS;

} // namespace

SlotCode slotOfKeyNumber(int keyNumber)
{
    if (keyNumber < 0 || keyNumber >= KEY_NUMBER_COUNT)
        return SLOT_NONE;
    return KEY_NUMBER_SLOTS.slot[static_cast<std::size_t>(keyNumber)];
}

GridSlot slotOfGridIndex(int gridIndex)
{
    if (gridIndex < 0 || gridIndex >= GRID_KEYS)
        return {};
    if (gridIndex < GRID_MAIN_KEYS)
        return { gridIndex / GRID_COLUMNS, gridIndex % GRID_COLUMNS };
    return { 5, gridIndex - GRID_MAIN_KEYS };
}

int keyNumberOfSlot(int row, int column)
{
    if (!isTableSlot(row, column))
        return -1;
    const SlotCode wanted = slotCode(row, column);
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n)
        if (KEY_NUMBER_SLOTS.slot[static_cast<std::size_t>(n)] == wanted)
            return n;
    return -1;
}

std::size_t KeyRecord::ContentLength() const
{
    const auto end = std::find(content.begin(), content.begin() + MAX_CONTENT, std::uint8_t { 0 });
    return static_cast<std::size_t>(end - content.begin());
}

bool operator==(const KeyRecord& a, const KeyRecord& b)
{
    if (a.kind != b.kind)
        return false;
    const auto x = a.Bytes();
    const auto y = b.Bytes();
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

KeyRecord& KeyTable::Record(int row, int column)
{
    assert(isTableSlot(row, column));
    return m_records[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

const KeyRecord& KeyTable::Record(int row, int column) const
{
    assert(isTableSlot(row, column));
    return m_records[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

KeyRecord& KeyTable::RecordOfKeyNumber(int keyNumber)
{
    const SlotCode slot = slotOfKeyNumber(keyNumber);
    assert(slot != SLOT_NONE);
    return Record(slotRow(slot), slotColumn(slot));
}

const KeyRecord& KeyTable::RecordOfKeyNumber(int keyNumber) const
{
    const SlotCode slot = slotOfKeyNumber(keyNumber);
    assert(slot != SLOT_NONE);
    return Record(slotRow(slot), slotColumn(slot));
}

int storeKey(KeyRecord& record, std::uint8_t kind, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > static_cast<std::size_t>(MAX_CONTENT))
        return KEYTABLE_E_TOO_LONG;
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t { 0 }) != bytes.end())
        return KEYTABLE_E_NUL_BYTE;
    if (bytes.empty()) {
        record.kind = KIND_EMPTY;
        std::fill(record.content.begin(), record.content.begin() + MAX_CONTENT, std::uint8_t { 0 });
        return KEYTABLE_OK;
    }
    record.kind = kind;
    std::copy(bytes.begin(), bytes.end(), record.content.begin());
    record.content[bytes.size()] = 0;
    return KEYTABLE_OK;
}

} // namespace keydata
