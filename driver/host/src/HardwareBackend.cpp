// The PC's own keyboard controller through raw port I/O (Linux on x86 only).
//
// It needs root (ioperm) and cannot be tested on the build machines. Limits:
// on machines whose interrupts go through an APIC, masking IRQ 1 at the
// legacy controller does not keep the kernel's own keyboard driver (i8042)
// from taking reply bytes off port 0x60; see docs/driver.md.
#include <cerrno>
#include <cstring>
#include <new>

#include <tavrin/TavrinWire.h>

#include "HostBackend.h"
#include "HostTexts.h"

#if defined(__linux__) && (defined(__i386__) || defined(__x86_64__))
#define TAVRIN_RAW_PORTS 1
#include <sys/io.h>
#endif

namespace tavrin {

#if TAVRIN_RAW_PORTS

namespace {

class CHardwareBackend final : public CHostBackend {
public:
    explicit CHardwareBackend(bool trace)
        : trace_(trace)
    {
    }

    // Asks for the four ports the exchange uses; 0 or an errno value.
    static int Acquire()
    {
        const unsigned short ports[]
            = { PIC_MASTER_MASK_PORT, KBC_DATA_PORT, SYSTEM_PORT_B, KBC_STATUS_PORT };
        for (unsigned short port : ports)
            if (ioperm(port, 1, 1) != 0)
                return errno;
        return 0;
    }

    TavrinPlatform Platform() override
    {
        TavrinPlatform p {};
        p.context = this;
        p.readPort = [](void*, std::uint16_t port) { return static_cast<std::uint8_t>(inb(port)); };
        p.writePort = [](void*, std::uint16_t port, std::uint8_t value) { outb(value, port); };
        p.waitOneMillisecond = [](void*) { waitOneMillisecond(); };
        if (trace_)
            p.trace = [](void*, const char* line) { traceToStandardError(line); };
        p.obtainScratch
            = [](void*, std::uint32_t size, std::uint32_t) { return new (std::nothrow) std::uint8_t[size]; };
        p.releaseScratch = [](void*, std::uint8_t* block, std::uint32_t) { delete[] block; };
        return p;
    }

    std::uint32_t Kind() const override { return BACKEND_HARDWARE; }

private:
    bool trace_;
};

} // namespace

std::unique_ptr<CHostBackend> openHardwareBackend(const HostOptions& options, std::string& error)
{
    if (const int e = CHardwareBackend::Acquire(); e != 0) {
        error = std::string(texts::HARDWARE_NEEDS_ROOT) + std::strerror(e);
        return nullptr;
    }
    return std::make_unique<CHardwareBackend>(options.trace);
}

#else

std::unique_ptr<CHostBackend> openHardwareBackend(const HostOptions&, std::string& error)
{
    error = texts::HARDWARE_UNSUPPORTED;
    return nullptr;
}

#endif

} // namespace tavrin
