// One connection's byte stream: requests come in however the peer's writes
// were split, replies go out one request at a time. No sockets here, so the
// stream handling can be fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CRequestDispatcher.h"

namespace tavrin {

class CRequestStream {
public:
    enum class Step {
        Served, // one request served, its reply appended
        Incomplete, // no whole request buffered
        Malformed, // an error reply appended; the stream cannot go on
    };

    // Bytes the peer sent.
    void Take(const std::uint8_t* data, std::size_t size);
    // Serves the next buffered request through the dispatcher.
    Step ServeNext(CRequestDispatcher& dispatcher, std::vector<std::uint8_t>& reply);
    // The peer ended its side (or took too long): a request it left half
    // sent is answered with HOST_STATUS_TRUNCATED. True if one was.
    bool End(std::vector<std::uint8_t>& reply);

    bool Partial() const { return m_in.size() > m_head; }

private:
    std::vector<std::uint8_t> m_in;
    std::size_t m_head = 0;
};

} // namespace tavrin
