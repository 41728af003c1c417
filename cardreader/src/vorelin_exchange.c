#include "vorelin_exchange.h"

#include "vorelin_frame.h"
#include "vorelin_port.h"

int vorelinTransact(VorelinHandle port, const unsigned char* frame, size_t length, unsigned char* reply)
{
    if (!port)
        return VORELIN_ERR_IO;
    // A late reply to an earlier exchange, or noise after it, must not pass
    // for this exchange's reply.
    if (vorelinDiscardStale(vorelinPortRead, vorelinPortClock, port) < 0)
        return VORELIN_ERR_IO;
    if (vorelinPortWrite(port, frame, length) != 0)
        return VORELIN_ERR_IO;
    return vorelinReceiveReply(vorelinPortRead, vorelinPortClock, port, reply);
}

int vorelinExchange(VorelinHandle port, const unsigned char* frame, size_t length, unsigned char* reply)
{
    const int rx = vorelinTransact(port, frame, length, reply);
    if (rx == VORELIN_RX_COMPLETE || rx == VORELIN_RX_OVERSIZE)
        return vorelinCheckReply(reply);
    return VORELIN_ERR_IO;
}
