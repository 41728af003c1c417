// Serves parsed requests: the driver's control codes through the core, the
// host-level codes itself. No sockets here.
#pragma once

#include <cstdint>
#include <vector>

#include <tavrin/TavrinWire.h>

#include "CHostBackend.h"

namespace tavrin {

class CRequestDispatcher {
public:
    // pid: the host's process id as identify reports it, the process its
    // caller started (0: this one).
    explicit CRequestDispatcher(CHostBackend& backend, std::uint32_t pid = 0);

    // Appends the reply to request to reply.
    void Serve(const WireRequest& request, std::vector<std::uint8_t>& reply);
    bool StopRequested() const { return m_stop; }
    int MillisecondsUntilRelease() const { return m_backend.MillisecondsUntilRelease(); }
    void ReleaseIfDue() { m_backend.ReleaseIfDue(); }

private:
    CHostBackend& m_backend;
    std::uint32_t m_pid;
    std::vector<std::uint8_t> m_buffer;
    bool m_stop = false;
};

} // namespace tavrin
