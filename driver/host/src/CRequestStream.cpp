#include "CRequestStream.h"

namespace tavrin {

void CRequestStream::Take(const std::uint8_t* data, std::size_t size)
{
    if (m_head == m_in.size()) {
        m_in.clear();
        m_head = 0;
    }
    m_in.insert(m_in.end(), data, data + size);
}

CRequestStream::Step CRequestStream::ServeNext(
    CRequestDispatcher& dispatcher, std::vector<std::uint8_t>& reply)
{
    WireRequest request;
    const int taken
        = Partial() ? parseRequest(m_in.data() + m_head, m_in.size() - m_head, request) : WIRE_INCOMPLETE;
    if (taken == WIRE_INCOMPLETE) {
        // Keep only the unfinished request.
        m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
        return Step::Incomplete;
    }
    if (taken < 0) {
        // The stream cannot be resynchronised: answer and hang up.
        encodeReply(reply, HOST_STATUS_MALFORMED, 0, nullptr, 0);
        m_in.clear();
        m_head = 0;
        return Step::Malformed;
    }
    dispatcher.Serve(request, reply);
    m_head += static_cast<std::size_t>(taken);
    return Step::Served;
}

bool CRequestStream::End(std::vector<std::uint8_t>& reply)
{
    const bool partial = Partial();
    if (partial)
        encodeReply(reply, HOST_STATUS_TRUNCATED, 0, nullptr, 0);
    m_in.clear();
    m_head = 0;
    return partial;
}

} // namespace tavrin
