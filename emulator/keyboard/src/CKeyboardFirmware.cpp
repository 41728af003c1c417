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
    : m_memory(memory)
{
}

void CKeyboardFirmware::SetScriptedReadOut(std::vector<std::uint8_t> stream)
{
    m_scripted = true;
    m_script = std::move(stream);
}

void CKeyboardFirmware::ClearScriptedReadOut()
{
    m_scripted = false;
    m_script.clear();
}

std::vector<std::uint8_t> CKeyboardFirmware::Image() const
{
    std::vector<std::uint8_t> image;
    for (const ImageByte& b : buildImage(m_memory))
        image.push_back(b.value);
    return image;
}

std::vector<std::uint8_t> CKeyboardFirmware::ReadOutStream() const
{
    std::vector<std::uint8_t> stream;
    for (const ImageByte& b : buildImage(m_memory))
        appendTravelling(stream, b);
    return stream;
}

bool CKeyboardFirmware::Stalled() const
{
    return m_faults.stallAfter >= 0 && m_sent >= m_faults.stallAfter;
}

bool CKeyboardFirmware::HasOutput() const
{
    if (Stalled())
        return false;
    return !m_output.empty() || (m_streaming && !m_repeat.empty());
}

std::uint8_t CKeyboardFirmware::TakeOutput()
{
    if (m_output.empty())
        m_output.insert(m_output.end(), m_repeat.begin(), m_repeat.end());
    const std::uint8_t byte = m_output.front();
    m_output.pop_front();
    ++m_sent;
    if (m_output.empty() && m_repeat.empty())
        m_streaming = false;
    return byte;
}

void CKeyboardFirmware::Receive(std::uint8_t byte)
{
    // A silent or stalled keyboard has stopped listening as well.
    if (m_faults.silent || Stalled())
        return;
    // A byte from the PC ends a read-out still being sent.
    if (m_streaming) {
        m_streaming = false;
        m_output.clear();
        m_repeat.clear();
    }
    if (m_faults.refuse) {
        Reply(KBD_RESEND);
        return;
    }
    Reply(KBD_ACK);
    switch (m_state) {
    case State::Idle:
        Command(byte);
        break;
    case State::AddressHigh:
        m_addressHigh = byte;
        m_state = State::AddressLow;
        break;
    case State::AddressLow:
        m_address = decodeAddress(m_addressHigh, byte);
        m_state = State::Idle;
        break;
    case State::Write:
        WriteByte(byte);
        break;
    case State::FinishArgument:
        m_state = State::Idle;
        ++m_finishes;
        // The table is complete: now it must survive a crash as well.
        m_commitResult = m_memory.Sync();
        break;
    case State::ReadArgument:
        m_state = State::Idle;
        if (byte == KBD_READ_ARGUMENT)
            StartReadOut();
        break;
    }
}

void CKeyboardFirmware::Command(std::uint8_t byte)
{
    switch (byte) {
    case CMD_SET_ADDRESS:
        m_state = State::AddressHigh;
        break;
    case CMD_WRITE:
        if (m_address >= MEMORY_SIZE)
            break; // a write that reached the end of memory does not wrap
        m_state = State::Write;
        if (m_address < HEADER_ADDRESS + HEADER_SIZE) {
            m_field = Field::Header;
            m_remaining = HEADER_ADDRESS + HEADER_SIZE - m_address;
        } else if (m_address < KEY_ENTRY_BASE) {
            m_field = Field::Single;
            m_remaining = 1;
        } else if (m_address < DATA_AREA_BASE) {
            m_field = Field::Entry;
            m_remaining = ENTRY_SIZE - (m_address - KEY_ENTRY_BASE) % ENTRY_SIZE;
        } else {
            m_field = Field::String;
            m_remaining = 0;
        }
        break;
    case CMD_FINISH:
        m_state = State::FinishArgument;
        break;
    case CMD_READ:
        m_state = State::ReadArgument;
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
    m_memory.Store(m_address, byte);
    ++m_address;
    bool done;
    if (m_field == Field::String)
        done = byte == CONTENT_END;
    else
        done = --m_remaining == 0;
    if (done || m_address >= MEMORY_SIZE)
        EndWrite();
}

void CKeyboardFirmware::EndWrite()
{
    m_state = State::Idle;
    m_commitResult = m_memory.Commit();
}

void CKeyboardFirmware::StartReadOut()
{
    std::vector<std::uint8_t> stream = m_scripted ? m_script : ReadOutStream();
    if (m_faults.endless) {
        // The image without its end byte, over and over.
        if (!m_scripted && !stream.empty())
            stream.pop_back();
        m_repeat = stream;
        if (m_repeat.empty())
            m_repeat.push_back(KBD_NIBBLE_BIAS);
    }
    m_output.insert(m_output.end(), stream.begin(), stream.end());
    m_streaming = true;
}

} // namespace kbemu
