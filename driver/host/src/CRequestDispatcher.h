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
    bool StopRequested() const { return stop_; }
    int MillisecondsUntilRelease() const { return backend_.MillisecondsUntilRelease(); }
    void ReleaseIfDue() { backend_.ReleaseIfDue(); }

private:
    CHostBackend& backend_;
    std::uint32_t pid_;
    std::vector<std::uint8_t> buffer_;
    bool stop_ = false;
};

} // namespace tavrin
