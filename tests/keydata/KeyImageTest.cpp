#include <keydata/KeyImage.h>

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace keydata;
using Bytes = std::vector<std::uint8_t>;

namespace {

void setKey(KeyTable& table, int keyNumber, std::uint8_t kind, const Bytes& bytes)
{
    ASSERT_EQ(storeKey(table.RecordOfKeyNumber(keyNumber), kind, bytes), KEYTABLE_OK);
}

Bytes contentOf(const KeyTable& table, int keyNumber)
{
    const auto bytes = table.RecordOfKeyNumber(keyNumber).Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

// A table with random keys whose image stays decodable.
KeyTable randomTable(std::mt19937& random, std::size_t maxContent)
{
    KeyTable table;
    table.systemConfig = static_cast<std::uint8_t>(random() % 0x80);
    table.mcrConfig = static_cast<std::uint8_t>(random() % 0x80);
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const auto kind = static_cast<std::uint8_t>(random() % 4);
        Bytes bytes(kind == KIND_EMPTY ? 0 : 1 + random() % maxContent);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(1 + random() % 0xF9);
        setKey(table, n, kind, bytes);
    }
    return table;
}

} // namespace

TEST(EncodeImage, FreshTableIs516Bytes)
{
    const Bytes image = encodeImage(KeyTable {});
    ASSERT_EQ(image.size(), 516u);
    EXPECT_EQ(image[0], 0xFC);
    EXPECT_EQ(image[1], 0x03);
    EXPECT_EQ(image[2], 0x0F);
    for (int n = 0; n < 128; ++n) {
        const std::size_t at = 3 + 4 * static_cast<std::size_t>(n);
        EXPECT_EQ(
            Bytes(image.begin() + at, image.begin() + at + 4), (Bytes { 0xFA, std::uint8_t(n), 0xFB, 0x00 }));
    }
    EXPECT_EQ(image.back(), 0xFD);
}

TEST(EncodeImage, GroupsCarryTheSlotRecordAndLengthIsExact)
{
    KeyTable table;
    setKey(table, 0, KIND_STRING, { 'A', 'B' });
    setKey(table, 60, KIND_FUNCTION, { 0x14, 0x21 }); // the shared slot: 27 key numbers
    const Bytes image = encodeImage(table);
    EXPECT_EQ(image.size(), 516u + 2 + 27 * 2);
    EXPECT_EQ(image.size(), imageLength(table));
    EXPECT_EQ(Bytes(image.begin() + 3, image.begin() + 9), (Bytes { 0xFA, 0x00, 0xFB, 0x03, 0x41, 0x42 }));

    // A buffer one byte short is left untouched.
    Bytes small(image.size() - 1, 0x55);
    EXPECT_EQ(encodeImage(table, small), 0u);
    EXPECT_EQ(small, Bytes(image.size() - 1, 0x55));
}

TEST(EncodeImage, LargestImageFitsTheCapacity)
{
    KeyTable table;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n)
        setKey(table, n, KIND_STRING, Bytes(255, 'z'));
    Bytes out(IMAGE_CAPACITY);
    EXPECT_EQ(encodeImage(table, out), 33156u);
    EXPECT_EQ(out.back(), 0xFD);
}

TEST(DecodeImage, RoundTripsRandomTables)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 50; ++round) {
        const KeyTable table = randomTable(random, 40);
        Bytes image = encodeImage(table);
        ASSERT_LE(image.size(), IMAGE_DECODE_LIMIT);
        KeyTable decoded = randomTable(random, 10); // decoding overwrites every record the image names
        ASSERT_TRUE(decodeImage(decoded, image));
        ASSERT_EQ(decoded, table) << "round " << round;
        EXPECT_EQ(encodeImage(decoded), image);
    }
}

TEST(DecodeImage, SettingsCutShortByAMarker)
{
    KeyTable table;
    table.mcrConfig = 0x0A;
    ASSERT_TRUE(decodeImage(table, Bytes { 0xFC, 0x01, 0xFA, 0x02, 0xFB, 0x01, 0x07, 0xFD }));
    EXPECT_EQ(table.systemConfig, 0x01);
    EXPECT_EQ(table.mcrConfig, 0x0A);
    // The marker that cut the settings short is acted on.
    EXPECT_EQ(table.RecordOfKeyNumber(2).kind, KIND_SWITCH);
    EXPECT_EQ(contentOf(table, 2), Bytes { 0x07 });

    KeyTable other;
    ASSERT_TRUE(decodeImage(other, Bytes { 0xFC, 0xFD, 0x20 }));
    EXPECT_EQ(other.systemConfig, 0x03);
    EXPECT_EQ(other.mcrConfig, 0x0F);
}

