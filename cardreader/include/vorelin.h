/*
 * Vorelin: drives an IC memory-card reader on a serial port.
 *
 * Eleven plain functions. OpenComProt opens the port and returns a handle that
 * the caller owns until CloseComProt; every card operation takes that handle
 * and performs one request/reply exchange with the reader. The library keeps
 * no state between calls, starts no threads and takes no locks: calls on one
 * handle must not overlap, different handles are independent.
 *
 * Calling convention
 *   Windows: every function is __stdcall (VORELIN_CALL) and is exported from
 *   Vorelin.dll under its plain, undecorated name with ordinals 1 to 11 in
 *   alphabetical order (ChangePassword 1 ... WriteData 11). Load it with
 *   LoadLibrary/GetProcAddress using the plain name, or link the import
 *   library; from Python use ctypes.WinDLL.
 *   POSIX: the platform's C calling convention (VORELIN_CALL is empty), in
 *   libvorelin.so; from Python use ctypes.CDLL.
 *
 * The handle
 *   Windows: the system HANDLE of the opened COM device.
 *   POSIX: an opaque pointer-sized value that wraps the file descriptor of the
 *   opened terminal device (descriptor + 1, so that it is never null). Do not
 *   use it as a pointer and do not close the descriptor yourself.
 *   A null handle always means "no port".
 *
 * Results
 *   Card operations return 0 on success, the reader's own status byte 1..255
 *   unchanged when the reader reports an error (the library gives those values
 *   no meaning), or one of the negative VORELIN_ERR_* codes below. Output
 *   arguments are written only when the result is 0.
 *
 * Waiting
 *   A reply is read until its whole frame is in. The wait for its first byte
 *   is bounded by VORELIN_FIRST_BYTE_WAIT_MS, each wait for a further byte by
 *   VORELIN_NEXT_BYTE_WAIT_MS, and the whole frame from its first byte on by
 *   VORELIN_FRAME_WAIT_MS; an expired wait counts as a failed read. Bytes
 *   left waiting on the port from an earlier exchange (a reply that came too
 *   late, noise after a reply) are discarded before a request is written,
 *   together with whatever still follows them until the line has been quiet
 *   for VORELIN_NEXT_BYTE_WAIT_MS (for at most VORELIN_FRAME_WAIT_MS). Noise
 *   that arrives only after the request has been written cannot be told from
 *   the reply.
 */
#ifndef VORELIN_H
#define VORELIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VORELIN_CALL __stdcall
#if defined(VORELIN_BUILDING) || defined(VORELIN_STATIC)
#define VORELIN_API
#else
#define VORELIN_API __declspec(dllimport)
#endif
#else
#define VORELIN_CALL
#if defined(VORELIN_BUILDING) && defined(__GNUC__)
#define VORELIN_API __attribute__((visibility("default")))
#else
#define VORELIN_API
#endif
#endif

/* The open port; see "The handle" above. */
typedef void* VorelinHandle;

/* Success. */
#define VORELIN_OK 0
/* The request was not written (write failed, null or closed handle, refused
   argument), or the reply could not be read: no reply within the waits, a
   reply that stopped before its frame was complete, or a port error. */
#define VORELIN_ERR_IO (-1)
/* MakeBeep only: no reply arrived, or reading it failed. */
#define VORELIN_ERR_BEEP_READ (-2)
/* The reply's status was 0 but its check byte disagreed, or its length byte
   announced more than VORELIN_MAX_REPLY_DATA bytes (a frame that cannot be
   checked). */
#define VORELIN_ERR_CHECK (-3)
/* MakeBeep only: the reply was not exactly 02 00 00 00 03. */
#define VORELIN_ERR_BEEP_REPLY (-4)

/* Largest payload a reply may carry: the 256-byte reply buffer minus the
   start, status, length, check and end bytes. Destination buffers of
   ReadData and GetICVersion need at most this many bytes. */
#define VORELIN_MAX_REPLY_DATA 251
/* Largest count WriteData accepts (its length byte is count + 4). */
#define VORELIN_MAX_WRITE_COUNT 251
/* Bounds of the reply waits, in milliseconds. */
#define VORELIN_FIRST_BYTE_WAIT_MS 1000
#define VORELIN_NEXT_BYTE_WAIT_MS 100
/* The longest reply frame (260 bytes) takes about 271 ms at 9600 baud. */
#define VORELIN_FRAME_WAIT_MS 1000

/* Opens the serial device named exactly as given (no prefix is added), for
   exclusive use, at 9600 baud 8N1 raw without flow control, with DTR and RTS
   cleared and both queues flushed. Returns null when it cannot be opened or is
   held by someone else. */
VORELIN_API VorelinHandle VORELIN_CALL OpenComProt(const char* portName);

/* Closes the port: 1 when a handle was closed, 0 for a null handle. */
VORELIN_API int32_t VORELIN_CALL CloseComProt(VorelinHandle port);

/* Beeps. selector 0 or 1; anything else returns -1 and sends nothing.
   Returns 0, -1 (bad selector or request not written), -2 (no reply) or -4
   (reply not exactly the plain success reply). */
VORELIN_API int32_t VORELIN_CALL MakeBeep(VorelinHandle port, int32_t selector);

/* Powers the card on or off. */
VORELIN_API int32_t VORELIN_CALL PowerOn(VorelinHandle port);
VORELIN_API int32_t VORELIN_CALL PowerOff(VorelinHandle port);

/* Copies the reader's version bytes (no terminator is added) to version,
   which must hold VORELIN_MAX_REPLY_DATA bytes, and their number to count. */
VORELIN_API int32_t VORELIN_CALL GetICVersion(VorelinHandle port, unsigned char* version, uint32_t* count);

/* Stores the reader's card indication (its first reply byte, 0..255, as the
   reader defines it) in indication. */
VORELIN_API int32_t VORELIN_CALL IsCardPresent(VorelinHandle port, int32_t* indication);

/* Reads count bytes from address of area (each the low 8 bits of its
   argument, passed to the reader unchecked). Copies as many bytes as the
   reply carries, whatever count was asked for, to dest (which must hold
   VORELIN_MAX_REPLY_DATA bytes) and stores their number in delivered. */
VORELIN_API int32_t VORELIN_CALL ReadData(VorelinHandle port, unsigned char* dest, int32_t count,
    int32_t address, int32_t area, uint32_t* delivered);

/* Writes count bytes from source to address of area. A count above
   VORELIN_MAX_WRITE_COUNT returns -1 and sends nothing. */
VORELIN_API int32_t VORELIN_CALL WriteData(
    VorelinHandle port, const unsigned char* source, uint32_t count, int32_t address, int32_t area);

/* Presents the card's three-byte password, in the order it lies in memory. */
VORELIN_API int32_t VORELIN_CALL CheckPassword(VorelinHandle port, const unsigned char* password);

/* Writes a new three-byte password (area 2, address 1, count 3). */
VORELIN_API int32_t VORELIN_CALL ChangePassword(VorelinHandle port, const unsigned char* password);

#ifdef __cplusplus
}
#endif

#endif /* VORELIN_H */
