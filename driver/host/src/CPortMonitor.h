// The part of the real keyboard's host that keeps root, after the manner of
// privilege-separated daemons: it holds the host's lock, the record of the
// held port and the port's drvctl (serio), or the controller's ports (raw
// port I/O), and does three things for the serving process, its child: take
// the port (bind serio_raw and pass the opened device over), give it back,
// and run one exchange with the keyboard through the driver core on the
// ports it holds (MonitorProtocol.h). It believes nothing else the child
// sends, never waits for the child to read, and relays what the child says
// on its standard error.
//
// It ends when the serving process ends, and gives the port back once that
// process, and with it its copy of the device, is gone. A termination signal
// (also the one that comes when the program that started the host ends) is
// passed on to the serving process, which finishes its request first; one
// that does not end within a bound is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <vector>

#include <tavrin/TavrinCore.h>

#include "MonitorProtocol.h"

namespace tavrin {

class CSerioPort;

class CPortMonitor {
public:
    // port: the serio port to take and give back, or null; ports: the
    // controller's ports for exchanges (raw port I/O), or null. channelFd:
    // the monitor's end of the socket pair; signalFd: a signalfd for the
    // termination signals; relayFd: the read end of the serving process's
    // standard error (-1: none); parentFd: readable once the program that
    // started the host has ended (watchParent; -1: none), which stops the
    // serving process as a termination signal does.
    CPortMonitor(CSerioPort* port, const TavrinPlatform* ports, int channelFd, pid_t child, int signalFd,
        int relayFd = -1, int parentFd = -1);

    // Serves until the serving process has ended, then gives the port back.
    // Returns that process's exit code, or EXIT_SERVING_LOST.
    int Run();

private:
    // false: the session ends (the serving process is killed).
    bool Serve(const MonitorMessage& request);
    bool Exchange(const MonitorMessage& request);
    // Whether an answer was handed over; says so when it was not.
    bool Answered(bool sent);
    void Forward();
    // Passes on what the serving process said; false once nothing came.
    bool Relay();
    int Reap();

    CSerioPort* m_port;
    const TavrinPlatform* m_ports;
    int m_channel;
    pid_t m_child;
    int m_signalFd;
    int m_relayFd;
    int m_parentFd;
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_killAt {};
    std::vector<std::uint8_t> m_buffer;
};

} // namespace tavrin
