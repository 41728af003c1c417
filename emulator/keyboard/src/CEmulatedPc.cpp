#include "kbemu/CEmulatedPc.h"

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
    if (observer_)
        observer_->ByteDelivered(byte);
    keyboard_.Receive(byte);
}

std::uint8_t CEmulatedPc::ReadPort(std::uint16_t port)
{
    std::uint8_t value = 0xFF;
    switch (port) {
    case KBC_STATUS_PORT:
        value = ReadStatus();
        break;
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
        break;
    }
    if (observer_)
        observer_->PortRead(port, value);
    return value;
}

void CEmulatedPc::WritePort(std::uint16_t port, std::uint8_t value)
{
    if (observer_)
        observer_->PortWritten(port, value);
    switch (port) {
    case KBC_DATA_PORT:
        if (busy_ || inputPending_) {
            if (observer_)
                observer_->WriteLost(value);
        } else if (inputDelay_ == 0) {
            Deliver(value);
        } else {
            inputPending_ = value;
            inputWait_ = inputDelay_;
        }
        break;
    case SYSTEM_PORT_B:
        portB_ = value;
        break;
    case PIC_MASTER_MASK_PORT:
        mask_ = value;
        break;
    default:
        break;
    }
}

void CEmulatedPc::WaitOneMillisecond()
{
    if (observer_)
        observer_->Waited();
    if (waitHandler_)
        waitHandler_();
}

void CEmulatedPc::Trace(const char* line)
{
    if (observer_)
        observer_->Traced(line);
    if (traceSink_)
        traceSink_(line);
}

std::uint8_t* CEmulatedPc::ObtainScratch(std::uint32_t size, std::uint32_t tag)
{
    // One block at a time, as the core asks for it.
    std::uint8_t* block = nullptr;
    if (scratchAvailable_ && !scratch_) {
        scratch_.reset(new (std::nothrow) std::uint8_t[size]);
        block = scratch_.get();
    }
    if (observer_)
        observer_->ScratchObtained(size, tag, block);
    return block;
}

void CEmulatedPc::ReleaseScratch(std::uint8_t* block, std::uint32_t tag)
{
    if (observer_)
        observer_->ScratchReleased(block, tag);
    if (block != nullptr && block == scratch_.get())
        scratch_.reset();
}

} // namespace kbemu
