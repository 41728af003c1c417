// What each on-screen key of the key programming dialog appends: the make
// code (scan code set 2) in Function Mode, the extended and lock keys, the
// modifiers and their sides, and the character in String Mode. The keys
// themselves (ids, captions, places) are the template's
// (dialoglayout/KeyDialogLayout.h).
#pragma once

#include <cstdint>

namespace keycomposition {

// The code table covers these ids.
inline constexpr int FIRST_KEY_ID = 1000;
inline constexpr int LAST_KEY_ID = 1126;
// From this id on, a one-character caption is appended as it stands
// (space bar, keypad) instead of being lower-cased.
inline constexpr int FIRST_VERBATIM_KEY_ID = 1057;

// Print Screen is not one code but the make codes of a shifted keypad "*".
inline constexpr std::uint8_t PRINT_SCREEN_SEQUENCE[] = { 0xE0, 0x12, 0xE0, 0x7C };

// The make code of the button id 1000..1126; 0 for any other id and for
// ids that carry no code.
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

} // namespace keycomposition
