#include "vorelin_frame.h"

#include "vorelin.h"

#include <string.h>

_Static_assert(VORELIN_MAX_REPLY_DATA + VORELIN_REPLY_OVERHEAD == VORELIN_REPLY_BUFFER_SIZE,
    "the longest reply fills the reply buffer");
_Static_assert(VORELIN_MAX_WRITE_COUNT + VORELIN_ADDRESSING_BYTES == VORELIN_MAX_REQUEST_DATA,
    "the longest write fills a request");

unsigned char vorelinCheckByte(const unsigned char* bytes, size_t count)
{
    unsigned char check = 0;
    for (size_t i = 0; i < count; ++i)
        check ^= bytes[i];
    return check;
}

size_t vorelinBuildRequest(
    unsigned char* frame, size_t capacity, unsigned char command, const unsigned char* data, size_t dataCount)
{
    if (dataCount > VORELIN_MAX_REQUEST_DATA)
        return 0;
    const size_t length = dataCount + VORELIN_REQUEST_OVERHEAD + 1;
    if (capacity < length)
        return 0;
    frame[0] = VORELIN_START_BYTE;
    frame[1] = (unsigned char)(dataCount + 1);
    frame[2] = command;
    if (dataCount > 0)
        memcpy(frame + 3, data, dataCount);
    frame[3 + dataCount] = vorelinCheckByte(frame + 1, dataCount + 2);
    frame[4 + dataCount] = VORELIN_END_BYTE;
    return length;
}

size_t vorelinReplyFrameLength(unsigned char lengthByte)
{
    return (size_t)lengthByte + VORELIN_REPLY_OVERHEAD;
}

int vorelinCheckReply(const unsigned char* reply)
{
    const unsigned char status = reply[VORELIN_REPLY_STATUS_OFFSET];
    if (status != VORELIN_STATUS_OK)
        return status;
    const size_t dataCount = reply[VORELIN_REPLY_LENGTH_OFFSET];
    // Its check byte would lie outside the buffer: the frame cannot be checked.
    if (dataCount > VORELIN_MAX_REPLY_DATA)
        return VORELIN_ERR_CHECK;
    const unsigned char check = vorelinCheckByte(reply + VORELIN_REPLY_STATUS_OFFSET, dataCount + 2);
    if (check != reply[VORELIN_REPLY_DATA_OFFSET + dataCount])
        return VORELIN_ERR_CHECK;
    return VORELIN_OK;
}

int vorelinCheckBeepReply(const unsigned char* reply)
{
    static const unsigned char SUCCESS_REPLY[VORELIN_BEEP_REPLY_LENGTH]
        = { VORELIN_START_BYTE, VORELIN_STATUS_OK, 0x00, 0x00, VORELIN_END_BYTE };
    return memcmp(reply, SUCCESS_REPLY, sizeof SUCCESS_REPLY) == 0 ? VORELIN_OK : VORELIN_ERR_BEEP_REPLY;
}

/* The wait for a further byte: at most VORELIN_NEXT_BYTE_WAIT_MS, and no
   longer than what is left of VORELIN_FRAME_WAIT_MS since start; -1 when
   nothing is left. */
static int nextWait(VorelinClockFn clock, void* context, unsigned start)
{
    const unsigned elapsed = clock(context) - start;
    if (elapsed >= VORELIN_FRAME_WAIT_MS)
        return -1;
    const unsigned left = VORELIN_FRAME_WAIT_MS - elapsed;
    return left < VORELIN_NEXT_BYTE_WAIT_MS ? (int)left : VORELIN_NEXT_BYTE_WAIT_MS;
}

int vorelinReceiveReply(VorelinReadFn read, VorelinClockFn clock, void* context, unsigned char* reply)
{
    memset(reply, 0, VORELIN_REPLY_BUFFER_SIZE);
    // The frame's length is known once the length byte is in; until then ask
    // for no more than the header so that nothing past a short frame is taken.
    size_t need = VORELIN_REPLY_DATA_OFFSET;
    size_t got = 0;
    int lengthKnown = 0;
    unsigned start = 0; /* when the first byte was in */
    unsigned char overflow[64];
    while (got < need) {
        // A reader that sends a byte just within each gap must not stretch
        // the exchange without end: the whole frame has its bound too.
        const int wait = got == 0 ? VORELIN_FIRST_BYTE_WAIT_MS : nextWait(clock, context, start);
        if (wait < 0)
            return VORELIN_RX_INCOMPLETE;
        size_t room = need - got;
        unsigned char* into;
        if (got < VORELIN_REPLY_BUFFER_SIZE) {
            into = reply + got;
            if (room > VORELIN_REPLY_BUFFER_SIZE - got)
                room = VORELIN_REPLY_BUFFER_SIZE - got;
        } else {
            // The tail of an oversize frame is taken off the line and dropped.
            into = overflow;
            if (room > sizeof overflow)
                room = sizeof overflow;
        }
        const int n = read(context, into, room, wait);
        if (n < 0)
            return VORELIN_RX_FAILED;
        if (n == 0)
            return got == 0 ? VORELIN_RX_NO_REPLY : VORELIN_RX_INCOMPLETE;
        if ((size_t)n > room)
            return VORELIN_RX_FAILED;
        if (got == 0)
            start = clock(context);
        got += (size_t)n;
        if (!lengthKnown && got >= VORELIN_REPLY_DATA_OFFSET) {
            lengthKnown = 1;
            need = vorelinReplyFrameLength(reply[VORELIN_REPLY_LENGTH_OFFSET]);
        }
    }
    return need > VORELIN_REPLY_BUFFER_SIZE ? VORELIN_RX_OVERSIZE : VORELIN_RX_COMPLETE;
}

int vorelinDiscardStale(VorelinReadFn read, VorelinClockFn clock, void* context)
{
    unsigned char sink[64];
    int n = read(context, sink, sizeof sink, 0);
    if (n <= 0)
        return n;
    const unsigned start = clock(context);
    int dropped = n;
    while (dropped < VORELIN_MAX_STALE) {
        const int wait = nextWait(clock, context, start);
        if (wait < 0)
            break;
        n = read(context, sink, sizeof sink, wait);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        dropped += n;
    }
    return dropped;
}
