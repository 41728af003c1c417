// Byte values shared by everything that speaks to the programmable keyboard
// or stores its key table: record kinds, content markers, the markers of the
// keyboard memory image, the keyboard's command bytes and its memory layout.
// Header-only and dependency-free so that the keyboard emulator can use it.
#pragma once

#include <cstdint>

namespace keydata {

// Record kinds.
inline constexpr std::uint8_t KIND_EMPTY = 0;
inline constexpr std::uint8_t KIND_SWITCH = 1;
inline constexpr std::uint8_t KIND_FUNCTION = 2;
inline constexpr std::uint8_t KIND_STRING = 3;

// Marker bytes inside function and string content.
inline constexpr std::uint8_t EXTENSION_PREFIX = 0xE0;
inline constexpr std::uint8_t RELEASE_MARKER = 0xE1;
inline constexpr std::uint8_t LAYER_SEPARATOR = 0xE2;
inline constexpr std::uint8_t DELAY_UNIT = 0xE3;
inline constexpr std::uint8_t PAUSE_CODE = 0xE4;

// Switch content that selects a lock key rather than a layer.
inline constexpr std::uint8_t LOCK_CAPS = 0x58;
inline constexpr std::uint8_t LOCK_NUM = 0x77;
inline constexpr std::uint8_t LOCK_SCROLL = 0x7E;

// Markers of the keyboard memory image; every other image byte is below 0xFA.
inline constexpr std::uint8_t KEY_MARK = 0xFA;
inline constexpr std::uint8_t DATA_MARK = 0xFB;
inline constexpr std::uint8_t SETTINGS_MARK = 0xFC;
inline constexpr std::uint8_t END_MARK = 0xFD;
inline constexpr std::uint8_t FIRST_MARK = KEY_MARK;

// Keyboard command bytes.
inline constexpr std::uint8_t CMD_SET_ADDRESS = 0xE8; // + address pair
inline constexpr std::uint8_t CMD_WRITE = 0xE7; // + data bytes from the current address
inline constexpr std::uint8_t CMD_FINISH = 0xED; // + FINISH_ARGUMENT, once after the last key
inline constexpr std::uint8_t CMD_READ = 0xE9; // the keyboard answers with its image
inline constexpr std::uint8_t FINISH_ARGUMENT = 0x00;

// Keyboard memory as the write packets lay it out.
inline constexpr std::uint16_t HEADER_ADDRESS = 0x000; // signature and settings
inline constexpr std::uint8_t HEADER_SIGNATURE_0 = 0xAA;
inline constexpr std::uint8_t HEADER_SIGNATURE_1 = 0x55;
inline constexpr std::uint8_t SETTINGS_MASK = 0x7F; // settings travel as 7-bit values
inline constexpr std::uint16_t KEY_ENTRY_BASE = 0x100; // two bytes per key number
inline constexpr std::uint16_t DATA_AREA_BASE = 0x200; // contents, each followed by 0x00
inline constexpr std::uint16_t DATA_AREA_END = 0x1000; // entries carry 12 address bits

inline constexpr int KEY_NUMBER_COUNT = 128;
inline constexpr int MAX_CONTENT = 255;

// Settings defaults of a fresh table (and of a never-programmed keyboard).
inline constexpr std::uint8_t DEFAULT_SYSTEM_CONFIG = 0x03;
inline constexpr std::uint8_t DEFAULT_MCR_CONFIG = 0x0F;

} // namespace keydata
