// The real keyboard when the monitor holds the controller's ports (raw port
// I/O, CRawPorts.h): the serving process runs the driver core itself only for
// what needs no port (version, unknown codes, a send the core refuses for
// its size), and has the monitor run the keyboard's requests.
#include <unistd.h>

#include <algorithm>

#include <tavrin/TavrinWire.h>

#include "CHostBackend.h"
#include "HardwareHost.h"
#include "HostClock.h"
#include "MonitorProtocol.h"

namespace tavrin {

namespace {

// The longest exchange, a read-out from a keyboard that keeps sending,
// stays well within this.
constexpr int EXCHANGE_WAIT_MS = 30000;

class CMonitorExchangeBackend final : public CHostBackend {
public:
    explicit CMonitorExchangeBackend(int monitorFd)
        : m_monitor(monitorFd)
    {
    }
    ~CMonitorExchangeBackend() override { ::close(m_monitor); }

    // No ports here: a request that reached one would be a fault.
    TavrinPlatform Platform() override
    {
        TavrinPlatform p = realKeyboardPlatform(nullptr, false);
        p.readPort = [](void*, std::uint16_t) -> std::uint8_t { return 0xFF; };
        p.writePort = [](void*, std::uint16_t, std::uint8_t) {};
        return p;
    }

    std::uint32_t Kind() const override { return BACKEND_HARDWARE; }

    TavrinCompletion Serve(std::uint32_t code, std::uint8_t* systemBuffer, std::uint32_t inputLength,
        std::uint32_t outputLength) override
    {
        if (!touchesKeyboard(code) || inputLength > MONITOR_MAX_INPUT)
            return CHostBackend::Serve(code, systemBuffer, inputLength, outputLength);
        // The core never returns more than a read-out's 8001 bytes: a larger
        // offer is the same request.
        const std::uint32_t offered = std::min(outputLength, MONITOR_MAX_OUTPUT);
        TavrinCompletion done {};
        std::uint32_t count = 0;
        if (!askMonitorExchange(m_monitor, code, systemBuffer, inputLength, systemBuffer, offered,
                EXCHANGE_WAIT_MS, done, count))
            return TavrinCompletion { HOST_STATUS_NO_KEYBOARD, 0 };
        return done;
    }

private:
    int m_monitor;
};

} // namespace

std::unique_ptr<CHostBackend> openMonitorExchangeBackend(int monitorFd)
{
    return std::make_unique<CMonitorExchangeBackend>(monitorFd);
}

} // namespace tavrin
