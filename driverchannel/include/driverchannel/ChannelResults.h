// The driver channel's result codes and the driver's send reports, shared by
// the channel, its backends and the callers that turn them into messages.
#pragma once

#include <tavrin/TavrinControl.h>

#include <cstdint>

namespace driverchannel {

inline constexpr int CHANNEL_SUCCESS = 0;
inline constexpr int CHANNEL_OPEN_MANAGER_FAILED = -1; // also: no private folder, 9x: opening the VxD failed
inline constexpr int CHANNEL_OPEN_SERVICE_FAILED = -2; // neither created nor opened
inline constexpr int CHANNEL_OUT_OF_MEMORY = -3;
inline constexpr int CHANNEL_DRIVER_FILE_NOT_FOUND = -4;
inline constexpr int CHANNEL_NO_DEVICE = -5; // open failed, or no handle held
inline constexpr int CHANNEL_START_FAILED = -6;
inline constexpr int CHANNEL_STOP_REFUSED = -7;
inline constexpr int CHANNEL_DELETE_FAILED = -8;
inline constexpr int CHANNEL_REQUEST_FAILED = -9;
inline constexpr int CHANNEL_NOT_PREPARED = -10;
inline constexpr int CHANNEL_PREVIOUS_NOT_REMOVED = -11;
inline constexpr int CHANNEL_DIRECTORY_FAILED = -13;
// Ours: another run holds the keyboard; KeyboardHolder() says which.
// Nothing was registered, started or sent.
inline constexpr int CHANNEL_KEYBOARD_IN_USE = -14;

// The name the program loads its port driver by.
inline constexpr char DRIVER_NAME[] = TAVRIN_DRIVER_NAME;

// Byte count with which the driver reports that the keyboard did not take a
// byte of a send (it stayed silent or refused it): the driver's own values.
inline constexpr std::uint32_t SEND_SILENT_KEYBOARD = TAVRIN_SEND_NO_REPLY;
// Byte count with which the driver reports that the keyboard refused a byte
// of a send (its "resend" reply).
inline constexpr std::uint32_t SEND_REFUSED_BY_KEYBOARD = TAVRIN_SEND_REFUSED;

} // namespace driverchannel
