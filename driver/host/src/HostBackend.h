// The keyboard behind the driver host: the emulated PC and keyboard, or the
// real keyboard controller through raw port I/O.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <tavrin/TavrinCore.h>

#include "HostOptions.h"

namespace tavrin {

class CHostBackend {
public:
    virtual ~CHostBackend() = default;
    // The core's view of the machine; valid while the backend lives.
    virtual TavrinPlatform Platform() = 0;
    virtual std::uint32_t Kind() const = 0; // BACKEND_EMULATED or BACKEND_HARDWARE
    // Called after every request served, to report trouble of the backend's own.
    virtual void AfterRequest() { }
};

// Both return null with a message when the backend cannot be had.
std::unique_ptr<CHostBackend> openEmulatedBackend(const HostOptions& options, std::string& error);
std::unique_ptr<CHostBackend> openHardwareBackend(const HostOptions& options, std::string& error);

// The real 1 ms wait before each byte sent: sleeps most of it and spins the
// rest, so that each wait is close to 1 ms rather than 1 ms plus the timer's
// slack.
void waitOneMillisecond();
// A trace line on standard error, with a line break when it has none.
void traceToStandardError(const char* line);

} // namespace tavrin
