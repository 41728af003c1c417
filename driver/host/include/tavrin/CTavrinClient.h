// Client side of the driver host's socket, for the program's driver channel:
// connect with a bounded wait, exchange one request with bounded waits, and
// the host-level identify and stop requests. Linux only.
//
// Every wait takes a time-out in milliseconds; a negative one waits without
// bound. After a failed exchange the connection is closed, since the stream
// can no longer be trusted to be in step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tavrin/TavrinWire.h"

namespace tavrin {

inline constexpr int CLIENT_OK = 0;
inline constexpr int CLIENT_E_ARGUMENT = -1; // bad path, buffer or length
inline constexpr int CLIENT_E_CONNECT = -2; // no host accepted a connection in time
inline constexpr int CLIENT_E_TIMEOUT = -3; // the host did not answer in time
inline constexpr int CLIENT_E_IO = -4; // the connection failed or the host hung up
inline constexpr int CLIENT_E_PROTOCOL = -5; // the answer is not a reply of this protocol
inline constexpr int CLIENT_E_NOT_CONNECTED = -6; // no connection is held
inline constexpr int CLIENT_E_REFUSED = -7; // the host answered with a failure status
inline constexpr int CLIENT_E_UNTRUSTED = -8; // the socket or the process serving it is not the expected one

// Who may serve a socket before anything is sent to it: the socket's file
// must be this process's user's, and the process that accepted the
// connection (SO_PEERCRED) one of these users.
struct HostTrust {
    std::vector<std::uint32_t> peers;
};

struct ExchangeResult {
    std::uint32_t status = 0; // the driver's (or the host's) completion status
    std::uint32_t information = 0; // as the driver completed the request (e.g. 254 after a silent send)
    std::uint32_t outputCount = 0; // bytes placed in the output buffer
};

class CTavrinClient {
public:
    CTavrinClient() = default;
    ~CTavrinClient();
    CTavrinClient(const CTavrinClient&) = delete;
    CTavrinClient& operator=(const CTavrinClient&) = delete;
    CTavrinClient(CTavrinClient&& other) noexcept;
    CTavrinClient& operator=(CTavrinClient&& other) noexcept;

    // Connects to the host's socket, retrying while the socket is missing or
    // refuses (a host still starting) until timeoutMs has passed. With trust,
    // a socket or peer that fails it is CLIENT_E_UNTRUSTED; reconnects keep
    // the same trust.
    int Connect(const std::string& socketPath, int timeoutMs, const HostTrust* trust = nullptr);
    bool Connected() const { return m_fd >= 0; }
    void Close();

    // One buffered device control request. The reply's status is in result;
    // the return value only tells whether the exchange itself worked. A
    // connection the host dropped while it was idle is replaced once,
    // transparently, before the request is sent.
    int Exchange(std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
        std::uint32_t outputLength, ExchangeResult& result, int timeoutMs);

    int Identify(HostIdentity& identity, int timeoutMs);
    // Asks the host to end and waits until it has hung up; the socket is
    // gone from the file system by the time the host answers.
    int Stop(int timeoutMs);

private:
    bool Trusted(const std::string& socketPath, int fd) const;

    int m_fd = -1;
    std::string m_path;
    bool m_trusted = false;
    HostTrust m_trust;
};

// A live host answers on socketPath within timeoutMs (connect and identify).
int probeHost(const std::string& socketPath, int timeoutMs, HostIdentity* identity = nullptr,
    const HostTrust* trust = nullptr);
// Waits up to timeoutMs for a host being started to answer on socketPath.
int waitForHost(const std::string& socketPath, int timeoutMs, HostIdentity* identity = nullptr,
    const HostTrust* trust = nullptr);
// Connects and asks the host to stop; CLIENT_OK also when none was serving.
int stopHost(const std::string& socketPath, int timeoutMs, const HostTrust* trust = nullptr);

} // namespace tavrin
