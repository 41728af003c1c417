#include <keydata/KeyboardFit.h>

#include <keydata/WritePackets.h>

#include <algorithm>

namespace keydata {

namespace {

void noteFirst(int& key, int keyNumber)
{
    if (key < 0)
        key = keyNumber;
}

} // namespace

KeyboardFit checkKeyboardFit(const KeyTable& table)
{
    KeyboardFit fit;
    // Walk the key numbers as the write does: shared slots are written
    // (and take data-area room) once per key number.
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        const KeyRecord& record = table.RecordOfKeyNumber(n);
        const auto content = record.Bytes();
        std::span<const std::uint8_t> written;
        switch (record.kind) {
        case KIND_FUNCTION:
        case KIND_STRING:
            fit.dataUsed += content.size() + 1;
            if (fit.dataUsed > DATA_AREA_SIZE)
                noteFirst(fit.overflowKey, n);
            written = content;
            break;
        case KIND_SWITCH:
            written = content.first(std::min<std::size_t>(content.size(), 1));
            if (content.size() > 1)
                noteFirst(fit.droppedBytesKey, n);
            break;
        case KIND_EMPTY:
            if (!content.empty())
                noteFirst(fit.droppedBytesKey, n);
            break;
        default:
            noteFirst(fit.unknownKindKey, n);
            break;
        }
        if (std::any_of(written.begin(), written.end(), [](std::uint8_t b) { return b >= FIRST_MARK; }))
            noteFirst(fit.markerKey, n);
    }
    fit.settingsBit7 = (table.systemConfig & ~SETTINGS_MASK) != 0 || (table.mcrConfig & ~SETTINGS_MASK) != 0;
    fit.dataFree = fit.dataUsed <= DATA_AREA_SIZE ? DATA_AREA_SIZE - fit.dataUsed : 0;

    if (fit.overflowKey >= 0)
        fit.result = FIT_E_DATA_AREA;
    else if (fit.markerKey >= 0)
        fit.result = FIT_E_MARKER_BYTE;
    else if (fit.unknownKindKey >= 0)
        fit.result = FIT_E_UNKNOWN_KIND;
    else if (fit.droppedBytesKey >= 0)
        fit.result = FIT_E_DROPPED_BYTES;
    else if (fit.settingsBit7)
        fit.result = FIT_E_SETTINGS_BIT7;
    return fit;
}

} // namespace keydata
