// The driver host as a real process, reached over its socket.
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <memory>

#include "../emulator-keyboard/TablePackets.h"
#include "HostProcessFixture.h"

#include <lodemar/ExitCodes.h>

using Bytes = std::vector<std::uint8_t>;
using namespace tavrin;

namespace {

constexpr int WAIT_MS = 5000;

// A connection that sends whatever bytes a test wants.
class CRawConnection {
public:
    explicit CRawConnection(const std::string& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        timeval t { 2, 0 };
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    }
    ~CRawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }
    void Send(const Bytes& b)
    {
        ASSERT_EQ(::send(m_fd, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size()));
    }
    void EndSending() { ::shutdown(m_fd, SHUT_WR); }
    // Everything until the host hangs up (or two seconds pass).
    Bytes ReceiveAll()
    {
        Bytes all;
        std::uint8_t chunk[4096];
        ssize_t n;
        while ((n = ::recv(m_fd, chunk, sizeof chunk, 0)) > 0)
            all.insert(all.end(), chunk, chunk + n);
        return all;
    }

private:
    int m_fd = -1;
};

Bytes header(std::uint32_t code, std::uint32_t inputLength, std::uint32_t outputLength)
{
    Bytes b;
    encodeRequest(b, code, nullptr, 0, outputLength);
    for (int i = 0; i < 4; ++i)
        b[8 + i] = static_cast<std::uint8_t>(inputLength >> (8 * i));
    return b;
}

// Status of the single reply in bytes (or a marker value when there is none).
std::uint32_t statusOf(const Bytes& bytes)
{
    WireReply reply;
    const int used = parseReply(bytes.data(), bytes.size(), WIRE_MAX_OUTPUT, reply);
    return used == static_cast<int>(bytes.size()) ? reply.status : 0xDEADBEEF;
}

} // namespace

class HostTest : public ::testing::Test {
protected:
    CTempFolder m_dir;
    std::string m_socketPath = m_dir / "tavrin.sock";
    std::string m_memoryPath = m_dir / "kb.bin";
    std::string m_errorPath = m_dir / "stderr.txt";

    std::unique_ptr<CHostProcess> Start(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args { "--socket", m_socketPath, "--emulate", m_memoryPath };
        args.insert(args.end(), extra.begin(), extra.end());
        auto host = std::make_unique<CHostProcess>(args, m_errorPath);
        HostIdentity identity;
        EXPECT_EQ(waitForHost(m_socketPath, WAIT_MS, &identity), CLIENT_OK) << host->ErrorText();
        EXPECT_EQ(identity.pid, static_cast<std::uint32_t>(host->Pid()));
        return host;
    }

    CTavrinClient Connect()
    {
        CTavrinClient client;
        EXPECT_EQ(client.Connect(m_socketPath, WAIT_MS), CLIENT_OK);
        return client;
    }

    ExchangeResult Call(CTavrinClient& client, std::uint32_t code, const Bytes& input, Bytes& output)
    {
        return callHost(client, code, input, output, WAIT_MS);
    }
};

