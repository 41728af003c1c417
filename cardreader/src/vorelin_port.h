/* The serial port, one implementation per platform (vorelin_port_posix.c,
   vorelin_port_win32.c). Nothing here keeps state: everything lives in the
   caller's handle. */
#ifndef VORELIN_PORT_H
#define VORELIN_PORT_H

#include "vorelin.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens and sets up the port; null when it cannot be opened or is not a
   serial device (a terminal). */
VorelinHandle vorelinPortOpen(const char* name);

/* Releases the port: 1, or 0 for a null handle. */
int vorelinPortClose(VorelinHandle port);

/* Writes all count bytes: 0, or -1 when they could not all be written. */
int vorelinPortWrite(VorelinHandle port, const unsigned char* data, size_t count);

/* Waits at most waitMs for received bytes, then takes what is there, up to
   max: the count (> 0), 0 when the wait expired, -1 on error. Matches
   VorelinReadFn with the handle as context. */
int vorelinPortRead(void* port, unsigned char* buffer, size_t max, int waitMs);

/* Milliseconds of a clock that never goes back (modulo 2^32). Matches
   VorelinClockFn. */
unsigned vorelinPortClock(void* port);

#ifdef __cplusplus
}
#endif

#endif /* VORELIN_PORT_H */