TEST(DecodeImage, EmptyContentAndUntouchedKeys)
{
    KeyTable table;
    setKey(table, 5, KIND_STRING, { 'o', 'l', 'd' });
    setKey(table, 6, KIND_STRING, { 'k', 'e', 'e', 'p' });
    const KeyTable before = table;
    ASSERT_TRUE(decodeImage(table, Bytes { 0xFA, 0x05, 0xFB, 0x02, 0xFA, 0x07, 0xFB, 0x03, 'n', 0xFD }));
    EXPECT_EQ(table.RecordOfKeyNumber(5).kind, KIND_FUNCTION);
    EXPECT_EQ(table.RecordOfKeyNumber(5).ContentLength(), 0u);
    EXPECT_EQ(contentOf(table, 7), Bytes { 'n' });
    EXPECT_EQ(table.RecordOfKeyNumber(6), before.RecordOfKeyNumber(6));
    EXPECT_EQ(table.systemConfig, 0x03);
}

TEST(DecodeImage, ContentCapAndMarkersInOddPlaces)
{
    KeyTable table;
    Bytes image { 0xFA, 0x09, 0xFB, 0x03 };
    for (int i = 0; i < 300; ++i)
        image.push_back(static_cast<std::uint8_t>('a' + i % 26));
    // The 256th byte onwards is skipped, unmarked as it is, up to the next marker.
    image.insert(image.end(), { 0xFA, 0x0A, 0xFB, 0x03, 'q', 0xFD });
    ASSERT_TRUE(decodeImage(table, image));
    const Bytes nine = contentOf(table, 9);
    ASSERT_EQ(nine.size(), 255u);
    EXPECT_EQ(nine[254], static_cast<std::uint8_t>('a' + 254 % 26));
    EXPECT_EQ(contentOf(table, 10), Bytes { 'q' });

    // KEY_MARK followed by a marker: the marker is examined next.
    KeyTable t2;
    ASSERT_TRUE(decodeImage(t2, Bytes { 0xFA, 0xFA, 0x04, 0xFB, 0x03, 'x' }));
    EXPECT_EQ(contentOf(t2, 4), Bytes { 'x' });
    // DATA_MARK followed by a marker: no kind is stored.
    KeyTable t3;
    ASSERT_TRUE(decodeImage(t3, Bytes { 0xFA, 0x04, 0xFB, 0xFC, 0x11, 0x22 }));
    EXPECT_EQ(t3.RecordOfKeyNumber(4).kind, KIND_EMPTY);
    EXPECT_EQ(t3.systemConfig, 0x11);
    EXPECT_EQ(t3.mcrConfig, 0x22);
    // Stray bytes, FE and FF are skipped; END_MARK does not stop decoding.
    KeyTable t4;
    ASSERT_TRUE(decodeImage(t4, Bytes { 0x33, 0xFE, 0xFF, 0xFD, 0xFA, 0x01, 0xFB, 0x01, 0x05 }));
    EXPECT_EQ(t4.RecordOfKeyNumber(1).kind, KIND_SWITCH);
}

TEST(DecodeImage, GroupsWithoutAKeyAreDropped)
{
    KeyTable table;
    setKey(table, 3, KIND_STRING, { 'k' });
    const KeyTable before = table;
    // A data group before any key mark, and one after a key number without a slot.
    ASSERT_TRUE(decodeImage(table,
        Bytes { 0xFB, 0x03, 'a', 0xFA, 0x03, 0xFA, 0x80, 0xFB, 0x02, 0x1C, 0xFA, 0xF9, 0xFB, 0x02, 0x1C }));
    EXPECT_EQ(table, before);
}

TEST(DecodeImage, SharedSlotHoldsTheLastGroupDecoded)
{
    KeyTable table;
    ASSERT_TRUE(decodeImage(
        table, Bytes { 0xFA, 60, 0xFB, 0x03, 'a', 0xFA, 100, 0xFB, 0x03, 'b', 0xFA, 127, 0xFB, 0x01, 0x02 }));
    for (int n : { 60, 96, 100, 119, 126, 127 }) {
        EXPECT_EQ(table.RecordOfKeyNumber(n).kind, KIND_SWITCH) << n;
        EXPECT_EQ(contentOf(table, n), Bytes { 0x02 }) << n;
    }
}

