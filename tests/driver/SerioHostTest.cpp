// The host's serio backend against a simulated serio_raw and sysfs: the
// port is taken only while the keyboard is used and given back after a short
// idle time and on every end; a port left held by a killed host is
// recovered; a port someone else holds is left alone. The real kernel path
// runs in the kernel test machine.
#include <fcntl.h>

#include <memory>

#include "../emulator-keyboard/TablePackets.h"
#include "CFakeSerio.h"
#include "HostProcessFixture.h"

#include <lodemar/ExitCodes.h>

using namespace tavrin;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int WAIT_MS = 10000;

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

} // namespace

class SerioHostTest : public ::testing::Test {
protected:
    CTempFolder m_dir;
    std::string m_socketPath = m_dir / "tavrin.sock";
    std::string m_errorPath = m_dir / "stderr.txt";

    std::unique_ptr<CHostProcess> Start(
        const CFakeSerio& fake, bool waitForIt = true, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args { "--hardware", "--socket", m_socketPath, "--test-sysfs-root",
            fake.Sys(), "--test-dev-root", fake.Dev() };
        args.insert(args.end(), extra.begin(), extra.end());
        auto host = std::make_unique<CHostProcess>(args, m_errorPath, std::nullopt, TAVRIN_TEST_HOST_PATH);
        if (waitForIt) {
            HostIdentity identity;
            EXPECT_EQ(waitForHost(m_socketPath, WAIT_MS, &identity), CLIENT_OK) << host->ErrorText();
            EXPECT_EQ(identity.backend, BACKEND_HARDWARE);
        }
        return host;
    }

    ExchangeResult Call(CTavrinClient& client, std::uint32_t code, const Bytes& input, Bytes& output)
    {
        return callHost(client, code, input, output, WAIT_MS);
    }

