// The two keyboard transfers: writing the whole key table into the keyboard,
// one device send per packet, and reading the keyboard's memory image back
// into the table in one device request. No GUI: the caller shows progress
// and results (texts in TransferTexts.h).
#pragma once

#include <driverchannel/CDriverBackend.h>
#include <driverchannel/CDriverChannel.h>
#include <keydata/KeyboardFit.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyTable.h>
#include <tavrin/TavrinControl.h>

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace transfer {

// Receive buffer of a read, zeroed before each one.
inline constexpr std::size_t RECEIVE_BUFFER_SIZE = 10240;
// Largest block a read accepts; the driver returns one more (the units it
// took and the end byte it appends) when the keyboard never ended its image.
inline constexpr int READ_COUNT_LIMIT = static_cast<int>(keydata::IMAGE_DECODE_LIMIT);
// What the driver reads out is what decodeImage accepts, and no more.
static_assert(keydata::IMAGE_DECODE_LIMIT == TAVRIN_READ_MAX_UNITS);
static_assert(TAVRIN_READ_BLOCK_MAX == TAVRIN_READ_MAX_UNITS + 1);

enum class ReadStatus {
    Read, // a whole image was applied to the table
    RequestFailed, // the request itself failed (CHANNEL_NO_DEVICE, CHANNEL_REQUEST_FAILED)
    NothingReturned, // 0 bytes: the keyboard refused the read command
    TooLong, // more than READ_COUNT_LIMIT bytes: the keyboard never ended its image
    EndOnly, // the keyboard took the read command and sent nothing: the end byte alone
    Incomplete, // the image broke off part-way (isWholeImage); nothing was applied
};

struct [[nodiscard]] ReadResult {
    ReadStatus status = ReadStatus::Read;
    int count = 0; // the request's result: bytes returned, or the channel's code

    // Only a whole image is a table read. EndOnly changes nothing either; the
    // program still reports it as a successful read, as designed.
    bool Succeeded() const { return status == ReadStatus::Read; }
};

// What a read-back shows of a write: the key numbers whose record the
// keyboard does not hold as written, and the settings bytes that differ.
struct TableDifference {
    std::vector<int> keyNumbers;
    bool systemConfig = false;
    bool mcrConfig = false;

    bool Empty() const { return keyNumbers.empty() && !systemConfig && !mcrConfig; }
};

enum class WriteStatus {
    Written, // header, 128 key packets and finish sent (and read back equal when verified)
    NotFitting, // refused by the fit check; nothing was sent
    HeaderFailed, // the header send failed; nothing more was sent
    KeyFailed, // a key packet's send failed; the rest and the finish were not sent
    FinishFailed, // every key packet went out, the finish send failed
    VerifyReadFailed, // everything was sent, but the keyboard could not be read back (verifyRead)
    Mismatch, // the keyboard read back does not hold the table (difference)
};

struct [[nodiscard]] WriteResult {
    WriteStatus status = WriteStatus::Written;
    int channelResult = 0; // the failing send's CHANNEL_NO_DEVICE or CHANNEL_REQUEST_FAILED
    int failedKeyNumber = -1; // KeyFailed: the key whose packet did not go
    int packetsSent = 0; // sends that succeeded, the header included
    keydata::KeyboardFit fit; // the check made before the write
    bool verified = false; // the keyboard was read back and compared
    ReadResult verifyRead; // VerifyReadFailed: how the read-back failed
    TableDifference difference; // Mismatch: what differs

    bool Succeeded() const { return status == WriteStatus::Written; }
    // The key caps are marked as written (keyCapsToMark) after a complete
    // write, and after one whose finish send failed (every key packet had
    // gone out); never when the read-back shows otherwise or cannot be had.
    bool MarksKeys() const { return status == WriteStatus::Written || status == WriteStatus::FinishFailed; }
};

// Progress steps of a write: 0..127 before each key packet, then
// VERIFY_STEP before the read-back.
inline constexpr int VERIFY_STEP = keydata::KEY_NUMBER_COUNT;
using WriteProgress = std::function<void(int step)>;
// The steps a write makes (the progress range).
inline constexpr int writeSteps(bool verify)
{
    return keydata::KEY_NUMBER_COUNT + (verify ? 1 : 0);
}

class CKeyboardTransfer {
public:
    explicit CKeyboardTransfer(driverchannel::CDriverChannel& channel);

    // Checks that the keyboard can store the table faithfully, then sends
    // the header, the key packets of key numbers 0..127 with the running
    // data address, and the finish packet. Stops at the first send that
    // fails. With verify, the keyboard is then read back: the write has
    // succeeded only when it holds the table. The table is only read.
    WriteResult Write(const keydata::KeyTable& table, const WriteProgress& progress = {}, bool verify = true);

    // Has the keyboard send its memory image and applies it to the table
    // when it is whole. The table changes only when the read succeeds.
    ReadResult Read(keydata::KeyTable& table);
    // The same, key number by key number.
    ReadResult Read(keydata::KeyboardContents& contents);

private:
    ReadResult ReadBlock(std::span<const std::uint8_t>& block);

    driverchannel::CDriverChannel& m_channel;
    std::array<std::uint8_t, RECEIVE_BUFFER_SIZE> m_receive {};
};

// What differs between a table as written and what the keyboard read back
// holds, key number by key number, and the settings as the 7-bit values
// they are sent as. The table is one the fit check let through: every
// record travels unchanged.
TableDifference compareWithKeyboard(const keydata::KeyTable& written, const keydata::KeyboardContents& read);

// The keys of a difference for the user, by grid caption ("key 15, key L,
// key number 120"), and the settings bytes; empty when nothing differs.
std::string differenceText(const TableDifference& difference);

// The key caps (grid indices 0..99) a completed write marks as written:
// those whose key is not empty.
std::bitset<keydata::GRID_KEYS> keyCapsToMark(const keydata::KeyTable& table);

// Why the fit check refuses a table (TransferTexts.h); empty when it fits.
std::string fitRefusalText(const keydata::KeyboardFit& fit);

#if defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_BACKEND)
// Why the channel's Load over a platform made with options returned result
// (TransferTexts.h): a clause to follow text::LOAD_DRIVER_FAIL. program is
// the name of the program that runs, for what the user should do.
std::string loadFailureReason(const driverchannel::CDriverChannel& channel,
    const driverchannel::DriverBackendOptions& options, int result, const char* program);
#endif

} // namespace transfer
