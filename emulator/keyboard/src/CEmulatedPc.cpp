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
    : m_keyboard(keyboard)
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
    if (m_inputPending) {
        if (m_inputWait == 0) {
            Deliver(*m_inputPending);
            m_inputPending.reset();
        } else {
            --m_inputWait;
        }
    }
    // The next keyboard byte enters the output buffer once it is free.
    if (!m_outputFull) {
        if (!m_staged && m_keyboard.HasOutput()) {
            m_staged = m_keyboard.TakeOutput();
            m_outputWait = m_replyDelay;
        }
        if (m_staged) {
            if (m_outputWait == 0) {
                m_outputFull = true;
                m_outputByte = *m_staged;
                m_staged.reset();
            } else {
                --m_outputWait;
            }
        }
    }
    std::uint8_t status = 0;
    if (m_outputFull)
        status |= KBC_OUTPUT_FULL;
    if (m_busy || m_inputPending)
        status |= KBC_INPUT_FULL;
    return status;
}

void CEmulatedPc::Deliver(std::uint8_t byte)
{
    if (m_observer)
        m_observer->ByteDelivered(byte);
    m_keyboard.Receive(byte);
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
        value = m_outputByte;
        m_outputFull = false;
        break;
    case SYSTEM_PORT_B:
        value = m_portB;
        break;
    case PIC_MASTER_MASK_PORT:
        value = m_mask;
        break;
    default:
        break;
    }
    if (m_observer)
        m_observer->PortRead(port, value);
    return value;
}

void CEmulatedPc::WritePort(std::uint16_t port, std::uint8_t value)
{
    if (m_observer)
        m_observer->PortWritten(port, value);
    switch (port) {
    case KBC_DATA_PORT:
        if (m_busy || m_inputPending) {
            if (m_observer)
                m_observer->WriteLost(value);
        } else if (m_inputDelay == 0) {
            Deliver(value);
        } else {
            m_inputPending = value;
            m_inputWait = m_inputDelay;
        }
        break;
    case SYSTEM_PORT_B:
        m_portB = value;
        break;
    case PIC_MASTER_MASK_PORT:
        m_mask = value;
        break;
    default:
        break;
    }
}

void CEmulatedPc::WaitOneMillisecond()
{
    if (m_observer)
        m_observer->Waited();
    if (m_waitHandler)
        m_waitHandler();
}

void CEmulatedPc::Trace(const char* line)
{
    if (m_observer)
        m_observer->Traced(line);
    if (m_traceSink)
        m_traceSink(line);
}

std::uint8_t* CEmulatedPc::ObtainScratch(std::uint32_t size, std::uint32_t tag)
{
    // One block at a time, as the core asks for it.
    std::uint8_t* block = nullptr;
    if (m_scratchAvailable && !m_scratch) {
        m_scratch.reset(new (std::nothrow) std::uint8_t[size]);
        block = m_scratch.get();
    }
    if (m_observer)
        m_observer->ScratchObtained(size, tag, block);
    return block;
}

void CEmulatedPc::ReleaseScratch(std::uint8_t* block, std::uint32_t tag)
{
    if (m_observer)
        m_observer->ScratchReleased(block, tag);
    if (block != nullptr && block == m_scratch.get())
        m_scratch.reset();
}

} // namespace kbemu
