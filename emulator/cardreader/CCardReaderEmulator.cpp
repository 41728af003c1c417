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
    ReaderFaultKind kind;
    const char* name;
};
constexpr FaultName FAULT_NAMES[] = {
    { ReaderFaultKind::None, "none" },
    { ReaderFaultKind::BadCheck, "bad-check" },
    { ReaderFaultKind::ErrorStatus, "status" },
    { ReaderFaultKind::Partial, "partial" },
    { ReaderFaultKind::Late, "late" },
    { ReaderFaultKind::Garbage, "garbage" },
    { ReaderFaultKind::Silence, "silence" },
    { ReaderFaultKind::Canned, "reply" },
};

} // namespace

const char* readerFaultName(ReaderFaultKind kind)
{
    for (const auto& f : FAULT_NAMES)
        if (f.kind == kind)
            return f.name;
    return "?";
}

std::optional<ReaderFaultKind> readerFaultFromName(const std::string& name)
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
    if (m_master >= 0)
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
    if (pipe2(m_wake, O_CLOEXEC) != 0) {
        const int err = errno;
        close(slave);
        close(master);
        return -err;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_slaveHold = slave;
    m_slavePath = name;
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return 0;
}

void CCardReaderEmulator::Stop()
{
    if (m_master < 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    const char stopByte = 0;
    (void)!write(m_wake[1], &stopByte, 1);
    if (m_thread.joinable())
        m_thread.join();
    close(m_wake[0]);
    close(m_wake[1]);
    close(m_slaveHold);
    close(m_master);
    m_wake[0] = m_wake[1] = m_slaveHold = m_master = -1;
}

void CCardReaderEmulator::SetPacing(bool on)
{
    std::lock_guard lock(m_mutex);
    m_pacing = on;
}

void CCardReaderEmulator::ArmFault(const ReaderFault& fault)
{
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
}

void CCardReaderEmulator::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::size_t CCardReaderEmulator::PendingFaults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults.size();
}

std::size_t CCardReaderEmulator::SentCount() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

bool CCardReaderEmulator::WaitForSent(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_sent >= n; });
}

std::vector<std::uint8_t> CCardReaderEmulator::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::vector<std::uint8_t>> CCardReaderEmulator::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void CCardReaderEmulator::ClearRecord()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_requests.clear();
}

bool CCardReaderEmulator::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= n; });
}

bool CCardReaderEmulator::WaitIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return !m_busy; });
}

bool CCardReaderEmulator::Inject(const std::vector<std::uint8_t>& bytes)
{
    return m_master >= 0 && WriteAll(bytes.data(), bytes.size());
}

bool CCardReaderEmulator::SleepUntil(Clock::time_point t)
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_until(lock, t, [&] { return m_stop; });
}

bool CCardReaderEmulator::WriteAll(const std::uint8_t* bytes, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(m_master, bytes + done, count - done);
        if (n > 0) {
            done += std::size_t(n);
            {
                std::lock_guard lock(m_mutex);
                m_sent += std::size_t(n);
            }
            m_changed.notify_all();
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // Nobody is reading the slave side: wait for room, but not past Stop().
        pollfd p[2] = { { m_master, POLLOUT, 0 }, { m_wake[0], POLLIN, 0 } };
        poll(p, 2, 100);
        if (p[1].revents)
            return false;
    }
    return true;
}

void CCardReaderEmulator::Serve()
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
        pollfd p[2] = { { m_master, POLLIN, 0 }, { m_wake[0], POLLIN, 0 } };
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
        const ssize_t n = read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        const auto now = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            m_received.insert(m_received.end(), chunk, chunk + n);
        }
        m_changed.notify_all();
        for (ssize_t i = 0; i < n; ++i) {
            if (!framer.Partial())
                firstByte = now;
            if (framer.Feed(chunk[i])) {
                Answer(framer.Frame(), firstByte);
                // Whatever came in the same read has waited meanwhile.
                firstByte = Clock::now();
                {
                    std::lock_guard lock(m_mutex);
                    if (m_stop)
                        return;
                }
            }
        }
        lastByte = Clock::now();
    }
}

void CCardReaderEmulator::Answer(const std::vector<std::uint8_t>& request, Clock::time_point firstByte)
{
    ReaderFault fault;
    bool pacing;
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard lock(m_mutex);
        m_busy = true;
        m_requests.push_back(request);
        if (!m_faults.empty()) {
            fault = m_faults.front();
            m_faults.pop_front();
        }
        pacing = m_pacing;
        switch (fault.kind) {
        case ReaderFaultKind::Silence:
            break;
        case ReaderFaultKind::ErrorStatus:
            reply = CCardReaderModel::BuildReply(fault.status);
            break;
        case ReaderFaultKind::Canned:
            reply = fault.reply;
            break;
        default:
            reply = m_model.Handle(request);
            break;
        }
    }
    m_changed.notify_all();

    switch (fault.kind) {
    case ReaderFaultKind::BadCheck:
        reply[reply.size() - 2] ^= 0xFF;
        break;
    case ReaderFaultKind::Partial:
        reply.resize(std::min(fault.keep, reply.size() - 1));
        break;
    case ReaderFaultKind::Garbage:
        reply.insert(reply.end(), fault.garbage.begin(), fault.garbage.end());
        break;
    default:
        break;
    }

    // The request's last byte is in only after its line time.
    auto start = pacing ? firstByte + lineTime(request.size()) : Clock::now();
    if (fault.kind == ReaderFaultKind::Late)
        start = std::max(start, Clock::now()) + fault.delay;
    bool ok = SleepUntil(start);
    if (ok && !reply.empty()) {
        if (pacing) {
            // A byte is delivered when its stop bit has gone out.
            for (std::size_t i = 0; ok && i < reply.size(); ++i)
                ok = SleepUntil(start + lineTime(i + 1)) && WriteAll(&reply[i], 1);
        } else {
            WriteAll(reply.data(), reply.size());
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_busy = false;
    }
    m_changed.notify_all();
}
