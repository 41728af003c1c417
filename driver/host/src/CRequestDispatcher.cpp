#include "CRequestDispatcher.h"
#include "HostClock.h"

#include <algorithm>
#include <unistd.h>

namespace tavrin {

bool touchesKeyboard(std::uint32_t code)
{
    return code == IOCTL_SEND_BYTES || code == IOCTL_READ_DATA || code == IOCTL_IDENTIFY_KEYBOARD;
}

CRequestDispatcher::CRequestDispatcher(CHostBackend& backend, std::uint32_t pid)
    : backend_(backend)
    , pid_(pid != 0 ? pid : static_cast<std::uint32_t>(::getpid()))
{
}

void CRequestDispatcher::Serve(const WireRequest& request, std::vector<std::uint8_t>& reply)
{
    if (request.code == HOST_IDENTIFY) {
        if (request.outputLength < HOST_IDENTITY_SIZE) {
            encodeReply(reply, TAVRIN_STATUS_BUFFER_TOO_SMALL, 0, nullptr, 0);
            return;
        }
        std::uint8_t identity[HOST_IDENTITY_SIZE];
        encodeIdentity(
            identity, HostIdentity { HOST_PROTOCOL_VERSION, TAVRIN_VERSION, pid_, backend_.Kind() });
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
    TavrinCompletion done {};
    if (backend_.BeforeRequest(touchesKeyboard(request.code), done)) {
        done = backend_.Serve(request.code, buffer_.empty() ? nullptr : buffer_.data(), request.inputLength,
            request.outputLength);
        backend_.AfterRequest(done);
        markLineQuiet();
    }
    // Output travels only on success and never beyond what the caller offered.
    const std::uint32_t count
        = TAVRIN_STATUS_IS_SUCCESS(done.status) ? std::min(done.information, request.outputLength) : 0;
    encodeReply(reply, done.status, done.information, buffer_.data(), count);
}

} // namespace tavrin
