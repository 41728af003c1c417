#include <keycomposition/KeyMap.h>

#include <keycomposition/VirtualKeys.h>

#include <dialoglayout/KeyDialogLayout.h>

#include <iterator>

namespace keycomposition {

using namespace dialoglayout;

namespace {

constexpr KeyMapEntry KEY_MAP[] = {
    { VK_OEM_3, 1001 },
    { '1', 1002 },
    { '2', 1003 },
    { '3', 1004 },
    { '4', 1005 },
    { '5', 1006 },
    { '6', 1007 },
    { '7', 1008 },
    { '8', 1009 },
    { '9', 1010 },
    { '0', 1011 },
    { VK_OEM_MINUS, 1012 },
    { VK_OEM_PLUS, 1013 },
    { VK_BACK, KEY_BACKSPACE },
    { VK_TAB, KEY_TAB },
    { 'Q', 1017 },
    { 'W', 1018 },
    { 'E', 1019 },
    { 'R', 1020 },
    { 'T', 1021 },
    { 'Y', 1022 },
    { 'U', 1023 },
    { 'I', 1024 },
    { 'O', 1025 },
    { 'P', 1026 },
    { VK_OEM_4, 1027 },
    { VK_OEM_6, 1028 },
    { VK_OEM_5, 1029 },
    { VK_CAPITAL, KEY_CAPS },
    { 'A', 1031 },
    { 'S', 1032 },
    { 'D', 1033 },
    { 'F', 1034 },
    { 'G', 1035 },
    { 'H', 1036 },
    { 'J', 1037 },
    { 'K', 1038 },
    { 'L', 1039 },
    { VK_OEM_1, 1040 },
    { VK_OEM_7, 1041 },
    { VK_RETURN, KEY_ENTER },
    { VK_SHIFT, KEY_LEFT_SHIFT },
    { 'Z', 1046 },
    { 'X', 1047 },
    { 'C', 1048 },
    { 'V', 1049 },
    { 'B', 1050 },
    { 'N', 1051 },
    { 'M', 1052 },
    { VK_OEM_COMMA, 1053 },
    { VK_OEM_PERIOD, 1054 },
    { VK_OEM_2, 1055 },
    { VK_SHIFT, KEY_RIGHT_SHIFT },
    { VK_CONTROL, KEY_LEFT_CTRL },
    { VK_SPACE, KEY_SPACE },
    { VK_CONTROL, KEY_RIGHT_CTRL },
    { VK_INSERT, 1075 },
    { VK_DELETE, 1076 },
    { VK_LEFT, 1079 },
    { VK_HOME, 1080 },
    { VK_END, 1081 },
    { VK_UP, 1083 },
    { VK_DOWN, 1084 },
    { VK_PRIOR, 1085 },
    { VK_NEXT, 1086 },
    { VK_RIGHT, 1089 },
    { VK_NUMLOCK, KEY_NUM_LOCK },
    { VK_NUMPAD7, 1091 },
    { VK_NUMPAD4, 1092 },
    { VK_NUMPAD1, 1093 },
    { VK_DIVIDE, 1095 },
    { VK_NUMPAD8, 1096 },
    { VK_NUMPAD5, 1097 },
    { VK_NUMPAD2, 1098 },
    { VK_NUMPAD0, 1099 },
    { VK_MULTIPLY, 1100 },
    { VK_NUMPAD9, 1101 },
    { VK_NUMPAD6, 1102 },
    { VK_NUMPAD3, 1103 },
    { VK_DECIMAL, 1104 },
    { VK_SUBTRACT, 1105 },
    { VK_ADD, 1106 },
    { VK_RETURN, KEY_KEYPAD_ENTER },
    { VK_ESCAPE, KEY_ESCAPE },
    { VK_F1, 1112 },
    { VK_F2, 1113 },
    { VK_F3, 1114 },
    { VK_F4, 1115 },
    { VK_F5, 1116 },
    { VK_F6, 1117 },
    { VK_F7, 1118 },
    { VK_F8, 1119 },
    { VK_F9, 1120 },
    { VK_F10, 1121 },
    { VK_F11, 1122 },
    { VK_F12, 1123 },
    { VK_SCROLL, KEY_SCROLL_LOCK },
};
static_assert(std::size(KEY_MAP) == KEY_MAP_SIZE);

} // namespace

std::span<const KeyMapEntry> keyMap()
{
    return KEY_MAP;
}

int buttonOfVirtualKey(int virtualKey)
{
    for (const KeyMapEntry& entry : KEY_MAP)
        if (entry.virtualKey == virtualKey)
            return entry.buttonId;
    return 0;
}

} // namespace keycomposition
