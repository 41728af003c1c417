// tavrin: the Linux driver host. Serves the port driver's control codes on a
// local socket, with the emulated keyboard or the real keyboard.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <lodemar/Version.h>
#include <tavrin/TavrinPaths.h>

#include "HostBackend.h"
#include "HostFolder.h"
#include "HostOptions.h"
#include "HostPrivileges.h"
#include "HostServer.h"
#include "HostService.h"
#include "HostTexts.h"

// Where the real keyboard's port is looked for. Fixed for the program; a
// test build of the host compiles in stand-ins.
#ifndef TAVRIN_SYSFS_ROOT
#define TAVRIN_SYSFS_ROOT "/sys"
#endif
#ifndef TAVRIN_DEV_ROOT
#define TAVRIN_DEV_ROOT "/dev"
#endif
#ifndef TAVRIN_SIMULATED_KERNEL
#define TAVRIN_SIMULATED_KERNEL 0
#endif

int main(int argc, char** argv)
{
    using namespace tavrin;
    // No host outlives the program that started it.
    const pid_t parent = ::getppid();
    if (!endWithParent(parent))
        return fail(EXIT_SETUP, texts::NO_PARENT);

    HostOptions options;
    std::string error;
    const HostCaller caller { std::getenv("PKEXEC_UID"),
        ::getuid() != ::geteuid() || ::getgid() != ::getegid(), static_cast<std::uint32_t>(::getuid()) };
    if (!parseHostOptions(argc, argv, caller, options, error)) {
        std::fprintf(stderr, "%s%s\n%s", texts::PREFIX, error.c_str(), texts::USAGE);
        return EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(texts::USAGE, stdout);
        return EXIT_SERVED;
    }
    if (options.version) {
        std::printf(texts::VERSION, LODEMAR_VERSION);
        return EXIT_SERVED;
    }
    // Nothing the caller left open travels into a privileged host.
    if (options.privileged)
        ::close_range(3, ~0U, 0);
    options.simulatedKernel
        = !options.sysfsRoot.empty() || !options.devRoot.empty() || TAVRIN_SIMULATED_KERNEL;
    if (options.sysfsRoot.empty())
        options.sysfsRoot = TAVRIN_SYSFS_ROOT;
    if (options.devRoot.empty())
        options.devRoot = TAVRIN_DEV_ROOT;

    // Termination signals arrive through a descriptor so the serving loop can
    // finish its request, give the keyboard port back and remove the socket.
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

    // The real keyboard without a socket of the caller's choosing: the fixed
    // runtime folder, root's alone.
    const bool fixedFolder = options.hardware && options.socketPath.empty();
    CHostFolder folder;
    int opened = EXIT_SERVED;
    if (fixedFolder && ::geteuid() != 0)
        return fail(EXIT_SETUP, texts::RUN_DIR_NEEDS_ROOT);
    opened
        = fixedFolder ? folder.OpenFixed(RUN_DIRECTORY, error) : folder.OpenBeside(options.socketPath, error);
    if (opened == EXIT_SERVED && options.hardware)
        opened = folder.Lock(parent, options.callerUid, error);
    if (opened != EXIT_SERVED)
        return fail(opened, error);

    ServerSettings settings;
    settings.verbose = options.trace;
    settings.idleMs = options.idleMs;
    settings.stallMs = options.stallMs;
    if (fixedFolder) {
        // Only the user it serves (and root); the socket becomes that user's.
        settings.allowedUids = { options.callerUid, 0 };
        if (options.callerUid != 0)
            settings.socketOwner = options.callerUid;
    } else {
        settings.allowedUids = { static_cast<std::uint32_t>(::geteuid()) };
        if (options.allowUid) {
            settings.allowedUids.push_back(*options.allowUid);
            if (::geteuid() == 0)
                settings.socketOwner = options.allowUid;
        }
    }
    // The real keyboard: a monitor that keeps root and the port, and a
    // serving process without rights.
    if (options.hardware) {
        const int result = runHardwareHost(options, folder, settings, signalFd);
        ::close(signalFd);
        return result;
    }

    // The emulated keyboard runs as the user: one process.
    std::unique_ptr<CHostBackend> backend = openEmulatedBackend(options, error);
    if (!backend)
        return fail(EXIT_SETUP, error);
    CHostService service(*backend);
    CHostServer server(folder, settings);
    if (const int served = server.Open(error); served != EXIT_SERVED)
        return fail(served, error);
    const int result = server.Run(service, signalFd);
    ::close(signalFd);
    return result;
}
