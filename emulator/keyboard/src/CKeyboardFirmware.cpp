#include "kbemu/CKeyboardFirmware.h"

#include <keydata/KeyboardProtocol.h>
#include <tavrin/TavrinPorts.h>

namespace kbemu {

namespace {

using namespace keydata;

// The firmware's read-out is the image the program decodes, carried in the
// stream the driver decodes: the driver's own names for the markers must be
// the image's.
static_assert(KBD_CONTROL_MIN == FIRST_MARK, "bytes from the first marker up travel alone");
static_assert(KBD_END_BYTE == END_MARK, "the end byte of a block is the image's end mark");

inline constexpr std::uint32_t HEADER_SIZE = 4;
inline constexpr std::uint32_t ENTRY_SIZE = 2;
inline constexpr std::uint8_t ADDRESS_BYTE_MASK = 0x7F;
inline constexpr std::uint8_t ENTRY_KIND_SHIFT = 4;
inline constexpr std::uint8_t ENTRY_KIND_MASK = 0x03;
inline constexpr std::uint8_t ENTRY_HIGH_BITS = 0x0F; // address bits 8..11
inline constexpr std::uint8_t ENTRY_BIT7 = 0x40; // address bit 7
inline constexpr std::uint8_t ENTRY_ERASED = 0x80; // no written entry has bit 7 set
inline constexpr std::uint8_t CONTENT_END = 0x00;

// An address pair: bits 0..6 in the second byte, bit 7 as bit 6 of the first,
// bits 8..11 in the low bits of the first. Higher bits fall outside memory.
std::uint32_t decodeAddress(std::uint8_t high, std::uint8_t low)
{
    return (static_cast<std::uint32_t>(high & ENTRY_HIGH_BITS) << 8)
        | (static_cast<std::uint32_t>(high & ENTRY_BIT7) << 1) | (low & ADDRESS_BYTE_MASK);
}

// One image byte with its travelling form.
struct ImageByte {
    std::uint8_t value;
    bool marker;
};

std::vector<ImageByte> buildImage(const CKeyboardMemory& memory)
{
    std::vector<ImageByte> image;
    auto mark = [&](std::uint8_t v) { image.push_back({ v, true }); };
    auto data = [&](std::uint8_t v) { image.push_back({ v, false }); };

    const bool programmed = memory.Byte(HEADER_ADDRESS) == HEADER_SIGNATURE_0
        && memory.Byte(HEADER_ADDRESS + 1) == HEADER_SIGNATURE_1;
    mark(SETTINGS_MARK);
    data(programmed ? memory.Byte(HEADER_ADDRESS + 2) : DEFAULT_SYSTEM_CONFIG);
    data(programmed ? memory.Byte(HEADER_ADDRESS + 3) : DEFAULT_MCR_CONFIG);
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
        mark(KEY_MARK);
        data(static_cast<std::uint8_t>(n));
        mark(DATA_MARK);
        const std::uint8_t e0 = memory.Byte(KEY_ENTRY_BASE + ENTRY_SIZE * n);
        const std::uint8_t e1 = memory.Byte(KEY_ENTRY_BASE + ENTRY_SIZE * n + 1);
        if (!programmed || (e0 & ENTRY_ERASED) != 0) {
            data(KIND_EMPTY);
            continue;
        }
        const std::uint8_t kind = (e0 >> ENTRY_KIND_SHIFT) & ENTRY_KIND_MASK;
        data(kind);
        if (kind == KIND_EMPTY || kind == KIND_SWITCH) {
            if (e1 != CONTENT_END)
                data(e1);
            continue;
        }
        std::uint32_t at = decodeAddress(e0, e1);
        for (int count = 0; count < MAX_CONTENT && at < MEMORY_SIZE; ++count, ++at) {
            const std::uint8_t b = memory.Byte(at);
            if (b == CONTENT_END)
                break;
            data(b);
        }
    }
    mark(END_MARK);
    return image;
}

void appendTravelling(std::vector<std::uint8_t>& stream, const ImageByte& b)
{
    if (b.marker) {
        stream.push_back(b.value);
        return;
    }
    stream.push_back(static_cast<std::uint8_t>((b.value >> 4) + KBD_NIBBLE_BIAS));
    stream.push_back(static_cast<std::uint8_t>((b.value & 0x0F) + KBD_NIBBLE_BIAS));
}

} // namespace

CKeyboardFirmware::CKeyboardFirmware(CKeyboardMemory& memory)
    : memory_(memory)
{
}

void CKeyboardFirmware::SetScriptedReadOut(std::vector<std::uint8_t> stream)
{
    scripted_ = true;
    script_ = std::move(stream);
}

void CKeyboardFirmware::ClearScriptedReadOut()
{
    scripted_ = false;
    script_.clear();
}

