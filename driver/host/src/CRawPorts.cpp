#include "CRawPorts.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <lodemar/Format.h>
#include <tavrin/TavrinPorts.h>

#include "HostClock.h"
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
constexpr char SERIO_DEVICES[] = "/bus/serio/devices";

// "  1:    1234   IO-APIC   1-edge      i8042": the keyboard's line.
bool kernelOwnsKeyboard()
{
    std::ifstream interrupts(INTERRUPTS);
    for (std::string line; std::getline(interrupts, line);) {
        std::istringstream fields(line);
        std::string number;
        if (fields >> number && number == KEYBOARD_IRQ && line.find(I8042_HANDLER) != std::string::npos)
            return true;
    }
    return false;
}

class CIoPorts final : public CRawPorts {
public:
    explicit CIoPorts(bool trace)
        : m_platform(realKeyboardPlatform(nullptr, trace))
    {
        m_platform.readPort = [](void*, std::uint16_t port) { return static_cast<std::uint8_t>(inb(port)); };
        m_platform.writePort = [](void*, std::uint16_t port, std::uint8_t value) { outb(value, port); };
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

    const TavrinPlatform* Platform() const override { return &m_platform; }

private:
    TavrinPlatform m_platform;
};

} // namespace

std::unique_ptr<CRawPorts> openRawPorts(const std::string& sysfs, bool trace, std::string& error)
{
    if (kernelOwnsKeyboard()) {
        error = texts::HARDWARE_KERNEL_OWNS;
        return nullptr;
    }
    if (const int e = CIoPorts::Acquire(); e != 0) {
        error = lodemar::format(
            texts::RAW_PORTS_UNAVAILABLE, (sysfs + SERIO_DEVICES).c_str(), std::strerror(e));
        return nullptr;
    }
    return std::make_unique<CIoPorts>(trace);
}

#else

std::unique_ptr<CRawPorts> openRawPorts(const std::string&, bool, std::string& error)
{
    error = texts::HARDWARE_UNSUPPORTED;
    return nullptr;
}

#endif

} // namespace tavrin
