// Display text of key contents and the captions of the grid's key caps. The
// text is for display only; nothing parses it back into bytes.
#pragma once

#include <keydata/KeyTable.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace keydata {

// Three-character name of every byte value in function content.
extern const std::array<const char*, 256> keyNameTable;

// Text pieces of string content.
inline constexpr const char* STRING_TAB_TEXT = "[Tab]";
inline constexpr const char* STRING_ENTER_TEXT = "[Enter]";
inline constexpr const char* STRING_SEPARATOR_TEXT = "[SE/]";
inline constexpr const char* STRING_DELAY_TEXT = "[D1S]";
inline constexpr std::uint8_t CHAR_TAB = 0x09;
inline constexpr std::uint8_t CHAR_ENTER = 0x0D;

// How messages name a key: by its grid caption with its key number in
// parentheses, or by its key number alone when no grid key shows it.
inline constexpr const char* KEY_NAME_CAPTION = "key ";
inline constexpr const char* KEY_NAME_NUMBER = "key number ";

// Every renderer appends to the caller's text and adds no separators.
// Contents end at their first 0x00 or at the end of the span.

// Switch value: nothing for 0, "Caps.", "Num.", "Scroll." for the lock
// codes, "<M%d>" for anything else.
void renderSwitchText(std::uint8_t value, std::string& text);

// keyNameTable[b] for each byte: exactly three characters per byte.
void renderFunctionText(std::span<const std::uint8_t> content, std::string& text);

// Each byte as itself, except Tab, Enter, separator and delay.
void renderStringText(std::span<const std::uint8_t> content, std::string& text);

// By kind: switch, function or string text; kind 0 and kinds above 3 give
// nothing.
void renderKeyText(const KeyRecord& record, std::string& text);

// Caption of the key cap with control id 1001..1100: its number, or L, R,
// S, X, Z for the five small keys; nothing for an empty key or another id.
void keyCaption(int controlId, bool empty, std::string& text);

// The caption of the grid key that shows key number 0..127 (as keyCaption,
// for a key that is not empty); nothing for key number 120 and the key
// numbers of the shared slot, which no grid key shows.
void keyNumberCaption(int keyNumber, std::string& text);

// The key number of the grid key with that caption ("1".."95", "L", "R",
// "S", "X", "Z"); -1 for any other text.
int keyNumberOfCaption(const std::string& caption);

// The one way a person reads the name of key number 0..127: "key 1 (key
// number 93)", "key L (key number 125)", or, for a key number without a grid
// key, "key number 120".
std::string keyNameForUser(int keyNumber);

} // namespace keydata
