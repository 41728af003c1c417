// Builds, for tests and benchmarks, the write packets a key table produces and
// the image the keyboard should read out for it, following the keyboard's
// memory layout byte for byte (the key data library is not used here).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <keydata/KeyboardProtocol.h>

namespace testing_tables {

struct TestKey {
    std::uint8_t kind = keydata::KIND_EMPTY;
    std::vector<std::uint8_t> content;
};

struct TestTable {
    std::uint8_t systemConfig = keydata::DEFAULT_SYSTEM_CONFIG;
    std::uint8_t mcrConfig = keydata::DEFAULT_MCR_CONFIG;
    std::array<TestKey, keydata::KEY_NUMBER_COUNT> keys;
};

using Bytes = std::vector<std::uint8_t>;

inline void appendAddress(Bytes& out, std::uint32_t a, std::uint8_t high = 0)
{
    out.push_back(static_cast<std::uint8_t>(high | (a >> 8) | ((a >> 1) & 0x40)));
    out.push_back(static_cast<std::uint8_t>(a & 0x7F));
}

inline Bytes headerPacket(std::uint8_t systemConfig, std::uint8_t mcrConfig)
{
    using namespace keydata;
    return { CMD_SET_ADDRESS, 0x00, 0x00, CMD_WRITE, HEADER_SIGNATURE_0, HEADER_SIGNATURE_1,
        static_cast<std::uint8_t>(systemConfig & SETTINGS_MASK),
        static_cast<std::uint8_t>(mcrConfig & SETTINGS_MASK) };
}

inline Bytes keyPacket(const TestKey& key, int n, std::uint32_t& d)
{
    using namespace keydata;
    Bytes p { CMD_SET_ADDRESS };
    appendAddress(p, KEY_ENTRY_BASE + 2u * n);
    p.push_back(CMD_WRITE);
    if (key.kind == KIND_FUNCTION || key.kind == KIND_STRING) {
        appendAddress(p, d, static_cast<std::uint8_t>(key.kind << 4));
        p.push_back(CMD_SET_ADDRESS);
        appendAddress(p, d);
        p.push_back(CMD_WRITE);
        p.insert(p.end(), key.content.begin(), key.content.end());
        p.push_back(0x00);
        d += static_cast<std::uint32_t>(key.content.size()) + 1;
    } else {
        p.push_back(static_cast<std::uint8_t>(key.kind << 4));
        p.push_back(key.content.empty() ? 0x00 : key.content[0]);
    }
    return p;
}

inline Bytes finishPacket()
{
    return { keydata::CMD_FINISH, keydata::FINISH_ARGUMENT };
}

inline std::vector<Bytes> writePackets(const TestTable& table)
{
    std::vector<Bytes> packets { headerPacket(table.systemConfig, table.mcrConfig) };
    std::uint32_t d = keydata::DATA_AREA_BASE;
    for (int n = 0; n < keydata::KEY_NUMBER_COUNT; ++n)
        packets.push_back(keyPacket(table.keys[n], n, d));
    packets.push_back(finishPacket());
    return packets;
}

// The image the keyboard holds after the table was written: settings masked
// to 7 bits as they travel, switch and empty keys with at most one byte.
inline Bytes expectedImage(const TestTable& table)
{
    using namespace keydata;
    Bytes image { SETTINGS_MARK, static_cast<std::uint8_t>(table.systemConfig & SETTINGS_MASK),
        static_cast<std::uint8_t>(table.mcrConfig & SETTINGS_MASK) };
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const TestKey& key = table.keys[n];
        image.insert(image.end(), { KEY_MARK, static_cast<std::uint8_t>(n), DATA_MARK, key.kind });
        if (key.kind == KIND_FUNCTION || key.kind == KIND_STRING)
            image.insert(image.end(), key.content.begin(), key.content.end());
        else if (!key.content.empty() && key.content[0] != 0)
            image.push_back(key.content[0]);
    }
    image.push_back(END_MARK);
    return image;
}

// A table like a real one: strings, macros with markers, layer switches.
inline TestTable typicalTable()
{
    using namespace keydata;
    TestTable t;
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        TestKey& k = t.keys[n];
        switch (n % 4) {
        case 0:
            k.kind = KIND_STRING;
            for (int i = 0; i < 8 + n % 5; ++i)
                k.content.push_back(static_cast<std::uint8_t>('A' + (n + i) % 26));
            break;
        case 1:
            if (n < 64) {
                k.kind = KIND_FUNCTION;
                k.content = { 0x14, 0x1C, RELEASE_MARKER, 0x1C, RELEASE_MARKER, 0x14, DELAY_UNIT, 0x5A };
            }
            break;
        case 2:
            if (n < 40) {
                k.kind = KIND_SWITCH;
                k.content = { static_cast<std::uint8_t>(1 + n % 15) };
            }
            break;
        default:
            break;
        }
    }
    return t;
}

} // namespace testing_tables
