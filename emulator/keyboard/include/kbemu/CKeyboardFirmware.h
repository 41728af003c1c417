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

    void SetFaults(const KeyboardFaults& faults) { faults_ = faults; }
    const KeyboardFaults& Faults() const { return faults_; }
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

    std::uint32_t Address() const { return address_; }
    bool Idle() const { return state_ == State::Idle; }
    int FinishCount() const { return finishes_; }
    std::int64_t BytesSent() const { return sent_; }
    // Result of the last write of memory to its file.
    int LastCommitResult() const { return commitResult_; }

private:
    enum class State { Idle, AddressHigh, AddressLow, Write, FinishArgument, ReadArgument };
    enum class Field { Header, Entry, String, Single };

    bool Stalled() const;
    void Command(std::uint8_t byte);
    void WriteByte(std::uint8_t byte);
    void EndWrite();
    void StartReadOut();
    void Reply(std::uint8_t byte) { output_.push_back(byte); }

    CKeyboardMemory& memory_;
    KeyboardFaults faults_;
    State state_ = State::Idle;
    Field field_ = Field::Single;
    std::uint32_t remaining_ = 0;
    std::uint8_t addressHigh_ = 0;
    std::uint32_t address_ = 0;
    std::deque<std::uint8_t> output_;
    bool streaming_ = false; // a read-out is being sent
    std::vector<std::uint8_t> repeat_; // appended again and again by an endless read-out
    bool scripted_ = false;
    std::vector<std::uint8_t> script_;
    int finishes_ = 0;
    std::int64_t sent_ = 0;
    int commitResult_ = MEMORY_OK;
};

} // namespace kbemu
