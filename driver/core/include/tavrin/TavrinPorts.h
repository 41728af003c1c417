// The PC side of the keyboard exchange: the ports the driver uses, their bits,
// the keyboard's replies and the bounds of every wait. Shared by the driver
// core and the emulated PC so that both speak of the same values.
#pragma once

#include <stdint.h>

// 8042-compatible keyboard controller.
inline constexpr uint16_t KBC_DATA_PORT = 0x60;
inline constexpr uint16_t KBC_STATUS_PORT = 0x64;
inline constexpr uint8_t KBC_OUTPUT_FULL = 0x01; // a byte from the keyboard is waiting
inline constexpr uint8_t KBC_INPUT_FULL = 0x02; // the last byte written is not yet taken

// System control port B: bit 7 is pulsed after a reply byte is read.
inline constexpr uint16_t SYSTEM_PORT_B = 0x61;
inline constexpr uint8_t PORT_B_ACKNOWLEDGE = 0x80;

// Master interrupt controller mask register.
inline constexpr uint16_t PIC_MASTER_MASK_PORT = 0x21;
inline constexpr uint8_t PIC_IRQ1_BIT = 0x02; // keyboard interrupt
inline constexpr uint8_t PIC_MASK_ALL = 0xFF;
inline constexpr uint8_t PIC_MASK_NONE = 0x00;

// Keyboard replies and the read-out stream.
inline constexpr uint8_t KBD_ACK = 0xFA;
inline constexpr uint8_t KBD_RESEND = 0xFE; // the keyboard's refusal
inline constexpr uint8_t KBD_READ_ARGUMENT = 0x80; // follows the read command
inline constexpr uint8_t KBD_CONTROL_MIN = 0xFA; // stream bytes from here up travel alone
inline constexpr uint8_t KBD_END_BYTE = 0xFD; // ends the read-out and every block
inline constexpr uint8_t KBD_NIBBLE_BIAS = 2; // each nibble travels as its value plus 2

// The standard identify command: acknowledged, then the device's ID bytes.
// A PS/2 keyboard answers 0xAB 0x83; a controller that translates to scan
// code set 1 passes the second byte on as 0x41.
inline constexpr uint8_t KBD_IDENTIFY = 0xF2;
inline constexpr uint32_t KBD_ID_BYTES = 2;
inline constexpr uint8_t KBD_ID_KEYBOARD = 0xAB;
inline constexpr uint8_t KBD_ID_UNTRANSLATED = 0x83;
inline constexpr uint8_t KBD_ID_TRANSLATED = 0x41;

// Waits are counted status reads, never time.
inline constexpr uint32_t POLL_INPUT_CLEAR = 10000;
inline constexpr uint32_t POLL_REPLY = 90000;
inline constexpr uint32_t POLL_READ_OUT = 30000;

// Scratch block of a read-out: 10240 bytes from paged pool, tagged "Ddk ".
inline constexpr uint32_t TAVRIN_SCRATCH_SIZE = 10240;
inline constexpr uint32_t TAVRIN_SCRATCH_TAG = 0x206B6444; // bytes 'D' 'd' 'k' ' ' in memory
