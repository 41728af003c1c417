// The program's link to the keyboard port driver: takes the keyboard for the
// run, has its backend start the driver and open its device, passes device
// requests to it, and has it stop the driver again at the end.
//
// Single-threaded; every operation returns 0 or one of the codes of
// ChannelResults.h. No exception leaves the channel.
#pragma once

#include "driverchannel/CDriverBackend.h"
#include "driverchannel/ChannelResults.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace driverchannel {

class CDriverChannel {
public:
    // The backend is borrowed and must outlive the channel.
    explicit CDriverChannel(CDriverBackend& backend);
    // The backend is owned; it must not be null.
    explicit CDriverChannel(std::unique_ptr<CDriverBackend> backend);
#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_BACKEND)
    // Over the backend of this build (the real keyboard).
    CDriverChannel();
#endif
    // Has the backend stop the driver, then gives the keyboard up.
    ~CDriverChannel();

    CDriverChannel(const CDriverChannel&) = delete;
    CDriverChannel& operator=(const CDriverChannel&) = delete;

    // Takes the keyboard for this run (CHANNEL_KEYBOARD_IN_USE when another
    // run holds it, CHANNEL_OPEN_MANAGER_FAILED when it cannot be had), then
    // has the backend find and start the driver and open its device.
    // driverPath and deviceName may be null.
    [[nodiscard]] int Load(
        std::string_view name, const char* driverPath, const char* deviceName, bool startNow);

    // 0, CHANNEL_NO_DEVICE or CHANNEL_REQUEST_FAILED (also when the driver
    // reports that the keyboard did not take the bytes).
    [[nodiscard]] int Send(std::uint32_t controlCode, const void* input, std::uint32_t inputLength);
    // The number of bytes returned (0 or more), CHANNEL_NO_DEVICE or
    // CHANNEL_REQUEST_FAILED.
    [[nodiscard]] int Request(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
        void* output, std::uint32_t outputLength);

    // After CHANNEL_KEYBOARD_IN_USE: who holds the keyboard, e.g.
    // "process 4711 (lodemar)". Empty otherwise.
    const std::string& KeyboardHolder() const
    {
        return m_keyboardHolder;
    }
    // After a failed Load: the system's reason in words, to show under the
    // program's own failure text, e.g. "tavrin: no keyboard port found ..."
    // or "pkexec: no authentication agent ..."; empty when the backend has
    // none (the result code alone then says what failed).
    std::string FailureReason() const
    {
        return m_backend.FailureReason();
    }

private:
    std::unique_ptr<CDriverBackend> m_ownedBackend;
    CDriverBackend& m_backend;
    std::string m_keyboardHolder;
    bool m_claimed = false;
};

} // namespace driverchannel
