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
    : m_backend(backend)
    , m_pid(pid != 0 ? pid : static_cast<std::uint32_t>(::getpid()))
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
            identity, HostIdentity { HOST_PROTOCOL_VERSION, TAVRIN_VERSION, m_pid, m_backend.Kind() });
        encodeReply(reply, TAVRIN_STATUS_SUCCESS, HOST_IDENTITY_SIZE, identity, HOST_IDENTITY_SIZE);
        return;
    }
    if (request.code == HOST_STOP) {
        m_stop = true;
        encodeReply(reply, TAVRIN_STATUS_SUCCESS, 0, nullptr, 0);
        return;
    }

    // As the I/O manager does for a buffered request: one system buffer for
    // input and output, zeroed, so the core never sees stale bytes.
    m_buffer.assign(std::max(request.inputLength, request.outputLength), 0);
    std::copy_n(request.input, request.inputLength, m_buffer.begin());
    TavrinCompletion done {};
    if (m_backend.BeforeRequest(touchesKeyboard(request.code), done)) {
        done = m_backend.Serve(request.code, m_buffer.empty() ? nullptr : m_buffer.data(),
            request.inputLength, request.outputLength);
        m_backend.AfterRequest(done);
        markLineQuiet();
    }
    // Output travels only on success and never beyond what the caller offered.
    const std::uint32_t count
        = TAVRIN_STATUS_IS_SUCCESS(done.status) ? std::min(done.information, request.outputLength) : 0;
    encodeReply(reply, done.status, done.information, m_buffer.data(), count);
}

} // namespace tavrin
