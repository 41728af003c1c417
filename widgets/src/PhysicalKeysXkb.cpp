// Native key fields of X11 and Wayland (XKB): the key code is the evdev code
// plus 8 and names the physical key; the keysym says what it types. Pure
// arithmetic, so it is built and tested on every platform.
#include <widgets/PhysicalKeys.h>

#include <cstdint>

namespace widgets {
namespace {

enum : unsigned {
    EXT = 1u << 0, // extended key
    KEYPAD = 1u << 1, // on the numeric keypad, fixed meaning
    NUMLOCKED = 1u << 2, // on the keypad, meaning set by Num Lock (Qt's key decides)
    LETTER = 1u << 3, // a letter key: the layout's letter decides where Qt has one
};

struct XkbKey {
    std::uint8_t keyCode;
    std::uint8_t virtualKey;
    std::uint8_t flags;
};

// The physical keys of a PC keyboard (US positions).
constexpr XkbKey XKB_KEYS[] = {
    { 9, VK_ESCAPE, 0 },
    { 10, '1', 0 },
    { 11, '2', 0 },
    { 12, '3', 0 },
    { 13, '4', 0 },
    { 14, '5', 0 },
    { 15, '6', 0 },
    { 16, '7', 0 },
    { 17, '8', 0 },
    { 18, '9', 0 },
    { 19, '0', 0 },
    { 20, VK_OEM_MINUS, 0 },
    { 21, VK_OEM_PLUS, 0 },
    { 22, VK_BACK, 0 },
    { 23, VK_TAB, 0 },
    { 24, 'Q', LETTER },
    { 25, 'W', LETTER },
    { 26, 'E', LETTER },
    { 27, 'R', LETTER },
    { 28, 'T', LETTER },
    { 29, 'Y', LETTER },
    { 30, 'U', LETTER },
    { 31, 'I', LETTER },
    { 32, 'O', LETTER },
    { 33, 'P', LETTER },
    { 34, VK_OEM_4, 0 },
    { 35, VK_OEM_6, 0 },
    { 36, VK_RETURN, 0 },
    { 37, VK_CONTROL, 0 },
    { 38, 'A', LETTER },
    { 39, 'S', LETTER },
    { 40, 'D', LETTER },
    { 41, 'F', LETTER },
    { 42, 'G', LETTER },
    { 43, 'H', LETTER },
    { 44, 'J', LETTER },
    { 45, 'K', LETTER },
    { 46, 'L', LETTER },
    { 47, VK_OEM_1, 0 },
    { 48, VK_OEM_7, 0 },
    { 49, VK_OEM_3, 0 },
    { 50, VK_SHIFT, 0 },
    { 51, VK_OEM_5, 0 },
    { 52, 'Z', LETTER },
    { 53, 'X', LETTER },
    { 54, 'C', LETTER },
    { 55, 'V', LETTER },
    { 56, 'B', LETTER },
    { 57, 'N', LETTER },
    { 58, 'M', LETTER },
    { 59, VK_OEM_COMMA, 0 },
    { 60, VK_OEM_PERIOD, 0 },
    { 61, VK_OEM_2, 0 },
    { 62, VK_SHIFT, EXT },
    { 63, VK_MULTIPLY, KEYPAD },
    { 64, VK_MENU, 0 },
    { 65, VK_SPACE, 0 },
    { 66, VK_CAPITAL, 0 },
    { 67, VK_F1, 0 },
    { 68, VK_F2, 0 },
    { 69, VK_F3, 0 },
    { 70, VK_F4, 0 },
    { 71, VK_F5, 0 },
    { 72, VK_F6, 0 },
    { 73, VK_F7, 0 },
    { 74, VK_F8, 0 },
    { 75, VK_F9, 0 },
    { 76, VK_F10, 0 },
    { 77, VK_NUMLOCK, EXT },
    { 78, VK_SCROLL, 0 },
    { 79, VK_NUMPAD7, NUMLOCKED },
    { 80, VK_NUMPAD8, NUMLOCKED },
    { 81, VK_NUMPAD9, NUMLOCKED },
    { 82, VK_SUBTRACT, KEYPAD },
    { 83, VK_NUMPAD4, NUMLOCKED },
    { 84, VK_NUMPAD5, NUMLOCKED },
    { 85, VK_NUMPAD6, NUMLOCKED },
    { 86, VK_ADD, KEYPAD },
    { 87, VK_NUMPAD1, NUMLOCKED },
    { 88, VK_NUMPAD2, NUMLOCKED },
    { 89, VK_NUMPAD3, NUMLOCKED },
    { 90, VK_NUMPAD0, NUMLOCKED },
    { 91, VK_DECIMAL, NUMLOCKED },
    { 94, VK_OEM_102, 0 },
    { 95, VK_F11, 0 },
    { 96, VK_F12, 0 },
    { 104, VK_RETURN, EXT | KEYPAD },
    { 105, VK_CONTROL, EXT },
    { 106, VK_DIVIDE, EXT | KEYPAD },
    { 107, VK_SNAPSHOT, EXT },
    { 108, VK_MENU, EXT },
    { 110, VK_HOME, EXT },
    { 111, VK_UP, EXT },
    { 112, VK_PRIOR, EXT },
    { 113, VK_LEFT, EXT },
    { 114, VK_RIGHT, EXT },
    { 115, VK_END, EXT },
    { 116, VK_DOWN, EXT },
    { 117, VK_NEXT, EXT },
    { 118, VK_INSERT, EXT },
    { 119, VK_DELETE, EXT },
    { 127, VK_PAUSE, 0 },
    { 133, VK_LWIN, EXT },
    { 134, VK_RWIN, EXT },
    { 135, VK_APPS, EXT },
};

// Modifier keysyms, which name the side even on a remapped keyboard.
struct XkbModifier {
    std::uint32_t keysym;
    int virtualKey;
    bool extended;
};

constexpr XkbModifier XKB_MODIFIERS[] = {
    { 0xFFE1, VK_SHIFT, false }, // Shift_L
    { 0xFFE2, VK_SHIFT, true }, // Shift_R
    { 0xFFE3, VK_CONTROL, false }, // Control_L
    { 0xFFE4, VK_CONTROL, true }, // Control_R
    { 0xFFE9, VK_MENU, false }, // Alt_L
    { 0xFFEA, VK_MENU, true }, // Alt_R
    { 0xFE03, VK_MENU, true }, // ISO_Level3_Shift, the right Alt of many layouts
    { 0xFFEB, VK_LWIN, true }, // Super_L
    { 0xFFEC, VK_RWIN, true }, // Super_R
};

} // namespace

bool decodeXkbKey(std::uint32_t keyCode, std::uint32_t keysym, PhysicalKey& key)
{
    if (keyCode == 0)
        return false;
    for (const XkbModifier& modifier : XKB_MODIFIERS)
        if (modifier.keysym == keysym) {
            key.virtualKey = modifier.virtualKey;
            key.extended = modifier.extended;
            key.keypad = false;
            return true;
        }
    for (const XkbKey& entry : XKB_KEYS) {
        if (entry.keyCode != keyCode)
            continue;
        if (entry.flags & LETTER) {
            if (key.virtualKey < 'A' || key.virtualKey > 'Z')
                key.virtualKey = entry.virtualKey;
            key.extended = false;
            key.keypad = false;
        } else if (entry.flags & NUMLOCKED) {
            // Num Lock on: Qt reports the digit (VK_NUMPADn); off: the
            // navigation key, which the keypad sends without the extended flag.
            const int vk = key.virtualKey;
            if (vk >= '0' && vk <= '9')
                key.virtualKey = VK_NUMPAD0 + (vk - '0');
            else if (vk == VK_OEM_PERIOD || vk == VK_OEM_COMMA)
                key.virtualKey = VK_DECIMAL;
            else if (vk == 0)
                key.virtualKey = entry.virtualKey;
            key.extended = false;
            key.keypad = true;
        } else {
            key.virtualKey = entry.virtualKey;
            key.extended = (entry.flags & EXT) != 0;
            key.keypad = (entry.flags & KEYPAD) != 0;
        }
        return true;
    }
    return true;
}

} // namespace widgets
