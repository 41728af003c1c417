/* The eleven exports. Each card operation builds its request frame, performs
   one exchange and takes its outputs from a successful reply only. */
#include "vorelin.h"
#include "vorelin_exchange.h"
#include "vorelin_frame.h"
#include "vorelin_port.h"

#include <string.h>

static unsigned char lowByte(int32_t value)
{
    return (unsigned char)((uint32_t)value & 0xFFu);
}

/* One exchange of a request with dataCount data bytes. */
static int32_t request(VorelinHandle port, unsigned char command, const unsigned char* data, size_t dataCount,
    unsigned char* reply)
{
    unsigned char frame[VORELIN_MAX_REQUEST_FRAME];
    const size_t length = vorelinBuildRequest(frame, sizeof frame, command, data, dataCount);
    if (length == 0)
        return VORELIN_ERR_IO;
    return vorelinExchange(port, frame, length, reply);
}

VORELIN_API VorelinHandle VORELIN_CALL OpenComProt(const char* portName)
{
    return vorelinPortOpen(portName);
}

VORELIN_API int32_t VORELIN_CALL CloseComProt(VorelinHandle port)
{
    return vorelinPortClose(port);
}

VORELIN_API int32_t VORELIN_CALL MakeBeep(VorelinHandle port, int32_t selector)
{
    unsigned char data;
    if (selector == 0)
        data = VORELIN_BEEP_SELECTOR_0;
    else if (selector == 1)
        data = VORELIN_BEEP_SELECTOR_1;
    else
        return VORELIN_ERR_IO;
    unsigned char frame[VORELIN_MAX_REQUEST_FRAME];
    const size_t length = vorelinBuildRequest(frame, sizeof frame, VORELIN_CMD_BEEP, &data, 1);
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    const int rx = vorelinTransact(port, frame, length, reply);
    if (rx == VORELIN_ERR_IO)
        return VORELIN_ERR_IO;
    if (rx == VORELIN_RX_NO_REPLY || rx == VORELIN_RX_FAILED)
        return VORELIN_ERR_BEEP_READ;
    // A reply that stopped short is still a reply that is not the success
    // reply; what did arrive is in the buffer, the rest reads as zero.
    return vorelinCheckBeepReply(reply);
}

VORELIN_API int32_t VORELIN_CALL PowerOn(VorelinHandle port)
{
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    return request(port, VORELIN_CMD_POWER_ON, NULL, 0, reply);
}

VORELIN_API int32_t VORELIN_CALL PowerOff(VorelinHandle port)
{
    const unsigned char data = VORELIN_POWER_OFF_DATA;
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    return request(port, VORELIN_CMD_POWER_OFF, &data, 1, reply);
}

VORELIN_API int32_t VORELIN_CALL GetICVersion(VorelinHandle port, unsigned char* version, uint32_t* count)
{
    if (!version || !count)
        return VORELIN_ERR_IO;
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    const int32_t result = request(port, VORELIN_CMD_VERSION, NULL, 0, reply);
    if (result != VORELIN_OK)
        return result;
    const size_t length = reply[VORELIN_REPLY_LENGTH_OFFSET];
    memcpy(version, reply + VORELIN_REPLY_DATA_OFFSET, length);
    *count = (uint32_t)length;
    return VORELIN_OK;
}

VORELIN_API int32_t VORELIN_CALL IsCardPresent(VorelinHandle port, int32_t* indication)
{
    if (!indication)
        return VORELIN_ERR_IO;
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    const int32_t result = request(port, VORELIN_CMD_CARD_PRESENT, NULL, 0, reply);
    if (result != VORELIN_OK)
        return result;
    // A reply without data leaves this byte at the buffer's cleared 0.
    *indication = reply[VORELIN_REPLY_DATA_OFFSET];
    return VORELIN_OK;
}

VORELIN_API int32_t VORELIN_CALL ReadData(VorelinHandle port, unsigned char* dest, int32_t count,
    int32_t address, int32_t area, uint32_t* delivered)
{
    if (!dest || !delivered)
        return VORELIN_ERR_IO;
    const unsigned char data[VORELIN_ADDRESSING_BYTES] = { lowByte(area), lowByte(address), lowByte(count) };
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    const int32_t result = request(port, VORELIN_CMD_READ, data, sizeof data, reply);
    if (result != VORELIN_OK)
        return result;
    const size_t length = reply[VORELIN_REPLY_LENGTH_OFFSET];
    memcpy(dest, reply + VORELIN_REPLY_DATA_OFFSET, length);
    *delivered = (uint32_t)length;
    return VORELIN_OK;
}

VORELIN_API int32_t VORELIN_CALL WriteData(
    VorelinHandle port, const unsigned char* source, uint32_t count, int32_t address, int32_t area)
{
    // A larger count does not fit the length byte; such a frame would make
    // the reader take part of the data for the next request.
    if (count > VORELIN_MAX_WRITE_COUNT)
        return VORELIN_ERR_IO;
    if (!source && count > 0)
        return VORELIN_ERR_IO;
    unsigned char data[VORELIN_ADDRESSING_BYTES + VORELIN_MAX_WRITE_COUNT];
    data[0] = lowByte(area);
    data[1] = lowByte(address);
    data[2] = (unsigned char)count;
    if (count > 0)
        memcpy(data + VORELIN_ADDRESSING_BYTES, source, count);
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    return request(port, VORELIN_CMD_WRITE, data, VORELIN_ADDRESSING_BYTES + count, reply);
}

VORELIN_API int32_t VORELIN_CALL CheckPassword(VorelinHandle port, const unsigned char* password)
{
    if (!password)
        return VORELIN_ERR_IO;
    unsigned char reply[VORELIN_REPLY_BUFFER_SIZE];
    return request(port, VORELIN_CMD_CHECK_PASSWORD, password, VORELIN_PASSWORD_LENGTH, reply);
}

VORELIN_API int32_t VORELIN_CALL ChangePassword(VorelinHandle port, const unsigned char* password)
{
    if (!password)
        return VORELIN_ERR_IO;
    return WriteData(
        port, password, VORELIN_PASSWORD_LENGTH, VORELIN_PASSWORD_ADDRESS, VORELIN_PASSWORD_AREA);
}
