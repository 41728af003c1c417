// Whether a table can be written to the keyboard faithfully, and if not why.
#pragma once

#include <keydata/KeyTable.h>

#include <cstddef>

namespace keydata {

inline constexpr int FIT_OK = 0;
// The function and string contents with one terminator each pass the data
// area 0x200..0xFFF: the write cannot be made.
inline constexpr int FIT_E_DATA_AREA = -1;
// A written content byte of 0xFA or above: the keyboard stores it, but its
// read-out would take it for an image marker.
inline constexpr int FIT_E_MARKER_BYTE = -2;
// A kind above 3: written as an empty key.
inline constexpr int FIT_E_UNKNOWN_KIND = -3;
// Bytes the packets do not carry: content of an empty key, or a switch key
// with more than its one byte.
inline constexpr int FIT_E_DROPPED_BYTES = -4;
// A settings byte with bit 7 set: settings travel as 7-bit values.
inline constexpr int FIT_E_SETTINGS_BIT7 = -5;

struct [[nodiscard]] KeyboardFit {
    int result = FIT_OK; // the first problem in the order above
    std::size_t dataUsed = 0; // data-area bytes the write needs
    std::size_t dataFree = 0; // DATA_AREA_SIZE - dataUsed, 0 when it does not fit
    // First key number with each problem, -1 when none.
    int overflowKey = -1;
    int markerKey = -1;
    int unknownKindKey = -1;
    int droppedBytesKey = -1;
    bool settingsBit7 = false;

    bool Fits() const { return result == FIT_OK; }
};

KeyboardFit checkKeyboardFit(const KeyTable& table);

} // namespace keydata
