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
        : slackNs_(slackNs)
    {
    }
    ~CSerioController() { Detach(); }

    // Takes the device over (and closes it at Detach).
    void Attach(int fd)
    {
        Detach();
        fd_ = fd;
    }
    bool Attached() const { return fd_ >= 0; }
    void Detach()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        buffer_.clear();
        head_ = 0;
        waiting_ = refused_ = lost_ = false;
    }

    std::uint8_t Read(std::uint16_t port)
    {
        if (port == KBC_STATUS_PORT)
            return Status();
        EndWait();
        switch (port) {
        case KBC_DATA_PORT:
            if (head_ < buffer_.size())
                last_ = buffer_[head_++];
            return last_; // an empty buffer reads its last byte, as on the controller
        case PIC_MASTER_MASK_PORT:
            return mask_;
        case SYSTEM_PORT_B:
            return portB_;
        default:
            return 0xFF;
        }
    }

    void Write(std::uint16_t port, std::uint8_t value)
    {
        EndWait();
        switch (port) {
        case KBC_DATA_PORT:
            refused_ = !Send(value);
            break;
        case PIC_MASTER_MASK_PORT:
            mask_ = value;
            break;
        case SYSTEM_PORT_B:
            portB_ = value;
            break;
        default:
            break;
        }
    }

    bool Lost() const { return lost_; }

private:
    std::uint8_t Status()
    {
        if (refused_)
            return KBC_INPUT_FULL;
        if (head_ < buffer_.size()) {
            EndWait();
            return KBC_OUTPUT_FULL;
        }
        if (lost_)
            return KBC_INPUT_FULL;
        if (!waiting_) {
            // The first look of a wait does not block: a wait for the input
            // buffer to empty (before every byte sent) ends with it.
            waiting_ = true;
            slackLeft_ = slackNs_ > 0;
            waited_ = covered_ = 0;
            if (Drain(0)) {
                EndWait();
                return KBC_OUTPUT_FULL;
            }
            return 0;
        }
        if (slackLeft_) {
            // A simulated device gets some slack before the wait counts.
            slackLeft_ = false;
            if (Drain(slackNs_)) {
                EndWait();
                return KBC_OUTPUT_FULL;
            }
        }
        waited_ += NS_PER_STATUS_READ;
        // This much waiting is already known to have passed without a byte.
        if (waited_ <= covered_)
            return 0;
        // The clock runs only while this process waits for the device: time
        // it spent without the processor, which the keyboard's side may have
        // lacked as well (one processor, a loaded machine, a stalled virtual
        // machine), never counts towards giving up.
        if (Drain(LOOK_AHEAD_NS)) {
            EndWait();
            return KBC_OUTPUT_FULL;
        }
        covered_ += LOOK_AHEAD_NS;
        return 0;
    }

    void EndWait()
    {
        waiting_ = false;
        refused_ = false;
    }

    bool Send(std::uint8_t value)
    {
        for (;;) {
            const ssize_t n = ::write(fd_, &value, 1);
            if (n == 1)
                return true;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd p { fd_, POLLOUT, 0 };
                if (::poll(&p, 1, 10) > 0)
                    continue;
            }
            if (n < 0 && (errno == ENODEV || errno == EIO))
                lost_ = true;
            return false;
        }
    }

    // Waits up to timeoutNs for bytes and takes all that are there.
    bool Drain(std::int64_t timeoutNs)
    {
        if (head_ == buffer_.size()) {
            buffer_.clear();
            head_ = 0;
        }
        pollfd p { fd_, POLLIN, 0 };
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
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                buffer_.insert(buffer_.end(), chunk, chunk + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // The device went away (someone unbound the port): no more bytes.
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                lost_ = true;
            break;
        }
        return head_ < buffer_.size();
    }

    const std::int64_t slackNs_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::size_t head_ = 0;
    std::uint8_t last_ = 0;
    std::uint8_t mask_ = 0;
    std::uint8_t portB_ = 0;
    bool waiting_ = false;
    bool slackLeft_ = false;
    bool refused_ = false;
    bool lost_ = false;
    std::int64_t waited_ = 0; // controller time the status reads of this wait stand for
    std::int64_t covered_ = 0; // of that, what blocking looks have covered
};

class CSerioBackend final : public CHostBackend {
public:
    CSerioBackend(const HostSettings& options, int monitorFd)
        : monitor_(monitorFd)
        , controller_(options.simulatedKernel ? std::int64_t { SIMULATED_DEVICE_SLACK_MS } * 1000000 : 0)
        , trace_(options.trace)
        , releaseMs_(options.releaseMs)
    {
    }
    ~CSerioBackend() override
    {
        // The monitor gives the port back once this process has ended.
        controller_.Detach();
        ::close(monitor_);
    }

    TavrinPlatform Platform() override
    {
        TavrinPlatform p = realKeyboardPlatform(&controller_, trace_);
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
        keyboardRequest_ = keyboard;
        if (!keyboard || controller_.Attached())
            return true;
        int device = -1;
        if (!askMonitor(monitor_, MONITOR_TAKE, MONITOR_WAIT_MS, &device)) {
            tell(texts::SERIO_NOT_TAKEN);
            refused = TavrinCompletion { HOST_STATUS_NO_KEYBOARD, 0 };
            return false;
        }
        controller_.Attach(device);
        markLineQuiet(); // whatever the keyboard driver sent last, a full millisecond from here
        return true;
    }

    void AfterRequest(TavrinCompletion&) override
    {
        if (!keyboardRequest_)
            return;
        lastUse_ = std::chrono::steady_clock::now();
        if (controller_.Lost()) {
            tell(texts::SERIO_LOST);
            Release();
        }
    }

    int MillisecondsUntilRelease() const override
    {
        if (!controller_.Attached())
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            lastUse_ + std::chrono::milliseconds(releaseMs_) - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

    void ReleaseIfDue() override
    {
        if (controller_.Attached() && MillisecondsUntilRelease() == 0)
            Release();
    }

private:
    // This process lets go of the device before the monitor rebinds the
    // keyboard driver.
    void Release()
    {
        controller_.Detach();
        (void)askMonitor(monitor_, MONITOR_GIVE_BACK, MONITOR_WAIT_MS);
    }

    int monitor_;
    CSerioController controller_;
    bool trace_;
    int releaseMs_;
    bool keyboardRequest_ = false;
    std::chrono::steady_clock::time_point lastUse_;
};

} // namespace

std::unique_ptr<CHostBackend> openSerioBackend(const HostSettings& settings, int monitorFd)
{
    return std::make_unique<CSerioBackend>(settings, monitorFd);
}

} // namespace tavrin