TEST_F(HostTest, ServesTheControlCodesAndStopsOnRequest)
{
    auto host = Start();
    HostIdentity identity;
    ASSERT_EQ(probeHost(m_socketPath, WAIT_MS, &identity), CLIENT_OK);
    EXPECT_EQ(identity.backend, BACKEND_EMULATED);
    EXPECT_EQ(identity.driverVersion, 100u);

    struct stat st;
    ASSERT_EQ(::stat(m_socketPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    CTavrinClient client = Connect();
    Bytes version(4);
    ExchangeResult r = Call(client, IOCTL_GET_VERSION, { 0, 0, 0, 0 }, version);
    EXPECT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(version, (Bytes { 100, 0, 0, 0 }));

    Bytes none;
    r = Call(client, IOCTL_SEND_BYTES, testing_tables::headerPacket(0x05, 0x0E), none);
    EXPECT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(r.information, 0u);

    Bytes block(10240);
    r = Call(client, IOCTL_READ_DATA, { 0xE9 }, block);
    EXPECT_EQ(r.information, 516u);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 3), (Bytes { 0xFC, 0x05, 0x0E }));

    Bytes answer(TAVRIN_IDENTIFY_SIZE);
    r = Call(client, IOCTL_IDENTIFY_KEYBOARD, {}, answer);
    EXPECT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(answer, (Bytes { 0xFA, 0xAB, 0x83 }));

    Bytes some(8);
    r = Call(client, 0x0022E010, {}, some);
    EXPECT_EQ(r.status, TAVRIN_STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_TRUE(some.empty());

    EXPECT_EQ(client.Stop(WAIT_MS), CLIENT_OK);
    EXPECT_FALSE(std::filesystem::exists(m_socketPath));
    EXPECT_EQ(host->Wait(), 0);
}

TEST_F(HostTest, WrittenTableReadsBackAndSurvivesTheHost)
{
    testing_tables::TestTable table;
    table.keys[0] = { keydata::KIND_STRING, { 'A', 'B' } };
    table.keys[70] = { keydata::KIND_SWITCH, { 5 } };
    table.keys[120] = { keydata::KIND_FUNCTION, { 0xE0, 0x75, 0xE1, 0xE0, 0x75, 0xE3, 0xE8, 0xED } };
    const Bytes expected = testing_tables::expectedImage(table);
    {
        auto host = Start();
        CTavrinClient client = Connect();
        for (const Bytes& packet : testing_tables::writePackets(table)) {
            Bytes none;
            const ExchangeResult r = Call(client, IOCTL_SEND_BYTES, packet, none);
            ASSERT_EQ(r.status, TAVRIN_STATUS_SUCCESS);
            ASSERT_EQ(r.information, 0u);
        }
        Bytes block(10240);
        Call(client, IOCTL_READ_DATA, { 0xE9 }, block);
        EXPECT_EQ(block, expected);
        host->Signal(SIGTERM);
        EXPECT_EQ(host->Wait(), 0);
        EXPECT_FALSE(std::filesystem::exists(m_socketPath));
    }
    auto host = Start();
    CTavrinClient client = Connect();
    Bytes block(10240);
    Call(client, IOCTL_READ_DATA, { 0xE9 }, block);
    EXPECT_EQ(block, expected);
}

TEST_F(HostTest, SilentKeyboardIsReportedThroughInformation254)
{
    auto host = Start({ "--fault", "silent", "--trace" });
    CTavrinClient client = Connect();
    Bytes none;
    const ExchangeResult sent = Call(client, IOCTL_SEND_BYTES, { 0xED, 0x00 }, none);
    EXPECT_EQ(sent.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(sent.information, TAVRIN_SEND_NO_REPLY);
    Bytes block(10240);
    EXPECT_EQ(Call(client, IOCTL_READ_DATA, { 0xE9 }, block).information, 0u);
    EXPECT_EQ(client.Stop(WAIT_MS), CLIENT_OK);
    EXPECT_NE(host->ErrorText().find("send_cmd return = ffffffff\n"), std::string::npos);
}

TEST_F(HostTest, OutputNeverExceedsWhatTheCallerOffered)
{
    auto host = Start({ "--fault", "endless" });
    CTavrinClient client = Connect();
    Bytes block(8000);
    const ExchangeResult r = Call(client, IOCTL_READ_DATA, { 0xE9 }, block);
    EXPECT_EQ(r.information, 8000u);
    EXPECT_EQ(block.back(), 0xFD);
    Bytes shortVersion(3);
    EXPECT_EQ(
        Call(client, IOCTL_GET_VERSION, { 0, 0, 0, 0 }, shortVersion).status, TAVRIN_STATUS_BUFFER_TOO_SMALL);
    EXPECT_TRUE(shortVersion.empty());
    Bytes none;
    EXPECT_EQ(Call(client, IOCTL_SEND_BYTES, Bytes(301, 0x01), none).status, TAVRIN_STATUS_INVALID_PARAMETER);
}

TEST_F(HostTest, MalformedAndTruncatedRequestsGetAnErrorStatus)
{
    auto host = Start();
    {
        CRawConnection c(m_socketPath);
        c.Send({ 'h', 'e', 'l', 'l', 'o' });
        EXPECT_EQ(statusOf(c.ReceiveAll()), HOST_STATUS_MALFORMED);
    }
    {
        CRawConnection c(m_socketPath);
        c.Send(header(IOCTL_SEND_BYTES, WIRE_MAX_INPUT + 1, 0));
        EXPECT_EQ(statusOf(c.ReceiveAll()), HOST_STATUS_MALFORMED);
    }
    {
        CRawConnection c(m_socketPath);
        c.Send(header(IOCTL_READ_DATA, 1, 0xFFFFFFFF));
        EXPECT_EQ(statusOf(c.ReceiveAll()), HOST_STATUS_MALFORMED);
    }
    {
        CRawConnection c(m_socketPath);
        Bytes b = header(IOCTL_SEND_BYTES, 10, 0);
        b.insert(b.end(), { 0xE8, 0x00, 0x00 });
        c.Send(b);
        c.EndSending();
        EXPECT_EQ(statusOf(c.ReceiveAll()), HOST_STATUS_TRUNCATED);
    }
    {
        CRawConnection c(m_socketPath);
        const Bytes whole = header(IOCTL_GET_VERSION, 4, 4);
        c.Send(Bytes(whole.begin(), whole.begin() + 7));
        c.EndSending();
        EXPECT_EQ(statusOf(c.ReceiveAll()), HOST_STATUS_TRUNCATED);
    }
    {
        // A complete request followed by a cut-off one: the first is served.
        CRawConnection c(m_socketPath);
        Bytes b;
        const Bytes zeros(4, 0);
        encodeRequest(b, IOCTL_GET_VERSION, zeros.data(), 4, 4);
        b.insert(b.end(), { 'T', 'V' });
        c.Send(b);
        c.EndSending();
        const Bytes replies = c.ReceiveAll();
        WireReply first;
        const int used = parseReply(replies.data(), replies.size(), 4, first);
        ASSERT_GT(used, 0);
        EXPECT_EQ(first.status, TAVRIN_STATUS_SUCCESS);
        EXPECT_EQ(statusOf(Bytes(replies.begin() + used, replies.end())), HOST_STATUS_TRUNCATED);
    }
    EXPECT_EQ(probeHost(m_socketPath, WAIT_MS), CLIENT_OK);
    EXPECT_EQ(stopHost(m_socketPath, WAIT_MS), CLIENT_OK);
    EXPECT_EQ(host->Wait(), 0);
}

TEST_F(HostTest, SocketOfALiveHostIsNeverTakenOver)
{
    auto first = Start();
    CHostProcess second({ "--socket", m_socketPath, "--emulate", m_dir / "other.bin" }, m_dir / "second.txt");
    EXPECT_EQ(second.Wait(), lodemar::EXIT_IN_USE);
    EXPECT_NE(second.ErrorText().find("another host already serves"), std::string::npos);
    EXPECT_EQ(probeHost(m_socketPath, WAIT_MS), CLIENT_OK);
}

TEST_F(HostTest, LeftoverSocketIsReplacedButOtherFilesAreKept)
{
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, m_socketPath.c_str(), sizeof a.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd); // as a crashed host leaves it
    }
    {
        auto host = Start();
        EXPECT_EQ(stopHost(m_socketPath, WAIT_MS), CLIENT_OK);
        EXPECT_EQ(host->Wait(), 0);
    }
    std::ofstream(m_socketPath) << "precious";
    CHostProcess host({ "--socket", m_socketPath, "--emulate", m_memoryPath }, m_errorPath);
    EXPECT_EQ(host.Wait(), lodemar::EXIT_CANNOT_OPEN);
    std::ifstream in(m_socketPath);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

TEST_F(HostTest, BadSetupEndsWithAMessage)
{
    CHostProcess noBackend({ "--socket", m_socketPath }, m_errorPath);
    EXPECT_EQ(noBackend.Wait(), lodemar::EXIT_USAGE);
    EXPECT_NE(noBackend.ErrorText().find("--emulate MEMFILE is required"), std::string::npos);

    std::ofstream(m_memoryPath) << "short";
    CHostProcess wrongMemory({ "--socket", m_socketPath, "--emulate", m_memoryPath }, m_errorPath);
    EXPECT_EQ(wrongMemory.Wait(), lodemar::EXIT_CANNOT_OPEN);
    EXPECT_NE(wrongMemory.ErrorText().find("exactly 4096 bytes"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_socketPath));
}

TEST_F(HostTest, OtherUsersAreRefusedUnlessAllowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t OTHER = 65534;
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0755), 0);
    // Runs a probe as another user; its result code is the exit status.
    auto probeAs = [&](uid_t uid) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setuid(uid) != 0)
                ::_exit(100);
            CTavrinClient client;
            const int c = client.Connect(m_socketPath, 0);
            if (c != CLIENT_OK)
                ::_exit(static_cast<int>(-c));
            HostIdentity identity;
            ::_exit(static_cast<int>(-client.Identify(identity, WAIT_MS)));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? -WEXITSTATUS(status) : 1000;
    };
    {
        auto host = Start();
        EXPECT_EQ(probeAs(OTHER), CLIENT_E_CONNECT); // the socket's mode keeps it out
        ASSERT_EQ(::chmod(m_socketPath.c_str(), 0666), 0);
        EXPECT_EQ(probeAs(OTHER), CLIENT_E_REFUSED); // and so do its credentials
        EXPECT_NE(host->ErrorText().find("refused a connection from uid 65534"), std::string::npos);
        EXPECT_EQ(stopHost(m_socketPath, WAIT_MS), CLIENT_OK);
    }
    auto host = Start({ "--allow-uid", std::to_string(OTHER) });
    struct stat st;
    ASSERT_EQ(::stat(m_socketPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, OTHER);
    EXPECT_EQ(probeAs(OTHER), CLIENT_OK);
    EXPECT_EQ(probeAs(65533), CLIENT_E_CONNECT);
}

