// The client library against stand-in servers that misbehave.
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include "HostProcessFixture.h"

using namespace tavrin;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Listens on path and runs behaviour on the first connection.
class CStandInServer {
public:
    CStandInServer(const std::string& path, std::function<void(int)> behaviour)
    {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listener, 1);
        m_thread = std::thread([this, behaviour] {
            const int fd = ::accept(m_listener, nullptr, nullptr);
            if (fd >= 0) {
                behaviour(fd);
                ::close(fd);
            }
        });
    }
    ~CStandInServer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }

private:
    int m_listener;
    std::thread m_thread;
};

// Reads one request so that the client's send is complete.
void readRequest(int fd)
{
    std::uint8_t buffer[64];
    (void)::recv(fd, buffer, sizeof buffer, 0);
}

// Waits until the client hangs up.
void waitForHangUp(int fd)
{
    std::uint8_t b;
    while (::recv(fd, &b, 1, 0) > 0) { }
}

} // namespace

class ClientTest : public ::testing::Test {
protected:
    CTempFolder m_dir;
    std::string m_path = m_dir / "s";
    CTavrinClient m_client;
    ExchangeResult m_result;
    Bytes m_out = Bytes(4);
};

TEST_F(ClientTest, ConnectGivesUpOnAMissingSocketAndRefusesBadPaths)
{
    EXPECT_EQ(m_client.Connect(m_path, 50), CLIENT_E_CONNECT);
    EXPECT_EQ(m_client.Connect(std::string(200, 'x'), 50), CLIENT_E_ARGUMENT);
    EXPECT_EQ(m_client.Exchange(IOCTL_GET_VERSION, nullptr, 0, m_out.data(), 4, m_result, 50),
        CLIENT_E_NOT_CONNECTED);
    EXPECT_EQ(stopHost(m_path, 50), CLIENT_OK); // nothing there to stop
}

TEST_F(ClientTest, ConnectWaitsForASocketThatAppears)
{
    // The server stays until the client has its answer, however slow the
    // machine.
    std::promise<void> answered;
    std::thread later([&, done = answered.get_future()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CStandInServer server(m_path, waitForHangUp);
        done.wait();
    });
    EXPECT_EQ(m_client.Connect(m_path, 10000), CLIENT_OK);
    answered.set_value();
    m_client.Close();
    later.join();
}

TEST_F(ClientTest, SilentServerTimesOutAndTheConnectionIsDropped)
{
    CStandInServer server(m_path, waitForHangUp);
    ASSERT_EQ(m_client.Connect(m_path, 1000), CLIENT_OK);
    EXPECT_EQ(m_client.Exchange(IOCTL_GET_VERSION, m_out.data(), 4, m_out.data(), 4, m_result, 50),
        CLIENT_E_TIMEOUT);
    EXPECT_FALSE(m_client.Connected());
}

TEST_F(ClientTest, ServerThatHangsUpIsAnIoFailure)
{
    CStandInServer server(m_path, readRequest);
    ASSERT_EQ(m_client.Connect(m_path, 1000), CLIENT_OK);
    EXPECT_EQ(
        m_client.Exchange(IOCTL_GET_VERSION, m_out.data(), 4, m_out.data(), 4, m_result, 5000), CLIENT_E_IO);
}

TEST_F(ClientTest, ReplyWithMoreOutputThanOfferedIsRejected)
{
    CStandInServer server(m_path, [](int fd) {
        readRequest(fd);
        Bytes reply;
        const Bytes five(5, 0x11);
        encodeReply(reply, TAVRIN_STATUS_SUCCESS, 5, five.data(), 5);
        ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        waitForHangUp(fd);
    });
    ASSERT_EQ(m_client.Connect(m_path, 1000), CLIENT_OK);
    EXPECT_EQ(m_client.Exchange(IOCTL_GET_VERSION, m_out.data(), 4, m_out.data(), 4, m_result, 5000),
        CLIENT_E_PROTOCOL);
    EXPECT_EQ(m_out, Bytes(4, 0x00));
}
