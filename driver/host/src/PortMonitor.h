// The part of the real keyboard's host that keeps root, after the manner of
// privilege-separated daemons: it holds the host's lock, the record of the
// held port and the port's drvctl, knows the one keyboard port it found at
// start, and does two things for the serving process, its child: take the
// port (bind serio_raw and pass the opened device over) and give it back
// (MonitorProtocol.h). It believes nothing else the child sends.
//
// It ends when the serving process ends, and gives the port back once that
// process, and with it its copy of the device, is gone. A termination signal
// (also the one that comes when the program that started the host ends) is
// passed on to the serving process, which finishes its request first; one
// that does not end within a bound is killed.
#pragma once

#include <sys/types.h>

#include "MonitorProtocol.h"

namespace tavrin {

class CSerioPort;

class CPortMonitor {
public:
    // port: null where there is nothing to take (raw port I/O); channelFd:
    // the monitor's end of the socket pair; signalFd: a signalfd for the
    // termination signals.
    CPortMonitor(CSerioPort* port, int channelFd, pid_t child, int signalFd);

    // Serves until the serving process has ended, then gives the port back.
    // Returns that process's exit code, or EXIT_SERVING_LOST.
    int Run();

private:
    void Serve(MonitorRequest request);
    void Forward();
    int Reap();

    CSerioPort* port_;
    int channel_;
    pid_t child_;
    int signalFd_;
    bool stopping_ = false;
};

} // namespace tavrin
