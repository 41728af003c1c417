// The monitor, the part of the real keyboard's host that keeps root: it
// takes nothing from the serving process but "take" and "give back", and a
// serving process that sends anything else is ended and the port given back.
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <thread>

#include "FakeSerio.h"
#include "HostOptions.h"
#include "HostProcess.h"
#include "MonitorProtocol.h"
#include "PortMonitor.h"
#include "SerioPort.h"

using namespace tavrin;

TEST(PortMonitorTest, OnlyAWholeTakeOrGiveBackIsARequest)
{
    struct Case {
        std::string bytes;
        bool truncated;
        bool descriptors;
        MonitorRequest expected;
    };
    const Case cases[] = {
        { "T", false, false, MonitorRequest::Take },
        { "G", false, false, MonitorRequest::GiveBack },
        { "", false, false, MonitorRequest::End },
        { "T", true, false, MonitorRequest::Invalid },
        { "G", false, true, MonitorRequest::Invalid },
        { "", false, true, MonitorRequest::Invalid },
        { "TG", false, false, MonitorRequest::Invalid },
        { "t", false, false, MonitorRequest::Invalid },
        { "D", false, false, MonitorRequest::Invalid },
        { std::string(1, '\0'), false, false, MonitorRequest::Invalid },
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseMonitorRequest(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(),
                      c.truncated, c.descriptors),
            c.expected)
            << c.bytes << " " << c.truncated << c.descriptors;
}

TEST(PortMonitorTest, AServingProcessThatSendsAnythingElseIsEndedAndThePortGivenBack)
{
    CTempFolder dir;
    const std::string junk[] = { "TG", "X", "descriptor" };
    for (const std::string& message : junk) {
        CFakeSerio fake(dir / "kernel");
        const int record = ::open((dir / "tavrin.serio").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        CSerioPort port(fake.Sys(), fake.Dev(), record);
        std::string error;
        ASSERT_TRUE(port.Prepare(error)) << error;
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        sigset_t none;
        sigemptyset(&none);
        const int signals = ::signalfd(-1, &none, SFD_CLOEXEC);
        const pid_t child = ::fork();
        if (child == 0)
            for (;;)
                ::pause();

        int code = -1;
        std::thread monitor([&] { code = CPortMonitor(&port, pair[0], child, signals).Run(); });
        // This thread plays the serving process: a proper take first.
        int device = -1;
        EXPECT_TRUE(askMonitor(pair[1], MONITOR_TAKE, 10000, &device));
        struct stat st;
        EXPECT_TRUE(::fstat(device, &st) == 0 && S_ISCHR(st.st_mode));
        EXPECT_EQ(fake.Driver(), "serio_raw");
        if (message == "descriptor") {
            // A give-back carrying a descriptor of its own.
            EXPECT_TRUE(sendMonitorReply(pair[1], MONITOR_GIVE_BACK, device));
        } else {
            EXPECT_EQ(
                ::send(pair[1], message.data(), message.size(), 0), static_cast<ssize_t>(message.size()));
        }
        monitor.join();
        EXPECT_EQ(code, EXIT_SERVING_LOST) << message;
        EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), -1) << "reaped by the monitor";
        EXPECT_EQ(fake.Driver(), "atkbd") << message;
        EXPECT_EQ(fake.Commands(), (std::vector<std::string> { "serio_raw", "atkbd" }));
        for (const int fd : { device, pair[0], pair[1], signals })
            ::close(fd);
    }
}
