// The real keyboard's host as two processes: the monitor (CPortMonitor.h),
// which keeps root, the lock and the keyboard port, and the serving process
// (ServingConfinement.h), which gives up every right and serves the socket.
#pragma once

#include <memory>

#include "CHostBackend.h"
#include "HostSettings.h"

namespace tavrin {

class CHostFolder;
struct ServerSettings;

// Finds the keyboard port (serio, else raw ports), makes the socket, splits
// and runs the monitor until the serving process has ended (parentFd: see
// CPortMonitor). Returns the host's exit code.
int runHardwareHost(const HostSettings& settings, CHostFolder& folder, const ServerSettings& server,
    int signalFd, int parentFd);

// The serving process's backends: serio_raw's device, asked of the monitor
// over monitorFd whenever a request needs the keyboard; or the keyboard's
// requests run by the monitor on the ports it holds.
std::unique_ptr<CHostBackend> openSerioBackend(const HostSettings& settings, int monitorFd);
std::unique_ptr<CHostBackend> openMonitorExchangeBackend(int monitorFd);

} // namespace tavrin
