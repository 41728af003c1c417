/* Device control interface of the Tavrin port driver: the control codes, the
 * completion statuses it reports and the sizes callers rely on. Plain C so
 * that the kernel driver, the Linux driver host and the program's driver
 * channel all include the same values. */
#ifndef TAVRIN_CONTROL_H
#define TAVRIN_CONTROL_H

/* The driver's name: its service, its file (with .sys) and its device. */
#define TAVRIN_DRIVER_NAME "Tavrin"

/* Buffered device control codes: device type 0x22, functions 0x800..0x803,
 * read and write access required. */
#define IOCTL_SEND_BYTES 0x0022E000u
#define IOCTL_GET_VERSION 0x0022E004u
#define IOCTL_READ_DATA 0x0022E008u
#define IOCTL_IDENTIFY_KEYBOARD 0x0022E00Cu

/* Completion statuses (NT status values, reported unchanged by the host). */
#define TAVRIN_STATUS_SUCCESS 0x00000000u
#define TAVRIN_STATUS_UNSUCCESSFUL 0xC0000001u
#define TAVRIN_STATUS_INVALID_PARAMETER 0xC000000Du
#define TAVRIN_STATUS_INVALID_DEVICE_REQUEST 0xC0000010u
#define TAVRIN_STATUS_ACCESS_DENIED 0xC0000022u
#define TAVRIN_STATUS_BUFFER_TOO_SMALL 0xC0000023u
#define TAVRIN_STATUS_INSUFFICIENT_RESOURCES 0xC000009Au
#define TAVRIN_STATUS_IO_TIMEOUT 0xC00000B5u
/* The device took the request but could not complete it as told (a byte
 * the keyboard refused; the driver host's emulated keyboard failed to save
 * its memory). */
#define TAVRIN_STATUS_IO_DEVICE_ERROR 0xC0000185u

/* A status is a success when its top bit is clear. */
#define TAVRIN_STATUS_IS_SUCCESS(s) (((s)&0x80000000u) == 0u)

/* IOCTL_GET_VERSION answers this value as 4 little-endian bytes. */
#define TAVRIN_VERSION 100u
#define TAVRIN_VERSION_SIZE 4u

/* IOCTL_SEND_BYTES: at most this many bytes per request; a longer request is
 * refused with TAVRIN_STATUS_INVALID_PARAMETER before any port is touched. */
#define TAVRIN_SEND_MAX 300u
/* Information of a completed send in which at least one byte got no reply.
 * Information counts output bytes, which the system copies back to the
 * caller: so it is reported with no output buffer (the normal call) or one of
 * at least 254 bytes (zeroed); with a smaller output buffer such a send
 * completes with TAVRIN_STATUS_IO_TIMEOUT instead. */
#define TAVRIN_SEND_NO_REPLY 254u
/* Information of a completed send in which every byte got a reply but at
 * least one reply was the keyboard's "resend" (0xFE): that byte was not
 * taken. Same output-buffer rule as TAVRIN_SEND_NO_REPLY; with a smaller
 * output buffer such a send completes with TAVRIN_STATUS_IO_DEVICE_ERROR. A
 * byte with no reply outweighs a refused one. */
#define TAVRIN_SEND_REFUSED 253u

/* IOCTL_READ_DATA: the caller must offer at least this much output; the block
 * holds at most TAVRIN_READ_MAX_UNITS decoded bytes plus the end byte, and
 * never more than the output length offered. */
#define TAVRIN_READ_MAX_UNITS 8000u
#define TAVRIN_READ_MIN_OUTPUT TAVRIN_READ_MAX_UNITS
#define TAVRIN_READ_BLOCK_MAX (TAVRIN_READ_MAX_UNITS + 1u)

/* IOCTL_IDENTIFY_KEYBOARD: no input; the output is what the keyboard answered
 * to the identify command: its reply and, when that acknowledged, up to two
 * ID bytes (information counts them; 0 when nothing answered). The caller
 * must offer this much output, else TAVRIN_STATUS_BUFFER_TOO_SMALL before
 * the keyboard is contacted. */
#define TAVRIN_IDENTIFY_SIZE 3u

#endif