TEST(DecodeImage, LookAheadPastTheEndReadsZero)
{
    // The span ends inside each group; the bytes behind it must not be read.
    const Bytes backing { 0xFA, 0x07, 0xFB, 0x02, 0x1C, 0xFC, 0x05, 0x44 };
    KeyTable a;
    ASSERT_TRUE(decodeImage(a, std::span(backing).first(1))); // FA at the end: key number 0
    KeyTable b;
    ASSERT_TRUE(decodeImage(b, std::span(backing).first(3))); // FB at the end: kind 0, empty
    setKey(b, 7, KIND_STRING, { 'z' });
    ASSERT_TRUE(decodeImage(b, std::span(backing).first(3)));
    EXPECT_EQ(b.RecordOfKeyNumber(7).kind, KIND_EMPTY);
    EXPECT_EQ(b.RecordOfKeyNumber(7).ContentLength(), 0u);

    KeyTable c;
    ASSERT_TRUE(decodeImage(c, std::span(backing).subspan(5, 2))); // FC 05, then mcrConfig reads 0x00
    EXPECT_EQ(c.systemConfig, 0x05);
    EXPECT_EQ(c.mcrConfig, 0x00);

    KeyTable d;
    ASSERT_TRUE(decodeImage(d, std::span(backing).first(5))); // content ends with the span
    EXPECT_EQ(contentOf(d, 7), Bytes { 0x1C });
}

TEST(DecodeImage, LengthLimit)
{
    Bytes image = encodeImage(KeyTable {});
    image[1] = 0x01;
    image.resize(8000, 0x00); // padding outside any group is skipped
    KeyTable table;
    EXPECT_TRUE(decodeImage(table, image));
    EXPECT_EQ(table.systemConfig, 0x01);

    image[1] = 0x02;
    image.push_back(0x00);
    EXPECT_FALSE(decodeImage(table, image));
    EXPECT_EQ(table.systemConfig, 0x01);
    EXPECT_TRUE(decodeImage(table, {}));
}

TEST(CheckImage, TooLongAndMarkerBytes)
{
    KeyTable table;
    EXPECT_EQ(checkImage(table).result, IMAGE_OK);
    EXPECT_EQ(checkImage(table).length, 516u);

    // 516 + 29 keys of 255 bytes = 7911; 89 more bytes reach exactly 8000.
    for (int n = 0; n < 29; ++n)
        setKey(table, n, KIND_STRING, Bytes(255, 'a'));
    setKey(table, 29, KIND_STRING, Bytes(89, 'a'));
    EXPECT_EQ(checkImage(table).length, 8000u);
    EXPECT_EQ(checkImage(table).result, IMAGE_OK);
    setKey(table, 29, KIND_STRING, Bytes(90, 'a'));
    EXPECT_EQ(checkImage(table).result, IMAGE_E_TOO_LONG);
    EXPECT_EQ(checkImage(table).length, 8001u);

    KeyTable marked;
    setKey(marked, 42, KIND_FUNCTION, { 0x1C, 0xFA });
    ImageCheck check = checkImage(marked);
    EXPECT_EQ(check.result, IMAGE_E_MARKER_BYTE);
    EXPECT_EQ(check.keyNumber, 42);
    EXPECT_EQ(check.value, 0xFA);

    KeyTable kind;
    kind.RecordOfKeyNumber(3).kind = 0xFB;
    EXPECT_EQ(checkImage(kind).keyNumber, 3);
    KeyTable settings;
    settings.mcrConfig = 0xFD;
    check = checkImage(settings);
    EXPECT_EQ(check.result, IMAGE_E_MARKER_BYTE);
    EXPECT_EQ(check.keyNumber, -1);
}

TEST(DecodeImage, UnknownKindsAreKeptAndEncodedUnchanged)
{
    KeyTable table;
    ASSERT_TRUE(decodeImage(table, Bytes { 0xFA, 0x11, 0xFB, 0x09, 'h', 'i' }));
    EXPECT_EQ(table.RecordOfKeyNumber(0x11).kind, 0x09);
    EXPECT_TRUE(table.RecordOfKeyNumber(0x11).IsEmpty());
    const Bytes image = encodeImage(table);
    KeyTable again;
    ASSERT_TRUE(decodeImage(again, image));
    EXPECT_EQ(again, table);
}

// What a read-out that broke off looks like: the driver closes whatever
// arrived with the end byte.
TEST(WholeImage, NeedsAGroupForEveryKeyNumberAndTheEndByte)
{
    KeyTable table;
    setKey(table, 127, KIND_STRING, { 'a', 'b' });
    const Bytes whole = encodeImage(table);
    EXPECT_TRUE(isWholeImage(whole));

    const auto cutAt = [&](std::size_t length) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        cut.push_back(END_MARK);
        return cut;
    };
    EXPECT_FALSE(isWholeImage(cutAt(0))); // acknowledged, then nothing
    EXPECT_FALSE(isWholeImage(cutAt(3))); // settings only
    EXPECT_FALSE(isWholeImage(cutAt(whole.size() - 6))); // in the last group, before its kind
    EXPECT_TRUE(isWholeImage(cutAt(whole.size() - 2))); // inside the last content: not visible
    EXPECT_FALSE(isWholeImage(Bytes(whole.begin(), whole.end() - 1))); // no end byte

    Bytes missing = whole; // a group whose key number is out of range
    missing[3 + 1] = 128;
    EXPECT_FALSE(isWholeImage(missing));
}
