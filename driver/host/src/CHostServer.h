// The driver host's socket: owner-only, peers checked by their credentials,
// one request served at a time, whatever the number of connections. No peer
// can hold the others up: replies are written without blocking, and idle,
// half-sent or unread connections are dropped after bounded times.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CHostFolder.h"
#include "CRequestDispatcher.h"
#include "CRequestStream.h"
#include "HostSettings.h"

namespace tavrin {

struct ServerSettings {
    std::vector<std::uint32_t> allowedUids; // peers that may connect
    std::optional<std::uint32_t> socketOwner; // hand the socket to this user (root only)
    bool verbose = false;
    int idleMs = DEFAULT_IDLE_MS;
    int stallMs = DEFAULT_STALL_MS;
};

class CHostServer {
public:
    CHostServer(const CHostFolder& folder, ServerSettings settings);
    ~CHostServer();
    CHostServer(const CHostServer&) = delete;
    CHostServer& operator=(const CHostServer&) = delete;

    // Creates the socket in the folder; EXIT_SERVED, or EXIT_SETUP /
    // EXIT_IN_USE with a message.
    int Open(std::string& error);
    // Serves through the dispatcher until a stop request or a signal arrives on
    // signalFd (a signalfd for the termination signals); removes the socket
    // and returns.
    int Run(CRequestDispatcher& dispatcher, int signalFd);
    int ListenerFd() const { return m_listener; }
    // Stops listening; the socket's name stays until the server is destroyed
    // (for a process that made the socket but leaves the serving to another).
    void CloseListener();
    // Leaves the socket's name to whoever made it (for the process that
    // serves in its place).
    void LeaveSocketName() { m_removeName = false; }

private:
    using Clock = std::chrono::steady_clock;

    struct Connection {
        int fd = -1;
        CRequestStream stream;
        std::vector<std::uint8_t> out; // reply bytes not yet taken by the peer
        std::size_t sent = 0;
        Clock::time_point since; // idle, half-sent or unread since
        bool ended = false; // the peer sent its last byte
        bool hangUp = false; // close once out is sent
    };

    void Accept();
    // Each returns false when the connection is to be closed.
    bool ReadFrom(Connection& c);
    bool Flush(Connection& c);
    bool Serve(Connection& c);
    Clock::time_point Deadline(const Connection& c) const;
    bool Idle(const Connection& c) const;
    void FinishStop(Connection& c);
    void RemoveSocketName();

    CRequestDispatcher* m_dispatcher = nullptr;
    const CHostFolder& m_folder;
    ServerSettings m_settings;
    int m_listener = -1;
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    std::vector<Connection> m_connections;
    bool m_stopping = false;
    bool m_removeName = true;
};

} // namespace tavrin
