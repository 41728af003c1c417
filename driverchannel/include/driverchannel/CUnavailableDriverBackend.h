// A backend for a keyboard this build cannot reach (the emulated keyboard on
// Windows, or one whose memory file has no place). It touches nothing: there
// is no driver anywhere, so Load ends with CHANNEL_DRIVER_FILE_NOT_FOUND, and
// there is never a device.
#pragma once

#include "driverchannel/CDriverBackend.h"
#include "driverchannel/ChannelResults.h"

namespace driverchannel {

class CUnavailableDriverBackend final : public CDriverBackend {
public:
    KeyboardClaim ClaimKeyboard(std::string_view, std::string&) override { return KeyboardClaim::Held; }
    int StartDriver(std::string_view, const char*, const char*, bool) override
    {
        return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    int Control(std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t&) override
    {
        return CHANNEL_NO_DEVICE;
    }
    int StopDriver() override { return CHANNEL_SUCCESS; }
    void ReleaseKeyboard() override { }
};

} // namespace driverchannel
