// A table with something in every kind of slot, so that a fuzz input that
// must change nothing has something to change.
#pragma once

#include <keydata/KeyTable.h>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

inline keydata::KeyTable startTable()
{
    keydata::KeyTable table;
    table.systemConfig = 0x05;
    table.mcrConfig = 0x09;
    const std::uint8_t text[] = { 'a', 'b', 0x0D };
    const std::uint8_t codes[] = { 0x14, 0x21, 0xE1, 0x14 };
    const std::uint8_t layer[] = { 0x02 };
    // Contents that fit: the key tests check storeKey's results.
    (void)keydata::storeKey(table.RecordOfKeyNumber(93), keydata::KIND_STRING, text);
    (void)keydata::storeKey(table.RecordOfKeyNumber(120), keydata::KIND_FUNCTION, codes);
    (void)keydata::storeKey(table.RecordOfKeyNumber(60), keydata::KIND_SWITCH, layer);
    return table;
}

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

} // namespace fuzzing
