// The two keyboard transfers: writing the whole key table into the keyboard,
// one device send per packet, and reading the keyboard's memory image back
// into the table in one device request. No GUI: the caller shows progress
// and results (texts in TransferTexts.h).
#pragma once

#include <driverchannel/CDriverChannel.h>
#include <keydata/KeyboardFit.h>
#include <keydata/KeyTable.h>

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace transfer {

// Receive buffer of a read, zeroed before each one.
inline constexpr std::size_t RECEIVE_BUFFER_SIZE = 10240;
// Largest block a read accepts; the driver returns one more (8000 bytes and
// the end byte it appends) when the keyboard never ended its image.
inline constexpr int READ_COUNT_LIMIT = 8000;

enum class WriteStatus {
    Written, // header, 128 key packets and finish sent
    NotFitting, // refused by the fit check; nothing was sent
    HeaderFailed, // the header send failed; nothing more was sent
    KeyFailed, // a key packet's send failed; the rest and the finish were not sent
    FinishFailed, // every key packet went out, the finish send failed
};

struct WriteResult {
    WriteStatus status = WriteStatus::Written;
    int channelResult = 0; // the failing send's CHANNEL_NO_DEVICE or CHANNEL_REQUEST_FAILED
    int failedKeyNumber = -1; // KeyFailed: the key whose packet did not go
    int packetsSent = 0; // sends that succeeded, the header included
    keydata::KeyboardFit fit; // the check made before the write

    bool Succeeded() const { return status == WriteStatus::Written; }
    // After every key packet has gone out the key caps are marked as
    // written (keyCapsToMark), even when the finish send then failed.
    bool MarksKeys() const { return status == WriteStatus::Written || status == WriteStatus::FinishFailed; }
};

enum class ReadStatus {
    Read, // the image was applied to the table
    RequestFailed, // the request itself failed (CHANNEL_NO_DEVICE, CHANNEL_REQUEST_FAILED)
    NothingReturned, // 0 bytes: the keyboard refused the read command
    TooLong, // more than READ_COUNT_LIMIT bytes: the keyboard never ended its image
};

struct ReadResult {
    ReadStatus status = ReadStatus::Read;
    int count = 0; // the request's result: bytes returned, or the channel's code

    bool Succeeded() const { return status == ReadStatus::Read; }
};

// Called with each key number 0..127 before its packet is sent.
using WriteProgress = std::function<void(int keyNumber)>;

class CKeyboardTransfer {
public:
    explicit CKeyboardTransfer(driverchannel::CDriverChannel& channel);

    // Checks that the keyboard can store the table faithfully, then sends
    // the header, the key packets of key numbers 0..127 with the running
    // data address, and the finish packet. Stops at the first send that
    // fails. The table is only read.
    WriteResult Write(const keydata::KeyTable& table, const WriteProgress& progress = {});

    // Has the keyboard send its memory image and applies it to the table.
    // The table changes only when the read succeeds; keys the image does not
    // name keep their content.
    ReadResult Read(keydata::KeyTable& table);

private:
    driverchannel::CDriverChannel& m_channel;
    std::array<std::uint8_t, RECEIVE_BUFFER_SIZE> m_receive {};
};

// The key caps (grid indices 0..99) a completed write marks as written:
// those whose key is not empty.
std::bitset<keydata::GRID_KEYS> keyCapsToMark(const keydata::KeyTable& table);

// Why the fit check refuses a table (TransferTexts.h); empty when it fits.
std::string fitRefusalText(const keydata::KeyboardFit& fit);

} // namespace transfer
