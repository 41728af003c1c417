// The vorelin tool: its command line, and the program itself run against the
// emulated reader.
#include "CCardReaderEmulator.h"
#include "CVorelinCommand.h"
#include "ReaderStatus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome runTool(const std::string& args)
{
    Outcome o;
    const std::string command = std::string("'") + VORELIN_TOOL_PATH + "' " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return o;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        o.output.append(buf, n);
    const int raw = pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

bool parses(const std::vector<std::string>& args, CVorelinCommand& command)
{
    std::string error;
    return command.Parse(args, error);
}

} // namespace

TEST(VorelinToolArguments, NumbersAndHex)
{
    int v = -1;
    EXPECT_TRUE(parseByteNumber("0x1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(parseByteNumber("255", v));
    EXPECT_FALSE(parseByteNumber("256", v));
    EXPECT_FALSE(parseByteNumber("-1", v));
    EXPECT_FALSE(parseByteNumber("12z", v));
    EXPECT_FALSE(parseByteNumber("", v));

    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(parseHexBytes("de:AD be-ef", bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t> { 0xDE, 0xAD, 0xBE, 0xEF }));
    EXPECT_FALSE(parseHexBytes("ABC", bytes));
    EXPECT_FALSE(parseHexBytes("A:B", bytes));
    EXPECT_FALSE(parseHexBytes("GG", bytes));
    EXPECT_FALSE(parseHexBytes("", bytes));
    EXPECT_EQ(formatHexBytes(bytes.data(), 0), "");
}

TEST(VorelinToolArguments, CommandsAndTheirArguments)
{
    CVorelinCommand c;
    ASSERT_TRUE(parses({ "COM1", "read", "2", "0x10", "16" }, c));
    EXPECT_EQ(c.Operation(), VorelinOperation::Read);
    EXPECT_EQ(c.Area(), 2);
    EXPECT_EQ(c.Address(), 16);
    EXPECT_EQ(c.Count(), 16);
    ASSERT_TRUE(parses({ "COM1", "power", "off" }, c));
    EXPECT_EQ(c.Operation(), VorelinOperation::PowerOff);
    ASSERT_TRUE(parses({ "COM1", "beep", "1" }, c));
    EXPECT_EQ(c.Selector(), 1);
    ASSERT_TRUE(parses({ "COM1", "change-password", "010203" }, c));
    EXPECT_EQ(c.Bytes().size(), 3u);

    EXPECT_FALSE(parses({ "COM1" }, c));
    EXPECT_FALSE(parses({ "COM1", "dance" }, c));
    EXPECT_FALSE(parses({ "COM1", "beep", "2" }, c));
    EXPECT_FALSE(parses({ "COM1", "power", "up" }, c));
    EXPECT_FALSE(parses({ "COM1", "read", "0", "0" }, c));
    EXPECT_FALSE(parses({ "COM1", "version", "extra" }, c));
    EXPECT_FALSE(parses({ "COM1", "check-password", "0102" }, c));
    EXPECT_FALSE(parses({ "COM1", "write", "0", "0", std::string(252 * 2, 'A') }, c));
    EXPECT_TRUE(parses({ "COM1", "write", "0", "0", std::string(251 * 2, 'A') }, c));
}

TEST(VorelinToolArguments, EveryResultHasAMeaningAndAnExitStatus)
{
    EXPECT_EQ(describeResult(0), "success");
    // The reader's status with what it means, as the library's documentation lists it.
    EXPECT_EQ(
        describeResult(READER_WRONG_PASSWORD), "the reader reported error status 0x05 (wrong password)");
    EXPECT_EQ(describeResult(READER_NO_CARD), "the reader reported error status 0x01 (no card)");
    EXPECT_EQ(
        describeResult(0x42), "the reader reported error status 0x42 (a status without a listed meaning)");
    for (int r : { -1, -2, -3, -4 }) {
        EXPECT_NE(describeResult(r), describeResult(-99)) << r;
        EXPECT_EQ(exitStatusOf(r), EXIT_EXCHANGE_FAILED);
    }
    EXPECT_EQ(exitStatusOf(0), EXIT_RESULT_OK);
    EXPECT_EQ(exitStatusOf(255), EXIT_READER_STATUS);
}

class VorelinTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_emu.SetPacing(false);
        ASSERT_EQ(m_emu.Start(), 0);
        m_port = m_emu.SlavePath();
    }
    CCardReaderEmulator m_emu;
    std::string m_port;
};

