// tavrin: the Linux driver host. Serves the port driver's control codes on a
// local socket, with the emulated keyboard or the real keyboard controller.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "HostBackend.h"
#include "HostOptions.h"
#include "HostServer.h"
#include "HostService.h"
#include "HostTexts.h"

namespace {

int fail(int code, const std::string& message)
{
    std::fprintf(stderr, "%s%s\n", tavrin::texts::PREFIX, message.c_str());
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tavrin;
    HostOptions options;
    std::string error;
    if (!parseHostOptions(argc, argv, std::getenv("PKEXEC_UID"), options, error)) {
        std::fprintf(stderr, "%s%s\n%s", texts::PREFIX, error.c_str(), texts::USAGE);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(texts::USAGE, stdout);
        return EXIT_SERVED;
    }

    // Termination signals arrive through a descriptor so the serving loop can
    // finish its request and remove the socket.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0)
        return fail(EXIT_SETUP, "signalfd failed");
    // The 1 ms waits should not stretch by the default 50 us timer slack.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::unique_ptr<CHostBackend> backend
        = options.hardware ? openHardwareBackend(options, error) : openEmulatedBackend(options, error);
    if (!backend)
        return fail(EXIT_SETUP, error);

    CHostService service(*backend);
    CHostServer server(service, ServerSettings { options.socketPath, options.allowUid, options.trace });
    if (const int opened = server.Open(error); opened != EXIT_SERVED)
        return fail(opened, error);
    const int result = server.Run(signalFd);
    ::close(signalFd);
    return result;
}
