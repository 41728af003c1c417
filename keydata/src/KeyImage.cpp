#include <keydata/KeyImage.h>

#include <algorithm>
#include <array>

namespace keydata {

namespace {

bool isMarker(std::uint8_t b)
{
    return b >= FIRST_MARK;
}

// The image as the decoder sees it: bytes past its end read as 0x00, as
// they would in the zeroed receive buffer the image arrives in.
class CImageReader {
public:
    explicit CImageReader(std::span<const std::uint8_t> image)
        : m_image(image)
    {
    }
    std::size_t Size() const { return m_image.size(); }
    std::uint8_t operator[](std::size_t i) const { return i < m_image.size() ? m_image[i] : 0; }

private:
    std::span<const std::uint8_t> m_image;
};

} // namespace

std::size_t imageLength(const KeyTable& table)
{
    std::size_t length = IMAGE_EMPTY_LENGTH;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n)
        length += table.RecordOfKeyNumber(n).ContentLength();
    return length;
}

std::size_t encodeImage(const KeyTable& table, std::span<std::uint8_t> out)
{
    const std::size_t length = imageLength(table);
    if (out.size() < length)
        return 0;
    std::size_t i = 0;
    out[i++] = SETTINGS_MARK;
    out[i++] = table.systemConfig;
    out[i++] = table.mcrConfig;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const KeyRecord& record = table.RecordOfKeyNumber(n);
        out[i++] = KEY_MARK;
        out[i++] = static_cast<std::uint8_t>(n);
        out[i++] = DATA_MARK;
        out[i++] = record.kind;
        const auto bytes = record.Bytes();
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(i));
        i += bytes.size();
    }
    out[i++] = END_MARK;
    return i;
}

bool isWholeImage(std::span<const std::uint8_t> image)
{
    if (image.empty() || image.size() > IMAGE_DECODE_LIMIT || image.back() != END_MARK)
        return false;
    std::array<bool, KEY_NUMBER_COUNT> seen {};
    int groups = 0;
    for (std::size_t i = 0; i + IMAGE_GROUP_OVERHEAD <= image.size(); ++i) {
        const std::uint8_t keyNumber = image[i + 1];
        if (image[i] != KEY_MARK || keyNumber >= KEY_NUMBER_COUNT || image[i + 2] != DATA_MARK
            || isMarker(image[i + 3]))
            continue;
        if (!seen[keyNumber])
            ++groups;
        seen[keyNumber] = true;
    }
    return groups == KEY_NUMBER_COUNT;
}

std::vector<std::uint8_t> encodeImage(const KeyTable& table)
{
    std::vector<std::uint8_t> image(imageLength(table));
    encodeImage(table, image);
    return image;
}

namespace {

// The decoder, over any store of records: recordOf(n) gives the record
// of key number 0..127.
template <typename RecordOf>
void decodeInto(std::span<const std::uint8_t> image, RecordOf recordOf, std::uint8_t& systemConfig,
    std::uint8_t& mcrConfig)
{
    const CImageReader b(image);
    const std::size_t length = b.Size();
    KeyRecord* current = nullptr; // chosen by the last KEY_MARK; none before the first
    std::size_t i = 0;
    while (i < length) {
        switch (b[i]) {
        case KEY_MARK: {
            ++i;
            const std::uint8_t n = b[i];
            if (isMarker(n))
                break;
            ++i;
            // A key number without a slot (128..249) selects nothing, so its
            // group cannot overwrite the key named before it.
            current = n < KEY_NUMBER_COUNT ? &recordOf(n) : nullptr;
            break;
        }
        case DATA_MARK: {
            ++i;
            const std::uint8_t kind = b[i];
            if (isMarker(kind))
                break;
            ++i;
            // A group without a current key is read the same way and dropped.
            KeyRecord scratch;
            KeyRecord& record = current ? *current : scratch;
            record.kind = kind;
            std::size_t copied = 0;
            // Past the end the bytes read as 0x00, which would only extend
            // the content with terminators; stopping at the end is the same.
            while (i < length && !isMarker(b[i]) && copied < static_cast<std::size_t>(MAX_CONTENT))
                record.content[copied++] = b[i++];
            record.content[copied] = 0;
            break;
        }
        case SETTINGS_MARK: {
            ++i;
            if (isMarker(b[i]))
                break;
            systemConfig = b[i];
            ++i;
            if (!isMarker(b[i])) {
                mcrConfig = b[i];
                ++i;
            }
            break;
        }
        default: // END_MARK and every byte outside a group
            ++i;
            break;
        }
    }
}

} // namespace

bool decodeImage(KeyTable& table, std::span<const std::uint8_t> image)
{
    if (image.size() > IMAGE_DECODE_LIMIT)
        return false;
    decodeInto(
        image, [&table](int n) -> KeyRecord& { return table.RecordOfKeyNumber(n); }, table.systemConfig,
        table.mcrConfig);
    return true;
}

bool decodeImage(KeyboardContents& contents, std::span<const std::uint8_t> image)
{
    if (image.size() > IMAGE_DECODE_LIMIT)
        return false;
    decodeInto(
        image, [&contents](int n) -> KeyRecord& { return contents.keys[static_cast<std::size_t>(n)]; },
        contents.systemConfig, contents.mcrConfig);
    return true;
}

ImageCheck checkImage(const KeyTable& table)
{
    ImageCheck check;
    check.length = imageLength(table);
    auto marker = [&check](int keyNumber, std::uint8_t value) {
        if (check.result == IMAGE_OK && isMarker(value)) {
            check.result = IMAGE_E_MARKER_BYTE;
            check.keyNumber = keyNumber;
            check.value = value;
        }
    };
    marker(-1, table.systemConfig);
    marker(-1, table.mcrConfig);
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const KeyRecord& record = table.RecordOfKeyNumber(n);
        marker(n, record.kind);
        for (std::uint8_t byte : record.Bytes())
            marker(n, byte);
    }
    if (check.result == IMAGE_OK && check.length > IMAGE_DECODE_LIMIT)
        check.result = IMAGE_E_TOO_LONG;
    return check;
}

} // namespace keydata