    // The port is the keyboard driver's again and nothing says it is held.
    void ExpectGivenBack(CFakeSerio& fake)
    {
        EXPECT_TRUE(fake.WaitForDriver("atkbd"));
        // Cleared once the host has seen the kernel's link change.
        for (int i = 0; i < 500 && !fileText(m_dir / "tavrin.serio").empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(fileText(m_dir / "tavrin.serio"), "");
    }

    // Asks the keyboard who it is, which takes the port.
    void Identify(CTavrinClient& client)
    {
        Bytes answer(TAVRIN_IDENTIFY_SIZE);
        const ExchangeResult r = Call(client, IOCTL_IDENTIFY_KEYBOARD, {}, answer);
        EXPECT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
        EXPECT_EQ(answer, (Bytes { 0xFA, 0xAB, 0x83 }));
    }

    void TakeThePort(CFakeSerio& fake)
    {
        CTavrinClient client;
        ASSERT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
        Identify(client);
        EXPECT_EQ(fake.Driver(), "serio_raw");
    }

    using Words = std::vector<std::string>;
};

TEST_F(SerioHostTest, WritesAndReadsTheKeyboardThroughSerioRaw)
{
    CFakeSerio fake(m_dir / "kernel");
    testing_tables::TestTable table = testing_tables::typicalTable();
    auto host = Start(fake);
    CTavrinClient client;
    ASSERT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
    for (const Bytes& packet : testing_tables::writePackets(table)) {
        Bytes none;
        const ExchangeResult r = Call(client, IOCTL_SEND_BYTES, packet, none);
        ASSERT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
        ASSERT_EQ(r.information, 0u);
        ASSERT_EQ(fake.Driver(), "serio_raw");
    }
    EXPECT_EQ(fileText(m_dir / "tavrin.serio"), "serio0 atkbd\n");
    EXPECT_EQ(fake.Driver("serio1"), "psmouse");
    Bytes block(10240);
    EXPECT_EQ(Call(client, IOCTL_READ_DATA, { 0xE9 }, block).status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(block, testing_tables::expectedImage(table));
    EXPECT_EQ(fake.Dropped(), 0u);

    EXPECT_EQ(client.Stop(WAIT_MS), CLIENT_OK);
    EXPECT_EQ(host->Wait(), 0);
    // Taken once for the whole transfer, its packets following each other closely.
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" }));
    ExpectGivenBack(fake);
}

// The program loads the driver when its window opens and keeps it until it
// quits: between transfers the keyboard must type.
TEST_F(SerioHostTest, PortIsHeldOnlyWhileTheKeyboardIsUsed)
{
    CFakeSerio fake(m_dir / "kernel");
    auto host = Start(fake);
    CTavrinClient client;
    ASSERT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
    HostIdentity identity;
    EXPECT_EQ(client.Identify(identity, WAIT_MS), CLIENT_OK);
    EXPECT_EQ(identity.pid, static_cast<std::uint32_t>(host->Pid()));
    Bytes version(4);
    EXPECT_EQ(Call(client, IOCTL_GET_VERSION, { 0, 0, 0, 0 }, version).status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(fake.Driver(), "atkbd");
    EXPECT_TRUE(fake.Commands().empty());

    const testing_tables::TestTable table = testing_tables::typicalTable();
    const std::vector<Bytes> packets = testing_tables::writePackets(table);
    for (std::size_t i = 0; i < 3; ++i) {
        Bytes none;
        EXPECT_EQ(Call(client, IOCTL_SEND_BYTES, packets[i], none).information, 0u);
        EXPECT_EQ(fake.Driver(), "serio_raw");
    }
    // Idle: back with the keyboard driver without any stop, the host still serving.
    ExpectGivenBack(fake);
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" }));
    EXPECT_EQ(host->Wait(0), -1);
    // The next request takes it again.
    Identify(client);
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd", "serio_raw" }));
    ExpectGivenBack(fake);
    EXPECT_EQ(client.Stop(WAIT_MS), CLIENT_OK);
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd", "serio_raw", "atkbd" }));
}

TEST_F(SerioHostTest, SilentKeyboardIsReportedThroughInformation254)
{
    CFakeSerio fake(m_dir / "kernel");
    kbemu::KeyboardFaults silent;
    silent.silent = true;
    fake.SetFaults(silent);
    auto host = Start(fake);
    CTavrinClient client;
    ASSERT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
    Bytes none;
    EXPECT_EQ(Call(client, IOCTL_SEND_BYTES, { 0xED }, none).information, TAVRIN_SEND_NO_REPLY);
    Bytes block(10240);
    EXPECT_EQ(Call(client, IOCTL_READ_DATA, { 0xE9 }, block).information, 0u);
}

TEST_F(SerioHostTest, PortIsGivenBackOnEveryEnd)
{
    // Every signal that would end it, the caller's terminal's quit key
    // (SIGQUIT) included, though the monitor has left the caller's session,
    // so that the terminal's signals do not reach it.
    for (const int signal : { SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM }) {
        CFakeSerio fake(m_dir / "kernel");
        auto host = Start(fake, true, { "--test-release-ms", "60000" });
        EXPECT_NE(::getsid(host->Pid()), ::getsid(0));
        EXPECT_NE(::getpgid(host->Pid()), ::getpgid(0));
        TakeThePort(fake);
        EXPECT_EQ(fake.Driver(), "serio_raw");
        host->Signal(signal);
        EXPECT_EQ(host->Wait(), 0) << signal;
        EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" })) << signal;
        ExpectGivenBack(fake);
        EXPECT_FALSE(std::filesystem::exists(m_socketPath));
    }
    // The serving process killed: its monitor gives the port back at once.
    {
        CFakeSerio fake(m_dir / "kernel");
        auto host = Start(fake, true, { "--test-release-ms", "60000" });
        TakeThePort(fake);
        ::kill(host->ServingPid(), SIGKILL);
        EXPECT_EQ(host->Wait(), lodemar::EXIT_SERVING_LOST);
        EXPECT_NE(host->ErrorText().find("the serving process ended abnormally"), std::string::npos);
        EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" }));
        ExpectGivenBack(fake);
        EXPECT_FALSE(std::filesystem::exists(m_socketPath));
    }
    // Setup failing (the socket's name is taken): the port was never touched.
    CFakeSerio fake(m_dir / "kernel");
    std::ofstream(m_socketPath) << "not a socket";
    auto host = Start(fake, false);
    EXPECT_EQ(host->Wait(), lodemar::EXIT_CANNOT_OPEN);
    EXPECT_TRUE(fake.Commands().empty());
    EXPECT_EQ(fake.Driver(), "atkbd");
}

TEST_F(SerioHostTest, PortLeftByAKilledHostIsRecoveredAtTheNextStart)
{
    CFakeSerio fake(m_dir / "kernel");
    {
        auto host = Start(fake, true, { "--test-release-ms", "60000" });
        TakeThePort(fake);
        const pid_t serving = host->ServingPid();
        host->Signal(SIGKILL);
        EXPECT_EQ(host->Wait(), -2);
        // The serving process ends with its monitor, but cannot give the
        // port back: the keyboard stays silent...
        for (int i = 0; i < 500 && ::kill(serving, 0) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_NE(::kill(serving, 0), 0);
        EXPECT_EQ(fake.Driver(), "serio_raw");
    }
    auto host = Start(fake); // ...until the next host starts
    EXPECT_NE(host->ErrorText().find("gave the keyboard port serio0 back"), std::string::npos)
        << host->ErrorText();
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" }));
    ExpectGivenBack(fake);
    EXPECT_EQ(stopHost(m_socketPath, WAIT_MS), CLIENT_OK);
    EXPECT_EQ(host->Wait(), 0);
}

TEST_F(SerioHostTest, PortThatIsNotTheKeyboardDriversIsLeftAlone)
{
    struct Case {
        std::vector<FakeSerioPort> ports;
        std::string message;
    };
    const Case cases[] = {
        { { { "serio0", "i8042 KBD port", "serio_raw" } }, "held by the driver \"serio_raw\"" },
        { { { "serio0", "i8042 KBD port", "psmouse" } }, "held by the driver \"psmouse\"" },
        { { { "serio1", "i8042 AUX port", "psmouse" } }, "no keyboard port found" },
    };
    for (const Case& c : cases) {
        CFakeSerio fake(m_dir / "kernel", c.ports);
        auto host = Start(fake, false);
        EXPECT_EQ(host->Wait(), lodemar::EXIT_CANNOT_OPEN);
        EXPECT_NE(host->ErrorText().find(c.message), std::string::npos) << host->ErrorText();
        EXPECT_TRUE(fake.Commands().empty());
        EXPECT_EQ(fake.Driver(c.ports[0].name), c.ports[0].driver);
    }
    // Taken by another driver while the host waited: the request fails, the
    // port stays as it is.
    CFakeSerio fake(m_dir / "kernel");
    auto host = Start(fake);
    std::ofstream(fake.Sys() + "/bus/serio/devices/serio0/drvctl") << "psmouse" << std::flush;
    ASSERT_TRUE(fake.WaitForDriver("psmouse"));
    CTavrinClient client;
    ASSERT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
    Bytes answer(TAVRIN_IDENTIFY_SIZE);
    EXPECT_EQ(Call(client, IOCTL_IDENTIFY_KEYBOARD, {}, answer).status, HOST_STATUS_NO_KEYBOARD);
    EXPECT_NE(host->ErrorText().find("held by the driver \"psmouse\""), std::string::npos)
        << host->ErrorText();
    EXPECT_EQ(fake.Commands(), (Words { "psmouse" }));
}

TEST_F(SerioHostTest, SecondHostIsToldWhoHoldsTheKeyboard)
{
    CFakeSerio fake(m_dir / "kernel");
    auto first = Start(fake);
    auto second = Start(fake, false);
    EXPECT_EQ(second->Wait(), lodemar::EXIT_IN_USE);
    EXPECT_NE(second->ErrorText().find("in use by process " + std::to_string(::getpid()) + " (uid "
                  + std::to_string(::getuid()) + ")"),
        std::string::npos)
        << second->ErrorText();
    EXPECT_TRUE(fake.Commands().empty());
    EXPECT_EQ(probeHost(m_socketPath, WAIT_MS), CLIENT_OK);
}

TEST_F(SerioHostTest, HostEndsWithTheProgramThatStartedIt)
{
    CFakeSerio fake(m_dir / "kernel");
    const std::string sys = fake.Sys();
    const std::string dev = fake.Dev();
    // A program that starts the host and ends without stopping it.
    const pid_t program = ::fork();
    if (program == 0) {
        const char* argv[] = { TAVRIN_TEST_HOST_PATH, "--hardware", "--socket", m_socketPath.c_str(),
            "--test-sysfs-root", sys.c_str(), "--test-dev-root", dev.c_str(), nullptr };
        pid_t host = -1;
        if (::posix_spawn(&host, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
            ::_exit(1);
        // It uses the keyboard, then ends without a word.
        CTavrinClient client;
        std::uint8_t answer[TAVRIN_IDENTIFY_SIZE];
        ExchangeResult r;
        ::_exit(client.Connect(m_socketPath, WAIT_MS) == CLIENT_OK
                    && client.Exchange(IOCTL_IDENTIFY_KEYBOARD, nullptr, 0, answer, sizeof answer, r, WAIT_MS)
                        == CLIENT_OK
                    && r.information == 3
                ? 0
                : 1);
    }
    int status = 0;
    ::waitpid(program, &status, 0);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(fake.WaitForDriver("atkbd"));
    EXPECT_EQ(fake.Commands(), (Words { "serio_raw", "atkbd" }));
    for (int i = 0; i < 500 && std::filesystem::exists(m_socketPath); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(std::filesystem::exists(m_socketPath));
}

// Root on a machine without a keyboard port (the build machines: no serio
// port, and a kernel without ioperm) is told just that, not that it needs
// root.
TEST_F(SerioHostTest, WithoutAKeyboardPortTheHostSaysSo)
{
    if (::geteuid() != 0 || std::filesystem::exists("/sys/bus/serio/devices"))
        GTEST_SKIP() << "needs root on a machine without a keyboard port";
    CHostProcess host(
        { "--hardware", "--socket", m_socketPath }, m_errorPath, std::nullopt, TAVRIN_TEST_HOST_PATH);
    EXPECT_EQ(host.Wait(), lodemar::EXIT_CANNOT_OPEN);
    EXPECT_NE(host.ErrorText().find("no keyboard port found (no serio port described as \"i8042 KBD port\""),
        std::string::npos)
        << host.ErrorText();
    EXPECT_EQ(host.ErrorText().find("needs root"), std::string::npos) << host.ErrorText();
}
