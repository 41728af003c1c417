// The real keyboard's host as two processes: the monitor (PortMonitor.h),
// which keeps root, the lock and the keyboard port, and the serving process,
// which gives up every right and serves the socket. The socket is made
// before they part, since only root may make it in the runtime folder.
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "HostBackend.h"
#include "HostFolder.h"
#include "HostPrivileges.h"
#include "HostServer.h"
#include "HostService.h"
#include "HostTexts.h"
#include "PortMonitor.h"
#include "SerioPort.h"

namespace tavrin {

namespace {

constexpr mode_t RECORD_MODE = 0644; // any user may read which port is held

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

// The serving process: keeps the socket and its end of the pair, gives up
// its rights (asking for the raw ports first, which need root) and serves.
[[noreturn]] void serve(
    const HostOptions& options, CHostServer& server, int monitorFd, pid_t monitor, bool serio)
{
    closeAllBut({ server.ListenerFd(), monitorFd });
    // A signal descriptor of its own: the monitor's would be shared.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int s : { SIGTERM, SIGINT, SIGHUP })
        sigaddset(&stopSignals, s);
    const int signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0)
        ::_exit(fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno))));
    std::string error;
    std::unique_ptr<CHostBackend> backend
        = serio ? openSerioBackend(options, monitorFd) : openRawPortBackend(options, error);
    if (!backend || !dropPrivileges(monitor, error))
        ::_exit(fail(EXIT_SETUP, error));
    // The monitor removes the socket once this process has gone.
    server.LeaveSocketName();
    int code;
    {
        CHostService service(*backend, static_cast<std::uint32_t>(monitor));
        code = server.Run(service, signalFd);
        backend.reset();
    }
    ::_exit(code);
}

} // namespace

int runHardwareHost(
    const HostOptions& options, CHostFolder& folder, const ServerSettings& settings, int signalFd)
{
    std::string error;
    std::string name;
    const bool serio = !findKeyboardPort(options.sysfsRoot, name).empty();
    std::unique_ptr<CSerioPort> port;
    if (serio) {
        const int record = folder.OpenOwnFile(SERIO_RECORD_NAME, RECORD_MODE, error);
        if (record < 0)
            return fail(EXIT_SETUP, error);
        port = std::make_unique<CSerioPort>(options.sysfsRoot, options.devRoot, record);
        port->Recover();
        if (!port->Prepare(error))
            return fail(EXIT_SETUP, error);
    } else if (options.simulatedKernel) {
        // Raw ports only on the real machine with no kernel driver in charge.
        return fail(EXIT_SETUP, texts::SERIO_NO_PORT + options.sysfsRoot + "/bus/serio/devices)");
    } else if (!rawPortsAllowed(error)) {
        return fail(EXIT_SETUP, error);
    }

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno)));
    CHostServer server(folder, settings);
    if (const int opened = server.Open(error); opened != EXIT_SERVED) {
        ::close(pair[0]);
        ::close(pair[1]);
        return fail(opened, error);
    }
    const pid_t monitor = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pair[0]);
        serve(options, server, pair[1], monitor, serio);
    }
    ::close(pair[1]);
    server.CloseListener();
    if (child < 0) {
        ::close(pair[0]);
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string(std::strerror(errno)));
    }
    CPortMonitor watcher(port.get(), pair[0], child, signalFd);
    const int code = watcher.Run();
    ::close(pair[0]);
    return code;
}

} // namespace tavrin
