// The client library against a host that answers with arbitrary bytes: an
// exchange must end (with a result or an error), never write past the
// output buffer it was given, and never report more output than offered.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <tavrin/CTavrinClient.h>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Answers each connection with the bytes of the current input once its
// request is in, then ends its side.
class CAnsweringHost {
public:
    CAnsweringHost()
    {
        char folder[] = "/tmp/tavrin-reply-fuzz-XXXXXX";
        m_path = std::string(::mkdtemp(folder)) + "/s";
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, m_path.c_str(), sizeof a.sun_path - 1);
        check(::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
            && ::listen(m_listener, 4) == 0);
        std::thread([this] { Serve(); }).detach();
    }
    ~CAnsweringHost()
    {
        ::unlink(m_path.c_str());
        ::rmdir(m_path.substr(0, m_path.rfind('/')).c_str());
    }
    const std::string& Path() const { return m_path; }
    void SetAnswer(const std::uint8_t* data, std::size_t size)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_answer.assign(data, data + size);
    }

private:
    void Serve()
    {
        for (;;) {
            const int fd = ::accept(m_listener, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::vector<std::uint8_t> answer;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                answer = m_answer;
            }
            std::uint8_t request[64];
            (void)::recv(fd, request, sizeof request, 0);
            std::size_t sent = 0;
            while (sent < answer.size()) {
                const ssize_t n = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::shutdown(fd, SHUT_WR);
            std::uint8_t rest[256];
            while (::recv(fd, rest, sizeof rest, 0) > 0) { }
            ::close(fd);
        }
    }

    std::string m_path;
    int m_listener = -1;
    std::mutex m_mutex;
    std::vector<std::uint8_t> m_answer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CAnsweringHost host;
    if (size < 1)
        return 0;
    // The first byte picks the output the request offers.
    const std::uint32_t outputLength = data[0];
    host.SetAnswer(data + 1, size - 1);
    tavrin::CTavrinClient client;
    check(client.Connect(host.Path(), 1000) == tavrin::CLIENT_OK);
    std::vector<std::uint8_t> output(outputLength);
    const std::uint8_t input[4] = {};
    tavrin::ExchangeResult result;
    const int r
        = client.Exchange(IOCTL_GET_VERSION, input, sizeof input, output.data(), outputLength, result, 5000);
    check(r != tavrin::CLIENT_E_TIMEOUT);
    if (r == tavrin::CLIENT_OK)
        check(result.outputCount <= outputLength);
    return 0;
}
