#include <keydata/KeyText.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace keydata;

namespace {

std::string functionText(std::vector<std::uint8_t> bytes)
{
    std::string text;
    renderFunctionText(bytes, text);
    return text;
}

std::string stringText(std::vector<std::uint8_t> bytes)
{
    std::string text;
    renderStringText(bytes, text);
    return text;
}

std::string switchText(std::uint8_t value)
{
    std::string text;
    renderSwitchText(value, text);
    return text;
}

std::string caption(int id, bool empty)
{
    std::string text;
    keyCaption(id, empty, text);
    return text;
}

} // namespace

TEST(KeyNames, EveryNameIsThreeCharactersAndUnnamedBytesAreHex)
{
    int named = 0;
    for (int b = 0; b < 256; ++b) {
        ASSERT_EQ(std::strlen(keyNameTable[static_cast<std::size_t>(b)]), 3u) << b;
        char hex[4];
        std::snprintf(hex, sizeof hex, "x%02X", b);
        if (std::strcmp(keyNameTable[static_cast<std::size_t>(b)], hex) != 0)
            ++named;
    }
    EXPECT_EQ(named, 90);
    EXPECT_STREQ(keyNameTable[0x5D], "(\\)");
    EXPECT_STREQ(keyNameTable[0x12], keyNameTable[0x59]);
}

TEST(KeyText, FunctionText)
{
    EXPECT_EQ(functionText({ 0x83 }), "F7.");
    EXPECT_EQ(functionText({ 0x61 }), "x61");
    EXPECT_EQ(functionText({ 0x17 }), "x17");
    EXPECT_EQ(functionText({ 0x12, 0x1C }), "SHT(A)");
    EXPECT_EQ(functionText({ 0xE0, 0x75 }), "0E0UpA");
    EXPECT_EQ(functionText({ 0xE1, 0x12 }), "0F0SHT");
    EXPECT_EQ(functionText({ 0x1C, 0xE2, 0xE3, 0xE4 }), "(A)Se/D1SPau");
    EXPECT_EQ(functionText({ 0x1C, 0x00, 0x1C }), "(A)"); // ends at the terminator
}

TEST(KeyText, StringText)
{
    EXPECT_EQ(stringText({ 0x61, 0x62, 0x0D }), "ab[Enter]");
    EXPECT_EQ(stringText({ 0x41, 0xE3, 0xE3, 0x42 }), "A[D1S][D1S]B");
    EXPECT_EQ(stringText({ 'x', 0xE2, 'y', 0x09 }), "x[SE/]y[Tab]");
    EXPECT_EQ(stringText({ 0xE0, 0xE1 }), "\xE0\xE1"); // other markers are plain characters here
}

TEST(KeyText, SwitchText)
{
    EXPECT_EQ(switchText(0), "");
    EXPECT_EQ(switchText(1), "<M1>");
    EXPECT_EQ(switchText(5), "<M5>");
    EXPECT_EQ(switchText(15), "<M15>");
    EXPECT_EQ(switchText(0x58), "Caps.");
    EXPECT_EQ(switchText(0x77), "Num.");
    EXPECT_EQ(switchText(0x7E), "Scroll.");
    EXPECT_EQ(switchText(255), "<M255>");
}

TEST(KeyText, KeyTextByKindAndAppending)
{
    KeyRecord record;
    const std::uint8_t bytes[] = { 0x12, 0x1C };
    ASSERT_EQ(storeKey(record, KIND_FUNCTION, bytes), KEYTABLE_OK);
    std::string text = "prefix:";
    renderKeyText(record, text);
    EXPECT_EQ(text, "prefix:SHT(A)");

    text.clear();
    record.kind = KIND_STRING;
    renderKeyText(record, text);
    EXPECT_EQ(text, "\x12\x1C");

    text.clear();
    record.kind = KIND_SWITCH; // the first byte only
    renderKeyText(record, text);
    EXPECT_EQ(text, "<M18>");

    for (std::uint8_t kind : { 0, 4, 0xF9 }) {
        text.clear();
        record.kind = kind;
        renderKeyText(record, text);
        EXPECT_EQ(text, "") << int(kind);
    }
}

TEST(KeyText, Captions)
{
    EXPECT_EQ(caption(1001, false), "1");
    EXPECT_EQ(caption(1095, false), "95");
    EXPECT_EQ(caption(1096, false), "L");
    EXPECT_EQ(caption(1097, false), "R");
    EXPECT_EQ(caption(1098, false), "S");
    EXPECT_EQ(caption(1099, false), "X");
    EXPECT_EQ(caption(1100, false), "Z");
    EXPECT_EQ(caption(1099, true), "");
    EXPECT_EQ(caption(1000, false), "");
    EXPECT_EQ(caption(1101, false), "");
}

TEST(KeyText, KeysAreNamedByTheirGridCaption)
{
    EXPECT_EQ(keyNameForUser(14), "key 30 (key number 14)");
    EXPECT_EQ(keyNameForUser(93), "key 1 (key number 93)");
    EXPECT_EQ(keyNameForUser(125), "key L (key number 125)");
    EXPECT_EQ(keyNameForUser(121), "key Z (key number 121)");
    EXPECT_EQ(keyNameForUser(HIDDEN_KEY_NUMBER), "key number 120"); // no grid key shows these
    EXPECT_EQ(keyNameForUser(96), "key number 96");
}
