// The wire between the two processes of the real keyboard's host: the
// serving process, which has given up every right, and the monitor, which
// keeps root (see PortMonitor.h). Over a SOCK_SEQPACKET socket pair, so each
// message arrives whole or not at all:
//
//   serving process -> monitor: one byte, MONITOR_TAKE or MONITOR_GIVE_BACK
//   monitor -> serving process: one byte, MONITOR_DONE or MONITOR_REFUSED;
//     the answer to a take that succeeded carries the opened serio_raw
//     device (SCM_RIGHTS), the only descriptor that ever crosses.
//
// Nothing else travels: which port, which driver and which device are the
// monitor's own knowledge. Any other message ends the session: the monitor
// stops the serving process and gives the port back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrin {

inline constexpr std::uint8_t MONITOR_TAKE = 'T';
inline constexpr std::uint8_t MONITOR_GIVE_BACK = 'G';
inline constexpr std::uint8_t MONITOR_DONE = 'D';
inline constexpr std::uint8_t MONITOR_REFUSED = 'R';

enum class MonitorRequest {
    Take,
    GiveBack,
    End, // the serving process closed its end
    Invalid,
};

// What one received message asks for. size: the bytes received (0: the
// peer's end closed); truncated: it was longer than the buffer;
// descriptors: it carried any (the monitor closes them unused).
MonitorRequest parseMonitorRequest(
    const std::uint8_t* data, std::size_t size, bool truncated, bool descriptors);

// The monitor's side: waits for one request (End also when the socket fails).
MonitorRequest receiveMonitorRequest(int fd);
// Answers; deviceFd (>= 0) travels with MONITOR_DONE to a take.
bool sendMonitorReply(int fd, std::uint8_t reply, int deviceFd = -1);

// The serving process's side: sends request and waits up to timeoutMs for
// the answer. True when it was MONITOR_DONE; a take's device is then in
// *deviceFd (close-on-exec).
bool askMonitor(int fd, std::uint8_t request, int timeoutMs, int* deviceFd = nullptr);

} // namespace tavrin
