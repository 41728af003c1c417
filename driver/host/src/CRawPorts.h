// Raw port I/O (Linux on x86 only) drives ports 0x60/0x64 directly. It is
// used only where no kernel driver takes the keyboard's bytes: with the
// kernel's i8042 driver handling the keyboard's interrupt (IRQ 1) it would
// race the interrupt handler for every reply byte, so the host refuses. The
// i8042 driver may still be there for the mouse alone (i8042.nokbd): it
// then leaves the keyboard's interrupt and bytes to others.
//
// The ports belong to the monitor, which runs the driver core's exchange on
// them for the serving process (MonitorProtocol.h): a serving process with
// the ports could, once compromised, send the controller anything (0xFE to
// 0x64 resets the machine). No kernel driver wants them, so nothing is taken
// from anyone. It cannot be run on the build machines; the kernel test
// machine runs it.
#pragma once

#include <memory>
#include <string>

#include <tavrin/TavrinCore.h>

namespace tavrin {

class CRawPorts {
public:
    virtual ~CRawPorts() = default;
    // The core's platform over the four ports the exchange uses.
    virtual const TavrinPlatform* Platform() const = 0;
};

// Asks for the ports when the kernel leaves the keyboard alone; null with
// the reason otherwise (the kernel owns IRQ 1, no ioperm on this kernel or
// machine). sysfs names the folder that held no keyboard port, for the
// message.
std::unique_ptr<CRawPorts> openRawPorts(const std::string& sysfs, bool trace, std::string& error);

} // namespace tavrin
