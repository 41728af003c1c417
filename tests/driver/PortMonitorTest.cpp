// The monitor, the part of the real keyboard's host that keeps root, in
// process against a serving process that is hostile or compromised: it takes
// nothing but "take", "give back" and a bounded exchange, it never waits for
// the serving process to read, and whatever ends the session (junk, answers
// left unread, a forbidden system call that kills the serving process) it
// gives the port back.
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <future>
#include <thread>

#include <kbemu/CEmulatedPc.h>
#include <kbemu/CKeyboardMemory.h>

#include "../emulator-keyboard/EmulatedPcFixture.h"
#include "CFakeSerio.h"
#include "CPortMonitor.h"
#include "CSerioPort.h"
#include "HardwareHost.h"
#include "HostProcessFixture.h"
#include "HostSettings.h"
#include "MonitorProtocol.h"
#include "ServingConfinement.h"

using namespace tavrin;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes exchange(std::uint32_t code, std::uint32_t inputLength, std::uint32_t outputLength, std::size_t sent)
{
    Bytes message { MONITOR_EXCHANGE };
    for (const std::uint32_t value : { code, inputLength, outputLength })
        for (int shift = 0; shift < 32; shift += 8)
            message.push_back(static_cast<std::uint8_t>(value >> shift));
    message.resize(MONITOR_HEADER_SIZE + sent, 0xE9);
    return message;
}

// A serving process that misbehaves somehow, as the child of a monitor
// running in a thread of the test; the port behind it is simulated.
class PortMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_fake = std::make_unique<CFakeSerio>(m_dir / "kernel");
        const int record = ::open((m_dir / "tavrin.serio").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        m_port = std::make_unique<CSerioPort>(m_fake->Sys(), m_fake->Dev(), record);
        std::string error;
        ASSERT_TRUE(m_port->Prepare(error)) << error;
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, m_pair), 0);
        sigset_t none;
        sigemptyset(&none);
        m_signals = ::signalfd(-1, &none, SFD_CLOEXEC);
    }
    void TearDown() override
    {
        for (const int fd : { m_pair[0], m_pair[1], m_signals })
            ::close(fd);
    }

    // Runs the monitor over a child that does what; the monitor's result.
    template <typename What> int Monitor(What what, const TavrinPlatform* ports = nullptr)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(m_pair[0]);
            ::_exit(what(m_pair[1]));
        }
        // The child's end is the child's alone: its end closes with it.
        ::close(m_pair[1]);
        m_pair[1] = -1;
        auto monitor = std::async(std::launch::async, [&] {
            return CPortMonitor(
                ports ? nullptr : m_port.get(), ports, m_pair[0], child, m_signals, -1, m_parent)
                .Run();
        });
        // Bounded, so that a monitor that waits for ever fails the test
        // instead of stopping the suite.
        if (monitor.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "the monitor never ended";
            ::kill(child, SIGKILL);
            ::shutdown(m_pair[0], SHUT_RDWR);
        }
        return monitor.get();
    }

    CTempFolder m_dir;
    std::unique_ptr<CFakeSerio> m_fake;
    std::unique_ptr<CSerioPort> m_port;
    int m_pair[2] = { -1, -1 };
    int m_signals = -1;
    int m_parent = -1; // what the monitor watches for the end of the host's starter
};

struct Junk {
    const char* name;
    Bytes bytes;
    bool descriptor;
    friend void PrintTo(const Junk& j, std::ostream* os) { *os << j.name; }
};

} // namespace

TEST(PortMonitorProtocolTest, OnlyAWholeTakeGiveBackOrBoundedExchangeIsARequest)
{
    struct Case {
        Bytes bytes;
        bool truncated;
        bool descriptors;
        MonitorRequest expected;
    };
    const Case cases[] = {
        { { 'T' }, false, false, MonitorRequest::Take },
        { { 'G' }, false, false, MonitorRequest::GiveBack },
        { {}, false, false, MonitorRequest::End },
        { { 'T' }, true, false, MonitorRequest::Invalid },
        { { 'G' }, false, true, MonitorRequest::Invalid },
        { {}, false, true, MonitorRequest::Invalid },
        { { 'T', 'G' }, false, false, MonitorRequest::Invalid },
        { { 't' }, false, false, MonitorRequest::Invalid },
        { { 'D' }, false, false, MonitorRequest::Invalid },
        { { 0 }, false, false, MonitorRequest::Invalid },
        { exchange(IOCTL_SEND_BYTES, 300, 0, 300), false, false, MonitorRequest::Exchange },
        { exchange(IOCTL_READ_DATA, 1, 10240, 1), false, false, MonitorRequest::Exchange },
        { exchange(IOCTL_SEND_BYTES, 301, 0, 301), false, false, MonitorRequest::Invalid },
        { exchange(IOCTL_READ_DATA, 1, 10241, 1), false, false, MonitorRequest::Invalid },
        { exchange(IOCTL_SEND_BYTES, 4, 0, 3), false, false, MonitorRequest::Invalid },
        { exchange(IOCTL_SEND_BYTES, 4, 0, 5), false, false, MonitorRequest::Invalid },
        { Bytes(MONITOR_HEADER_SIZE - 1, MONITOR_EXCHANGE), false, false, MonitorRequest::Invalid },
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            parseMonitorRequest(c.bytes.data(), c.bytes.size(), c.truncated, c.descriptors).kind, c.expected)
            << c.bytes.size() << " bytes, " << c.truncated << c.descriptors;
}

// After a proper take, each way of ending the session: the monitor kills
// or reaps the serving process and gives the port back.
class PortMonitorJunkTest : public PortMonitorTest, public ::testing::WithParamInterface<Junk> { };

