#include "transfer/CKeyboardTransfer.h"
#include "transfer/TransferTexts.h"

#include <keydata/WritePackets.h>

#include <cstdarg>
#include <cstdio>

namespace transfer {

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return length > 0 ? std::string(buffer) : std::string();
}

} // namespace

std::string fitRefusalText(const keydata::KeyboardFit& fit)
{
    switch (fit.result) {
    case keydata::FIT_OK:
        return {};
    case keydata::FIT_E_DATA_AREA:
        // Plain int: the Windows C library of old knows no %zu.
        return formatText(text::FIT_DATA_AREA, static_cast<int>(fit.dataUsed),
            static_cast<int>(fit.dataUsed - keydata::DATA_AREA_SIZE),
            static_cast<int>(keydata::DATA_AREA_SIZE), fit.overflowKey);
    case keydata::FIT_E_MARKER_BYTE:
        return formatText(text::FIT_MARKER_BYTE, fit.markerKey);
    case keydata::FIT_E_UNKNOWN_KIND:
        return formatText(text::FIT_UNKNOWN_KIND, fit.unknownKindKey);
    case keydata::FIT_E_DROPPED_BYTES:
        return formatText(text::FIT_DROPPED_BYTES, fit.droppedBytesKey);
    case keydata::FIT_E_SETTINGS_BIT7:
        return text::FIT_SETTINGS_BIT7;
    default:
        return text::FIT_REFUSED;
    }
}

} // namespace transfer
