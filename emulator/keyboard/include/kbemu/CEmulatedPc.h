// The PC side of the keyboard exchange: the 8042 controller's status and data
// ports, system control port B and the master interrupt controller's mask
// register, with the keyboard firmware behind the controller. It implements
// the port driver core's platform interface; what happens can be watched
// through an observer (tests install one), the machine keeps no record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <tavrin/TavrinCore.h>

#include "kbemu/CKeyboardFirmware.h"

namespace kbemu {

// The registers as the machine starts (typical values).
inline constexpr std::uint8_t POWER_ON_MASK = 0xB8;
inline constexpr std::uint8_t POWER_ON_PORT_B = 0x30;

// Everything the machine does, as it happens: each port access (status
// polls included), each 1 ms wait and trace line, each byte that reaches the
// keyboard or is lost (written while the input buffer was full), and the
// scratch block handed out (null when refused) and given back.
class CPcObserver {
public:
    virtual ~CPcObserver() = default;
    virtual void PortRead(std::uint16_t port, std::uint8_t value) = 0;
    virtual void PortWritten(std::uint16_t port, std::uint8_t value) = 0;
    virtual void Waited() = 0;
    virtual void Traced(const char* line) = 0;
    virtual void ByteDelivered(std::uint8_t byte) = 0;
    virtual void WriteLost(std::uint8_t byte) = 0;
    virtual void ScratchObtained(std::uint32_t size, std::uint32_t tag, const std::uint8_t* block) = 0;
    virtual void ScratchReleased(const std::uint8_t* block, std::uint32_t tag) = 0;
};

class CEmulatedPc {
public:
    explicit CEmulatedPc(CKeyboardFirmware& keyboard);
    CEmulatedPc(const CEmulatedPc&) = delete;
    CEmulatedPc& operator=(const CEmulatedPc&) = delete;

    // The core's view of this machine; valid while this object lives.
    TavrinPlatform Platform();

    // Controller behaviour.
    void SetBusy(bool busy) { m_busy = busy; } // input buffer never empties
    void SetInputDelay(std::uint32_t reads) { m_inputDelay = reads; } // status reads until a byte is taken
    void SetReplyDelay(std::uint32_t reads) { m_replyDelay = reads; } // status reads until a byte shows
    void SetMask(std::uint8_t mask) { m_mask = mask; }
    void SetPortB(std::uint8_t value) { m_portB = value; }

    // Platform services: the 1 ms wait (counted; it runs waitHandler when one
    // is set, so the host can wait for real while tests do not), trace lines
    // and the scratch block.
    void SetWaitHandler(std::function<void()> handler) { m_waitHandler = std::move(handler); }
    void SetTraceSink(std::function<void(const char*)> sink) { m_traceSink = std::move(sink); }
    void SetScratchAvailable(bool available) { m_scratchAvailable = available; }
    // Watches the machine until called with null; the observer must outlive that.
    void SetObserver(CPcObserver* observer) { m_observer = observer; }

    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);
    void WaitOneMillisecond();
    void Trace(const char* line);
    std::uint8_t* ObtainScratch(std::uint32_t size, std::uint32_t tag);
    void ReleaseScratch(std::uint8_t* block, std::uint32_t tag);

private:
    std::uint8_t ReadStatus();
    void Deliver(std::uint8_t byte);

    CKeyboardFirmware& m_keyboard;
    bool m_busy = false;
    std::uint32_t m_inputDelay = 0;
    std::uint32_t m_replyDelay = 0;
    std::optional<std::uint8_t> m_inputPending;
    std::uint32_t m_inputWait = 0;
    std::optional<std::uint8_t> m_staged; // taken from the keyboard, not yet visible
    std::uint32_t m_outputWait = 0;
    bool m_outputFull = false;
    std::uint8_t m_outputByte = 0;
    std::uint8_t m_mask = POWER_ON_MASK;
    std::uint8_t m_portB = POWER_ON_PORT_B;

    std::function<void()> m_waitHandler;
    std::function<void(const char*)> m_traceSink;
    bool m_scratchAvailable = true;
    std::unique_ptr<std::uint8_t[]> m_scratch;
    CPcObserver* m_observer = nullptr;
};

} // namespace kbemu
