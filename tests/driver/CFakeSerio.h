// Plays the kernel's part for the driver host's serio backend: a sysfs tree
// with the i8042 ports, a drvctl the host writes to (a FIFO read by a thread
// of this object), the driver link it updates, and for serio_raw a device
// node that is a pseudo-terminal in raw mode with the emulated keyboard
// firmware on the other side. Like serio_raw it keeps at most 64 bytes for
// the host, and drops what comes on top once the host has left them unread
// for a while (generously: the pseudo-terminal and a loaded machine add
// delays no real keyboard port has).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>

struct FakeSerioPort {
    std::string name;
    std::string description;
    std::string driver; // "" for none
};

class CFakeSerio {
public:
    static std::vector<FakeSerioPort> TypicalPorts()
    {
        return { { "serio0", "i8042 KBD port", "atkbd" }, { "serio1", "i8042 AUX port", "psmouse" } };
    }

    // Lays the tree out under root (root/sys, root/dev), replacing what was there.
    explicit CFakeSerio(const std::string& root, std::vector<FakeSerioPort> ports = TypicalPorts());
    ~CFakeSerio();
    CFakeSerio(const CFakeSerio&) = delete;
    CFakeSerio& operator=(const CFakeSerio&) = delete;

    const std::string& Sys() const { return m_sys; }
    const std::string& Dev() const { return m_dev; }

    // What was written to the keyboard port's drvctl, word by word.
    std::vector<std::string> Commands();
    // The driver the port's link names now ("" for none).
    std::string Driver(const std::string& port = "serio0") const;
    // Waits up to timeoutMs for the port's driver to become driver.
    bool WaitForDriver(const std::string& driver, int timeoutMs = 5000) const;
    void SetFaults(const kbemu::KeyboardFaults& faults);
    std::vector<std::uint8_t> Image();
    std::uint32_t Dropped() const { return m_dropped; }

private:
    void Run();
    void Apply(const std::string& command);
    void Bind();
    void Unbind();
    void Link(const std::string& driver);

    std::string m_sys;
    std::string m_dev;
    std::string m_port; // the keyboard port's folder
    int m_control = -1; // its drvctl FIFO
    int m_stop[2] = { -1, -1 };
    int m_master = -1;
    int m_slave = -1; // kept open: the line's input count, and no hang-up when the host closes
    std::mutex m_mutex;
    kbemu::CKeyboardMemory m_memory;
    kbemu::CKeyboardFirmware m_keyboard { m_memory };
    std::deque<std::uint8_t> m_wire; // from the keyboard, not yet passed on
    std::vector<std::string> m_commands;
    std::atomic<std::uint32_t> m_dropped { 0 };
    std::thread m_thread;
};
