#include "driverchannel/CDriverChannel.h"

#include <climits>
#include <new>
#include <utility>

namespace driverchannel {

CDriverChannel::CDriverChannel(CDriverBackend& backend)
    : m_backend(backend)
{
}

CDriverChannel::CDriverChannel(std::unique_ptr<CDriverBackend> backend)
    : m_ownedBackend(std::move(backend))
    , m_backend(*m_ownedBackend)
{
}

#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_BACKEND)
CDriverChannel::CDriverChannel()
    : CDriverChannel(CreateDriverBackend())
{
}
#endif

CDriverChannel::~CDriverChannel()
{
    try {
        (void)m_backend.StopDriver(); // a destructor has no one to tell
        // Only now: the next run must not find our driver still serving.
        if (m_claimed)
            m_backend.ReleaseKeyboard();
    } catch (...) {
        // Nothing can be reported from here; the driver is left as it is.
    }
}

int CDriverChannel::Load(std::string_view name, const char* driverPath, const char* deviceName, bool startNow)
{
    try {
        std::string holder;
        switch (m_backend.ClaimKeyboard(name, holder)) {
        case KeyboardClaim::Held:
            break;
        case KeyboardClaim::InUse:
            m_keyboardHolder = std::move(holder);
            return CHANNEL_KEYBOARD_IN_USE;
        case KeyboardClaim::Failed:
            return CHANNEL_OPEN_MANAGER_FAILED;
        }
        m_claimed = true;
        m_keyboardHolder.clear();
        return m_backend.StartDriver(name, driverPath, deviceName, startNow);
    } catch (const std::bad_alloc&) {
        return CHANNEL_OUT_OF_MEMORY;
    }
}

int CDriverChannel::Send(std::uint32_t controlCode, const void* input, std::uint32_t inputLength)
{
    std::uint32_t count = 0;
    const int result = m_backend.Control(controlCode, input, inputLength, nullptr, 0, count);
    if (result != CHANNEL_SUCCESS)
        return result;
    // The driver's report of a silent or refusing keyboard is a failed send.
    if (count == SEND_SILENT_KEYBOARD || count == SEND_REFUSED_BY_KEYBOARD)
        return CHANNEL_REQUEST_FAILED;
    return CHANNEL_SUCCESS;
}

int CDriverChannel::Request(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
    void* output, std::uint32_t outputLength)
{
    std::uint32_t count = 0;
    const int result = m_backend.Control(controlCode, input, inputLength, output, outputLength, count);
    if (result != CHANNEL_SUCCESS)
        return result;
    // A count beyond the caller's buffer cannot be true; passing it on would
    // make the caller read past its buffer.
    if (count > outputLength || count > static_cast<std::uint32_t>(INT_MAX))
        return CHANNEL_REQUEST_FAILED;
    return static_cast<int>(count);
}

} // namespace driverchannel
