#include <dialogs/OnScreenKeys.h>

#include <keydata/KeyboardProtocol.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace dialogs {
namespace {

constexpr int KEY_W = 15; // the width of every plain key
constexpr int KEY_H = 15; // the height of every key below the function row
constexpr int FUNCTION_ROW_H = 12;

constexpr OnScreenKey ON_SCREEN_KEYS[] = {
    // Function keys.
    { KEY_ESCAPE, "Esc", 13, 18, KEY_W, FUNCTION_ROW_H },
    { 1112, "F1", 37, 18, KEY_W, FUNCTION_ROW_H },
    { 1113, "F2", 53, 18, KEY_W, FUNCTION_ROW_H },
    { 1114, "F3", 69, 18, KEY_W, FUNCTION_ROW_H },
    { 1115, "F4", 85, 18, KEY_W, FUNCTION_ROW_H },
    { 1116, "F5", 109, 18, KEY_W, FUNCTION_ROW_H },
    { 1117, "F6", 125, 18, KEY_W, FUNCTION_ROW_H },
    { 1118, "F7", 141, 18, KEY_W, FUNCTION_ROW_H },
    { 1119, "F8", 157, 18, KEY_W, FUNCTION_ROW_H },
    { 1120, "F9", 183, 18, KEY_W, FUNCTION_ROW_H },
    { 1121, "F10", 199, 18, KEY_W, FUNCTION_ROW_H },
    { 1122, "F11", 215, 18, KEY_W, FUNCTION_ROW_H },
    { 1123, "F12", 231, 18, KEY_W, FUNCTION_ROW_H },
    { KEY_PRINT_SCREEN, "PS", 254, 18, KEY_W, FUNCTION_ROW_H },
    { KEY_SCROLL_LOCK, "SCL", 270, 18, KEY_W, FUNCTION_ROW_H },
    { KEY_PAUSE, "Pau", 286, 18, KEY_W, FUNCTION_ROW_H },
    // Digits.
    { 1001, "~\n`", 13, 35, KEY_W, KEY_H },
    { 1002, "!\n1", 29, 35, KEY_W, KEY_H },
    { 1003, "@\n2", 45, 35, KEY_W, KEY_H },
    { 1004, "#\n3", 61, 35, KEY_W, KEY_H },
    { 1005, "$\n4", 77, 35, KEY_W, KEY_H },
    { 1006, "%\n5", 93, 35, KEY_W, KEY_H },
    { 1007, "^\n6", 109, 35, KEY_W, KEY_H },
    { 1008, "&&7", 125, 35, KEY_W, KEY_H }, // one line: "&&" shows one ampersand
    { 1009, "*\n8", 141, 35, KEY_W, KEY_H },
    { 1010, "(\n9", 157, 35, KEY_W, KEY_H },
    { 1011, ")\n0", 173, 35, KEY_W, KEY_H },
    { 1012, "_\n-", 189, 35, KEY_W, KEY_H },
    { 1013, "+\n=", 205, 35, KEY_W, KEY_H },
    { KEY_BACKSPACE, "<--", 221, 35, 26, KEY_H },
    // Upper letters.
    { KEY_TAB, "Tab", 13, 52, 26, KEY_H },
    { 1017, "Q", 39, 52, KEY_W, KEY_H },
    { 1018, "W", 55, 52, KEY_W, KEY_H },
    { 1019, "E", 71, 52, KEY_W, KEY_H },
    { 1020, "R", 87, 52, KEY_W, KEY_H },
    { 1021, "T", 103, 52, KEY_W, KEY_H },
    { 1022, "Y", 119, 52, KEY_W, KEY_H },
    { 1023, "U", 135, 52, KEY_W, KEY_H },
    { 1024, "I", 151, 52, KEY_W, KEY_H },
    { 1025, "O", 167, 52, KEY_W, KEY_H },
    { 1026, "P", 183, 52, KEY_W, KEY_H },
    { 1027, "{\n[", 199, 52, KEY_W, KEY_H },
    { 1028, "}\n]", 215, 52, KEY_W, KEY_H },
    { 1029, "|\n\\", 231, 52, KEY_W, KEY_H },
    // Middle letters.
    { KEY_CAPS, "Caps", 13, 69, 28, KEY_H },
    { 1031, "A", 42, 69, KEY_W, KEY_H },
    { 1032, "S", 58, 69, KEY_W, KEY_H },
    { 1033, "D", 74, 69, KEY_W, KEY_H },
    { 1034, "F", 90, 69, KEY_W, KEY_H },
    { 1035, "G", 106, 69, KEY_W, KEY_H },
    { 1036, "H", 122, 69, KEY_W, KEY_H },
    { 1037, "J", 138, 69, KEY_W, KEY_H },
    { 1038, "K", 154, 69, KEY_W, KEY_H },
    { 1039, "L", 170, 69, KEY_W, KEY_H },
    { 1040, ":\n;", 186, 69, KEY_W, KEY_H },
    { 1041, "\"\n'", 202, 69, KEY_W, KEY_H },
    { KEY_ENTER, "Enter", 218, 69, 29, KEY_H },
    // Lower letters.
    { KEY_LEFT_SHIFT, "Shift", 13, 86, 38, KEY_H },
    { 1046, "Z", 51, 86, KEY_W, KEY_H },
    { 1047, "X", 67, 86, KEY_W, KEY_H },
    { 1048, "C", 83, 86, KEY_W, KEY_H },
    { 1049, "V", 99, 86, KEY_W, KEY_H },
    { 1050, "B", 115, 86, KEY_W, KEY_H },
    { 1051, "N", 131, 86, KEY_W, KEY_H },
    { 1052, "M", 147, 86, KEY_W, KEY_H },
    { 1053, "<\n,", 163, 86, KEY_W, KEY_H },
    { 1054, ">\n.", 179, 86, KEY_W, KEY_H },
    { 1055, "?\n/", 195, 86, KEY_W, KEY_H },
    { KEY_RIGHT_SHIFT, "Shift", 211, 86, 38, KEY_H },
    // Space row.
    { KEY_LEFT_CTRL, "Ctrl", 13, 103, 32, KEY_H },
    { KEY_LEFT_ALT, "Alt", 60, 103, 26, KEY_H },
    { KEY_SPACE, " ", 87, 103, 79, KEY_H },
    { KEY_RIGHT_ALT, "Alt", 168, 103, 26, KEY_H },
    { KEY_RIGHT_CTRL, "Ctrl", 215, 103, 32, KEY_H },
    // Editing block.
    { 1075, "Ins", 254, 35, KEY_W, KEY_H },
    { 1080, "Hom", 270, 35, KEY_W, KEY_H },
    { 1085, "PUp", 286, 35, KEY_W, KEY_H },
    { 1076, "Del", 254, 52, KEY_W, KEY_H },
    { 1081, "End", 270, 52, KEY_W, KEY_H },
    { 1086, "PDn", 286, 52, KEY_W, KEY_H },
    { 1083, "^", 270, 86, KEY_W, KEY_H },
    { 1079, "<", 254, 103, KEY_W, KEY_H },
    { 1084, "V", 270, 103, KEY_W, KEY_H },
    { 1089, ">", 286, 103, KEY_W, KEY_H },
    // Numeric keypad.
    { KEY_NUM_LOCK, "Num", 310, 35, KEY_W, KEY_H },
    { 1095, "/", 326, 35, KEY_W, KEY_H },
    { 1100, "*", 342, 35, KEY_W, KEY_H },
    { 1105, "-", 357, 35, KEY_W, KEY_H },
    { 1091, "7", 310, 52, KEY_W, KEY_H },
    { 1096, "8", 326, 52, KEY_W, KEY_H },
    { 1101, "9", 342, 52, KEY_W, KEY_H },
    { 1106, "+", 358, 52, KEY_W, 32 },
    { 1092, "4", 310, 69, KEY_W, KEY_H },
    { 1097, "5", 326, 69, KEY_W, KEY_H },
    { 1102, "6", 342, 69, KEY_W, KEY_H },
    { 1093, "1", 310, 86, KEY_W, KEY_H },
    { 1098, "2", 326, 86, KEY_W, KEY_H },
    { 1103, "3", 342, 86, KEY_W, KEY_H },
    { KEY_KEYPAD_ENTER, "Enter", 358, 86, KEY_W, 32 },
    { 1099, "0", 310, 103, 31, KEY_H },
    { 1104, ".", 342, 103, KEY_W, KEY_H },
};
static_assert(std::size(ON_SCREEN_KEYS) == ON_SCREEN_KEY_COUNT);

// BUTTON_CODE_TABLE[id - FIRST_KEY_ID]: the make code (scan code set 2) of
// each button. Print Screen (1124) is appended as PRINT_SCREEN_SEQUENCE and
// has no entry; 1042, 1045, 1056 and 1107 carry codes that no button uses.
// clang-format off
constexpr std::uint8_t BUTTON_CODE_TABLE[LAST_KEY_ID - FIRST_KEY_ID + 1] = {
    // 1000..1009: -, ~`, 1, 2, 3, 4, 5, 6, 7, 8
    0x00, 0x0E, 0x16, 0x1E, 0x26, 0x25, 0x2E, 0x36, 0x3D, 0x3E,
    // 1010..1019: 9, 0, -, =, -, Backspace, Tab, Q, W, E
    0x46, 0x45, 0x4E, 0x55, 0x00, 0x66, 0x0D, 0x15, 0x1D, 0x24,
    // 1020..1029: R, T, Y, U, I, O, P, [, ], backslash
    0x2D, 0x2C, 0x35, 0x3C, 0x43, 0x44, 0x4D, 0x54, 0x5B, 0x5D,
    // 1030..1039: Caps, A, S, D, F, G, H, J, K, L
    0x58, 0x1C, 0x1B, 0x23, 0x2B, 0x34, 0x33, 0x3B, 0x42, 0x4B,
    // 1040..1049: ;, ', (1042), Enter, left Shift, (1045), Z, X, C, V
    0x4C, 0x52, 0x5D, 0x5A, 0x12, 0x61, 0x1A, 0x22, 0x21, 0x2A,
    // 1050..1059: B, N, M, comma, period, /, (1056), right Shift, left Ctrl, -
    0x32, 0x31, 0x3A, 0x41, 0x49, 0x4A, 0x51, 0x59, 0x14, 0x00,
    // 1060..1069: left Alt, space, right Alt, -, right Ctrl, -, ...
    0x11, 0x29, 0x11, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00,
    // 1070..1079: -, ..., Ins, Del, -, -, left
    0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0x71, 0x00, 0x00, 0x6B,
    // 1080..1089: Home, End, -, up, down, PgUp, PgDn, -, -, right
    0x6C, 0x69, 0x00, 0x75, 0x72, 0x7D, 0x7A, 0x00, 0x00, 0x74,
    // 1090..1099: Num, keypad 7, 4, 1, -, /, 8, 5, 2, 0
    0x77, 0x6C, 0x6B, 0x69, 0x00, 0x4A, 0x75, 0x73, 0x72, 0x70,
    // 1100..1109: keypad *, 9, 6, 3, ., -, +, (1107), Enter, -
    0x7C, 0x7D, 0x74, 0x7A, 0x71, 0x7B, 0x79, 0x6D, 0x5A, 0x00,
    // 1110..1119: Esc, -, F1, F2, F3, F4, F5, F6, F7, F8
    0x76, 0x00, 0x05, 0x06, 0x04, 0x0C, 0x03, 0x0B, 0x83, 0x0A,
    // 1120..1126: F9, F10, F11, F12, PS, SCL, Pause
    0x01, 0x09, 0x78, 0x07, 0x00, 0x7E, keydata::PAUSE_CODE,
};
// clang-format on

constexpr int ENTER_CHARACTER = 0x0D;
constexpr int TAB_CHARACTER = 0x09;
constexpr int LOWER_CASE_OFFSET = 0x20;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const OnScreenKey> onScreenKeys()
{
    return ON_SCREEN_KEYS;
}

const OnScreenKey* findOnScreenKey(int id)
{
    for (const OnScreenKey& key : ON_SCREEN_KEYS)
        if (key.id == id)
            return &key;
    return nullptr;
}

std::uint8_t buttonCode(int id)
{
    if (id < FIRST_KEY_ID || id > LAST_KEY_ID)
        return 0;
    return BUTTON_CODE_TABLE[id - FIRST_KEY_ID];
}

bool isExtendedKey(int id)
{
    constexpr int FIRST_EDITING_KEY = 1075;
    constexpr int LAST_EDITING_KEY = 1089;
    constexpr int KEYPAD_DIVIDE = 1095;
    return (id >= FIRST_EDITING_KEY && id <= LAST_EDITING_KEY) || id == KEYPAD_DIVIDE
        || id == KEY_KEYPAD_ENTER;
}

std::uint8_t lockCodeOf(int id)
{
    switch (id) {
    case KEY_CAPS:
        return keydata::LOCK_CAPS;
    case KEY_NUM_LOCK:
        return keydata::LOCK_NUM;
    case KEY_SCROLL_LOCK:
        return keydata::LOCK_SCROLL;
    default:
        return 0;
    }
}

Modifier modifierOf(int id)
{
    switch (id) {
    case KEY_LEFT_SHIFT:
    case KEY_RIGHT_SHIFT:
        return Modifier::Shift;
    case KEY_LEFT_CTRL:
    case KEY_RIGHT_CTRL:
        return Modifier::Ctrl;
    case KEY_LEFT_ALT:
    case KEY_RIGHT_ALT:
        return Modifier::Alt;
    default:
        return Modifier::None;
    }
}

unsigned modifierSideBit(int id)
{
    switch (id) {
    case KEY_LEFT_SHIFT:
    case KEY_LEFT_CTRL:
    case KEY_LEFT_ALT:
        return 1;
    case KEY_RIGHT_SHIFT:
    case KEY_RIGHT_CTRL:
    case KEY_RIGHT_ALT:
        return 2;
    default:
        return 0;
    }
}

std::uint8_t stringModeCharacter(int id, bool shifted)
{
    const OnScreenKey* key = findOnScreenKey(id);
    if (!key)
        return 0;
    const std::string_view caption = key->caption;
    if (equalsIgnoringCase(caption, "Enter"))
        return ENTER_CHARACTER;
    if (caption == "Tab")
        return TAB_CHARACTER;
    if (caption.size() == 1) {
        const auto c = static_cast<unsigned char>(caption[0]);
        if (shifted || id >= FIRST_VERBATIM_KEY_ID)
            return c;
        return static_cast<std::uint8_t>(c + LOWER_CASE_OFFSET);
    }
    // A two-line caption (shifted, line break, unshifted) or "&&7".
    if (caption.size() == 3 && id < FIRST_VERBATIM_KEY_ID)
        return static_cast<std::uint8_t>(shifted ? caption[0] : caption[2]);
    return 0;
}

} // namespace dialogs
