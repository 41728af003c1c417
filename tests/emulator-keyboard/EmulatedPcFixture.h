// What tests watch of the emulated PC: an observer that keeps the machine's
// port accesses, waits, traces and scratch block in lists and counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <kbemu/CEmulatedPc.h>
#include <tavrin/TavrinPorts.h>

struct PortEvent {
    enum Kind : std::uint8_t { WAIT, WRITE, READ };
    Kind kind;
    std::uint16_t port;
    std::uint8_t value;
    bool operator==(const PortEvent&) const = default;
};

// What the machine did, as the recorder saw it.
struct PcRecord {
    std::vector<std::uint8_t> maskWrites;
    std::vector<std::uint8_t> portBWrites;
    std::vector<std::uint8_t> received; // bytes that reached the keyboard
    std::vector<std::uint8_t> maskAtDataWrites; // the mask register at each byte written to 0x60
    std::vector<PortEvent> events; // waits, writes and reads other than status polls, in order
    std::vector<std::string> traces;
    std::uint64_t waits = 0;
    std::uint64_t statusReads = 0;
    std::uint32_t lostWrites = 0; // written while the input buffer was full
    std::uint32_t foreignAccesses = 0; // ports other than the four
    std::uint32_t scratchObtained = 0;
    std::uint32_t scratchReleased = 0;
    std::uint32_t scratchSize = 0; // of the last request for it
    std::uint32_t scratchTag = 0;
    bool scratchTagMismatch = false; // a release of another block or with another tag
    // The mask register as last read or written (the power-on value before).
    std::uint8_t mask = kbemu::POWER_ON_MASK;
};

// Installs itself on the machine for its own life.
class CPcRecorder final : public kbemu::CPcObserver {
public:
    explicit CPcRecorder(kbemu::CEmulatedPc& pc)
        : m_pc(pc)
    {
        pc.SetObserver(this);
    }
    ~CPcRecorder() override { m_pc.SetObserver(nullptr); }
    CPcRecorder(const CPcRecorder&) = delete;
    CPcRecorder& operator=(const CPcRecorder&) = delete;

    void PortRead(std::uint16_t port, std::uint8_t value) override
    {
        if (port == KBC_STATUS_PORT) {
            ++seen.statusReads; // polls are counted, not listed
            return;
        }
        Track(port, value);
        seen.events.push_back({ PortEvent::READ, port, value });
    }
    void PortWritten(std::uint16_t port, std::uint8_t value) override
    {
        if (port == KBC_DATA_PORT)
            seen.maskAtDataWrites.push_back(seen.mask);
        if (port == SYSTEM_PORT_B)
            seen.portBWrites.push_back(value);
        if (port == PIC_MASTER_MASK_PORT)
            seen.maskWrites.push_back(value);
        Track(port, value);
        seen.events.push_back({ PortEvent::WRITE, port, value });
    }
    void Waited() override
    {
        ++seen.waits;
        seen.events.push_back({ PortEvent::WAIT, 0, 0 });
    }
    void Traced(const char* line) override { seen.traces.emplace_back(line); }
    void ByteDelivered(std::uint8_t byte) override { seen.received.push_back(byte); }
    void WriteLost(std::uint8_t) override { ++seen.lostWrites; }
    void ScratchObtained(std::uint32_t size, std::uint32_t tag, const std::uint8_t* block) override
    {
        seen.scratchSize = size;
        seen.scratchTag = tag;
        m_block = block;
        if (block != nullptr)
            ++seen.scratchObtained;
    }
    void ScratchReleased(const std::uint8_t* block, std::uint32_t tag) override
    {
        if (block != m_block || tag != seen.scratchTag)
            seen.scratchTagMismatch = true;
        if (block != nullptr && block == m_block) {
            ++seen.scratchReleased;
            m_block = nullptr;
        }
    }

    // Forgets what was seen (the mask register keeps its last value).
    void Clear()
    {
        const std::uint8_t mask = seen.mask;
        seen = {};
        seen.mask = mask;
    }

    PcRecord seen;

private:
    void Track(std::uint16_t port, std::uint8_t value)
    {
        if (port == PIC_MASTER_MASK_PORT)
            seen.mask = value;
        else if (port != KBC_DATA_PORT && port != SYSTEM_PORT_B)
            ++seen.foreignAccesses;
    }

    kbemu::CEmulatedPc& m_pc;
    const std::uint8_t* m_block = nullptr;
};
