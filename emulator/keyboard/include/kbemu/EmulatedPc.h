// The PC side of the keyboard exchange: the 8042 controller's status and data
// ports, system control port B and the master interrupt controller's mask
// register, with the keyboard firmware behind the controller. It implements
// the port driver core's platform interface and records what happened so
// that tests can check the exchange.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <tavrin/TavrinCore.h>

#include "kbemu/KeyboardFirmware.h"

namespace kbemu {

struct PortEvent {
    enum Kind : std::uint8_t { WAIT, WRITE, READ };
    Kind kind;
    std::uint16_t port;
    std::uint8_t value;
    bool operator==(const PortEvent&) const = default;
};

class CEmulatedPc {
public:
    explicit CEmulatedPc(CKeyboardFirmware& keyboard);
    CEmulatedPc(const CEmulatedPc&) = delete;
    CEmulatedPc& operator=(const CEmulatedPc&) = delete;

    // The core's view of this machine; valid while this object lives.
    TavrinPlatform Platform();

    // Controller behaviour.
    void SetBusy(bool busy) { busy_ = busy; } // input buffer never empties
    void SetInputDelay(std::uint32_t reads) { inputDelay_ = reads; } // status reads until a byte is taken
    void SetReplyDelay(std::uint32_t reads) { replyDelay_ = reads; } // status reads until a byte shows
    void SetMask(std::uint8_t mask) { mask_ = mask; }
    void SetPortB(std::uint8_t value) { portB_ = value; }

    // Platform services: the 1 ms wait (counted; it runs waitHandler when one
    // is set, so the host can wait for real while tests do not), trace lines
    // and the scratch block.
    void SetWaitHandler(std::function<void()> handler) { waitHandler_ = std::move(handler); }
    void SetTraceSink(std::function<void(const char*)> sink) { traceSink_ = std::move(sink); }
    void SetScratchAvailable(bool available) { scratchAvailable_ = available; }
    // Keeping traces, events and byte lists grows without bound; a long-running
    // host turns it off.
    void SetRecording(bool on) { recording_ = on; }

    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);
    void WaitOneMillisecond();
    void Trace(const char* line);
    std::uint8_t* ObtainScratch(std::uint32_t size, std::uint32_t tag);
    void ReleaseScratch(std::uint8_t* block, std::uint32_t tag);

    // Observations.
    std::uint8_t Mask() const { return mask_; }
    const std::vector<std::uint8_t>& MaskWrites() const { return maskWrites_; }
    const std::vector<std::uint8_t>& PortBWrites() const { return portBWrites_; }
    const std::vector<std::uint8_t>& BytesReceived() const { return received_; } // by the keyboard
    // Mask register value at each byte written to the data port.
    const std::vector<std::uint8_t>& MaskAtDataWrites() const { return maskAtDataWrites_; }
    const std::vector<PortEvent>& Events() const { return events_; }
    const std::vector<std::string>& Traces() const { return traces_; }
    std::uint64_t Waits() const { return waits_; }
    std::uint64_t StatusReads() const { return statusReads_; }
    std::uint32_t LostWrites() const { return lostWrites_; } // written while the input buffer was full
    std::uint32_t ForeignAccesses() const { return foreignAccesses_; } // ports other than the four
    std::uint32_t ScratchObtained() const { return scratchObtained_; }
    std::uint32_t ScratchReleased() const { return scratchReleased_; }
    std::uint32_t ScratchSize() const { return scratchSize_; }
    std::uint32_t ScratchTag() const { return scratchTag_; }
    bool ScratchTagMismatch() const { return scratchTagMismatch_; }
    void ClearObservations();

private:
    std::uint8_t ReadStatus();
    void Deliver(std::uint8_t byte);

    CKeyboardFirmware& keyboard_;
    bool busy_ = false;
    std::uint32_t inputDelay_ = 0;
    std::uint32_t replyDelay_ = 0;
    std::optional<std::uint8_t> inputPending_;
    std::uint32_t inputWait_ = 0;
    std::optional<std::uint8_t> staged_; // taken from the keyboard, not yet visible
    std::uint32_t outputWait_ = 0;
    bool outputFull_ = false;
    std::uint8_t outputByte_ = 0;
    std::uint8_t mask_ = 0xB8;
    std::uint8_t portB_ = 0x30;

    std::function<void()> waitHandler_;
    std::function<void(const char*)> traceSink_;
    bool scratchAvailable_ = true;
    std::unique_ptr<std::uint8_t[]> scratch_;
    bool recording_ = true;

    std::vector<std::uint8_t> maskWrites_;
    std::vector<std::uint8_t> portBWrites_;
    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> maskAtDataWrites_;
    std::vector<PortEvent> events_;
    std::vector<std::string> traces_;
    std::uint64_t waits_ = 0;
    std::uint64_t statusReads_ = 0;
    std::uint32_t lostWrites_ = 0;
    std::uint32_t foreignAccesses_ = 0;
    std::uint32_t scratchObtained_ = 0;
    std::uint32_t scratchReleased_ = 0;
    std::uint32_t scratchSize_ = 0;
    std::uint32_t scratchTag_ = 0;
    bool scratchTagMismatch_ = false;
};

} // namespace kbemu