std::vector<std::uint8_t> CKeyboardFirmware::Image() const
{
    std::vector<std::uint8_t> image;
    for (const ImageByte& b : buildImage(memory_))
        image.push_back(b.value);
    return image;
}

std::vector<std::uint8_t> CKeyboardFirmware::ReadOutStream() const
{
    std::vector<std::uint8_t> stream;
    for (const ImageByte& b : buildImage(memory_))
        appendTravelling(stream, b);
    return stream;
}

bool CKeyboardFirmware::Stalled() const
{
    return faults_.stallAfter >= 0 && sent_ >= faults_.stallAfter;
}

bool CKeyboardFirmware::HasOutput() const
{
    if (Stalled())
        return false;
    return !output_.empty() || (streaming_ && !repeat_.empty());
}

std::uint8_t CKeyboardFirmware::TakeOutput()
{
    if (output_.empty())
        output_.insert(output_.end(), repeat_.begin(), repeat_.end());
    const std::uint8_t byte = output_.front();
    output_.pop_front();
    ++sent_;
    if (output_.empty() && repeat_.empty())
        streaming_ = false;
    return byte;
}

void CKeyboardFirmware::Receive(std::uint8_t byte)
{
    // A silent or stalled keyboard has stopped listening as well.
    if (faults_.silent || Stalled())
        return;
    // A byte from the PC ends a read-out still being sent.
    if (streaming_) {
        streaming_ = false;
        output_.clear();
        repeat_.clear();
    }
    if (faults_.refuse) {
        Reply(KBD_RESEND);
        return;
    }
    Reply(KBD_ACK);
    switch (state_) {
    case State::Idle:
        Command(byte);
        break;
    case State::AddressHigh:
        addressHigh_ = byte;
        state_ = State::AddressLow;
        break;
    case State::AddressLow:
        address_ = decodeAddress(addressHigh_, byte);
        state_ = State::Idle;
        break;
    case State::Write:
        WriteByte(byte);
        break;
    case State::FinishArgument:
        state_ = State::Idle;
        ++finishes_;
        // The table is complete: now it must survive a crash as well.
        commitResult_ = memory_.Sync();
        break;
    case State::ReadArgument:
        state_ = State::Idle;
        if (byte == KBD_READ_ARGUMENT)
            StartReadOut();
        break;
    }
}

void CKeyboardFirmware::Command(std::uint8_t byte)
{
    switch (byte) {
    case CMD_SET_ADDRESS:
        state_ = State::AddressHigh;
        break;
    case CMD_WRITE:
        if (address_ >= MEMORY_SIZE)
            break; // a write that reached the end of memory does not wrap
        state_ = State::Write;
        if (address_ < HEADER_ADDRESS + HEADER_SIZE) {
            field_ = Field::Header;
            remaining_ = HEADER_ADDRESS + HEADER_SIZE - address_;
        } else if (address_ < KEY_ENTRY_BASE) {
            field_ = Field::Single;
            remaining_ = 1;
        } else if (address_ < DATA_AREA_BASE) {
            field_ = Field::Entry;
            remaining_ = ENTRY_SIZE - (address_ - KEY_ENTRY_BASE) % ENTRY_SIZE;
        } else {
            field_ = Field::String;
            remaining_ = 0;
        }
        break;
    case CMD_FINISH:
        state_ = State::FinishArgument;
        break;
    case CMD_READ:
        state_ = State::ReadArgument;
        break;
    case KBD_IDENTIFY:
        // As a PS/2 keyboard behind a controller that does not translate.
        Reply(KBD_ID_KEYBOARD);
        Reply(KBD_ID_UNTRANSLATED);
        break;
    default:
        break; // acknowledged and ignored
    }
}

void CKeyboardFirmware::WriteByte(std::uint8_t byte)
{
    memory_.Store(address_, byte);
    ++address_;
    bool done;
    if (field_ == Field::String)
        done = byte == CONTENT_END;
    else
        done = --remaining_ == 0;
    if (done || address_ >= MEMORY_SIZE)
        EndWrite();
}

void CKeyboardFirmware::EndWrite()
{
    state_ = State::Idle;
    commitResult_ = memory_.Commit();
}

void CKeyboardFirmware::StartReadOut()
{
    std::vector<std::uint8_t> stream = scripted_ ? script_ : ReadOutStream();
    if (faults_.endless) {
        // The image without its end byte, over and over.
        if (!scripted_ && !stream.empty())
            stream.pop_back();
        repeat_ = stream;
        if (repeat_.empty())
            repeat_.push_back(KBD_NIBBLE_BIAS);
    }
    output_.insert(output_.end(), stream.begin(), stream.end());
    streaming_ = true;
}

} // namespace kbemu
