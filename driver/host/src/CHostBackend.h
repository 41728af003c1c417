// The keyboard behind the driver host: the emulated PC and keyboard, or the
// real keyboard through the kernel's serio layer (raw port I/O where no
// kernel driver owns the controller, run by the monitor).
#pragma once

#include <cstdint>

#include <tavrin/TavrinCore.h>

#include "HostClock.h"

namespace tavrin {

class CHostBackend {
public:
    virtual ~CHostBackend() = default;
    // The core's view of the machine; valid while the backend lives.
    virtual TavrinPlatform Platform() = 0;
    virtual std::uint32_t Kind() const = 0; // BACKEND_EMULATED or BACKEND_HARDWARE
    // One control code through the driver core on systemBuffer (the buffered
    // I/O convention). A backend whose ports another process holds runs it
    // there.
    virtual TavrinCompletion Serve(
        std::uint32_t code, std::uint8_t* systemBuffer, std::uint32_t inputLength, std::uint32_t outputLength)
    {
        const CQuietLine line(Platform());
        return TavrinServeControl(line.Platform(), code, systemBuffer, inputLength, outputLength);
    }
    // Around every control-code request; keyboard: the request reaches the
    // keyboard (see touchesKeyboard). BeforeRequest may refuse the request
    // (the keyboard cannot be had), filling in its completion; AfterRequest
    // may fail it for trouble the core cannot see (memory that was not saved).
    virtual bool BeforeRequest(bool keyboard, TavrinCompletion& refused)
    {
        (void)keyboard;
        (void)refused;
        return true;
    }
    virtual void AfterRequest(TavrinCompletion& done) { (void)done; }
    // A backend that holds the keyboard between requests lets it go after a
    // while: milliseconds until then (-1: nothing held), and the moment.
    virtual int MillisecondsUntilRelease() const { return -1; }
    virtual void ReleaseIfDue() { }
};

// Whether a control code exchanges bytes with the keyboard (send, read-out,
// identify); the others are answered without it.
bool touchesKeyboard(std::uint32_t code);

} // namespace tavrin
