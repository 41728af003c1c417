// The real keyboard through serio_raw, presented to the driver core as the
// 8042 controller's status and data ports over a byte stream, so the one
// implementation of the exchange (send_cmd, read_data) serves here too. It
// runs in the serving process, which has no rights of its own: the device
// comes from the monitor (CPortMonitor.h) when a request needs the keyboard,
// and goes back to it after a short idle time.
//
// - The input buffer is always empty: serio_raw takes a written byte at once
//   (a write the kernel refuses shows as a controller that never takes it).
// - The output buffer is full while bytes the keyboard sent wait here. Every
//   byte readable is drained into a local buffer at once, since serio_raw
//   keeps only 64 and drops the rest.
// - The core bounds its waits by counts of status reads. A status read with
//   no byte waiting stands for 1 us of controller time, and that time is
//   spent waiting for the device: one look blocks (in ppoll, woken by the
//   next byte) for 1 ms and covers the next thousand reads. So the bounds of
//   10000, 90000 and 30000 reads become 10, 90 and 30 ms spent waiting,
//   whatever the speed of the machine, and time the host spent without the
//   processor never counts. The first read of a wait only looks: the wait
//   for an empty input buffer before each byte costs nothing.
// - The interrupt mask (0x21) and port B (0x61) are kept in registers of
//   their own and reach no hardware: the kernel owns the interrupt
//   controller, serio_raw already keeps the keyboard's bytes away from the
//   keyboard driver, and the i8042 driver acknowledges bytes itself.
//
// The build machines have no i8042 and no kernel modules: this is tested
// against a simulated serio_raw device here and on a real kernel in QEMU.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include <tavrin/TavrinWire.h>

#include "CHostBackend.h"
#include "HardwareHost.h"
#include "HostClock.h"
#include "HostMessages.h"
#include "HostTexts.h"
#include "MonitorProtocol.h"

namespace tavrin {

namespace {

constexpr std::int64_t NS_PER_STATUS_READ = 1000;
// How long one blocking look at the device waits: the reads it covers then
// return at once. It saves system calls and adds nothing to the latency (a
// byte wakes the wait).
constexpr std::int64_t LOOK_AHEAD_NS = 1000000;
constexpr std::size_t DRAIN_CHUNK = 4096;
// The monitor binds and gives back within a few seconds at most.
constexpr int MONITOR_WAIT_MS = 10000;

class CSerioController {
public:
    explicit CSerioController(std::int64_t slackNs)
        : m_slackNs(slackNs)
    {
    }
    ~CSerioController() { Detach(); }

    // Takes the device over (and closes it at Detach).
    void Attach(int fd)
    {
        Detach();
        m_fd = fd;
    }
    bool Attached() const { return m_fd >= 0; }
    void Detach()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_buffer.clear();
        m_head = 0;
        m_waiting = m_refused = m_lost = false;
    }

    std::uint8_t Read(std::uint16_t port)
    {
        if (port == KBC_STATUS_PORT)
            return Status();
        EndWait();
        switch (port) {
        case KBC_DATA_PORT:
            if (m_head < m_buffer.size())
                m_last = m_buffer[m_head++];
            return m_last; // an empty buffer reads its last byte, as on the controller
        case PIC_MASTER_MASK_PORT:
            return m_mask;
        case SYSTEM_PORT_B:
            return m_portB;
        default:
            return 0xFF;
        }
    }

    void Write(std::uint16_t port, std::uint8_t value)
    {
        EndWait();
        switch (port) {
        case KBC_DATA_PORT:
            m_refused = !Send(value);
            break;
        case PIC_MASTER_MASK_PORT:
            m_mask = value;
            break;
        case SYSTEM_PORT_B:
            m_portB = value;
            break;
        default:
            break;
        }
    }

    bool Lost() const { return m_lost; }

private:
    std::uint8_t Status()
    {
        if (m_refused)
            return KBC_INPUT_FULL;
        if (m_head < m_buffer.size()) {
            EndWait();
            return KBC_OUTPUT_FULL;
        }
        if (m_lost)
            return KBC_INPUT_FULL;
        if (!m_waiting) {
            // The first look of a wait does not block: a wait for the input
            // buffer to empty (before every byte sent) ends with it.
            m_waiting = true;
            m_slackLeft = m_slackNs > 0;
            m_waited = m_covered = 0;
            if (Drain(0)) {
                EndWait();
                return KBC_OUTPUT_FULL;
            }
            return 0;
        }
        if (m_slackLeft) {
            // A simulated device gets some slack before the wait counts.
            m_slackLeft = false;
            if (Drain(m_slackNs)) {
                EndWait();
                return KBC_OUTPUT_FULL;
            }
        }
        m_waited += NS_PER_STATUS_READ;
        // This much waiting is already known to have passed without a byte.
        if (m_waited <= m_covered)
            return 0;
        // The clock runs only while this process waits for the device: time
        // it spent without the processor, which the keyboard's side may have
        // lacked as well (one processor, a loaded machine, a stalled virtual
        // machine), never counts towards giving up.
        if (Drain(LOOK_AHEAD_NS)) {
            EndWait();
            return KBC_OUTPUT_FULL;
        }
        m_covered += LOOK_AHEAD_NS;
        return 0;
    }

