#include "CRequestStream.h"

namespace tavrin {

void CRequestStream::Take(const std::uint8_t* data, std::size_t size)
{
    if (head_ == in_.size()) {
        in_.clear();
        head_ = 0;
    }
    in_.insert(in_.end(), data, data + size);
}

CRequestStream::Step CRequestStream::ServeNext(
    CRequestDispatcher& dispatcher, std::vector<std::uint8_t>& reply)
{
    WireRequest request;
    const int taken
        = Partial() ? parseRequest(in_.data() + head_, in_.size() - head_, request) : WIRE_INCOMPLETE;
    if (taken == WIRE_INCOMPLETE) {
        // Keep only the unfinished request.
        in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
        return Step::Incomplete;
    }
    if (taken < 0) {
        // The stream cannot be resynchronised: answer and hang up.
        encodeReply(reply, HOST_STATUS_MALFORMED, 0, nullptr, 0);
        in_.clear();
        head_ = 0;
        return Step::Malformed;
    }
    dispatcher.Serve(request, reply);
    head_ += static_cast<std::size_t>(taken);
    return Step::Served;
}

bool CRequestStream::End(std::vector<std::uint8_t>& reply)
{
    const bool partial = Partial();
    if (partial)
        encodeReply(reply, HOST_STATUS_TRUNCATED, 0, nullptr, 0);
    in_.clear();
    head_ = 0;
    return partial;
}

} // namespace tavrin
