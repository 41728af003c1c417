// The PC's keyboard port as the kernel offers it: the serio port whose
// description reads "i8042 KBD port". The host hands it to the serio_raw
// driver for the length of a session, exchanges bytes through the character
// device serio_raw creates, and gives it back to the driver that had it.
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
    // Finds the keyboard port, binds serio_raw and opens its device.
    bool Take(std::string& error);
    int DeviceFd() const { return deviceFd_; }
    const std::string& Name() const { return name_; }
    // Closes the device and gives the port back; the record is cleared once
    // the kernel shows the old driver again. Safe to call twice.
    void GiveBack();

private:
    bool OpenDevice();

    std::string sysfs_;
    std::string dev_;
    int recordFd_;
    std::string name_;
    std::string portDir_;
    std::string previous_; // the driver that had the port ("" for none)
    int controlFd_ = -1; // the port's drvctl, opened while the host still had the rights
    int deviceFd_ = -1;
    bool held_ = false;
};

// The keyboard port's folder under sysfs, or "" when there is none.
std::string findKeyboardPort(const std::string& sysfs, std::string& name);
// Whether the kernel's i8042 driver is bound (it owns the controller).
bool kernelOwnsController(const std::string& sysfs);

} // namespace tavrin
