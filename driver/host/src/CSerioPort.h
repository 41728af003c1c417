// The PC's keyboard port as the kernel offers it: the serio port whose
// description reads "i8042 KBD port". The host's monitor hands it to the
// serio_raw driver while the keyboard is being used, opens the character
// device serio_raw creates, and gives the port back to the driver that had
// it.
//
// A record in the host's folder names the port while it is held, so that a
// host killed on the way can have the port given back by the next one; only
// what the record names is ever recovered.
#pragma once

#include <string>

namespace tavrin {

inline constexpr char SERIO_KEYBOARD_DESCRIPTION[] = "i8042 KBD port";
inline constexpr char SERIO_RAW_DRIVER[] = "serio_raw";
inline constexpr char SERIO_RECORD_NAME[] = "tavrin.serio";

class CSerioPort {
public:
    // sysfs and dev are the roots to look under (normally /sys and /dev);
    // recordFd is the record file, kept open for the port's life.
    CSerioPort(std::string sysfs, std::string dev, int recordFd);
    ~CSerioPort();
    CSerioPort(const CSerioPort&) = delete;
    CSerioPort& operator=(const CSerioPort&) = delete;

    // Gives back a port the record says an earlier host left with serio_raw.
    void Recover();
    // Finds the keyboard port, checks that it is the keyboard driver's (or
    // nobody's), that serio_raw can be had (loading it on the real system),
    // and opens the port's drvctl. Nothing changes hands yet.
    bool Prepare(std::string& error);
    // Binds serio_raw to the prepared port and opens its device.
    bool Take(std::string& error);
    bool Held() const { return m_held; }
    // The device opened by Take, handed over: the caller closes it.
    int ReleaseDevice();
    const std::string& Name() const { return m_name; }
    // Closes the device and gives the port back; the record is cleared once
    // the kernel shows the old driver again. Safe to call when not held.
    void GiveBack();

private:
    bool Available(std::string& error);
    bool OpenDevice();

    std::string m_sysfs;
    std::string m_dev;
    int m_recordFd;
    std::string m_name;
    std::string m_portDir;
    std::string m_previous; // the driver that had the port ("" for none)
    int m_controlFd = -1; // the port's drvctl
    int m_deviceFd = -1;
    bool m_held = false;
};

// The keyboard port's folder under sysfs, or "" when there is none.
std::string findKeyboardPort(const std::string& sysfs, std::string& name);

} // namespace tavrin
