// decodeImage on arbitrary bytes: no crash, no access outside the input, no
// change for inputs over the limit, and whatever it stores can be encoded
// and decoded again unchanged. The key-number-wise decoding agrees with it,
// and the wholeness check of a read-out never reads outside the input.
#include "FuzzTables.h"

#include <keydata/KeyImage.h>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace keydata;
    static const KeyTable start = fuzzing::startTable();
    KeyTable table = start;
    const bool applied = decodeImage(table, std::span<const std::uint8_t>(data, size));
    FUZZ_CHECK(applied == (size <= IMAGE_DECODE_LIMIT));
    if (!applied) {
        FUZZ_CHECK(table == start);
        return 0;
    }
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const KeyRecord& record = table.RecordOfKeyNumber(n);
        FUZZ_CHECK(record.kind < FIRST_MARK);
        const auto bytes = record.Bytes();
        FUZZ_CHECK(std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= FIRST_MARK; }));
    }
    // Every key number but those of the shared slot has a slot of its own.
    KeyboardContents contents;
    contents.keys[5] = start.RecordOfKeyNumber(5);
    FUZZ_CHECK(decodeImage(contents, std::span<const std::uint8_t>(data, size)));
    FUZZ_CHECK(contents.keys[5] == table.RecordOfKeyNumber(5));
    (void)isWholeImage(std::span<const std::uint8_t>(data, size));

    const std::vector<std::uint8_t> image = encodeImage(table);
    FUZZ_CHECK(image.size() == imageLength(table));
    if (image.size() <= IMAGE_DECODE_LIMIT) {
        KeyTable again;
        FUZZ_CHECK(decodeImage(again, image));
        FUZZ_CHECK(again == table);
        FUZZ_CHECK(isWholeImage(image));
    }
    return 0;
}
