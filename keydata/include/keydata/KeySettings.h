// The option bits of the two keyboard-wide settings bytes and the names the
// configuration dialog gives them.
#pragma once

#include <cstdint>
#include <span>

namespace keydata {

inline constexpr std::uint8_t SYSTEM_BEEP_ENABLE = 0x01;
inline constexpr std::uint8_t SYSTEM_SEND_BREAK_CODE = 0x02;
inline constexpr std::uint8_t SYSTEM_BEEP_NOP_KEY = 0x04;

inline constexpr std::uint8_t MCR_SEND_FORMAT_CODE = 0x01;
inline constexpr std::uint8_t MCR_SEND_ENTER = 0x02;
inline constexpr std::uint8_t MCR_TRACK2_ENABLE = 0x04;
inline constexpr std::uint8_t MCR_TRACK3_ENABLE = 0x08;

struct SettingBit {
    std::uint8_t mask;
    const char* name;
};

// In bit order; every other bit has no option and is written as 0 by the
// configuration dialog.
std::span<const SettingBit> systemConfigBits();
std::span<const SettingBit> mcrConfigBits();

} // namespace keydata
