// The driver host's socket: owner-only, peers checked by their credentials,
// one request served at a time, whatever the number of connections.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HostService.h"

namespace tavrin {

// Exit codes of the host.
inline constexpr int EXIT_SERVED = 0;
inline constexpr int EXIT_USAGE = 1;
inline constexpr int EXIT_SETUP = 2; // memory file, hardware or socket could not be had
inline constexpr int EXIT_IN_USE = 3; // another host already serves the socket

struct ServerSettings {
    std::string socketPath;
    std::optional<std::uint32_t> allowUid;
    bool verbose = false;
};

class CHostServer {
public:
    CHostServer(CHostService& service, ServerSettings settings);
    ~CHostServer();
    CHostServer(const CHostServer&) = delete;
    CHostServer& operator=(const CHostServer&) = delete;

    // Creates the socket; EXIT_SERVED, or EXIT_SETUP / EXIT_IN_USE with a message.
    int Open(std::string& error);
    // Serves until a stop request or a signal arrives on signalFd (a
    // signalfd for the termination signals); removes the socket and returns.
    int Run(int signalFd);

private:
    struct Connection {
        int fd;
        std::vector<std::uint8_t> in;
    };

    void Accept();
    // False when the connection is to be closed.
    bool ReadFrom(Connection& c);
    bool Process(Connection& c, bool ended);
    bool Send(int fd, const std::vector<std::uint8_t>& bytes);
    void CloseListener();

    CHostService& service_;
    ServerSettings settings_;
    int listener_ = -1;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    std::vector<Connection> connections_;
    std::vector<std::uint8_t> reply_;
    bool stopping_ = false;
};

} // namespace tavrin
