// Serves parsed requests: the driver's control codes through the core, the
// host-level codes itself. No sockets here.
#pragma once

#include <cstdint>
#include <vector>

#include <tavrin/TavrinWire.h>

#include "HostBackend.h"

namespace tavrin {

class CHostService {
public:
    explicit CHostService(CHostBackend& backend);

    // Appends the reply to request to reply.
    void Serve(const WireRequest& request, std::vector<std::uint8_t>& reply);
    bool StopRequested() const { return stop_; }

private:
    CHostBackend& backend_;
    std::vector<std::uint8_t> buffer_;
    bool stop_ = false;
};

} // namespace tavrin