    void EndWait()
    {
        m_waiting = false;
        m_refused = false;
    }

    bool Send(std::uint8_t value)
    {
        for (;;) {
            const ssize_t n = ::write(m_fd, &value, 1);
            if (n == 1)
                return true;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd p { m_fd, POLLOUT, 0 };
                if (::poll(&p, 1, 10) > 0)
                    continue;
            }
            if (n < 0 && (errno == ENODEV || errno == EIO))
                m_lost = true;
            return false;
        }
    }

    // Waits up to timeoutNs for bytes and takes all that are there.
    bool Drain(std::int64_t timeoutNs)
    {
        if (m_head == m_buffer.size()) {
            m_buffer.clear();
            m_head = 0;
        }
        pollfd p { m_fd, POLLIN, 0 };
        timespec limit { 0, 0 };
        if (timeoutNs > 0) {
            limit.tv_sec = static_cast<time_t>(timeoutNs / 1000000000);
            limit.tv_nsec = static_cast<long>(timeoutNs % 1000000000);
        }
        int ready;
        while ((ready = ::ppoll(&p, 1, &limit, nullptr)) < 0 && errno == EINTR) { }
        if (ready <= 0)
            return false;
        std::uint8_t chunk[DRAIN_CHUNK];
        for (;;) {
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0) {
                m_buffer.insert(m_buffer.end(), chunk, chunk + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // The device went away (someone unbound the port): no more bytes.
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                m_lost = true;
            break;
        }
        return m_head < m_buffer.size();
    }

    const std::int64_t m_slackNs;
    int m_fd = -1;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_head = 0;
    std::uint8_t m_last = 0;
    std::uint8_t m_mask = 0;
    std::uint8_t m_portB = 0;
    bool m_waiting = false;
    bool m_slackLeft = false;
    bool m_refused = false;
    bool m_lost = false;
    std::int64_t m_waited = 0; // controller time the status reads of this wait stand for
    std::int64_t m_covered = 0; // of that, what blocking looks have covered
};

class CSerioBackend final : public CHostBackend {
public:
    CSerioBackend(const HostSettings& options, int monitorFd)
        : m_monitor(monitorFd)
        , m_controller(options.simulatedKernel ? std::int64_t { SIMULATED_DEVICE_SLACK_MS } * 1000000 : 0)
        , m_trace(options.trace)
        , m_releaseMs(options.releaseMs)
    {
    }
    ~CSerioBackend() override
    {
        // The monitor gives the port back once this process has ended.
        m_controller.Detach();
        ::close(m_monitor);
    }

    TavrinPlatform Platform() override
    {
        TavrinPlatform p = realKeyboardPlatform(&m_controller, m_trace);
        p.readPort
            = [](void* c, std::uint16_t port) { return static_cast<CSerioController*>(c)->Read(port); };
        p.writePort = [](void* c, std::uint16_t port, std::uint8_t value) {
            static_cast<CSerioController*>(c)->Write(port, value);
        };
        return p;
    }

    std::uint32_t Kind() const override { return BACKEND_HARDWARE; }

    // The port is taken at the first request that needs the keyboard and
    // kept across the requests that follow it closely.
    bool BeforeRequest(bool keyboard, TavrinCompletion& refused) override
    {
        m_keyboardRequest = keyboard;
        if (!keyboard || m_controller.Attached())
            return true;
        int device = -1;
        if (!askMonitor(m_monitor, MONITOR_TAKE, MONITOR_WAIT_MS, &device)) {
            tell(texts::SERIO_NOT_TAKEN);
            refused = TavrinCompletion { HOST_STATUS_NO_KEYBOARD, 0 };
            return false;
        }
        m_controller.Attach(device);
        markLineQuiet(); // whatever the keyboard driver sent last, a full millisecond from here
        return true;
    }

    void AfterRequest(TavrinCompletion&) override
    {
        if (!m_keyboardRequest)
            return;
        m_lastUse = std::chrono::steady_clock::now();
        if (m_controller.Lost()) {
            tell(texts::SERIO_LOST);
            Release();
        }
    }

    int MillisecondsUntilRelease() const override
    {
        if (!m_controller.Attached())
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            m_lastUse + std::chrono::milliseconds(m_releaseMs) - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

    void ReleaseIfDue() override
    {
        if (m_controller.Attached() && MillisecondsUntilRelease() == 0)
            Release();
    }

private:
    // This process lets go of the device before the monitor rebinds the
    // keyboard driver.
    void Release()
    {
        m_controller.Detach();
        (void)askMonitor(m_monitor, MONITOR_GIVE_BACK, MONITOR_WAIT_MS);
    }

    int m_monitor;
    CSerioController m_controller;
    bool m_trace;
    int m_releaseMs;
    bool m_keyboardRequest = false;
    std::chrono::steady_clock::time_point m_lastUse;
};

} // namespace

std::unique_ptr<CHostBackend> openSerioBackend(const HostSettings& settings, int monitorFd)
{
    return std::make_unique<CSerioBackend>(settings, monitorFd);
}

} // namespace tavrin
