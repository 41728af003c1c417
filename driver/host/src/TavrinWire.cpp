#include "tavrin/TavrinWire.h"

#include <cstring>

namespace tavrin {

namespace {

constexpr char IDENTITY_NAME[8] = { 'T', 'A', 'V', 'R', 'I', 'N', 0, 0 };

std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void append32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    std::uint8_t b[4];
    put32(b, v);
    out.insert(out.end(), b, b + 4);
}

// Garbage is recognised by its first byte already, not only after 16 bytes.
bool magicSoFar(const std::uint8_t* data, std::size_t size, std::uint32_t magic)
{
    for (std::size_t i = 0; i < size && i < 4; ++i)
        if (data[i] != static_cast<std::uint8_t>(magic >> (8 * i)))
            return false;
    return true;
}

} // namespace

int parseRequest(const std::uint8_t* data, std::size_t size, WireRequest& request)
{
    if (!magicSoFar(data, size, WIRE_REQUEST_MAGIC))
        return WIRE_BAD_MAGIC;
    if (size < WIRE_HEADER_SIZE)
        return WIRE_INCOMPLETE;
    const std::uint32_t inputLength = get32(data + 8);
    const std::uint32_t outputLength = get32(data + 12);
    if (inputLength > WIRE_MAX_INPUT)
        return WIRE_INPUT_TOO_LONG;
    if (outputLength > WIRE_MAX_OUTPUT)
        return WIRE_OUTPUT_TOO_LONG;
    if (size - WIRE_HEADER_SIZE < inputLength)
        return WIRE_INCOMPLETE;
    request.code = get32(data + 4);
    request.inputLength = inputLength;
    request.outputLength = outputLength;
    request.input = data + WIRE_HEADER_SIZE;
    return static_cast<int>(WIRE_HEADER_SIZE + inputLength);
}

int parseReply(const std::uint8_t* data, std::size_t size, std::uint32_t outputLimit, WireReply& reply)
{
    if (!magicSoFar(data, size, WIRE_REPLY_MAGIC))
        return WIRE_BAD_MAGIC;
    if (size < WIRE_HEADER_SIZE)
        return WIRE_INCOMPLETE;
    const std::uint32_t count = get32(data + 12);
    if (count > outputLimit || count > WIRE_MAX_OUTPUT)
        return WIRE_BAD_COUNT;
    if (size - WIRE_HEADER_SIZE < count)
        return WIRE_INCOMPLETE;
    reply.status = get32(data + 4);
    reply.information = get32(data + 8);
    reply.outputCount = count;
    reply.output = data + WIRE_HEADER_SIZE;
    return static_cast<int>(WIRE_HEADER_SIZE + count);
}

void encodeRequest(std::vector<std::uint8_t>& out, std::uint32_t code, const std::uint8_t* input,
    std::uint32_t inputLength, std::uint32_t outputLength)
{
    append32(out, WIRE_REQUEST_MAGIC);
    append32(out, code);
    append32(out, inputLength);
    append32(out, outputLength);
    if (inputLength != 0)
        out.insert(out.end(), input, input + inputLength);
}

void encodeReply(std::vector<std::uint8_t>& out, std::uint32_t status, std::uint32_t information,
    const std::uint8_t* output, std::uint32_t outputCount)
{
    append32(out, WIRE_REPLY_MAGIC);
    append32(out, status);
    append32(out, information);
    append32(out, outputCount);
    if (outputCount != 0)
        out.insert(out.end(), output, output + outputCount);
}

void encodeIdentity(std::uint8_t (&out)[HOST_IDENTITY_SIZE], const HostIdentity& identity)
{
    std::memcpy(out, IDENTITY_NAME, sizeof IDENTITY_NAME);
    put32(out + 8, identity.protocolVersion);
    put32(out + 12, identity.driverVersion);
    put32(out + 16, identity.pid);
    put32(out + 20, identity.backend);
}

bool decodeIdentity(const std::uint8_t* data, std::size_t size, HostIdentity& identity)
{
    if (size < HOST_IDENTITY_SIZE || std::memcmp(data, IDENTITY_NAME, sizeof IDENTITY_NAME) != 0)
        return false;
    identity.protocolVersion = get32(data + 8);
    identity.driverVersion = get32(data + 12);
    identity.pid = get32(data + 16);
    identity.backend = get32(data + 20);
    return true;
}

} // namespace tavrin
