// tavrin-emu: the emulated keyboard's driver host. Serves the port driver's
// control codes on a local socket as the user who starts it, with the
// emulated PC and keyboard behind them.
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>

#include <lodemar/Version.h>

#include "CEmulatedBackend.h"
#include "CHostFolder.h"
#include "CHostServer.h"
#include "CRequestDispatcher.h"
#include "EmulatedOptions.h"
#include "HostMessages.h"
#include "HostSignals.h"
#include "HostTexts.h"

int main(int argc, char** argv)
{
    using namespace tavrin;
    resetInheritedSignals();
    // It never runs with more rights than the user who starts it.
    if (startedSetId())
        return fail(EXIT_USAGE, texts::EMULATED_NOT_PRIVILEGED);
    // No host outlives the program that started it.
    const pid_t parent = ::getppid();
    if (!endWithParent(parent))
        return fail(EXIT_SETUP, texts::NO_PARENT);

    EmulatedOptions options;
    std::string error;
    if (!parseEmulatedOptions(argc, argv, options, error)) {
        tell(error);
        std::fputs(texts::EMULATED_USAGE, stderr);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(texts::EMULATED_USAGE, stdout);
        return EXIT_SERVED;
    }
    if (options.version) {
        std::printf(texts::VERSION, program_invocation_short_name, LODEMAR_VERSION);
        return EXIT_SERVED;
    }
    const int signalFd = openStopSignals();
    if (signalFd < 0)
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string("signalfd"));
    // The 1 ms waits should not stretch by the default 50 us timer slack.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    CHostFolder folder;
    if (const int opened = folder.OpenBeside(options.settings.socketPath, error); opened != EXIT_SERVED)
        return fail(opened, error);
    ServerSettings settings;
    settings.verbose = options.settings.trace;
    settings.idleMs = options.settings.idleMs;
    settings.stallMs = options.settings.stallMs;
    settings.allowedUids = { static_cast<std::uint32_t>(::geteuid()) };
    if (options.allowUid) {
        settings.allowedUids.push_back(*options.allowUid);
        // Run as root, the socket is handed to that user only where its folder is root's alone.
        if (::geteuid() == 0)
            settings.socketOwner = options.allowUid;
    }
    std::unique_ptr<CHostBackend> backend = openEmulatedBackend(options, error);
    if (!backend)
        return fail(EXIT_SETUP, error);
    CRequestDispatcher dispatcher(*backend);
    CHostServer server(folder, settings);
    if (const int served = server.Open(error); served != EXIT_SERVED)
        return fail(served, error);
    const int result = server.Run(dispatcher, signalFd);
    ::close(signalFd);
    return result;
}
