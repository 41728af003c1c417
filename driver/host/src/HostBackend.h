// The keyboard behind the driver host: the emulated PC and keyboard, or the
// real keyboard through the kernel's serio layer (raw port I/O where no
// kernel driver owns the controller).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <tavrin/TavrinCore.h>

#include "HostOptions.h"

namespace tavrin {

class CHostFolder;

class CHostBackend {
public:
    virtual ~CHostBackend() = default;
    // The core's view of the machine; valid while the backend lives.
    virtual TavrinPlatform Platform() = 0;
    virtual std::uint32_t Kind() const = 0; // BACKEND_EMULATED or BACKEND_HARDWARE
    // Around every control-code request. AfterRequest may fail a request
    // for trouble the core cannot see (memory that was not saved).
    virtual void BeforeRequest() { }
    virtual void AfterRequest(TavrinCompletion& done) { (void)done; }
};

// Each returns null with a message when the backend cannot be had.
std::unique_ptr<CHostBackend> openEmulatedBackend(const HostOptions& options, std::string& error);
// The real keyboard: through serio when the kernel offers the keyboard port,
// else raw ports where no kernel driver owns the controller (x86). The
// serio backend keeps its record of the held port in folder.
std::unique_ptr<CHostBackend> openHardwareBackend(
    const HostOptions& options, CHostFolder& folder, std::string& error);

// The serio backend on its own, and the raw-port backend.
std::unique_ptr<CHostBackend> openSerioBackend(
    const HostOptions& options, CHostFolder& folder, std::string& error);
std::unique_ptr<CHostBackend> openRawPortBackend(const HostOptions& options, std::string& error);

// The real 1 ms wait before each byte sent: sleeps most of it and spins the
// rest, so that each wait is close to 1 ms rather than 1 ms plus the timer's
// slack.
void waitOneMillisecond();
// A trace line on standard error, with a line break when it has none.
void traceToStandardError(const char* line);

} // namespace tavrin
