#include <keydata/KeySettings.h>

namespace keydata {

namespace {
constexpr SettingBit SYSTEM_BITS[] = {
    { SYSTEM_BEEP_ENABLE, "Beep enable" },
    { SYSTEM_SEND_BREAK_CODE, "Send break code" },
    { SYSTEM_BEEP_NOP_KEY, "Beep (nop key)" },
};
constexpr SettingBit MCR_BITS[] = {
    { MCR_SEND_FORMAT_CODE, "Send format_code" },
    { MCR_SEND_ENTER, "Send [Enter]" },
    { MCR_TRACK2_ENABLE, "Track2 enable" },
    { MCR_TRACK3_ENABLE, "Track3 enable" },
};
} // namespace

std::span<const SettingBit> systemConfigBits()
{
    return SYSTEM_BITS;
}
std::span<const SettingBit> mcrConfigBits()
{
    return MCR_BITS;
}

} // namespace keydata
