#include <keydata/KeyText.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace keydata {

const std::array<const char*, 256> keyNameTable = {
    "x00", "F9.", "x02", "F5.", "F3.", "F1.", "F2.", "F12", // 0x00
    "x08", "F10", "F8.", "F6.", "F4.", "TAB", "[`]", "x0F", // 0x08
    "x10", "ALT", "SHT", "x13", "CTL", "(Q)", "(1)", "x17", // 0x10
    "x18", "x19", "(Z)", "(S)", "(A)", "(W)", "(2)", "x1F", // 0x18
    "x20", "(C)", "(X)", "(D)", "(E)", "(4)", "(3)", "x27", // 0x20
    "x28", "SPC", "(V)", "(F)", "(T)", "(R)", "(5)", "x2F", // 0x28
    "x30", "(N)", "(B)", "(H)", "(G)", "(Y)", "(6)", "x37", // 0x30
    "x38", "x39", "(M)", "(J)", "(U)", "(7)", "(8)", "x3F", // 0x38
    "x40", "(,)", "(K)", "(I)", "(O)", "(0)", "(9)", "x47", // 0x40
    "x48", "(.)", "(/)", "(L)", "(;)", "(P)", "(-)", "x4F", // 0x48
    "x50", "x51", "(')", "x53", "([)", "(=)", "x56", "x57", // 0x50
    "CAP", "SHT", "CR.", "(])", "x5C", "(\\)", "x5E", "x5F", // 0x58
    "x60", "x61", "x62", "x63", "x64", "x65", "BKS", "x67", // 0x60
    "x68", "END", "x6A", "<--", "Hom", "x6D", "x6E", "x6F", // 0x68
    "INS", "DEL", "DnA", "[5]", "-->", "UpA", "ESC", "NUM", // 0x70
    "F11", "[+]", "PgD", "[-]", "[*]", "PgU", "SCL", "x7F", // 0x78
    "x80", "x81", "x82", "F7.", "x84", "x85", "x86", "x87", // 0x80
    "x88", "x89", "x8A", "x8B", "x8C", "x8D", "x8E", "x8F", // 0x88
    "x90", "x91", "x92", "x93", "x94", "x95", "x96", "x97", // 0x90
    "x98", "x99", "x9A", "x9B", "x9C", "x9D", "x9E", "x9F", // 0x98
    "xA0", "xA1", "xA2", "xA3", "xA4", "xA5", "xA6", "xA7", // 0xA0
    "xA8", "xA9", "xAA", "xAB", "xAC", "xAD", "xAE", "xAF", // 0xA8
    "xB0", "xB1", "xB2", "xB3", "xB4", "xB5", "xB6", "xB7", // 0xB0
    "xB8", "xB9", "xBA", "xBB", "xBC", "xBD", "xBE", "xBF", // 0xB8
    "xC0", "xC1", "xC2", "xC3", "xC4", "xC5", "xC6", "xC7", // 0xC0
    "xC8", "xC9", "xCA", "xCB", "xCC", "xCD", "xCE", "xCF", // 0xC8
    "xD0", "xD1", "xD2", "xD3", "xD4", "xD5", "xD6", "xD7", // 0xD0
    "xD8", "xD9", "xDA", "xDB", "xDC", "xDD", "xDE", "xDF", // 0xD8
    "0E0", "0F0", "Se/", "D1S", "Pau", "xE5", "xE6", "xE7", // 0xE0
    "xE8", "xE9", "xEA", "xEB", "xEC", "xED", "xEE", "xEF", // 0xE8
    "xF0", "xF1", "xF2", "xF3", "xF4", "xF5", "xF6", "xF7", // 0xF0
    "xF8", "xF9", "xFA", "xFB", "xFC", "xFD", "xFE", "xFF", // 0xF8
};

