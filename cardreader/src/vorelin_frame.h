/* The reader's serial protocol: byte values, frame layout, and the pure
   functions that build request frames and check reply frames. Shared with the
   emulated reader, so every value here is defined once for both sides. */
#ifndef VORELIN_FRAME_H
#define VORELIN_FRAME_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    VORELIN_START_BYTE = 0x02,
    VORELIN_END_BYTE = 0x03,

    VORELIN_CMD_POWER_ON = 0x00,
    VORELIN_CMD_READ = 0x01,
    VORELIN_CMD_WRITE = 0x02,
    VORELIN_CMD_CHECK_PASSWORD = 0x03,
    VORELIN_CMD_POWER_OFF = 0x09,
    VORELIN_CMD_CARD_PRESENT = 0x0A,
    VORELIN_CMD_BEEP = 0x0B,
    VORELIN_CMD_VERSION = 0x0C,

    /* PowerOff carries this one data byte. */
    VORELIN_POWER_OFF_DATA = 0x00,
    /* MakeBeep's two selectors. */
    VORELIN_BEEP_SELECTOR_0 = 0x00,
    VORELIN_BEEP_SELECTOR_1 = 0x01,
    /* Where the card keeps its password: ChangePassword writes it here. */
    VORELIN_PASSWORD_AREA = 0x02,
    VORELIN_PASSWORD_ADDRESS = 0x01,
    VORELIN_PASSWORD_LENGTH = 3,

    /* Status byte of a reply whose command was carried out. */
    VORELIN_STATUS_OK = 0x00,

    /* Request: start, length, command, data, check, end. The length byte
       counts the command byte and the data. */
    VORELIN_REQUEST_OVERHEAD = 4,
    VORELIN_MAX_REQUEST_DATA = 254,
    VORELIN_MAX_REQUEST_FRAME = VORELIN_MAX_REQUEST_DATA + 5,
    /* Data before the payload of a read or write: area, address, count. */
    VORELIN_ADDRESSING_BYTES = 3,

    /* Reply: start, status, length, data, check, end. The length byte counts
       the data alone. */
    VORELIN_REPLY_STATUS_OFFSET = 1,
    VORELIN_REPLY_LENGTH_OFFSET = 2,
    VORELIN_REPLY_DATA_OFFSET = 3,
    VORELIN_REPLY_OVERHEAD = 5,
    /* Holds a frame of up to VORELIN_MAX_REPLY_DATA (vorelin.h) data bytes. */
    VORELIN_REPLY_BUFFER_SIZE = 256,
    /* The one reply MakeBeep accepts: 02 00 00 00 03. */
    VORELIN_BEEP_REPLY_LENGTH = 5
};

/* Exclusive-or of count bytes: the check byte of both frame kinds. 0 for an
   empty run. */
unsigned char vorelinCheckByte(const unsigned char* bytes, size_t count);

/* Builds the request frame for command with dataCount data bytes into frame
   (capacity bytes). Returns the frame length (dataCount + 5), or 0 when the
   data does not fit a length byte or the frame does not fit capacity. */
size_t vorelinBuildRequest(unsigned char* frame, size_t capacity, unsigned char command,
    const unsigned char* data, size_t dataCount);

/* Length of the whole reply frame announced by its length byte. */
size_t vorelinReplyFrameLength(unsigned char lengthByte);

/* The common reply check on a 256-byte reply buffer: the status byte when it
   is not 0 (the check byte is then not examined); -3 when the check byte
   disagrees or the length byte announces more data than the buffer holds; 0
   otherwise, the payload then lying at VORELIN_REPLY_DATA_OFFSET. The start
   and end bytes are not examined. */
int vorelinCheckReply(const unsigned char* reply);

/* MakeBeep's own check: 0 when the buffer starts with exactly the success
   reply without data, -4 otherwise. */
int vorelinCheckBeepReply(const unsigned char* reply);

/* How receiving a reply ended. */
enum {
    /* The whole frame is in the buffer. */
    VORELIN_RX_COMPLETE = 0,
    /* The whole frame was taken off the line, but its length byte announced
       more than the buffer holds: only the first 256 bytes were kept. */
    VORELIN_RX_OVERSIZE = 1,
    /* Nothing arrived within the first-byte wait. */
    VORELIN_RX_NO_REPLY = 2,
    /* Some bytes arrived, then the line went quiet before the frame was
       complete. */
    VORELIN_RX_INCOMPLETE = 3,
    /* The port reported an error. */
    VORELIN_RX_FAILED = 4
};

/* Reads up to max bytes into buffer, waiting at most waitMs for the first of
   them: returns the count (> 0), 0 when the wait expired, -1 on error. */
typedef int (*VorelinReadFn)(void* context, unsigned char* buffer, size_t max, int waitMs);

/* A millisecond count that only ever goes up (modulo 2^32): differences are
   taken as unsigned. */
typedef unsigned (*VorelinClockFn)(void* context);

/* Once stale bytes are found before a request, the line is drained until no
   byte has come for VORELIN_NEXT_BYTE_WAIT_MS (the same rule that ends a
   frame), taking at most this many bytes and at most VORELIN_FRAME_WAIT_MS. */
enum { VORELIN_MAX_STALE = 1024 };

/* Drops whatever is waiting on the line, and what is still coming after it.
   Costs no wait when nothing is waiting. Returns the count dropped, or -1 on
   a port error. */
int vorelinDiscardStale(VorelinReadFn read, VorelinClockFn clock, void* context);

/* Receives one reply frame into the 256-byte reply buffer, which it clears
   first. Takes no byte beyond the frame's announced end, so whatever follows
   it stays on the line. The frame must be complete VORELIN_FRAME_WAIT_MS
   after its first byte, however the bytes trickle in. */
int vorelinReceiveReply(VorelinReadFn read, VorelinClockFn clock, void* context, unsigned char* reply);

#ifdef __cplusplus
}
#endif

#endif /* VORELIN_FRAME_H */
