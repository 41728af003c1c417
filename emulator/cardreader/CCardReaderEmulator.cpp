#include "CCardReaderEmulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A request that stops arriving for this long is dropped, as a reader's
// receiver would after a line fault.
constexpr std::chrono::milliseconds REQUEST_STALL { 300 };

// How long bytes take on the line.
std::chrono::steady_clock::duration lineTime(std::size_t bytes)
{
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        CCardReaderEmulator::BYTE_TIME * static_cast<std::int64_t>(bytes));
}

struct FaultName {
    EReaderFault kind;
    const char* name;
};
constexpr FaultName FAULT_NAMES[] = {
    { EReaderFault::None, "none" },
    { EReaderFault::BadCheck, "bad-check" },
    { EReaderFault::ErrorStatus, "status" },
    { EReaderFault::Partial, "partial" },
    { EReaderFault::Late, "late" },
    { EReaderFault::Garbage, "garbage" },
    { EReaderFault::Silence, "silence" },
    { EReaderFault::Canned, "reply" },
};

} // namespace

const char* readerFaultName(EReaderFault kind)
{
    for (const auto& f : FAULT_NAMES)
        if (f.kind == kind)
            return f.name;
    return "?";
}

std::optional<EReaderFault> readerFaultFromName(const std::string& name)
{
    for (const auto& f : FAULT_NAMES)
        if (name == f.name)
            return f.kind;
    return std::nullopt;
}

CCardReaderEmulator::CCardReaderEmulator() = default;

CCardReaderEmulator::~CCardReaderEmulator()
{
    Stop();
}

int CCardReaderEmulator::Start()
{
    if (master_ >= 0)
        return 0;
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return -errno;
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        const int err = errno;
        close(master);
        return -err;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        const int err = errno;
        close(master);
        return -err;
    }
    // Holding the slave open keeps the master from seeing a hang-up whenever
    // the program under test closes its port, and lets the line start raw.
    const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        const int err = errno;
        close(master);
        return -err;
    }
    termios t {};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        const int err = errno;
        close(slave);
        close(master);
        return -err;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
    slaveHold_ = slave;
    slavePath_ = name;
    stop_ = false;
    thread_ = std::thread([this] { serve(); });
    return 0;
}

void CCardReaderEmulator::Stop()
{
    if (master_ < 0)
        return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    const char stopByte = 0;
    (void)!write(wake_[1], &stopByte, 1);
    if (thread_.joinable())
        thread_.join();
    close(wake_[0]);
    close(wake_[1]);
    close(slaveHold_);
    close(master_);
    wake_[0] = wake_[1] = slaveHold_ = master_ = -1;
}

void CCardReaderEmulator::SetPacing(bool on)
{
    std::lock_guard lock(mutex_);
    pacing_ = on;
}

void CCardReaderEmulator::ArmFault(const CReaderFault& fault)
{
    std::lock_guard lock(mutex_);
    faults_.push_back(fault);
}

void CCardReaderEmulator::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::size_t CCardReaderEmulator::PendingFaults() const
{
    std::lock_guard lock(mutex_);
    return faults_.size();
}

std::size_t CCardReaderEmulator::SentCount() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

bool CCardReaderEmulator::WaitForSent(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return sent_ >= n; });
}

std::vector<std::uint8_t> CCardReaderEmulator::Received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::vector<std::uint8_t>> CCardReaderEmulator::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void CCardReaderEmulator::ClearRecord()
{
    std::lock_guard lock(mutex_);
    received_.clear();
    requests_.clear();
}

bool CCardReaderEmulator::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

bool CCardReaderEmulator::WaitIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !busy_; });
}

bool CCardReaderEmulator::Inject(const std::vector<std::uint8_t>& bytes)
{
    return master_ >= 0 && writeAll(bytes.data(), bytes.size());
}

bool CCardReaderEmulator::sleepUntil(Clock::time_point t)
{
    std::unique_lock lock(mutex_);
    return !changed_.wait_until(lock, t, [&] { return stop_; });
}

