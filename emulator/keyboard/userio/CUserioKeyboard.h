// The emulated keyboard as a device of a real Linux kernel. The kernel's
// userio module (/dev/userio) lets a program be a serio port: what the
// kernel's drivers (atkbd, serio_raw) write to the port is read here, and
// the keyboard's bytes go back as the port's interrupts. So the kernel's
// serio core and drivers, and the driver host above them, meet the same
// firmware as the emulated keyboard, at a PS/2 keyboard's pace.
#pragma once

#include <cstdint>
#include <deque>

#include <kbemu/CKeyboardFirmware.h>

namespace kbemu {

class CUserioKeyboard {
public:
    // byteNs: how long a byte takes on the wire, each way (about 1 ms on a
    // PS/2 keyboard; 0 sends every answer at once).
    CUserioKeyboard(CKeyboardFirmware& keyboard, std::int64_t byteNs);

    // Gives the port on an opened /dev/userio its type and registers it:
    // from here the kernel binds a driver to it. 0 or an errno value.
    int Register(int device, std::uint8_t portType);
    // Serves the port until stop becomes readable (or fails: an errno
    // value). A PC byte reaches the keyboard one byte time after the kernel
    // wrote it; each keyboard byte takes a byte time after the one before.
    int Serve(int device, int stop);

    std::uint64_t FromPc() const { return m_fromPc; }
    std::uint64_t ToPc() const { return m_toPc; }

private:
    struct Arrival {
        std::int64_t at;
        std::uint8_t byte;
    };

    int Receive(int device, std::int64_t now);
    int Send(int device, std::int64_t now);
    std::int64_t NextEvent() const;

    CKeyboardFirmware& m_keyboard;
    const std::int64_t m_byteNs;
    std::deque<Arrival> m_arrivals; // written by the kernel, still on the wire
    std::int64_t m_sendAt = -1; // when the next keyboard byte is through (-1: none due)
    std::int64_t m_lineFree = 0; // when the last keyboard byte was through
    std::uint64_t m_fromPc = 0;
    std::uint64_t m_toPc = 0;
};

} // namespace kbemu
