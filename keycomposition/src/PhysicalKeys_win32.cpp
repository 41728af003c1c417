// Windows' key message fields as a physical key: the virtual key is the
// message's wParam, the scan code may carry the extended bit as bit 8 (as Qt
// reports it), and the native modifiers carry it as bit 24 (the message's
// lParam bit). Pure arithmetic, so it is built and tested on every platform;
// the Win32 front end and the Qt one on Windows decode their keys here.
#include <keycomposition/VirtualKeys.h>

#include <cstdint>

namespace keycomposition {
namespace {

inline constexpr std::uint32_t NATIVE_EXTENDED_KEY = 0x01000000;
inline constexpr std::uint32_t SCAN_CODE_EXTENDED = 0x100;
inline constexpr std::uint32_t SCAN_CODE_MASK = 0xFF;
inline constexpr std::uint32_t SCAN_RIGHT_SHIFT = 0x36;

} // namespace

bool decodeWin32Key(
    std::uint32_t scanCode, std::uint32_t virtualKey, std::uint32_t nativeModifiers, PhysicalKey& key)
{
    if (virtualKey == 0)
        return false;
    const bool extendedBit
        = (nativeModifiers & NATIVE_EXTENDED_KEY) != 0 || (scanCode & SCAN_CODE_EXTENDED) != 0;
    const int vk = int(virtualKey);
    key.virtualKey = vk;
    // The right Shift has a scan code of its own instead of the extended
    // bit; it is reported extended like the other right-hand modifiers.
    key.extended = extendedBit || (vk == VK_SHIFT && (scanCode & SCAN_CODE_MASK) == SCAN_RIGHT_SHIFT);
    if ((vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) || (vk == VK_RETURN && extendedBit)) {
        key.keypad = true;
    } else {
        // With Num Lock off the keypad sends the navigation keys, without
        // the extended bit that the separate navigation block has.
        switch (vk) {
        case VK_CLEAR:
            key.keypad = true;
            break;
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_INSERT:
        case VK_DELETE:
            key.keypad = !extendedBit;
            break;
        default:
            key.keypad = false;
            break;
        }
    }
    return true;
}

} // namespace keycomposition
