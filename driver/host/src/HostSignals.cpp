#include "HostSignals.h"

#include <signal.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavrin {

namespace {

// What a process raises itself on a fault: blocked, the kernel would kill
// it all the same, so they keep their default.
bool raisedByFault(int s)
{
    return s == SIGSEGV || s == SIGBUS || s == SIGILL || s == SIGFPE || s == SIGTRAP || s == SIGSYS
        || s == SIGABRT;
}

// Whose default action ends the process; SIGKILL cannot be caught.
bool terminates(int s)
{
    switch (s) {
    case SIGKILL:
    case SIGSTOP:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGCONT:
    case SIGCHLD:
    case SIGURG:
    case SIGWINCH:
    case SIGPIPE:
        return false;
    default:
        return !raisedByFault(s);
    }
}

} // namespace

void resetInheritedSignals()
{
    struct sigaction standard { };
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int s = 1; s < NSIG; ++s)
        if (s != SIGKILL && s != SIGSTOP)
            (void)::sigaction(s, &standard, nullptr); // the C library's own signals refuse
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

int openStopSignals()
{
    sigset_t stop;
    sigemptyset(&stop);
    for (int s = 1; s < NSIG; ++s)
        if (terminates(s))
            sigaddset(&stop, s);
    if (::sigprocmask(SIG_BLOCK, &stop, nullptr) != 0)
        return -1;
    ::signal(SIGPIPE, SIG_IGN);
    return ::signalfd(-1, &stop, SFD_CLOEXEC);
}

bool endWithParent(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM, 0UL, 0UL, 0UL);
    // The parent may have ended before the request took effect.
    return parent != 1 && ::getppid() == parent;
}

int watchParent(pid_t parent)
{
    // The system call itself: glibc 2.36 declares pidfd_open without C linkage.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, parent, 0));
    // Opened after the parent ended, the pid may be someone else's.
    if (fd >= 0 && ::getppid() != parent) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool startedSetId()
{
    return ::getauxval(AT_SECURE) != 0 || ::getuid() != ::geteuid() || ::getgid() != ::getegid();
}

} // namespace tavrin
