#include <keydata/KeyboardFit.h>
#include <keydata/WritePackets.h>

#include <gtest/gtest.h>

#include <vector>

using namespace keydata;
using Bytes = std::vector<std::uint8_t>;

namespace {

void setKey(KeyTable& table, int keyNumber, std::uint8_t kind, const Bytes& bytes)
{
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(keyNumber), kind, bytes), KEYTABLE_OK);
}

Bytes bytesOf(const WritePacket& packet)
{
    const auto view = packet.View();
    return Bytes(view.begin(), view.end());
}

Bytes packetOf(const KeyTable& table, int keyNumber, std::uint16_t& d)
{
    WritePacket packet;
    EXPECT_EQ(keyPacket(table, keyNumber, d, packet), PACKET_OK);
    return bytesOf(packet);
}

} // namespace

TEST(WritePackets, HeaderAndFinish)
{
    EXPECT_EQ(bytesOf(headerPacket(0x03, 0x0F)), (Bytes { 0xE8, 0x00, 0x00, 0xE7, 0xAA, 0x55, 0x03, 0x0F }));
    EXPECT_EQ(bytesOf(headerPacket(0xFF, 0x80)), (Bytes { 0xE8, 0x00, 0x00, 0xE7, 0xAA, 0x55, 0x7F, 0x00 }));
    EXPECT_EQ(bytesOf(finishPacket()), (Bytes { 0xED, 0x00 }));
}

TEST(WritePackets, AddressPair)
{
    EXPECT_EQ(addressPair(0x000), (std::array<std::uint8_t, 2> { 0x00, 0x00 }));
    EXPECT_EQ(addressPair(0x080), (std::array<std::uint8_t, 2> { 0x40, 0x00 }));
    EXPECT_EQ(addressPair(0x1FE), (std::array<std::uint8_t, 2> { 0x41, 0x7E }));
    EXPECT_EQ(addressPair(0xFFF), (std::array<std::uint8_t, 2> { 0x4F, 0x7F }));
}

TEST(WritePackets, StringKeyAndRunningDataAddress)
{
    KeyTable table;
    setKey(table, 0, KIND_STRING, { 'A', 'B' });
    setKey(table, 1, KIND_FUNCTION, { 0x1C });
    std::uint16_t d = DATA_AREA_BASE;
    EXPECT_EQ(packetOf(table, 0, d),
        (Bytes { 0xE8, 0x01, 0x00, 0xE7, 0x32, 0x00, 0xE8, 0x02, 0x00, 0xE7, 0x41, 0x42, 0x00 }));
    EXPECT_EQ(d, 0x203);
    EXPECT_EQ(packetOf(table, 1, d),
        (Bytes { 0xE8, 0x01, 0x02, 0xE7, 0x22, 0x03, 0xE8, 0x02, 0x03, 0xE7, 0x1C, 0x00 }));
    EXPECT_EQ(d, 0x205);
    // Empty keys take no data-area room.
    EXPECT_EQ(packetOf(table, 2, d), (Bytes { 0xE8, 0x01, 0x04, 0xE7, 0x00, 0x00 }));
    EXPECT_EQ(d, 0x205);
}

TEST(WritePackets, SwitchKeyAndEntryBits)
{
    KeyTable table;
    setKey(table, 70, KIND_SWITCH, { 5 });
    std::uint16_t d = DATA_AREA_BASE;
    EXPECT_EQ(packetOf(table, 70, d), (Bytes { 0xE8, 0x41, 0x0C, 0xE7, 0x10, 0x05 }));
    EXPECT_EQ(d, DATA_AREA_BASE);

    setKey(table, 127, KIND_FUNCTION, { 0x05 });
    d = 0x280;
    const Bytes packet = packetOf(table, 127, d);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 6), (Bytes { 0xE8, 0x41, 0x7E, 0xE7, 0x62, 0x00 }));
}

TEST(WritePackets, LongestPacketAndUnknownKinds)
{
    KeyTable table;
    setKey(table, 9, KIND_STRING, Bytes(255, 'w'));
    std::uint16_t d = DATA_AREA_BASE;
    WritePacket packet;
    ASSERT_EQ(keyPacket(table, 9, d, packet), PACKET_OK);
    EXPECT_EQ(packet.length, 266u);
    EXPECT_EQ(packet.bytes[265], 0x00);

    // A kind above 3 goes out as an empty key.
    table.RecordOfKeyNumber(9).kind = 6;
    d = DATA_AREA_BASE;
    EXPECT_EQ(packetOf(table, 9, d), (Bytes { 0xE8, 0x01, 0x12, 0xE7, 0x00, 0x00 }));
    EXPECT_EQ(d, DATA_AREA_BASE);
    EXPECT_EQ(keyPacket(table, 128, d, packet), PACKET_E_KEY_NUMBER);
}

