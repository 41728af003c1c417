// The wire protocol of the Linux driver host: one device control request per
// message on a local stream socket, answered by one reply, like a buffered
// device control call. All header fields are 32-bit little-endian.
//
//   request: magic "TVRQ", code, input length, output length, input bytes
//   reply:   magic "TVRP", status, information, output count, output bytes
//
// code is one of the driver's control codes (TavrinControl.h) or a host-level
// code below. The output count never exceeds the output length requested.
// The parsers are pure functions over a byte buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tavrin/TavrinControl.h"

namespace tavrin {

inline constexpr std::uint32_t WIRE_REQUEST_MAGIC = 0x51525654; // "TVRQ"
inline constexpr std::uint32_t WIRE_REPLY_MAGIC = 0x50525654; // "TVRP"
inline constexpr std::size_t WIRE_HEADER_SIZE = 16;
inline constexpr std::uint32_t WIRE_MAX_INPUT = 64 * 1024;
inline constexpr std::uint32_t WIRE_MAX_OUTPUT = 1024 * 1024;

// Host-level codes, outside the driver's device type.
inline constexpr std::uint32_t HOST_IDENTIFY = 0x54560001; // output: a HostIdentity
inline constexpr std::uint32_t HOST_STOP = 0x54560002; // the host replies, then ends

// Statuses of the host itself (NT customer codes; the driver's are in TavrinControl.h).
inline constexpr std::uint32_t HOST_STATUS_MALFORMED = 0xE0540001; // unreadable header or lengths
inline constexpr std::uint32_t HOST_STATUS_TRUNCATED = 0xE0540002; // the request ended early
inline constexpr std::uint32_t HOST_STATUS_NO_KEYBOARD = 0xE0540003; // the keyboard could not be had for it

// Results of the parsers: >0 bytes taken, 0 more bytes needed, <0 malformed.
inline constexpr int WIRE_INCOMPLETE = 0;
inline constexpr int WIRE_BAD_MAGIC = -1;
inline constexpr int WIRE_INPUT_TOO_LONG = -2;
inline constexpr int WIRE_OUTPUT_TOO_LONG = -3;
inline constexpr int WIRE_BAD_COUNT = -4;

struct WireRequest {
    std::uint32_t code = 0;
    std::uint32_t inputLength = 0;
    std::uint32_t outputLength = 0;
    const std::uint8_t* input = nullptr; // inside the parsed buffer
};

struct WireReply {
    std::uint32_t status = 0;
    std::uint32_t information = 0;
    std::uint32_t outputCount = 0;
    const std::uint8_t* output = nullptr; // inside the parsed buffer
};

[[nodiscard]] int parseRequest(const std::uint8_t* data, std::size_t size, WireRequest& request);
// outputLimit is the output length the request offered: a reply carrying
// more is malformed.
[[nodiscard]] int parseReply(
    const std::uint8_t* data, std::size_t size, std::uint32_t outputLimit, WireReply& reply);

void encodeRequest(std::vector<std::uint8_t>& out, std::uint32_t code, const std::uint8_t* input,
    std::uint32_t inputLength, std::uint32_t outputLength);
void encodeReply(std::vector<std::uint8_t>& out, std::uint32_t status, std::uint32_t information,
    const std::uint8_t* output, std::uint32_t outputCount);

// What HOST_IDENTIFY answers.
inline constexpr std::uint32_t HOST_PROTOCOL_VERSION = 1;
inline constexpr std::uint32_t BACKEND_EMULATED = 1;
inline constexpr std::uint32_t BACKEND_HARDWARE = 2;
inline constexpr std::size_t HOST_IDENTITY_SIZE = 24;

struct HostIdentity {
    std::uint32_t protocolVersion = 0;
    std::uint32_t driverVersion = 0;
    std::uint32_t pid = 0;
    std::uint32_t backend = 0;
};

// "TAVRIN\0\0" followed by the four fields.
void encodeIdentity(std::uint8_t (&out)[HOST_IDENTITY_SIZE], const HostIdentity& identity);
bool decodeIdentity(const std::uint8_t* data, std::size_t size, HostIdentity& identity);

} // namespace tavrin
