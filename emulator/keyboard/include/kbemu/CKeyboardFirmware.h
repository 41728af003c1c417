// The programmable keyboard's firmware: the byte protocol it speaks with the
// keyboard controller and the read-out it builds from its memory.
//
// How a command byte is told apart from data: by the state the previous bytes
// left, never by its value. Outside a command every byte is a command; 0xE8
// takes the next two bytes as an address pair; 0xED and 0xE9 take the next
// byte as their argument; 0xE7 takes data bytes whose count the current
// address decides:
//   - header (0x000..0x003): up to the end of the 4-byte header;
//   - key entries (0x100..0x1FF): up to the end of the 2-byte entry;
//   - data area (0x200..0xFFF): up to and including the 0x00 that ends a
//     key's content (or the end of memory);
//   - anything else: one byte.
// So every write packet lands whole, whatever bytes its data holds.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "kbemu/CKeyboardMemory.h"

namespace kbemu {

struct KeyboardFaults {
    bool silent = false; // takes bytes but never answers
    bool refuse = false; // answers every byte with 0xFE and ignores it
    std::int64_t stallAfter = -1; // hangs once it has sent this many bytes (-1: never)
    bool endless = false; // the read-out never sends its end byte
};

class CKeyboardFirmware {
public:
    explicit CKeyboardFirmware(CKeyboardMemory& memory);

    void SetFaults(const KeyboardFaults& faults) { m_faults = faults; }
    const KeyboardFaults& Faults() const { return m_faults; }
    // Sends these bytes, as they are, as the read-out instead of the image.
    void SetScriptedReadOut(std::vector<std::uint8_t> stream);
    void ClearScriptedReadOut();

    // A byte from the controller; its answer (if any) is queued for it.
    void Receive(std::uint8_t byte);
    bool HasOutput() const;
    std::uint8_t TakeOutput();

    // The keyboard memory image built from memory (decoded form) and the
    // stream the read-out sends for it (markers alone, other bytes as nibbles).
    std::vector<std::uint8_t> Image() const;
    std::vector<std::uint8_t> ReadOutStream() const;

    std::uint32_t Address() const { return m_address; }
    bool Idle() const { return m_state == State::Idle; }
    int FinishCount() const { return m_finishes; }
    std::int64_t BytesSent() const { return m_sent; }
    // Result of the last write of memory to its file.
    int LastCommitResult() const { return m_commitResult; }

private:
    enum class State { Idle, AddressHigh, AddressLow, Write, FinishArgument, ReadArgument };
    enum class Field { Header, Entry, String, Single };

    bool Stalled() const;
    void Command(std::uint8_t byte);
    void WriteByte(std::uint8_t byte);
    void EndWrite();
    void StartReadOut();
    void Reply(std::uint8_t byte) { m_output.push_back(byte); }

    CKeyboardMemory& m_memory;
    KeyboardFaults m_faults;
    State m_state = State::Idle;
    Field m_field = Field::Single;
    std::uint32_t m_remaining = 0;
    std::uint8_t m_addressHigh = 0;
    std::uint32_t m_address = 0;
    std::deque<std::uint8_t> m_output;
    bool m_streaming = false; // a read-out is being sent
    std::vector<std::uint8_t> m_repeat; // appended again and again by an endless read-out
    bool m_scripted = false;
    std::vector<std::uint8_t> m_script;
    int m_finishes = 0;
    std::int64_t m_sent = 0;
    int m_commitResult = MEMORY_OK;
};

} // namespace kbemu
