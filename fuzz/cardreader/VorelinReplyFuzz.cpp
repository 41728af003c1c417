// Reply frames from the line: the receiving of a frame from bytes arriving in
// arbitrary pieces, the common reply check and MakeBeep's check. The first
// input byte seeds the piece sizes; the rest is what the reader sends.
#include "vorelin.h"
#include "vorelin_frame.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Line {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint32_t seed;
};

// Each byte takes a millisecond: a frame (at most 260 bytes) never reaches
// the frame bound.
unsigned clockOf(void* context)
{
    return static_cast<unsigned>(static_cast<Line*>(context)->at);
}

int readPiece(void* context, unsigned char* buffer, size_t max, int)
{
    auto& line = *static_cast<Line*>(context);
    if (line.at >= line.size)
        return 0;
    line.seed = line.seed * 1103515245u + 12345u;
    size_t n = 1 + (line.seed >> 16) % 8;
    if (n > max)
        n = max;
    if (n > line.size - line.at)
        n = line.size - line.at;
    std::memcpy(buffer, line.data + line.at, n);
    line.at += n;
    return int(n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    Line line { data + 1, size - 1, 0, data[0] };

    // An exactly sized heap buffer, so that any overrun is caught.
    auto* reply = static_cast<unsigned char*>(std::malloc(VORELIN_REPLY_BUFFER_SIZE));
    const int rx = vorelinReceiveReply(readPiece, clockOf, &line, reply);
    if (rx == VORELIN_RX_COMPLETE || rx == VORELIN_RX_OVERSIZE) {
        const size_t frame = vorelinReplyFrameLength(reply[VORELIN_REPLY_LENGTH_OFFSET]);
        if (line.at != frame)
            std::abort(); // took more or less than the frame
        const int result = vorelinCheckReply(reply);
        if (result == VORELIN_OK && reply[VORELIN_REPLY_LENGTH_OFFSET] > VORELIN_MAX_REPLY_DATA)
            std::abort();
        if (result < VORELIN_ERR_CHECK || result > 255 || result == -1 || result == -2)
            std::abort();
    } else if (rx == VORELIN_RX_NO_REPLY && line.size != 0) {
        std::abort();
    }
    (void)vorelinCheckBeepReply(reply);
    std::free(reply);

    // The checks on the raw bytes as a reply buffer, whatever they are.
    unsigned char raw[VORELIN_REPLY_BUFFER_SIZE] = {};
    std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
    (void)vorelinCheckReply(raw);
    (void)vorelinCheckBeepReply(raw);
    return 0;
}