TEST(WritePackets, ContentPastTheDataAreaIsRefused)
{
    KeyTable table;
    setKey(table, 0, KIND_STRING, Bytes(10, 'q'));
    WritePacket packet;
    std::uint16_t d = DATA_AREA_END - 11; // exactly room for 10 bytes and the terminator
    EXPECT_EQ(keyPacket(table, 0, d, packet), PACKET_OK);
    EXPECT_EQ(d, DATA_AREA_END);
    d = DATA_AREA_END - 10;
    EXPECT_EQ(keyPacket(table, 0, d, packet), PACKET_E_DATA_AREA);
    EXPECT_EQ(d, DATA_AREA_END - 10);
}

TEST(KeyboardFit, FreshTableAndUsage)
{
    KeyboardFit fit = checkKeyboardFit(KeyTable {});
    EXPECT_TRUE(fit.Fits());
    EXPECT_EQ(fit.dataUsed, 0u);
    EXPECT_EQ(fit.dataFree, 3584u);

    KeyTable table;
    setKey(table, 0, KIND_STRING, { 'A', 'B' });
    setKey(table, 60, KIND_FUNCTION, { 0x1C }); // written for all 27 key numbers of the shared slot
    setKey(table, 70, KIND_SWITCH, { 5 });
    fit = checkKeyboardFit(table);
    EXPECT_TRUE(fit.Fits());
    EXPECT_EQ(fit.dataUsed, 3u + 27u * 2u);
    EXPECT_EQ(fit.dataFree, 3584u - 57u);
}

TEST(KeyboardFit, DataAreaBoundaryAgreesWithThePackets)
{
    // 14 keys of 255 bytes take 14 * 256 = 3584 bytes: the whole area.
    KeyTable table;
    for (int n = 0; n < 14; ++n)
        setKey(table, n, KIND_STRING, Bytes(255, 'a'));
    KeyboardFit fit = checkKeyboardFit(table);
    EXPECT_TRUE(fit.Fits());
    EXPECT_EQ(fit.dataFree, 0u);

    std::uint16_t d = DATA_AREA_BASE;
    WritePacket packet;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n)
        ASSERT_EQ(keyPacket(table, n, d, packet), PACKET_OK) << n;

    setKey(table, 20, KIND_FUNCTION, { 0x1C });
    fit = checkKeyboardFit(table);
    EXPECT_EQ(fit.result, FIT_E_DATA_AREA);
    EXPECT_EQ(fit.overflowKey, 20);
    EXPECT_EQ(fit.dataUsed, 3586u);
    EXPECT_EQ(fit.dataFree, 0u);
    d = DATA_AREA_BASE;
    int refused = -1;
    for (int n = 0; n < KEY_NUMBER_COUNT && refused < 0; ++n)
        if (keyPacket(table, n, d, packet) != PACKET_OK)
            refused = n;
    EXPECT_EQ(refused, 20);
}

TEST(KeyboardFit, OtherReasons)
{
    KeyTable marker;
    setKey(marker, 8, KIND_STRING, { 'a', 0xFC });
    EXPECT_EQ(checkKeyboardFit(marker).result, FIT_E_MARKER_BYTE);
    EXPECT_EQ(checkKeyboardFit(marker).markerKey, 8);

    KeyTable unknown;
    unknown.RecordOfKeyNumber(33).kind = 4;
    EXPECT_EQ(checkKeyboardFit(unknown).result, FIT_E_UNKNOWN_KIND);
    EXPECT_EQ(checkKeyboardFit(unknown).unknownKindKey, 33);

    KeyTable dropped;
    setKey(dropped, 44, KIND_SWITCH, { 1, 2 });
    EXPECT_EQ(checkKeyboardFit(dropped).result, FIT_E_DROPPED_BYTES);
    EXPECT_EQ(checkKeyboardFit(dropped).droppedBytesKey, 44);

    KeyTable settings;
    settings.systemConfig = 0x83;
    EXPECT_EQ(checkKeyboardFit(settings).result, FIT_E_SETTINGS_BIT7);

    // Several problems: the data area comes first, the others are still named.
    KeyTable many = unknown;
    for (int n = 0; n < 15; ++n)
        setKey(many, n, KIND_STRING, Bytes(255, 'a'));
    const KeyboardFit fit = checkKeyboardFit(many);
    EXPECT_EQ(fit.result, FIT_E_DATA_AREA);
    EXPECT_EQ(fit.overflowKey, 14);
    EXPECT_EQ(fit.unknownKindKey, 33);
}
