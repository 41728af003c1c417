// The scan code table of the user's guide is made from the code tables, so
// that it cannot drift from them: this test builds it and compares it with
// the block in docs/user-guide.md. After a change to the tables, run the
// test with LODEMAR_UPDATE_GUIDE=1 to write the new block into the guide.
#include <keycomposition/KeyCodes.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keydata/KeyTable.h>
#include <keydata/KeyText.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

using namespace dialoglayout;
using namespace keycomposition;

namespace {

constexpr char GUIDE[] = LODEMAR_SOURCE_DIR "/docs/user-guide.md";
constexpr char BEGIN[] = "<!-- scan-code-table begin -->\n";
constexpr char END[] = "<!-- scan-code-table end -->\n";

// The keypad's keys have the ids from Num Lock to its Enter.
constexpr int FIRST_KEYPAD_ID = KEY_NUM_LOCK;
constexpr int LAST_KEYPAD_ID = KEY_KEYPAD_ENTER;

std::string hexByte(int value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// Markdown code span; a pipe must not end the table cell.
std::string code(const std::string& text)
{
    std::string escaped;
    for (const char c : text)
        escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    return text.find('`') != std::string::npos ? "`` " + escaped + " ``" : "`" + escaped + "`";
}

// The key as the on-screen keyboard shows it: a two-line caption as its
// unshifted and shifted character, which side or block it is on.
std::string keyName(const OnScreenKey& key)
{
    std::string caption = key.caption;
    if (const auto line = caption.find('\n'); line != std::string::npos)
        caption = caption.substr(line + 1) + " " + caption.substr(0, line);
    std::string name = caption == " " ? std::string("space bar") : code(caption);
    if (key.id >= FIRST_KEYPAD_ID && key.id <= LAST_KEYPAD_ID)
        name = "keypad " + name;
    if (modifierSideBit(key.id) == 1)
        name = "left " + name;
    else if (modifierSideBit(key.id) == 2)
        name = "right " + name;
    return name;
}

std::string functionText(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    keydata::renderFunctionText(bytes, text);
    return text;
}

// What a click on the key appends in Function Mode, and how "Key Data"
// shows it.
std::string keyEntry(const OnScreenKey& key)
{
    if (const std::uint8_t lock = lockCodeOf(key.id)) {
        std::string text;
        keydata::renderSwitchText(lock, text);
        return keyName(key) + ": the key becomes a lock key, " + code(text);
    }
    std::vector<std::uint8_t> bytes;
    if (key.id == KEY_PRINT_SCREEN) {
        bytes.assign(std::begin(PRINT_SCREEN_SEQUENCE), std::end(PRINT_SCREEN_SEQUENCE));
    } else {
        if (isExtendedKey(key.id) || key.id == KEY_RIGHT_ALT || key.id == KEY_RIGHT_CTRL)
            bytes.push_back(keydata::EXTENSION_PREFIX);
        bytes.push_back(buttonCode(key.id));
    }
    std::string hex;
    for (const std::uint8_t b : bytes)
        hex += (hex.empty() ? "" : " ") + hexByte(b);
    return keyName(key) + ": " + hex + " → " + code(functionText(bytes));
}

// What the content markers stand for (they have no key of their own).
const char* markerMeaning(int value)
{
    switch (value) {
    case keydata::EXTENSION_PREFIX:
        return "stands before the code of an extended key";
    case keydata::RELEASE_MARKER:
        return "stands before a code that is sent as a key release";
    case keydata::LAYER_SEPARATOR:
        return "separates two layers";
    case keydata::DELAY_UNIT:
        return "one step of delay";
    default:
        return nullptr;
    }
}

std::string scanCodeTable()
{
    std::string table = BEGIN;
    table += "| Code | Name | On-screen keys in Function Mode: bytes, and how Key Data shows them |\n";
    table += "|---|---|---|\n";
    for (int value = 1; value < 256; ++value) {
        const std::string name = keydata::keyNameTable[std::size_t(value)];
        if (name == "x" + hexByte(value))
            continue; // no name of its own
        std::string keys;
        for (const OnScreenKey& key : onScreenKeys()) {
            const int appended = key.id == KEY_PRINT_SCREEN ? PRINT_SCREEN_SEQUENCE[3] : buttonCode(key.id);
            if (appended == value)
                keys += (keys.empty() ? "" : "; ") + keyEntry(key);
        }
        if (const char* meaning = markerMeaning(value))
            keys = meaning;
        table += "| " + hexByte(value) + " | " + code(name) + " | " + (keys.empty() ? "–" : keys) + " |\n";
    }
    return table + END;
}

} // namespace

TEST(UserGuide, ScanCodeTableIsTheCodeTables)
{
    std::ifstream in(GUIDE, std::ios::binary);
    ASSERT_TRUE(in) << GUIDE;
    std::stringstream read;
    read << in.rdbuf();
    std::string guide = read.str();
    const auto begin = guide.find(BEGIN);
    const auto end = guide.find(END);
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    const std::string expected = scanCodeTable();
    const std::string shown = guide.substr(begin, end + std::string(END).size() - begin);
    if (shown != expected && std::getenv("LODEMAR_UPDATE_GUIDE") != nullptr) {
        guide.replace(begin, shown.size(), expected);
        std::ofstream(GUIDE, std::ios::binary) << guide;
        GTEST_SKIP() << "rewrote the table in " << GUIDE;
    }
    EXPECT_EQ(shown, expected) << "run with LODEMAR_UPDATE_GUIDE=1 to rewrite it";
}
