// The emulated PC and keyboard behind the host, with real 1 ms waits.
#include <cstdio>

#include <kbemu/CEmulatedPc.h>
#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>
#include <tavrin/TavrinWire.h>

#include "CEmulatedBackend.h"
#include "CHostBackend.h"
#include "HostClock.h"
#include "HostMessages.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

class CEmulatedBackend final : public CHostBackend {
public:
    explicit CEmulatedBackend(const EmulatedOptions& options)
        : m_keyboard(m_memory)
        , m_pc(m_keyboard)
    {
        m_keyboard.SetFaults(options.faults.keyboard);
        m_pc.SetBusy(options.faults.busyController);
        m_pc.SetWaitHandler(waitOneMillisecond);
        if (options.settings.trace)
            m_pc.SetTraceSink(traceToStandardError);
    }

    int Open(const std::string& path) { return m_memory.Open(path); }

    TavrinPlatform Platform() override { return m_pc.Platform(); }
    std::uint32_t Kind() const override { return BACKEND_EMULATED; }

    bool BeforeRequest(bool, TavrinCompletion&) override
    {
        m_failedBefore = m_memory.FailedCommits();
        return true;
    }

    void AfterRequest(TavrinCompletion& done) override
    {
        // The keyboard cannot tell the PC that its memory failed; the host
        // can: the request that wrote it fails, so the write is not taken
        // for done. The range stays dirty for the next commit.
        if (m_memory.FailedCommits() == m_failedBefore)
            return;
        tell(texts::MEMORY_COMMIT_FAILED);
        done = TavrinCompletion { TAVRIN_STATUS_IO_DEVICE_ERROR, 0 };
    }

private:
    kbemu::CKeyboardMemory m_memory;
    kbemu::CKeyboardFirmware m_keyboard;
    kbemu::CEmulatedPc m_pc;
    std::uint32_t m_failedBefore = 0;
};

} // namespace

std::unique_ptr<CHostBackend> openEmulatedBackend(const EmulatedOptions& options, std::string& error)
{
    auto backend = std::make_unique<CEmulatedBackend>(options);
    switch (backend->Open(options.memoryFile)) {
    case kbemu::MEMORY_OK:
        return backend;
    case kbemu::MEMORY_E_SIZE:
        error = texts::MEMORY_WRONG_SIZE + options.memoryFile;
        break;
    case kbemu::MEMORY_E_NOT_OWN:
        error = texts::MEMORY_NOT_OWN + options.memoryFile;
        break;
    case kbemu::MEMORY_E_IO:
        error = texts::MEMORY_IO_FAILED + options.memoryFile;
        break;
    default:
        error = texts::MEMORY_OPEN_FAILED + options.memoryFile;
        break;
    }
    return nullptr;
}

} // namespace tavrin