TEST_F(VorelinTool, SessionWithTheReader)
{
    auto o = runTool(m_port + " version");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output, "56 52 2D 45 4D 55 20 31 2E 30 30  \"VR-EMU 1.00\"\nresult 0: success\n");

    o = runTool(m_port + " present");
    EXPECT_EQ(o.output, "card indication 1\nresult 0: success\n");

    o = runTool(m_port + " read 0 0 4");
    EXPECT_EQ(o.status, EXIT_READER_STATUS);
    EXPECT_EQ(o.output, "result 2: the reader reported error status 0x02 (card not powered)\n");

    EXPECT_EQ(runTool(m_port + " power on").status, 0);
    EXPECT_EQ(runTool(m_port + " check-password FFFFFF").status, 0);
    EXPECT_EQ(runTool(m_port + " write 0 0x30 'C0 FF EE'").status, 0);
    o = runTool(m_port + " read 0 0x30 3");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output, "C0 FF EE\nresult 0: success\n");
    EXPECT_EQ(runTool(m_port + " beep 0").status, 0);
    EXPECT_EQ(runTool(m_port + " change-password 123456").status, 0);
    EXPECT_EQ(runTool(m_port + " power off").status, 0);
    EXPECT_EQ(m_emu.WithModel([](CCardReaderModel& m) { return m.Card().Password()[0]; }), 0x12);
}

TEST_F(VorelinTool, FailuresHaveTheirExitStatus)
{
    ReaderFault fault;
    fault.kind = ReaderFaultKind::BadCheck;
    m_emu.ArmFault(fault);
    auto o = runTool(m_port + " version");
    EXPECT_EQ(o.status, EXIT_EXCHANGE_FAILED);
    EXPECT_NE(o.output.find("result -3: "), std::string::npos) << o.output;

    fault.kind = ReaderFaultKind::Silence;
    m_emu.ArmFault(fault);
    o = runTool(m_port + " beep 1");
    EXPECT_EQ(o.status, EXIT_EXCHANGE_FAILED);
    EXPECT_NE(o.output.find("result -2: "), std::string::npos) << o.output;

    o = runTool("/dev/no-such-port version");
    EXPECT_EQ(o.status, EXIT_CANNOT_OPEN);
    EXPECT_NE(
        o.output.find("cannot open the port /dev/no-such-port: No such file or directory"), std::string::npos)
        << o.output;
    EXPECT_NE(runTool("/etc/passwd version").output.find("it is not a device"), std::string::npos);
    EXPECT_EQ(runTool(m_port + " version --bogus").output, "vorelin: unknown option: --bogus\n");
    o = runTool("--version");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output.rfind("vorelin ", 0), 0u) << o.output;
    EXPECT_EQ(runTool(m_port + " beep 2").status, EXIT_USAGE);
    EXPECT_EQ(runTool("").status, EXIT_USAGE);
    o = runTool("--help");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.output.find("check-password HEX"), std::string::npos);
}

// A port the user may not open, whose group may: the system's reason and a
// hint to join the group (root lends the port to "nobody" in a child).
TEST_F(VorelinTool, APortOfAGroupGetsTheHint)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the port away";
    constexpr gid_t GROUP = 20; // dialout on Debian
    ASSERT_EQ(::chown(m_port.c_str(), 0, GROUP), 0);
    ASSERT_EQ(::chmod(m_port.c_str(), 0660), 0);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
            || ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(1);
        std::string reason;
        std::string hint;
        diagnosePort(m_port, reason, hint);
        const std::string both = reason + "|" + hint;
        (void)!::write(pipeFds[1], both.data(), both.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char buffer[512] = {};
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string both(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_EQ(both.rfind("Permission denied|hint: " + m_port + " belongs to the group ", 0), 0u) << both;
}
