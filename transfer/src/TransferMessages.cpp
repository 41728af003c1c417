#include "transfer/CKeyboardTransfer.h"
#include "transfer/TransferTexts.h"

#include <keydata/KeyText.h>
#include <keydata/WritePackets.h>
#include <lodemar/Format.h>

#include <algorithm>

namespace transfer {

namespace {

// A keyboard that took nothing differs in every key: the message names the
// first few.
constexpr std::size_t DIFFERENCE_NAMES_SHOWN = 16;

std::string keyName(int keyNumber)
{
    return keydata::keyNameForUser(keyNumber);
}

} // namespace

std::string fitRefusalText(const keydata::KeyboardFit& fit)
{
    switch (fit.result) {
    case keydata::FIT_OK:
        return {};
    case keydata::FIT_E_DATA_AREA:
        // Plain int: the Windows C library of old knows no %zu.
        return lodemar::format(text::FIT_DATA_AREA, static_cast<int>(fit.dataUsed),
            static_cast<int>(fit.dataUsed - keydata::DATA_AREA_SIZE),
            static_cast<int>(keydata::DATA_AREA_SIZE), keyName(fit.overflowKey).c_str());
    case keydata::FIT_E_MARKER_BYTE:
        return lodemar::format(text::FIT_MARKER_BYTE, keyName(fit.markerKey).c_str());
    case keydata::FIT_E_UNKNOWN_KIND:
        return lodemar::format(text::FIT_UNKNOWN_KIND, keyName(fit.unknownKindKey).c_str());
    case keydata::FIT_E_DROPPED_BYTES:
        return lodemar::format(text::FIT_DROPPED_BYTES, keyName(fit.droppedBytesKey).c_str());
    case keydata::FIT_E_SETTINGS_BIT7:
        return text::FIT_SETTINGS_BIT7;
    default:
        return text::FIT_REFUSED;
    }
}

#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_BACKEND)
std::string loadFailureReason(const driverchannel::CDriverChannel& channel,
    const driverchannel::DriverBackendOptions& options, int result, const char* program)
{
    const bool emulated = !options.emulatedKeyboardMemory.empty();
    // The system's own words when it has them (what the host or pkexec said);
    // for a keyboard in use, the holder is named below instead.
    if (result != driverchannel::CHANNEL_KEYBOARD_IN_USE) {
        if (std::string own = channel.FailureReason(); !own.empty())
            return own;
    }
    switch (result) {
    case driverchannel::CHANNEL_KEYBOARD_IN_USE:
        return lodemar::format(text::LOAD_KEYBOARD_IN_USE, channel.KeyboardHolder().c_str());
    case driverchannel::CHANNEL_DRIVER_FILE_NOT_FOUND:
#if defined(_WIN32)
        return lodemar::format(
            emulated ? text::LOAD_NO_DRIVER_FILE_EMULATED : text::LOAD_NO_DRIVER_FILE_HARDWARE,
            driverchannel::DriverHostFolder(options).c_str(), program);
    case driverchannel::CHANNEL_OPEN_MANAGER_FAILED:
        return lodemar::format(text::LOAD_NO_REGISTRATION_FOLDER, program);
#else
        return lodemar::format(
            emulated ? text::LOAD_NO_DRIVER_FILE_EMULATED : text::LOAD_NO_DRIVER_FILE_HARDWARE,
            driverchannel::DriverHostFolder(options).c_str());
    case driverchannel::CHANNEL_OPEN_MANAGER_FAILED:
        (void)program; // the POSIX texts name no program
        return text::LOAD_NO_REGISTRATION_FOLDER;
#endif
#if defined(_WIN32)
    case driverchannel::CHANNEL_OPEN_SERVICE_FAILED:
        return text::LOAD_NO_REGISTRATION;
#endif
    case driverchannel::CHANNEL_OUT_OF_MEMORY:
        return text::LOAD_OUT_OF_MEMORY;
    case driverchannel::CHANNEL_START_FAILED:
        return emulated ? text::LOAD_START_FAILED_EMULATED : text::LOAD_START_FAILED_HARDWARE;
    case driverchannel::CHANNEL_NO_DEVICE:
        return text::LOAD_NO_DEVICE;
    case driverchannel::CHANNEL_DIRECTORY_FAILED:
        return text::LOAD_NO_DIRECTORY;
    default:
        return lodemar::format(text::LOAD_OTHER, result);
    }
}
#endif

std::string differenceText(const TableDifference& difference)
{
    std::string names;
    const auto add = [&names](const std::string& name) {
        if (!names.empty())
            names += text::DIFFERENCE_SEPARATOR;
        names += name;
    };
    const std::size_t shown = std::min(difference.keyNumbers.size(), DIFFERENCE_NAMES_SHOWN);
    for (std::size_t i = 0; i < shown; ++i)
        add(keyName(difference.keyNumbers[i]));
    if (shown < difference.keyNumbers.size())
        add(lodemar::format(text::DIFFERENCE_MORE, static_cast<int>(difference.keyNumbers.size() - shown)));
    if (difference.systemConfig || difference.mcrConfig)
        add(text::DIFFERENCE_SETTINGS);
    return names;
}

} // namespace transfer
