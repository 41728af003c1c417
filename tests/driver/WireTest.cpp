// Encoding and parsing of the host's requests and replies.
#include <gtest/gtest.h>

#include <tavrin/TavrinWire.h>

using Bytes = std::vector<std::uint8_t>;
using namespace tavrin;

TEST(WireTest, RequestRoundTripsAndEveryPrefixAsksForMore)
{
    const Bytes input { 0xE8, 0x01, 0x00, 0xE7, 0x10, 0x05 };
    Bytes wire;
    encodeRequest(wire, IOCTL_SEND_BYTES, input.data(), 6, 0);
    ASSERT_EQ(wire.size(), WIRE_HEADER_SIZE + 6);
    EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 8), (Bytes { 'T', 'V', 'R', 'Q', 0x00, 0xE0, 0x22, 0x00 }));

    WireRequest request;
    EXPECT_EQ(parseRequest(wire.data(), wire.size(), request), static_cast<int>(wire.size()));
    EXPECT_EQ(request.code, IOCTL_SEND_BYTES);
    EXPECT_EQ(request.outputLength, 0u);
    EXPECT_EQ(Bytes(request.input, request.input + request.inputLength), input);
    for (std::size_t n = 0; n < wire.size(); ++n)
        EXPECT_EQ(parseRequest(wire.data(), n, request), WIRE_INCOMPLETE) << n;

    // A second request behind the first is left for the next call.
    encodeRequest(wire, IOCTL_GET_VERSION, input.data(), 4, 4);
    EXPECT_EQ(parseRequest(wire.data(), wire.size(), request), static_cast<int>(WIRE_HEADER_SIZE + 6));
}

TEST(WireTest, RequestsOutsideTheProtocolAreRefusedEarly)
{
    WireRequest request;
    const Bytes garbage { 'G', 'E', 'T', ' ' };
    EXPECT_EQ(parseRequest(garbage.data(), 1, request), WIRE_BAD_MAGIC);

    Bytes wire;
    encodeRequest(wire, IOCTL_SEND_BYTES, nullptr, 0, 0);
    wire[8] = 0x01;
    wire[10] = 0x01; // input length 0x10001
    EXPECT_EQ(parseRequest(wire.data(), wire.size(), request), WIRE_INPUT_TOO_LONG);

    wire.clear();
    encodeRequest(wire, IOCTL_READ_DATA, nullptr, 0, WIRE_MAX_OUTPUT + 1);
    EXPECT_EQ(parseRequest(wire.data(), wire.size(), request), WIRE_OUTPUT_TOO_LONG);
}

TEST(WireTest, ReplyCarriesNoMoreThanWasOffered)
{
    const Bytes block { 0xFC, 0x03, 0x0F, 0xFD };
    Bytes wire;
    encodeReply(wire, TAVRIN_STATUS_SUCCESS, 4, block.data(), 4);
    WireReply reply;
    EXPECT_EQ(parseReply(wire.data(), wire.size(), 4, reply), static_cast<int>(wire.size()));
    EXPECT_EQ(reply.information, 4u);
    EXPECT_EQ(Bytes(reply.output, reply.output + reply.outputCount), block);
    EXPECT_EQ(parseReply(wire.data(), wire.size(), 3, reply), WIRE_BAD_COUNT);
    EXPECT_EQ(parseReply(wire.data(), wire.size() - 1, 4, reply), WIRE_INCOMPLETE);
    EXPECT_EQ(parseReply(wire.data() + 1, wire.size() - 1, 4, reply), WIRE_BAD_MAGIC);
}

TEST(WireTest, IdentityRoundTripsAndRejectsStrangers)
{
    std::uint8_t bytes[HOST_IDENTITY_SIZE];
    encodeIdentity(bytes, HostIdentity { HOST_PROTOCOL_VERSION, 100, 4242, BACKEND_HARDWARE });
    HostIdentity back;
    ASSERT_TRUE(decodeIdentity(bytes, sizeof bytes, back));
    EXPECT_EQ(back.pid, 4242u);
    EXPECT_EQ(back.backend, BACKEND_HARDWARE);
    EXPECT_FALSE(decodeIdentity(bytes, sizeof bytes - 1, back));
    bytes[0] = 'X';
    EXPECT_FALSE(decodeIdentity(bytes, sizeof bytes, back));
}
