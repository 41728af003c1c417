// The on-screen PC keyboard of the key programming dialog: its buttons
// (id, caption, place in dialog units), the scan code each one appends in
// Function Mode, and the character it appends in String Mode. Plain data,
// no Qt, so that the composing rules can be tested everywhere.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace dialogs {

// Button ids of the on-screen keyboard that the rules name.
inline constexpr int FIRST_KEY_ID = 1000; // the code table starts here
inline constexpr int LAST_KEY_ID = 1126;
inline constexpr int KEY_BACKSPACE = 1015;
inline constexpr int KEY_TAB = 1016;
inline constexpr int KEY_CAPS = 1030;
inline constexpr int KEY_ENTER = 1043;
inline constexpr int KEY_LEFT_SHIFT = 1044;
inline constexpr int KEY_RIGHT_SHIFT = 1057;
inline constexpr int KEY_LEFT_CTRL = 1058;
inline constexpr int KEY_LEFT_ALT = 1060;
inline constexpr int KEY_SPACE = 1061;
inline constexpr int KEY_RIGHT_ALT = 1062;
inline constexpr int KEY_RIGHT_CTRL = 1064;
inline constexpr int KEY_NUM_LOCK = 1090;
inline constexpr int KEY_KEYPAD_ENTER = 1108;
inline constexpr int KEY_ESCAPE = 1110;
inline constexpr int KEY_PRINT_SCREEN = 1124;
inline constexpr int KEY_SCROLL_LOCK = 1125;
inline constexpr int KEY_PAUSE = 1126;
// From this id on, a one-character caption is appended as it stands
// (space bar, keypad) instead of being lower-cased.
inline constexpr int FIRST_VERBATIM_KEY_ID = 1057;

// Print Screen is not one code but the make codes of a shifted keypad "*".
inline constexpr std::uint8_t PRINT_SCREEN_SEQUENCE[] = { 0xE0, 0x12, 0xE0, 0x7C };

struct OnScreenKey {
    int id;
    const char* caption; // two-line captions: shifted "\n" unshifted
    // Place in the dialog, in dialog units.
    int x;
    int y;
    int width;
    int height;
};

// The 101 buttons, row by row as they are laid out.
std::span<const OnScreenKey> onScreenKeys();
inline constexpr int ON_SCREEN_KEY_COUNT = 101;

// The button with this id, or nullptr.
const OnScreenKey* findOnScreenKey(int id);

// The make code (scan code set 2) of the button id 1000..1126; 0 for any
// other id and for ids that carry no code.
std::uint8_t buttonCode(int id);

// Keys sent with EXTENSION_PREFIX before their code.
bool isExtendedKey(int id);

// The lock code of Caps, Num and SCL (LOCK_CAPS, LOCK_NUM, LOCK_SCROLL);
// 0 for every other id.
std::uint8_t lockCodeOf(int id);

// The six modifier buttons.
enum class Modifier { None, Shift, Ctrl, Alt };
Modifier modifierOf(int id);
// 1 for the left-hand button, 2 for the right-hand one, 0 otherwise.
unsigned modifierSideBit(int id);

// What a button appends in String Mode: 0x0D for "Enter", 0x09 for "Tab",
// the character of its caption by the shift state, or 0 for captions that
// append nothing (Shift, Caps, F1 and the like).
std::uint8_t stringModeCharacter(int id, bool shifted);

} // namespace dialogs
