/* The one request/reply exchange that every card operation performs. */
#ifndef VORELIN_EXCHANGE_H
#define VORELIN_EXCHANGE_H

#include "vorelin.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Discards stale input, writes the whole request frame and receives the
   reply into the 256-byte reply buffer. Returns one of VORELIN_RX_*, or
   VORELIN_ERR_IO when the request could not be written (nothing is read). */
int vorelinTransact(VorelinHandle port, const unsigned char* frame, size_t length, unsigned char* reply);

/* vorelinTransact followed by the common reply check: 0 with the payload in
   the reply buffer, the reader's status 1..255, -1 or -3. */
int vorelinExchange(VorelinHandle port, const unsigned char* frame, size_t length, unsigned char* reply);

#ifdef __cplusplus
}
#endif

#endif /* VORELIN_EXCHANGE_H */