bool CCardReaderEmulator::writeAll(const std::uint8_t* bytes, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(master_, bytes + done, count - done);
        if (n > 0) {
            done += std::size_t(n);
            {
                std::lock_guard lock(mutex_);
                sent_ += std::size_t(n);
            }
            changed_.notify_all();
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // Nobody is reading the slave side: wait for room, but not past Stop().
        pollfd p[2] = { { master_, POLLOUT, 0 }, { wake_[0], POLLIN, 0 } };
        poll(p, 2, 100);
        if (p[1].revents)
            return false;
    }
    return true;
}

void CCardReaderEmulator::serve()
{
    CRequestFramer framer;
    Clock::time_point firstByte {};
    Clock::time_point lastByte {};
    std::uint8_t chunk[512];
    for (;;) {
        int timeout = -1;
        if (framer.Partial()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                lastByte + REQUEST_STALL - Clock::now());
            timeout = int(std::max<long long>(0, left.count()));
        }
        pollfd p[2] = { { master_, POLLIN, 0 }, { wake_[0], POLLIN, 0 } };
        const int r = poll(p, 2, timeout);
        if (r < 0 && errno != EINTR)
            return;
        if (p[1].revents)
            return;
        if (r == 0) {
            framer.Reset();
            continue;
        }
        if (!(p[0].revents & POLLIN))
            continue;
        const ssize_t n = read(master_, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        const auto now = Clock::now();
        {
            std::lock_guard lock(mutex_);
            received_.insert(received_.end(), chunk, chunk + n);
        }
        changed_.notify_all();
        for (ssize_t i = 0; i < n; ++i) {
            if (!framer.Partial())
                firstByte = now;
            if (framer.Feed(chunk[i])) {
                answer(framer.Frame(), firstByte);
                // Whatever came in the same read has waited meanwhile.
                firstByte = Clock::now();
                {
                    std::lock_guard lock(mutex_);
                    if (stop_)
                        return;
                }
            }
        }
        lastByte = Clock::now();
    }
}

void CCardReaderEmulator::answer(const std::vector<std::uint8_t>& request, Clock::time_point firstByte)
{
    CReaderFault fault;
    bool pacing;
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard lock(mutex_);
        busy_ = true;
        requests_.push_back(request);
        if (!faults_.empty()) {
            fault = faults_.front();
            faults_.pop_front();
        }
        pacing = pacing_;
        switch (fault.kind) {
        case EReaderFault::Silence:
            break;
        case EReaderFault::ErrorStatus:
            reply = CCardReaderModel::BuildReply(fault.status);
            break;
        case EReaderFault::Canned:
            reply = fault.reply;
            break;
        default:
            reply = model_.Handle(request);
            break;
        }
    }
    changed_.notify_all();

    switch (fault.kind) {
    case EReaderFault::BadCheck:
        reply[reply.size() - 2] ^= 0xFF;
        break;
    case EReaderFault::Partial:
        reply.resize(std::min(fault.keep, reply.size() - 1));
        break;
    case EReaderFault::Garbage:
        reply.insert(reply.end(), fault.garbage.begin(), fault.garbage.end());
        break;
    default:
        break;
    }

    // The request's last byte is in only after its line time.
    auto start = pacing ? firstByte + lineTime(request.size()) : Clock::now();
    if (fault.kind == EReaderFault::Late)
        start = std::max(start, Clock::now()) + fault.delay;
    bool ok = sleepUntil(start);
    if (ok && !reply.empty()) {
        if (pacing) {
            // A byte is delivered when its stop bit has gone out.
            for (std::size_t i = 0; ok && i < reply.size(); ++i)
                ok = sleepUntil(start + lineTime(i + 1)) && writeAll(&reply[i], 1);
        } else {
            writeAll(reply.data(), reply.size());
        }
    }
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
    }
    changed_.notify_all();
}
