#include "kbemu/EmulatedPc.h"

#include <new>

namespace kbemu {

namespace {

CEmulatedPc& self(void* context)
{
    return *static_cast<CEmulatedPc*>(context);
}

} // namespace

CEmulatedPc::CEmulatedPc(CKeyboardFirmware& keyboard)
    : keyboard_(keyboard)
{
}

TavrinPlatform CEmulatedPc::Platform()
{
    TavrinPlatform p {};
    p.context = this;
    p.readPort = [](void* c, std::uint16_t port) { return self(c).ReadPort(port); };
    p.writePort = [](void* c, std::uint16_t port, std::uint8_t value) { self(c).WritePort(port, value); };
    p.waitOneMillisecond = [](void* c) { self(c).WaitOneMillisecond(); };
    p.trace = [](void* c, const char* line) { self(c).Trace(line); };
    p.obtainScratch
        = [](void* c, std::uint32_t size, std::uint32_t tag) { return self(c).ObtainScratch(size, tag); };
    p.releaseScratch
        = [](void* c, std::uint8_t* block, std::uint32_t tag) { self(c).ReleaseScratch(block, tag); };
    return p;
}

std::uint8_t CEmulatedPc::ReadStatus()
{
    ++statusReads_;
    // The controller passes a written byte on once its delay has run out.
    if (inputPending_) {
        if (inputWait_ == 0) {
            Deliver(*inputPending_);
            inputPending_.reset();
        } else {
            --inputWait_;
        }
    }
    // The next keyboard byte enters the output buffer once it is free.
    if (!outputFull_) {
        if (!staged_ && keyboard_.HasOutput()) {
            staged_ = keyboard_.TakeOutput();
            outputWait_ = replyDelay_;
        }
        if (staged_) {
            if (outputWait_ == 0) {
                outputFull_ = true;
                outputByte_ = *staged_;
                staged_.reset();
            } else {
                --outputWait_;
            }
        }
    }
    std::uint8_t status = 0;
    if (outputFull_)
        status |= KBC_OUTPUT_FULL;
    if (busy_ || inputPending_)
        status |= KBC_INPUT_FULL;
    return status;
}

void CEmulatedPc::Deliver(std::uint8_t byte)
{
    if (recording_)
        received_.push_back(byte);
    keyboard_.Receive(byte);
}

std::uint8_t CEmulatedPc::ReadPort(std::uint16_t port)
{
    std::uint8_t value = 0xFF;
    switch (port) {
    case KBC_STATUS_PORT:
        return ReadStatus(); // not logged: polls are counted instead
    case KBC_DATA_PORT:
        // An empty output buffer still reads its last byte, as on the real controller.
        value = outputByte_;
        outputFull_ = false;
        break;
    case SYSTEM_PORT_B:
        value = portB_;
        break;
    case PIC_MASTER_MASK_PORT:
        value = mask_;
        break;
    default:
        ++foreignAccesses_;
        break;
    }
    if (recording_)
        events_.push_back({ PortEvent::READ, port, value });
    return value;
}

void CEmulatedPc::WritePort(std::uint16_t port, std::uint8_t value)
{
    if (recording_)
        events_.push_back({ PortEvent::WRITE, port, value });
    switch (port) {
    case KBC_DATA_PORT:
        if (recording_)
            maskAtDataWrites_.push_back(mask_);
        if (busy_ || inputPending_) {
            ++lostWrites_;
        } else if (inputDelay_ == 0) {
            Deliver(value);
        } else {
            inputPending_ = value;
            inputWait_ = inputDelay_;
        }
        break;
    case SYSTEM_PORT_B:
        portB_ = value;
        if (recording_)
            portBWrites_.push_back(value);
        break;
    case PIC_MASTER_MASK_PORT:
        mask_ = value;
        if (recording_)
            maskWrites_.push_back(value);
        break;
    default:
        ++foreignAccesses_;
        break;
    }
}

void CEmulatedPc::WaitOneMillisecond()
{
    ++waits_;
    if (recording_)
        events_.push_back({ PortEvent::WAIT, 0, 0 });
    if (waitHandler_)
        waitHandler_();
}

void CEmulatedPc::Trace(const char* line)
{
    if (recording_)
        traces_.emplace_back(line);
    if (traceSink_)
        traceSink_(line);
}

std::uint8_t* CEmulatedPc::ObtainScratch(std::uint32_t size, std::uint32_t tag)
{
    scratchSize_ = size;
    scratchTag_ = tag;
    if (!scratchAvailable_ || scratch_)
        return nullptr;
    scratch_.reset(new (std::nothrow) std::uint8_t[size]);
    if (scratch_)
        ++scratchObtained_;
    return scratch_.get();
}

void CEmulatedPc::ReleaseScratch(std::uint8_t* block, std::uint32_t tag)
{
    if (block != scratch_.get() || tag != scratchTag_)
        scratchTagMismatch_ = true;
    if (block == scratch_.get() && block != nullptr) {
        scratch_.reset();
        ++scratchReleased_;
    }
}

void CEmulatedPc::ClearObservations()
{
    maskWrites_.clear();
    portBWrites_.clear();
    received_.clear();
    maskAtDataWrites_.clear();
    events_.clear();
    traces_.clear();
    waits_ = 0;
    statusReads_ = 0;
    lostWrites_ = 0;
    foreignAccesses_ = 0;
}

} // namespace kbemu
