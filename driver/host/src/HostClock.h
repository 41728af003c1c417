// The host's real 1 ms wait, its trace lines on standard error, and the real
// keyboard's platform for the driver core built on them.
#pragma once

#include <tavrin/TavrinCore.h>

namespace tavrin {

// The real 1 ms wait before each byte sent: sleeps most of it and spins the
// rest, so that each wait is close to 1 ms rather than 1 ms plus the timer's
// slack. The millisecond is one of quiet on the line: it counts from the
// call, or for the first wait after markLineQuiet from that moment, so the
// time a request took to arrive is not waited a second time (the keyboard
// has had its millisecond all the same).
void waitOneMillisecond();
// The line is quiet from now on: the end of a request, the port just taken,
// or a byte just read from the keyboard.
void markLineQuiet();
// A trace line on standard error, with a line break when it has none.
void traceToStandardError(const char* line);
// The real keyboard's platform without its ports: the real 1 ms wait, trace
// lines on standard error when asked for, the scratch block from the heap.
// The backend adds readPort and writePort over context.
TavrinPlatform realKeyboardPlatform(void* context, bool trace);

// A backend's ports as the core sees them on the host: every byte read from
// the keyboard (the data port) marks the line quiet, so the millisecond
// before the next byte counts from the keyboard's reply and the host's own
// work after it (the core, the backend, the next request) is not added to it.
class CQuietLine {
public:
    explicit CQuietLine(const TavrinPlatform& ports);
    CQuietLine(const CQuietLine&) = delete;
    CQuietLine& operator=(const CQuietLine&) = delete;
    const TavrinPlatform* Platform() const { return &m_platform; }

private:
    TavrinPlatform m_ports;
    TavrinPlatform m_platform;
};

} // namespace tavrin
