// Termination requests from outside (SIGTERM, SIGINT, SIGHUP on POSIX) end
// the program the way closing its window does, so that the window's
// driver channel still stops and removes the driver host.
#pragma once

class QObject;

namespace app {

// Turns the signals into a quit of every running event loop, delivered by
// the event loop (never inside the handler). The notifier lives under
// owner. Does nothing where the platform has no such signals.
void QuitOnTerminationSignals(QObject* owner);

// Whether such a request has been delivered: one that came before the main
// window's loop started must keep it from starting.
bool TerminationRequested();

} // namespace app
