// The emulated keyboard's faults by the names users give them: "silent",
// "refuse", "endless", "stall=N" (the keyboard) and "busy" (the controller).
#pragma once

#include <string_view>

#include "kbemu/CKeyboardFirmware.h"

namespace kbemu {

struct EmulatedFaults {
    KeyboardFaults keyboard;
    bool busyController = false; // CEmulatedPc::SetBusy
};

// Adds the fault called name; false, changing nothing, for an unknown name or
// a bad count.
bool addFaultByName(std::string_view name, EmulatedFaults& faults);

} // namespace kbemu
