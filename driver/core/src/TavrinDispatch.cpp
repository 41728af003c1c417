// The dispatch of the device control codes. Pageable in the kernel build; the
// exchange routines it calls are resident.
#include "TavrinTrace.h"

namespace {

void copyBytes(uint8_t* to, const uint8_t* from, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        to[i] = from[i];
}

TavrinCompletion complete(uint32_t status, uint32_t information = 0)
{
    return TavrinCompletion { status, information };
}

// A send some byte of which the keyboard did not take. The information is a
// byte count the system copies to the caller's output buffer: it must fit
// there.
TAVRIN_PAGEABLE TavrinCompletion failedSend(
    uint8_t* buffer, uint32_t outputLength, uint32_t information, uint32_t statusWithoutRoom)
{
    if (outputLength == 0)
        return complete(TAVRIN_STATUS_SUCCESS, information);
    if (outputLength < information)
        return complete(statusWithoutRoom);
    for (uint32_t i = 0; i < information; ++i)
        buffer[i] = 0;
    return complete(TAVRIN_STATUS_SUCCESS, information);
}

TAVRIN_PAGEABLE TavrinCompletion sendBytes(
    const TavrinPlatform* p, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength)
{
    // A request that does not fit the send buffer is refused whole rather
    // than sent in part.
    if (inputLength > TAVRIN_SEND_MAX)
        return complete(TAVRIN_STATUS_INVALID_PARAMETER);
    uint8_t bytes[TAVRIN_SEND_MAX] = {};
    copyBytes(bytes, buffer, inputLength);
    bool silent = false;
    bool refused = false;
    for (uint32_t i = 0; i < inputLength; ++i) {
        const int reply = send_cmd(p, bytes[i]);
        tavrinTrace(p, TRACE_SEND_RESULT, reply);
        // A time-out means nobody listened; "resend" means the byte was not
        // taken. Any other reply byte is an answer.
        if (reply < 0)
            silent = true;
        else if (reply == KBD_RESEND)
            refused = true;
    }
    if (silent)
        return failedSend(buffer, outputLength, TAVRIN_SEND_NO_REPLY, TAVRIN_STATUS_IO_TIMEOUT);
    if (refused)
        return failedSend(buffer, outputLength, TAVRIN_SEND_REFUSED, TAVRIN_STATUS_IO_DEVICE_ERROR);
    return complete(TAVRIN_STATUS_SUCCESS);
}

TAVRIN_PAGEABLE TavrinCompletion getVersion(
    const TavrinPlatform* p, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength)
{
    if (inputLength < TAVRIN_VERSION_SIZE)
        return complete(TAVRIN_STATUS_UNSUCCESSFUL);
    if (outputLength < TAVRIN_VERSION_SIZE)
        return complete(TAVRIN_STATUS_BUFFER_TOO_SMALL);
    const uint32_t version = TAVRIN_VERSION;
    for (uint32_t i = 0; i < TAVRIN_VERSION_SIZE; ++i)
        buffer[i] = static_cast<uint8_t>(version >> (8 * i));
    tavrinTrace(p, TRACE_VERSION_DONE, 0);
    return complete(TAVRIN_STATUS_SUCCESS, TAVRIN_VERSION_SIZE);
}

TAVRIN_PAGEABLE TavrinCompletion readData(
    const TavrinPlatform* p, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength)
{
    tavrinTrace(p, TRACE_READ_LENGTH, static_cast<int32_t>(outputLength));
    if (outputLength < TAVRIN_READ_MIN_OUTPUT)
        return complete(TAVRIN_STATUS_INSUFFICIENT_RESOURCES);
    tavrinTrace(p, TRACE_READ_LENGTH, static_cast<int32_t>(inputLength));
    // Without an input byte there is no command to send.
    if (inputLength < 1)
        return complete(TAVRIN_STATUS_INVALID_PARAMETER);
    const uint8_t command = buffer[0];
    uint8_t* scratch = p->obtainScratch(p->context, TAVRIN_SCRATCH_SIZE, TAVRIN_SCRATCH_TAG);
    if (scratch == nullptr)
        return complete(TAVRIN_STATUS_INSUFFICIENT_RESOURCES);
    const uint32_t capacity = outputLength < TAVRIN_SCRATCH_SIZE ? outputLength : TAVRIN_SCRATCH_SIZE;
    const uint32_t length = read_data(p, command, scratch, capacity);
    copyBytes(buffer, scratch, length);
    p->releaseScratch(p->context, scratch, TAVRIN_SCRATCH_TAG);
    return complete(TAVRIN_STATUS_SUCCESS, length);
}

TAVRIN_PAGEABLE TavrinCompletion identifyKeyboard(
    const TavrinPlatform* p, uint8_t* buffer, uint32_t outputLength)
{
    static_assert(TAVRIN_IDENTIFY_SIZE == 1 + KBD_ID_BYTES, "the reply byte and the ID bytes");
    if (outputLength < TAVRIN_IDENTIFY_SIZE)
        return complete(TAVRIN_STATUS_BUFFER_TOO_SMALL);
    return complete(TAVRIN_STATUS_SUCCESS, read_id(p, buffer, TAVRIN_IDENTIFY_SIZE));
}

} // namespace

TAVRIN_PAGEABLE TavrinCompletion TavrinServeControl(const TavrinPlatform* p, uint32_t controlCode,
    uint8_t* systemBuffer, uint32_t inputLength, uint32_t outputLength)
{
    if (systemBuffer == nullptr && (inputLength != 0 || outputLength != 0))
        return complete(TAVRIN_STATUS_INVALID_PARAMETER);
    switch (controlCode) {
    case IOCTL_SEND_BYTES:
        return sendBytes(p, systemBuffer, inputLength, outputLength);
    case IOCTL_GET_VERSION:
        return getVersion(p, systemBuffer, inputLength, outputLength);
    case IOCTL_READ_DATA:
        return readData(p, systemBuffer, inputLength, outputLength);
    case IOCTL_IDENTIFY_KEYBOARD:
        return identifyKeyboard(p, systemBuffer, outputLength);
    default:
        tavrinTrace(p, TRACE_UNKNOWN_CODE, 0);
        return complete(TAVRIN_STATUS_INVALID_DEVICE_REQUEST);
    }
}
