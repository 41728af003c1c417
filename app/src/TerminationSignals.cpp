#include <app/TerminationSignals.h>

#include <QCoreApplication>

#if !defined(_WIN32)
#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace app {
namespace {

bool terminationRequested = false;

} // namespace

bool TerminationRequested()
{
    return terminationRequested;
}

#if defined(_WIN32)

void QuitOnTerminationSignals(QObject*) { }

#else

namespace {

// A signal handler may only write to a pipe; the event loop reads it.
int signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char byte = 1;
    const int saved = errno;
    (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void QuitOnTerminationSignals(QObject* owner)
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char drained[16];
        while (::read(signalPipe[0], drained, sizeof drained) > 0) { }
        terminationRequested = true;
        // Every running loop ends: a modal box counts as closed, and the
        // main window's loop returns once the handler running now returns.
        QCoreApplication::exit(0);
    });

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // A device request in progress goes on; the quit follows it.
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

#endif

} // namespace app
