#include "HostService.h"

#include <algorithm>
#include <unistd.h>

namespace tavrin {

CHostService::CHostService(CHostBackend& backend)
    : backend_(backend)
{
}

void CHostService::Serve(const WireRequest& request, std::vector<std::uint8_t>& reply)
{
    if (request.code == HOST_IDENTIFY) {
        if (request.outputLength < HOST_IDENTITY_SIZE) {
            encodeReply(reply, TAVRIN_STATUS_BUFFER_TOO_SMALL, 0, nullptr, 0);
            return;
        }
        std::uint8_t identity[HOST_IDENTITY_SIZE];
        encodeIdentity(identity,
            HostIdentity { HOST_PROTOCOL_VERSION, TAVRIN_VERSION, static_cast<std::uint32_t>(::getpid()),
                backend_.Kind() });
        encodeReply(reply, TAVRIN_STATUS_SUCCESS, HOST_IDENTITY_SIZE, identity, HOST_IDENTITY_SIZE);
        return;
    }
    if (request.code == HOST_STOP) {
        stop_ = true;
        encodeReply(reply, TAVRIN_STATUS_SUCCESS, 0, nullptr, 0);
        return;
    }

    // As the I/O manager does for a buffered request: one system buffer for
    // input and output, zeroed, so the core never sees stale bytes.
    buffer_.assign(std::max(request.inputLength, request.outputLength), 0);
    std::copy_n(request.input, request.inputLength, buffer_.begin());
    TavrinPlatform platform = backend_.Platform();
    backend_.BeforeRequest();
    TavrinCompletion done = TavrinServeControl(&platform, request.code,
        buffer_.empty() ? nullptr : buffer_.data(), request.inputLength, request.outputLength);
    backend_.AfterRequest(done);
    // Output travels only on success and never beyond what the caller offered.
    const std::uint32_t count
        = TAVRIN_STATUS_IS_SUCCESS(done.status) ? std::min(done.information, request.outputLength) : 0;
    encodeReply(reply, done.status, done.information, buffer_.data(), count);
}

} // namespace tavrin
