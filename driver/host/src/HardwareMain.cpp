// tavrin: the real keyboard's driver host, the program pkexec starts. It
// decides everything from how it was started, not from its caller: the
// socket, lock and record in the fixed runtime folder, the port found in
// the kernel's own folders, the user it serves from PKEXEC_UID.
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <lodemar/Version.h>
#include <tavrin/TavrinPaths.h>

#include "CHostFolder.h"
#include "CHostServer.h"
#include "HardwareHost.h"
#include "HardwareLine.h"
#include "HostMessages.h"
#include "HostSignals.h"
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
    resetInheritedSignals();
    // pkexec is the one way up; set-id, any user could name any caller.
    if (startedSetId())
        return fail(EXIT_USAGE, texts::SET_ID_REFUSED);
    // No host outlives the program that started it.
    const pid_t parent = ::getppid();
    if (!endWithParent(parent))
        return fail(EXIT_SETUP, texts::NO_PARENT);

    HardwareLine line;
    std::string error;
    if (!parseHardwareLine(argc, argv, std::getenv("PKEXEC_UID"), line, error)) {
        tell(error);
        std::fputs(texts::HARDWARE_USAGE, stderr);
        return EXIT_USAGE;
    }
    if (line.help) {
        std::fputs(texts::HARDWARE_USAGE, stdout);
        return EXIT_SERVED;
    }
    if (line.version) {
        std::printf(texts::VERSION, program_invocation_short_name, LODEMAR_VERSION);
        return EXIT_SERVED;
    }
    // Nothing the caller left open travels on; the caller's terminal and its
    // signals stay behind with the caller's session.
    ::close_range(3, ~0U, 0);
    ::umask(077);
    (void)::setsid();
    const int parentFd = watchParent(parent);
    if (::getppid() != parent)
        return fail(EXIT_SETUP, texts::NO_PARENT);
    const int signalFd = openStopSignals();
    if (signalFd < 0)
        return fail(EXIT_SETUP, texts::SPLIT_FAILED + std::string("signalfd"));
    // The 1 ms waits should not stretch by the default 50 us timer slack.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    HostSettings& settings = line.settings;
#ifdef TAVRIN_SERVING_UID
    settings.servingUid = TAVRIN_SERVING_UID;
#endif
    settings.simulatedKernel = settings.simulatedKernel || TAVRIN_SIMULATED_KERNEL;
    if (settings.sysfsRoot.empty())
        settings.sysfsRoot = TAVRIN_SYSFS_ROOT;
    if (settings.devRoot.empty())
        settings.devRoot = TAVRIN_DEV_ROOT;

    // The fixed runtime folder, root's alone; a test build may name a socket
    // of its own instead.
    const bool fixedFolder = settings.socketPath.empty();
    if (fixedFolder && ::geteuid() != 0)
        return fail(EXIT_SETUP, texts::RUN_DIR_NEEDS_ROOT);
    CHostFolder folder;
    int opened = fixedFolder ? folder.OpenFixed(RUN_DIRECTORY, error)
                             : folder.OpenBeside(settings.socketPath, error);
    if (opened == EXIT_SERVED)
        opened = folder.Lock(parent, settings.callerUid, error);
    if (opened != EXIT_SERVED)
        return fail(opened, error);

    // Only the user it serves (and root); the socket becomes that user's.
    ServerSettings server;
    server.verbose = settings.trace;
    server.idleMs = settings.idleMs;
    server.stallMs = settings.stallMs;
    server.allowedUids = { settings.callerUid, 0 };
    if (fixedFolder && settings.callerUid != 0)
        server.socketOwner = settings.callerUid;
    if (!fixedFolder)
        server.allowedUids.push_back(static_cast<std::uint32_t>(::geteuid()));
    const int result = runHardwareHost(settings, folder, server, signalFd, parentFd);
    ::close(signalFd);
    return result;
}
