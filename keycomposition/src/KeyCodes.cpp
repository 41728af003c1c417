#include <keycomposition/KeyCodes.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keydata/KeyboardProtocol.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace keycomposition {

using namespace dialoglayout;

namespace {

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

} // namespace keycomposition
