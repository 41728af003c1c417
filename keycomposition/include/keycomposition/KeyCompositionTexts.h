// The names a screen reader says for the on-screen keys whose captions say
// too little ("<--", "PS", "^"), and the words that tell the keypad and
// the two sides apart (ours).
#pragma once

namespace keycomposition {

struct KeyNameText {
    int id;
    const char* name;
};

inline constexpr KeyNameText ON_SCREEN_KEY_NAMES[] = {
    { 1110, "Escape" },
    { 1124, "Print Screen" },
    { 1125, "Scroll Lock" },
    { 1126, "Pause" },
    { 1015, "Backspace" },
    { 1030, "Caps Lock" },
    { 1061, "Space" },
    { 1075, "Insert" },
    { 1076, "Delete" },
    { 1080, "Home" },
    { 1081, "End" },
    { 1085, "Page Up" },
    { 1086, "Page Down" },
    { 1083, "Up arrow" },
    { 1079, "Left arrow" },
    { 1084, "Down arrow" },
    { 1089, "Right arrow" },
    { 1090, "Num Lock" },
};
inline constexpr const char* KEY_NAME_KEYPAD = "Keypad %s";
inline constexpr const char* KEY_NAME_LEFT = "Left %s";
inline constexpr const char* KEY_NAME_RIGHT = "Right %s";

} // namespace keycomposition
