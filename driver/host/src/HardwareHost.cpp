// The socket, the serving user and the keyboard port are had before the two
// processes part, since only root may have them; the serving process then
// confines itself before it takes its first request.
#include "HardwareHost.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "CHostFolder.h"
#include "CHostServer.h"
#include "CPortMonitor.h"
#include "CRawPorts.h"
#include "CRequestDispatcher.h"
#include "CSerioPort.h"
#include "HostMessages.h"
#include "HostSignals.h"
#include "HostTexts.h"
#include "ServingConfinement.h"

namespace tavrin {

namespace {

constexpr mode_t RECORD_MODE = 0644; // any user may read which port is held
constexpr char NULL_DEVICE[] = "/dev/null";

// Closes every descriptor above standard error but those in keep.
void closeAllBut(std::vector<int> keep)
{
    std::sort(keep.begin(), keep.end());
    unsigned from = 3;
    for (const int fd : keep) {
        if (fd < static_cast<int>(from))
            continue;
        if (static_cast<unsigned>(fd) > from)
            ::close_range(from, static_cast<unsigned>(fd) - 1, 0);
        from = static_cast<unsigned>(fd) + 1;
    }
    ::close_range(from, ~0U, 0);
}

// Standard input and output become /dev/null (the caller's terminal stays
// with the monitor), standard error the pipe the monitor relays.
bool detachStandardStreams(int relayFd)
{
    const int null = ::open(NULL_DEVICE, O_RDWR | O_CLOEXEC);
    const bool ok = null >= 0 && ::dup2(null, STDIN_FILENO) >= 0 && ::dup2(null, STDOUT_FILENO) >= 0
        && ::dup2(relayFd, STDERR_FILENO) >= 0;
    if (null > STDERR_FILENO)
        ::close(null);
    ::close(relayFd);
    return ok;
}

struct ServingSide {
    int monitorFd;
    int relayFd;
    pid_t monitor;
    bool serio;
    const ServingIdentity* identity; // null unless root
};

// The serving process: keeps the socket and its end of the pair, gives up
// its rights, confines itself and serves.
[[noreturn]] void serve(const HostSettings& settings, CHostServer& server, const ServingSide& side)
{
    closeAllBut({ server.ListenerFd(), side.monitorFd, side.relayFd });
    std::string error;
    if (!detachStandardStreams(side.relayFd))
        ::_exit(fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno))));
    // A signal descriptor of its own: the monitor's would be shared.
    const int signalFd = openStopSignals();
    if (signalFd < 0)
        ::_exit(fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno))));
    std::unique_ptr<CHostBackend> backend = side.serio ? openSerioBackend(settings, side.monitorFd)
                                                       : openMonitorExchangeBackend(side.monitorFd);
    if (!dropRights(side.identity, side.monitor, error) || !confineServing(error))
        ::_exit(fail(EXIT_SETUP, error));
    // The monitor removes the socket once this process has gone.
    server.LeaveSocketName();
    int code;
    {
        CRequestDispatcher dispatcher(*backend, static_cast<std::uint32_t>(side.monitor));
        code = server.Run(dispatcher, signalFd);
        backend.reset();
    }
    ::_exit(code);
}

} // namespace

int runHardwareHost(const HostSettings& settings, CHostFolder& folder, const ServerSettings& serverSettings,
    int signalFd, int parentFd)
{
    std::string error;
    std::string name;
    const bool serio = !findKeyboardPort(settings.sysfsRoot, name).empty();
    std::unique_ptr<CSerioPort> port;
    std::unique_ptr<CRawPorts> ports;
    if (serio) {
        const int record = folder.OpenOwnFile(SERIO_RECORD_NAME, RECORD_MODE, error);
        if (record < 0)
            return fail(EXIT_SETUP, error);
        port = std::make_unique<CSerioPort>(settings.sysfsRoot, settings.devRoot, record);
        port->Recover();
        if (!port->Prepare(error))
            return fail(EXIT_SETUP, error);
    } else if (settings.simulatedKernel) {
        // Raw ports only on the real machine with no kernel driver in charge.
        return fail(EXIT_SETUP, texts::SERIO_NO_PORT + settings.sysfsRoot + "/bus/serio/devices)");
    } else if (ports = openRawPorts(settings.sysfsRoot, settings.trace, error); !ports) {
        return fail(EXIT_SETUP, error);
    }
    // As root the serving process becomes the suite's own user; run by a
    // user (a test configuration) it stays that user.
    ServingIdentity identity;
    const bool root = ::geteuid() == 0;
    if (settings.servingUid >= 0)
        identity = ServingIdentity { static_cast<uid_t>(settings.servingUid),
            static_cast<gid_t>(settings.servingUid) };
    else if (root && !servingIdentityOf(SERVING_USER, identity, error))
        return fail(EXIT_SETUP, error);
    int pair[2];
    int relay[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno)));
    if (::pipe2(relay, O_CLOEXEC) != 0) {
        ::close(pair[0]);
        ::close(pair[1]);
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno)));
    }
    CHostServer server(folder, serverSettings);
    if (const int opened = server.Open(error); opened != EXIT_SERVED) {
        for (const int fd : { pair[0], pair[1], relay[0], relay[1] })
            ::close(fd);
        return fail(opened, error);
    }
    const pid_t monitor = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pair[0]);
        ::close(relay[0]);
        serve(
            settings, server, ServingSide { pair[1], relay[1], monitor, serio, root ? &identity : nullptr });
    }
    ::close(pair[1]);
    ::close(relay[1]);
    server.CloseListener();
    if (child < 0) {
        ::close(pair[0]);
        ::close(relay[0]);
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno)));
    }
    ::fcntl(relay[0], F_SETFL, O_NONBLOCK);
    CPortMonitor watcher(
        port.get(), ports ? ports->Platform() : nullptr, pair[0], child, signalFd, relay[0], parentFd);
    const int code = watcher.Run();
    ::close(pair[0]);
    ::close(relay[0]);
    return code;
}

} // namespace tavrin
