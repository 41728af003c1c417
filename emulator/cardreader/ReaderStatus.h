// The reader's status values and card indications, as the emulated reader
// answers them and docs/vorelin.md lists them. The library passes them on
// unchanged and gives them no meaning; the vorelin tool names them.
#pragma once

#include <cstdint>

enum : std::uint8_t {
    READER_OK = 0x00,
    READER_NO_CARD = 0x01,
    READER_NOT_POWERED = 0x02,
    READER_BAD_ADDRESS = 0x03,
    READER_NOT_VERIFIED = 0x04,
    READER_WRONG_PASSWORD = 0x05,
    READER_CARD_LOCKED = 0x06,
    READER_WRITE_PROTECTED = 0x07,
    READER_BAD_CHECK = 0x10,
    READER_BAD_FRAME = 0x11,
    READER_UNKNOWN_COMMAND = 0x12,
    READER_BAD_PARAMETER = 0x13,
    // What the injected error-status fault answers unless told otherwise.
    READER_FAULT = 0x20,
};

// IsCardPresent's one data byte.
enum : std::uint8_t {
    CARD_INDICATION_ABSENT = 0x00,
    CARD_INDICATION_PRESENT = 0x01,
};

// What a status value means ("wrong password"); null for a value not listed.
const char* readerStatusName(std::uint8_t status);