namespace {

constexpr const char* SWITCH_CAPS_TEXT = "Caps.";
constexpr const char* SWITCH_NUM_TEXT = "Num.";
constexpr const char* SWITCH_SCROLL_TEXT = "Scroll.";
constexpr const char* SWITCH_LAYER_FORMAT = "<M%d>";

// Captions of the five small keys, control ids 1096..1100.
constexpr const char* SMALL_KEY_CAPTIONS[] = { "L", "R", "S", "X", "Z" };

std::span<const std::uint8_t> untilTerminator(std::span<const std::uint8_t> content)
{
    const auto end = std::find(content.begin(), content.end(), std::uint8_t { 0 });
    return content.first(static_cast<std::size_t>(end - content.begin()));
}

} // namespace

void renderSwitchText(std::uint8_t value, std::string& text)
{
    switch (value) {
    case 0:
        return;
    case LOCK_CAPS:
        text += SWITCH_CAPS_TEXT;
        return;
    case LOCK_NUM:
        text += SWITCH_NUM_TEXT;
        return;
    case LOCK_SCROLL:
        text += SWITCH_SCROLL_TEXT;
        return;
    default: {
        char piece[8];
        std::snprintf(piece, sizeof piece, SWITCH_LAYER_FORMAT, value);
        text += piece;
    }
    }
}

void renderFunctionText(std::span<const std::uint8_t> content, std::string& text)
{
    for (std::uint8_t b : untilTerminator(content))
        text += keyNameTable[b];
}

void renderStringText(std::span<const std::uint8_t> content, std::string& text)
{
    for (std::uint8_t b : untilTerminator(content)) {
        switch (b) {
        case CHAR_TAB:
            text += STRING_TAB_TEXT;
            break;
        case CHAR_ENTER:
            text += STRING_ENTER_TEXT;
            break;
        case LAYER_SEPARATOR:
            text += STRING_SEPARATOR_TEXT;
            break;
        case DELAY_UNIT:
            text += STRING_DELAY_TEXT;
            break;
        default:
            text += static_cast<char>(b);
        }
    }
}

void renderKeyText(const KeyRecord& record, std::string& text)
{
    switch (record.kind) {
    case KIND_SWITCH:
        renderSwitchText(record.content[0], text);
        break;
    case KIND_FUNCTION:
        renderFunctionText(record.Bytes(), text);
        break;
    case KIND_STRING:
        renderStringText(record.Bytes(), text);
        break;
    default:
        break;
    }
}

void keyCaption(int controlId, bool empty, std::string& text)
{
    const int gridIndex = controlId - GRID_FIRST_CONTROL_ID;
    if (empty || gridIndex < 0 || gridIndex >= GRID_KEYS)
        return;
    if (gridIndex < GRID_MAIN_KEYS)
        text += std::to_string(gridIndex + 1);
    else
        text += SMALL_KEY_CAPTIONS[gridIndex - GRID_MAIN_KEYS];
}

void keyNumberCaption(int keyNumber, std::string& text)
{
    const SlotCode slot = slotOfKeyNumber(keyNumber);
    if (slot == SLOT_NONE)
        return;
    for (int index = 0; index < GRID_KEYS; ++index) {
        const GridSlot grid = slotOfGridIndex(index);
        if (grid.row == slotRow(slot) && grid.column == slotColumn(slot)) {
            keyCaption(GRID_FIRST_CONTROL_ID + index, false, text);
            return;
        }
    }
}

int keyNumberOfCaption(const std::string& caption)
{
    for (int index = 0; index < GRID_KEYS; ++index) {
        std::string text;
        keyCaption(GRID_FIRST_CONTROL_ID + index, false, text);
        if (text == caption) {
            const GridSlot grid = slotOfGridIndex(index);
            return keyNumberOfSlot(grid.row, grid.column);
        }
    }
    return -1;
}

std::string keyNameForUser(int keyNumber)
{
    std::string caption;
    keyNumberCaption(keyNumber, caption);
    const std::string number = KEY_NAME_NUMBER + std::to_string(keyNumber);
    return caption.empty() ? number : KEY_NAME_CAPTION + caption + " (" + number + ")";
}

} // namespace keydata
