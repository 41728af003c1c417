// The wire between the two processes of the real keyboard's host: the
// serving process, which has given up every right, and the monitor, which
// keeps root (see CPortMonitor.h). Over a SOCK_SEQPACKET socket pair, so each
// message arrives whole or not at all:
//
//   serving process -> monitor:
//     MONITOR_TAKE or MONITOR_GIVE_BACK, one byte;
//     MONITOR_EXCHANGE, code, input length, output length (32 bits, little
//       endian each), then exactly that many input bytes: one request of the
//       keyboard's (send, read-out, identify) for the monitor to run through
//       the driver core, where the monitor holds the controller's ports
//       (raw port I/O). Input at most MONITOR_MAX_INPUT bytes, output at
//       most MONITOR_MAX_OUTPUT.
//   monitor -> serving process:
//     MONITOR_DONE or MONITOR_REFUSED, one byte; the answer to a take that
//       succeeded carries the opened serio_raw device (SCM_RIGHTS), the only
//       descriptor that ever crosses;
//     MONITOR_COMPLETED, status, information, output count, then the output
//       bytes: an exchange's completion.
//
// Nothing else travels: which port, which driver and which device are the
// monitor's own knowledge, and it never waits for the serving process to
// read. Any other message ends the session: the monitor kills the serving
// process and gives the port back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <tavrin/TavrinCore.h>

namespace tavrin {

inline constexpr std::uint8_t MONITOR_TAKE = 'T';
inline constexpr std::uint8_t MONITOR_GIVE_BACK = 'G';
inline constexpr std::uint8_t MONITOR_EXCHANGE = 'X';
inline constexpr std::uint8_t MONITOR_DONE = 'D';
inline constexpr std::uint8_t MONITOR_REFUSED = 'R';
inline constexpr std::uint8_t MONITOR_COMPLETED = 'C';

// A send carries at most the core's 300 bytes; a read-out never returns more
// than 8001. Larger requests are the core's to refuse, in the serving
// process, before any port is touched.
inline constexpr std::uint32_t MONITOR_MAX_INPUT = 300;
inline constexpr std::uint32_t MONITOR_MAX_OUTPUT = 10240;
inline constexpr std::size_t MONITOR_HEADER_SIZE = 13; // kind and three 32-bit fields

enum class MonitorRequest {
    Take,
    GiveBack,
    Exchange,
    End, // the serving process closed its end
    Invalid,
};

struct MonitorMessage {
    MonitorRequest kind = MonitorRequest::Invalid;
    // Exchange only.
    std::uint32_t code = 0;
    std::uint32_t outputLength = 0;
    std::vector<std::uint8_t> input;
};

// What one received message asks for. size: the bytes received (0: the
// peer's end closed); truncated: it was longer than the buffer;
// descriptors: it carried any (the monitor closes them unused).
MonitorMessage parseMonitorRequest(
    const std::uint8_t* data, std::size_t size, bool truncated, bool descriptors);

// The monitor's side: takes one waiting request (End also when the socket
// fails).
MonitorMessage receiveMonitorRequest(int fd);
// Answers without waiting; deviceFd (>= 0) travels with MONITOR_DONE to a
// take. False when the answer could not be handed over at once (a serving
// process that does not read its answers).
bool sendMonitorReply(int fd, std::uint8_t reply, int deviceFd = -1);
bool sendMonitorCompletion(
    int fd, const TavrinCompletion& done, const std::uint8_t* output, std::uint32_t count);

// The serving process's side: sends request and waits up to timeoutMs for
// the answer. True when it was MONITOR_DONE; a take's device is then in
// *deviceFd (close-on-exec).
bool askMonitor(int fd, std::uint8_t request, int timeoutMs, int* deviceFd = nullptr);
// Has the monitor run one exchange: output receives at most outputLength
// bytes. False when the monitor did not answer with a completion.
bool askMonitorExchange(int fd, std::uint32_t code, const std::uint8_t* input, std::uint32_t inputLength,
    std::uint8_t* output, std::uint32_t outputLength, int timeoutMs, TavrinCompletion& done,
    std::uint32_t& count);

} // namespace tavrin