TEST_F(HostTest, IdleAndHalfSentConnectionsAreDroppedAndTheClientReconnects)
{
    auto host = Start({ "--test-idle-ms", "200", "--test-stall-ms", "300" });
    CTavrinClient client = Connect();
    HostIdentity identity;
    ASSERT_EQ(client.Identify(identity, WAIT_MS), CLIENT_OK);
    {
        CRawConnection idle(m_socketPath);
        EXPECT_TRUE(idle.ReceiveAll().empty()); // hung up, not timed out by the test
        CRawConnection halfSent(m_socketPath);
        const Bytes whole = header(IOCTL_GET_VERSION, 4, 4);
        halfSent.Send(Bytes(whole.begin(), whole.begin() + 7));
        EXPECT_EQ(statusOf(halfSent.ReceiveAll()), HOST_STATUS_TRUNCATED);
    }
    // The client's own idle connection went the same way; it reconnects once.
    EXPECT_EQ(client.Identify(identity, WAIT_MS), CLIENT_OK);
    EXPECT_EQ(identity.pid, static_cast<std::uint32_t>(host->Pid()));
}

TEST_F(HostTest, NoPeerLocksOthersOut)
{
    auto host = Start({ "--fault", "endless", "--test-stall-ms", "20000" });
    // More idle connections than the host keeps.
    std::vector<std::unique_ptr<CRawConnection>> idle;
    for (int i = 0; i < 12; ++i)
        idle.push_back(std::make_unique<CRawConnection>(m_socketPath));
    {
        CTavrinClient newcomer;
        HostIdentity identity;
        ASSERT_EQ(newcomer.Connect(m_socketPath, 2000), CLIENT_OK);
        EXPECT_EQ(newcomer.Identify(identity, 2000), CLIENT_OK);
    }
    // A peer that asks for read-outs and never reads the replies.
    CRawConnection greedy(m_socketPath);
    Bytes requests;
    for (int i = 0; i < 64; ++i) {
        const std::uint8_t read = 0xE9;
        encodeRequest(requests, IOCTL_READ_DATA, &read, 1, 10240);
    }
    greedy.Send(requests);
    CTavrinClient client = Connect();
    Bytes version(4);
    ExchangeResult result;
    const Bytes zeros(4, 0);
    EXPECT_EQ(
        client.Exchange(IOCTL_GET_VERSION, zeros.data(), 4, version.data(), 4, result, 2000), CLIENT_OK);
    EXPECT_EQ(version, (Bytes { 100, 0, 0, 0 }));
}