TEST_P(PortMonitorJunkTest, WhateverEndsTheSessionThePortIsGivenBack)
{
    const Junk& j = GetParam();
    const int code = Monitor([&](int fd) {
        int device = -1;
        if (!askMonitor(fd, MONITOR_TAKE, 10000, &device) || m_fake->Driver() != "serio_raw")
            return 1;
        if (j.descriptor)
            (void)sendMonitorReply(fd, j.bytes[0], device);
        else
            (void)::send(fd, j.bytes.data(), j.bytes.size(), 0);
        ::pause();
        return 0;
    });
    EXPECT_EQ(code, EXIT_SERVING_LOST);
    EXPECT_EQ(m_fake->Driver(), "atkbd");
    EXPECT_EQ(m_fake->Commands(), (std::vector<std::string> { "serio_raw", "atkbd" }));
}

INSTANTIATE_TEST_SUITE_P(Junk, PortMonitorJunkTest,
    ::testing::Values(Junk { "two_bytes", { 'T', 'G' }, false }, Junk { "an_unknown_word", { 'Q' }, false },
        Junk { "a_give_back_carrying_a_descriptor", { 'G' }, true },
        Junk { "an_oversized_exchange", exchange(IOCTL_SEND_BYTES, 301, 0, 301), false }),
    [](const auto& test) { return std::string(test.param.name); });

// A compromised serving process asks and asks but never reads the answers:
// the monitor does not block on it (which would leave its 30 s bound and the
// port at the child's mercy); it ends the session.
TEST_F(PortMonitorTest, AServingProcessThatNeverReadsCannotWedgeTheMonitor)
{
    const int code = Monitor([](int fd) {
        const std::uint8_t giveBack = MONITOR_GIVE_BACK;
        while (::send(fd, &giveBack, 1, MSG_NOSIGNAL) == 1) { }
        ::pause();
        return 0;
    });
    EXPECT_EQ(code, EXIT_SERVING_LOST);
    EXPECT_EQ(m_fake->Driver(), "atkbd");
}

// The program that started the host ends while the port is held (a user's
// program, whose end the kernel does not signal to root's host): the monitor
// stops the serving process and gives the port back.
TEST_F(PortMonitorTest, TheEndOfTheHostsStarterStopsTheServingProcessAndThePortIsGivenBack)
{
    int starter[2];
    ASSERT_EQ(::pipe2(starter, O_CLOEXEC), 0);
    m_parent = starter[0];
    std::thread ends([&] {
        for (int i = 0; i < 2000 && m_fake->Driver() != "serio_raw"; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(starter[1]);
    });
    const int code = Monitor([&starter](int fd) {
        ::close(starter[1]); // the starter's alone
        int device = -1;
        if (!askMonitor(fd, MONITOR_TAKE, 10000, &device))
            return 1;
        ::pause(); // until the monitor's SIGTERM
        return 0;
    });
    ends.join();
    ::close(starter[0]);
    EXPECT_EQ(code, EXIT_SERVING_LOST);
    EXPECT_EQ(m_fake->Commands(), (std::vector<std::string> { "serio_raw", "atkbd" }));
}

// The serving process's system call filter: the first call serving does not
// make (here opening a file, then making a socket) kills it, and the monitor
// gives the port back.
TEST_F(PortMonitorTest, AForbiddenSystemCallKillsTheServingProcessAndThePortIsGivenBack)
{
    const int code = Monitor([](int fd) {
        int device = -1;
        std::string error;
        if (!askMonitor(fd, MONITOR_TAKE, 10000, &device) || !confineServing(error))
            return 1;
        // What serving does still works under the filter.
        const std::uint8_t identify = 0xF2;
        if (::write(device, &identify, 1) != 1)
            return 2;
        ::syscall(SYS_openat, AT_FDCWD, "/etc/passwd", O_RDONLY);
        ::syscall(SYS_socket, AF_INET, SOCK_STREAM, 0);
        return 3;
    });
    EXPECT_EQ(code, EXIT_SERVING_LOST);
    EXPECT_EQ(m_fake->Driver(), "atkbd");
    EXPECT_EQ(m_fake->Commands(), (std::vector<std::string> { "serio_raw", "atkbd" }));
}

// Raw port I/O: the ports stay with the monitor, which runs the keyboard's
// requests on them; here an emulated PC stands in for the machine's ports.
TEST_F(PortMonitorTest, TheKeyboardsRequestsRunInTheMonitorWhereThePortsAre)
{
    kbemu::CKeyboardMemory memory;
    kbemu::CKeyboardFirmware keyboard(memory);
    kbemu::CEmulatedPc pc(keyboard);
    CPcRecorder recorder(pc);
    const TavrinPlatform ports = pc.Platform();
    const int code = Monitor(
        [](int fd) {
            auto backend = openMonitorExchangeBackend(fd);
            Bytes buffer(TAVRIN_IDENTIFY_SIZE);
            const TavrinCompletion identified
                = backend->Serve(IOCTL_IDENTIFY_KEYBOARD, buffer.data(), 0, TAVRIN_IDENTIFY_SIZE);
            if (identified.information != 3 || buffer != Bytes { 0xFA, 0xAB, 0x83 })
                return 1;
            // A send the core refuses for its size never leaves this process.
            Bytes big(301, 0xED);
            const TavrinCompletion refused = backend->Serve(IOCTL_SEND_BYTES, big.data(), 301, 0);
            return refused.status == TAVRIN_STATUS_INVALID_PARAMETER ? 0 : 2;
        },
        &ports);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(recorder.seen.received, Bytes { 0xF2 });
}
