// The key programming dialog's template (129): the ids of its controls,
// their places in dialog units, and the on-screen PC keyboard (each key's
// id, caption and place). One table for every front end; the codes the
// keys append are the composition rules' (keycomposition/KeyCodes.h).
#pragma once

#include <dialoglayout/DialogPlace.h>
#include <dialoglayout/TemplateTexts.h>

#include <resources/ResourceIds.h>

#include <span>
#include <string_view>

namespace dialoglayout {

inline constexpr int IDD_KEY_PROGRAMMING = 129;
inline constexpr int KEY_DIALOG_WIDTH = 383;
inline constexpr int KEY_DIALOG_HEIGHT = 208;

// Control ids besides the on-screen keys.
inline constexpr int ID_OK = 1;
inline constexpr int ID_CANCEL = 2;
inline constexpr int ID_KEY_DATA = 1127;
inline constexpr int ID_DELETE = 1129;
inline constexpr int ID_DELAY_SPIN = 1130;
inline constexpr int ID_DELAY = 1131;
inline constexpr int ID_LAYER = 1132;
inline constexpr int ID_LAYER_SPIN = 1133;
inline constexpr int ID_STRING_MODE = 1160;
inline constexpr int ID_FUNCTION_MODE = 1161;
inline constexpr int ID_COMBINE_KEY = 1162; // hidden and disabled, no behaviour
inline constexpr int ID_LAYER_SWITCH = 1163;
inline constexpr int ID_SWITCH_LAYER = 1165; // the layer combo box
// Ours: undo, and the bytes the key uses.
inline constexpr int ID_UNDO = 1170;
inline constexpr int ID_CONTENT_USE = 1171;
inline constexpr int SWITCH_LAYER_COUNT = 15; // "Layer 1" .. "Layer 15"

// Ids of the on-screen keys that rules and views name.
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

// Places of the controls outside the keyboard.
inline constexpr DialogPlace KEYBOARD_GROUP_PLACE { 7, 7, 368, 115 };
inline constexpr DialogPlace KEY_DATA_LABEL_PLACE { 7, 127, 40, 8 };
inline constexpr DialogPlace KEY_DATA_PLACE { 7, 137, 196, 64 };
inline constexpr DialogPlace DELETE_PLACE { 207, 137, 19, 13 };
// Ours, in room the template leaves free: the bytes used, right-aligned
// over "Key Data", and Undo under "<--".
inline constexpr DialogPlace CONTENT_USE_PLACE { 113, 127, 90, 8 };
inline constexpr DialogPlace UNDO_PLACE { 207, 153, 23, 13 };
inline constexpr DialogPlace OPERATION_GROUP_PLACE { 232, 125, 66, 48 };
inline constexpr DialogPlace DELAY_LABEL_PLACE { 238, 138, 22, 8 };
inline constexpr DialogPlace DELAY_PLACE { 260, 136, 24, 12 };
inline constexpr DialogPlace DELAY_SPIN_PLACE { 284, 136, 9, 12 };
inline constexpr DialogPlace LAYER_LABEL_PLACE { 238, 155, 22, 8 };
inline constexpr DialogPlace LAYER_PLACE { 260, 153, 24, 12 };
inline constexpr DialogPlace LAYER_SPIN_PLACE { 284, 153, 9, 12 };
inline constexpr DialogPlace MODE_GROUP_PLACE { 304, 125, 71, 76 };
inline constexpr DialogPlace STRING_MODE_PLACE { 310, 136, 62, 10 };
inline constexpr DialogPlace FUNCTION_MODE_PLACE { 310, 148, 62, 10 };
inline constexpr DialogPlace LAYER_SWITCH_PLACE { 310, 160, 62, 10 };
inline constexpr DialogPlace SWITCH_LAYER_PLACE { 310, 174, 60, 12 };
inline constexpr DialogPlace COMBINE_KEY_PLACE { 310, 188, 62, 10 };
inline constexpr DialogPlace OK_PLACE { 232, 183, 32, 16 };
inline constexpr DialogPlace CANCEL_PLACE { 268, 183, 32, 16 };

// The pictures of the strip buttons that do not change (the modifier
// strips change with their state, see the key dialog's presenter).
inline constexpr int KEYPAD_ENTER_STRIP = resources::BITMAP_KEYPAD_ENTER;
inline constexpr int DELETE_STRIP = resources::BITMAP_DELETE_KEY;

struct OnScreenKey {
    int id;
    const char* caption; // two-line captions: shifted "\n" unshifted
    DialogPlace place;
};

// The width of every plain key, the height of every key below the
// function row, and the function row's height.
inline constexpr int ON_SCREEN_KEY_W = 15;
inline constexpr int ON_SCREEN_KEY_H = 15;
inline constexpr int FUNCTION_ROW_H = 12;

// The 101 buttons in the group box "Keyborad", row by row as they are laid out.
inline constexpr OnScreenKey ON_SCREEN_KEYS[] = {
    // Function keys.
    { KEY_ESCAPE, "Esc", { 13, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1112, "F1", { 37, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1113, "F2", { 53, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1114, "F3", { 69, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1115, "F4", { 85, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1116, "F5", { 109, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1117, "F6", { 125, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1118, "F7", { 141, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1119, "F8", { 157, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1120, "F9", { 183, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1121, "F10", { 199, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1122, "F11", { 215, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { 1123, "F12", { 231, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { KEY_PRINT_SCREEN, "PS", { 254, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { KEY_SCROLL_LOCK, "SCL", { 270, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    { KEY_PAUSE, "Pau", { 286, 18, ON_SCREEN_KEY_W, FUNCTION_ROW_H } },
    // Digits.
    { 1001, "~\n`", { 13, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1002, "!\n1", { 29, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1003, "@\n2", { 45, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1004, "#\n3", { 61, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1005, "$\n4", { 77, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1006, "%\n5", { 93, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1007, "^\n6", { 109, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1008, "&\n7", { 125, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } }, // two lines, like its neighbours
    { 1009, "*\n8", { 141, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1010, "(\n9", { 157, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1011, ")\n0", { 173, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1012, "_\n-", { 189, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1013, "+\n=", { 205, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { KEY_BACKSPACE, "<--", { 221, 35, 26, ON_SCREEN_KEY_H } },
    // Upper letters.
    { KEY_TAB, "Tab", { 13, 52, 26, ON_SCREEN_KEY_H } },
    { 1017, "Q", { 39, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1018, "W", { 55, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1019, "E", { 71, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1020, "R", { 87, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1021, "T", { 103, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1022, "Y", { 119, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1023, "U", { 135, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1024, "I", { 151, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1025, "O", { 167, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1026, "P", { 183, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1027, "{\n[", { 199, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1028, "}\n]", { 215, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1029, "|\n\\", { 231, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    // Middle letters.
    { KEY_CAPS, "Caps", { 13, 69, 28, ON_SCREEN_KEY_H } },
    { 1031, "A", { 42, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1032, "S", { 58, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1033, "D", { 74, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1034, "F", { 90, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1035, "G", { 106, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1036, "H", { 122, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1037, "J", { 138, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1038, "K", { 154, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1039, "L", { 170, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1040, ":\n;", { 186, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1041, "\"\n'", { 202, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { KEY_ENTER, "Enter", { 218, 69, 29, ON_SCREEN_KEY_H } },
    // Lower letters.
    { KEY_LEFT_SHIFT, "Shift", { 13, 86, 38, ON_SCREEN_KEY_H } },
    { 1046, "Z", { 51, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1047, "X", { 67, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1048, "C", { 83, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1049, "V", { 99, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1050, "B", { 115, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1051, "N", { 131, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1052, "M", { 147, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1053, "<\n,", { 163, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1054, ">\n.", { 179, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1055, "?\n/", { 195, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { KEY_RIGHT_SHIFT, "Shift", { 211, 86, 38, ON_SCREEN_KEY_H } },
    // Space row.
    { KEY_LEFT_CTRL, "Ctrl", { 13, 103, 32, ON_SCREEN_KEY_H } },
    { KEY_LEFT_ALT, "Alt", { 60, 103, 26, ON_SCREEN_KEY_H } },
    { KEY_SPACE, " ", { 87, 103, 79, ON_SCREEN_KEY_H } },
    { KEY_RIGHT_ALT, "Alt", { 168, 103, 26, ON_SCREEN_KEY_H } },
    { KEY_RIGHT_CTRL, "Ctrl", { 215, 103, 32, ON_SCREEN_KEY_H } },
    // Editing block.
    { 1075, "Ins", { 254, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1080, "Hom", { 270, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1085, "PUp", { 286, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1076, "Del", { 254, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1081, "End", { 270, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1086, "PDn", { 286, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1083, "^", { 270, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1079, "<", { 254, 103, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1084, "V", { 270, 103, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1089, ">", { 286, 103, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    // Numeric keypad.
    { KEY_NUM_LOCK, "Num", { 310, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1095, "/", { 326, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1100, "*", { 342, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1105, "-", { 357, 35, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1091, "7", { 310, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1096, "8", { 326, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1101, "9", { 342, 52, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1106, "+", { 358, 52, ON_SCREEN_KEY_W, 32 } },
    { 1092, "4", { 310, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1097, "5", { 326, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1102, "6", { 342, 69, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1093, "1", { 310, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1098, "2", { 326, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { 1103, "3", { 342, 86, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
    { KEY_KEYPAD_ENTER, "Enter", { 358, 86, ON_SCREEN_KEY_W, 32 } },
    { 1099, "0", { 310, 103, 31, ON_SCREEN_KEY_H } },
    { 1104, ".", { 342, 103, ON_SCREEN_KEY_W, ON_SCREEN_KEY_H } },
};

inline constexpr int ON_SCREEN_KEY_COUNT = 101;
static_assert(std::size(ON_SCREEN_KEYS) == ON_SCREEN_KEY_COUNT);

constexpr std::span<const OnScreenKey> onScreenKeys()
{
    return ON_SCREEN_KEYS;
}

// The on-screen key with this id, or nullptr.
constexpr const OnScreenKey* findOnScreenKey(int id)
{
    for (const OnScreenKey& key : ON_SCREEN_KEYS)
        if (key.id == id)
            return &key;
    return nullptr;
}

// The id of the on-screen key with this caption, spelt as in
// ON_SCREEN_KEYS ("A", "!\n1", "Ins"), or 0.
constexpr int onScreenKeyId(std::string_view caption)
{
    for (const OnScreenKey& key : ON_SCREEN_KEYS)
        if (caption == key.caption)
            return key.id;
    return 0;
}

// Whether the on-screen key is a strip button (the modifiers and keypad
// Enter show pictures, the others their captions).
constexpr bool isStripKey(int id)
{
    return id == KEY_LEFT_SHIFT || id == KEY_RIGHT_SHIFT || id == KEY_LEFT_CTRL || id == KEY_RIGHT_CTRL
        || id == KEY_LEFT_ALT || id == KEY_RIGHT_ALT || id == KEY_KEYPAD_ENTER;
}

} // namespace dialoglayout
