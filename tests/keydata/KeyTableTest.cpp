#include <keydata/KeyTable.h>

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace keydata;

namespace {

SlotCode slot(int row, int column)
{
    return static_cast<SlotCode>(row << 8 | column);
}

} // namespace

TEST(KeyNumbering, EveryKeyNumberHasAnInTableSlotAndTheGridSlotsAreDistinct)
{
    std::set<SlotCode> ownSlots;
    int shared = 0;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const SlotCode s = slotOfKeyNumber(n);
        ASSERT_TRUE(isTableSlot(slotRow(s), slotColumn(s))) << n;
        if (s == slot(SHARED_ROW, SHARED_COLUMN))
            ++shared;
        else
            EXPECT_TRUE(ownSlots.insert(s).second) << "key number " << n << " shares a slot";
    }
    EXPECT_EQ(shared, 27);
    EXPECT_EQ(ownSlots.size(), 101u); // the 100 grid keys and key number 120
}

TEST(KeyNumbering, FixedPointsOfTheTable)
{
    // Columns 0..11 follow 8 * (11 - column) + r with r = 5, 6, 0, 2, 1.
    const int r[5] = { 5, 6, 0, 2, 1 };
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 12; ++column)
            EXPECT_EQ(slotOfKeyNumber(8 * (11 - column) + r[row]), slot(row, column));
    EXPECT_EQ(slotOfKeyNumber(79), slot(0, 12));
    EXPECT_EQ(slotOfKeyNumber(87), slot(0, 18));
    EXPECT_EQ(slotOfKeyNumber(95), slot(2, 15));
    EXPECT_EQ(slotOfKeyNumber(15), slot(4, 18));
    EXPECT_EQ(slotOfKeyNumber(125), slot(5, 0));
    EXPECT_EQ(slotOfKeyNumber(121), slot(5, 4));
    EXPECT_EQ(slotOfKeyNumber(HIDDEN_KEY_NUMBER), slot(5, 5));
    for (int n : { 60, 96, 107, 119, 126, 127 })
        EXPECT_EQ(slotOfKeyNumber(n), slot(SHARED_ROW, SHARED_COLUMN)) << n;
    EXPECT_EQ(slotOfKeyNumber(-1), SLOT_NONE);
    EXPECT_EQ(slotOfKeyNumber(128), SLOT_NONE);
}

TEST(KeyNumbering, GridIndexAndControlIds)
{
    EXPECT_EQ(slotOfGridIndex(0), (GridSlot { 0, 0 }));
    EXPECT_EQ(slotOfGridIndex(94), (GridSlot { 4, 18 }));
    EXPECT_EQ(slotOfGridIndex(95), (GridSlot { 5, 0 }));
    EXPECT_EQ(slotOfGridIndex(99), (GridSlot { 5, 4 }));
    for (int g : { 100, 127, 128, -1 })
        EXPECT_FALSE(slotOfGridIndex(g).IsValid()) << g;

    // Control id 1001 is key number 93, 1095 is 15, 1096 is 125, 1100 is 121.
    auto keyOfControl = [](int id) {
        const GridSlot s = slotOfGridIndex(id - GRID_FIRST_CONTROL_ID);
        return keyNumberOfSlot(s.row, s.column);
    };
    EXPECT_EQ(keyOfControl(1001), 93);
    EXPECT_EQ(keyOfControl(1095), 15);
    EXPECT_EQ(keyOfControl(1096), 125);
    EXPECT_EQ(keyOfControl(1100), 121);

    // The inverse the grid uses, 19 * row + column, holds for every key.
    for (int g = 0; g < GRID_KEYS; ++g) {
        const GridSlot s = slotOfGridIndex(g);
        EXPECT_EQ(GRID_COLUMNS * s.row + s.column, g);
    }
    EXPECT_EQ(keyNumberOfSlot(SHARED_ROW, SHARED_COLUMN), 60);
    EXPECT_EQ(keyNumberOfSlot(5, 6), -1);
    EXPECT_EQ(keyNumberOfSlot(0, 19), -1);
    EXPECT_EQ(keyNumberOfSlot(6, 0), -1);
}

TEST(KeyTable, FreshTableAndSharedRecords)
{
    KeyTable table;
    EXPECT_EQ(table.systemConfig, 0x03);
    EXPECT_EQ(table.mcrConfig, 0x0F);
    for (int row = 0; row < TABLE_ROWS; ++row)
        for (int column = 0; column < TABLE_COLUMNS; ++column) {
            EXPECT_EQ(table.Record(row, column).kind, KIND_EMPTY);
            EXPECT_EQ(table.Record(row, column).ContentLength(), 0u);
        }

    const std::uint8_t ab[] = { 'A', 'B' };
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(96), KIND_STRING, ab), KEYTABLE_OK);
    EXPECT_EQ(table.RecordOfKeyNumber(127), table.RecordOfKeyNumber(96));
    EXPECT_EQ(&table.RecordOfKeyNumber(60), &table.Record(SHARED_ROW, SHARED_COLUMN));
}

TEST(KeyTable, StoreKey)
{
    KeyRecord record;
    const std::uint8_t abc[] = { 'a', 'b', 'c' };
    ASSERT_EQ(storeKey(record, KIND_STRING, abc), KEYTABLE_OK);
    EXPECT_EQ(record.kind, KIND_STRING);
    EXPECT_EQ(record.ContentLength(), 3u);
    EXPECT_EQ(record.content[3], 0);

    // A shorter content is terminated; the stale tail is not part of the key.
    const std::uint8_t x[] = { 'x' };
    ASSERT_EQ(storeKey(record, KIND_STRING, x), KEYTABLE_OK);
    EXPECT_EQ(record.ContentLength(), 1u);
    KeyRecord fresh;
    ASSERT_EQ(storeKey(fresh, KIND_STRING, x), KEYTABLE_OK);
    EXPECT_EQ(record, fresh);

    // Empty result: kind 0 and the first 255 bytes zeroed.
    ASSERT_EQ(storeKey(record, KIND_FUNCTION, {}), KEYTABLE_OK);
    EXPECT_EQ(record.kind, KIND_EMPTY);
    for (int i = 0; i < MAX_CONTENT; ++i)
        ASSERT_EQ(record.content[static_cast<std::size_t>(i)], 0) << i;

    // 255 bytes fit; 256 and an embedded 0x00 are refused, record untouched.
    std::vector<std::uint8_t> full(MAX_CONTENT, 0x41);
    ASSERT_EQ(storeKey(record, KIND_STRING, full), KEYTABLE_OK);
    EXPECT_EQ(record.ContentLength(), 255u);
    const KeyRecord before = record;
    full.push_back(0x41);
    EXPECT_EQ(storeKey(record, KIND_STRING, full), KEYTABLE_E_TOO_LONG);
    const std::uint8_t nul[] = { 'a', 0, 'b' };
    EXPECT_EQ(storeKey(record, KIND_STRING, nul), KEYTABLE_E_NUL_BYTE);
    EXPECT_EQ(record, before);
}

TEST(KeyTable, ContentLengthNeverPassesTheLimit)
{
    KeyRecord record;
    record.kind = KIND_STRING;
    record.content.fill(0x41); // no terminator anywhere
    EXPECT_EQ(record.ContentLength(), 255u);
    EXPECT_FALSE(record.IsEmpty());
    record.kind = 7;
    EXPECT_TRUE(record.IsEmpty());
}
