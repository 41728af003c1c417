// Raw port I/O (Linux on x86 only) drives ports 0x60/0x64 directly. It is
// used only where no kernel driver takes the keyboard's bytes: with the
// kernel's i8042 driver handling the keyboard's interrupt (IRQ 1) it would
// race the interrupt handler for every reply byte, so the host refuses. The
// i8042 driver may still be there for the mouse alone (i8042.nokbd): it
// then leaves the keyboard's interrupt and bytes to others. The serving process asks for the ports
// (ioperm, root) before it gives root up and keeps them for its life: no
// kernel driver wants them, so nothing is taken from anyone. It cannot be
// run on the build machines; the kernel test machine runs it.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

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

constexpr char INTERRUPTS[] = "/proc/interrupts";
constexpr char KEYBOARD_IRQ[] = "1:";
constexpr char I8042_HANDLER[] = "i8042";

class CRawPortBackend final : public CHostBackend {
public:
    explicit CRawPortBackend(bool trace)
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
        TavrinPlatform p = realKeyboardPlatform(this, trace_);
        p.readPort = [](void*, std::uint16_t port) { return static_cast<std::uint8_t>(inb(port)); };
        p.writePort = [](void*, std::uint16_t port, std::uint8_t value) { outb(value, port); };
        return p;
    }

    std::uint32_t Kind() const override { return BACKEND_HARDWARE; }

private:
    bool trace_;
};

} // namespace

bool rawPortsAllowed(std::string& error)
{
    // "  1:    1234   IO-APIC   1-edge      i8042": the keyboard's line.
    std::ifstream interrupts(INTERRUPTS);
    for (std::string line; std::getline(interrupts, line);) {
        std::istringstream fields(line);
        std::string number;
        if (fields >> number && number == KEYBOARD_IRQ && line.find(I8042_HANDLER) != std::string::npos) {
            error = texts::HARDWARE_KERNEL_OWNS;
            return false;
        }
    }
    return true;
}

std::unique_ptr<CHostBackend> openRawPortBackend(const HostOptions& options, std::string& error)
{
    if (const int e = CRawPortBackend::Acquire(); e != 0) {
        error = std::string(texts::HARDWARE_NEEDS_ROOT) + std::strerror(e);
        return nullptr;
    }
    return std::make_unique<CRawPortBackend>(options.trace);
}

#else

bool rawPortsAllowed(std::string& error)
{
    error = texts::HARDWARE_UNSUPPORTED;
    return false;
}

std::unique_ptr<CHostBackend> openRawPortBackend(const HostOptions&, std::string& error)
{
    error = texts::HARDWARE_UNSUPPORTED;
    return nullptr;
}

#endif

} // namespace tavrin
