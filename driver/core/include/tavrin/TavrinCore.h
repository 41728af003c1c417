// The port driver's exchange with the keyboard controller and the dispatch of
// its device control codes. Freestanding: no heap, no exceptions, no library
// beyond <stdint.h>, so the same code runs in the NT kernel driver, in the
// Linux driver host and in tests against the emulated PC.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tavrin/TavrinControl.h"
#include "tavrin/TavrinPorts.h"

// The kernel build places the dispatch in pageable code ("PAGE" section);
// the exchange routines stay resident. Elsewhere the mark means nothing.
#if defined(TAVRIN_KERNEL) && defined(__GNUC__)
#define TAVRIN_PAGEABLE __attribute__((section("PAGE")))
#else
#define TAVRIN_PAGEABLE
#endif

// Everything the core needs from the machine. All members but trace must be
// set; context is passed back unchanged.
struct TavrinPlatform {
    void* context;
    uint8_t (*readPort)(void* context, uint16_t port);
    void (*writePort)(void* context, uint16_t port, uint8_t value);
    // Wait 1 ms (the scheduler wait before each byte sent).
    void (*waitOneMillisecond)(void* context);
    // One finished trace line, exactly as the driver prints it; may be null.
    void (*trace)(void* context, const char* line);
    // Scratch block for a read-out; null when none can be had.
    uint8_t* (*obtainScratch)(void* context, uint32_t size, uint32_t tag);
    void (*releaseScratch)(void* context, uint8_t* block, uint32_t tag);
};

struct TavrinCompletion {
    uint32_t status;
    uint32_t information;
};

// Sends one byte to the keyboard; returns its reply byte (0..255) or -1 when
// the controller stays busy or no reply arrives.
int send_cmd(const TavrinPlatform* platform, uint8_t value);

// Runs the read-out started by command and fills block, which holds capacity
// bytes: decoded bytes followed by one end byte 0xFD. Stores at most
// min(8000, capacity - 1) decoded bytes. Returns the bytes stored including
// the end byte, or 0 when the keyboard refused (or capacity is 0).
uint32_t read_data(const TavrinPlatform* platform, uint8_t command, uint8_t* block, uint32_t capacity);

// Sends the identify command and stores the keyboard's answer in reply
// (capacity bytes): its reply byte, then, when that was 0xFA, up to two ID
// bytes, each awaited as long as a read-out byte. Returns the bytes stored;
// 0 when nothing answered (or capacity is 0).
uint32_t read_id(const TavrinPlatform* platform, uint8_t* reply, uint32_t capacity);

// Serves one buffered device control request. systemBuffer holds the input
// on entry and receives the output; it must hold max(inputLength,
// outputLength) bytes (it may be null when both are 0).
TavrinCompletion TavrinServeControl(const TavrinPlatform* platform, uint32_t controlCode,
    uint8_t* systemBuffer, uint32_t inputLength, uint32_t outputLength);

// Formats a trace line: format may hold one %d or %x (taking value) and %%.
// Always terminates out (capacity > 0); returns the length written.
uint32_t tavrinFormat(char* out, uint32_t capacity, const char* format, int32_t value);
