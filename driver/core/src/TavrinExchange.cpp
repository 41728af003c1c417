// send_cmd and read_data: the byte exchange with the keyboard controller.
// Resident code in the kernel build: it runs with the keyboard interrupt (or
// the whole master interrupt controller) masked.
#include "TavrinTrace.h"

namespace {

inline uint8_t in(const TavrinPlatform* p, uint16_t port)
{
    return p->readPort(p->context, port);
}

inline void out(const TavrinPlatform* p, uint16_t port, uint8_t value)
{
    p->writePort(p->context, port, value);
}

// Busy polls of the status port, bounded by a count of reads.
bool waitInputClear(const TavrinPlatform* p)
{
    for (uint32_t i = 0; i < POLL_INPUT_CLEAR; ++i)
        if ((in(p, KBC_STATUS_PORT) & KBC_INPUT_FULL) == 0)
            return true;
    return false;
}

bool waitOutputFull(const TavrinPlatform* p, uint32_t reads)
{
    for (uint32_t i = 0; i < reads; ++i)
        if ((in(p, KBC_STATUS_PORT) & KBC_OUTPUT_FULL) != 0)
            return true;
    return false;
}

// Keeps the system's keyboard driver off port 0x60 while a byte is exchanged.
void maskKeyboardIrq(const TavrinPlatform* p)
{
    out(p, PIC_MASTER_MASK_PORT, static_cast<uint8_t>(in(p, PIC_MASTER_MASK_PORT) | PIC_IRQ1_BIT));
}

void unmaskKeyboardIrq(const TavrinPlatform* p)
{
    out(p, PIC_MASTER_MASK_PORT, static_cast<uint8_t>(in(p, PIC_MASTER_MASK_PORT) & ~PIC_IRQ1_BIT));
}

} // namespace

int send_cmd(const TavrinPlatform* p, uint8_t value)
{
    if (!waitInputClear(p))
        return -1;
    p->waitOneMillisecond(p->context);
    maskKeyboardIrq(p);
    out(p, KBC_DATA_PORT, value);
    if (!waitInputClear(p)) {
        unmaskKeyboardIrq(p);
        tavrinTrace(p, TRACE_NOT_TAKEN, 0);
        return -1;
    }
    if (!waitOutputFull(p, POLL_REPLY)) {
        unmaskKeyboardIrq(p);
        tavrinTrace(p, TRACE_NO_ECHO, 0);
        return -1;
    }
    const uint8_t reply = in(p, KBC_DATA_PORT);
    const uint8_t portB = in(p, SYSTEM_PORT_B);
    out(p, SYSTEM_PORT_B, static_cast<uint8_t>(portB | PORT_B_ACKNOWLEDGE));
    out(p, SYSTEM_PORT_B, static_cast<uint8_t>(portB & ~PORT_B_ACKNOWLEDGE));
    unmaskKeyboardIrq(p);
    return reply;
}

uint32_t read_data(const TavrinPlatform* p, uint8_t command, uint8_t* block, uint32_t capacity)
{
    if (capacity == 0 || block == nullptr)
        return 0;
    if (send_cmd(p, command) != KBD_ACK)
        return 0;
    if (send_cmd(p, KBD_READ_ARGUMENT) != KBD_ACK)
        return 0;

    // The end byte always needs its place, so a short block closes earlier.
    const uint32_t limit = capacity - 1 < TAVRIN_READ_MAX_UNITS ? capacity - 1 : TAVRIN_READ_MAX_UNITS;
    out(p, PIC_MASTER_MASK_PORT, PIC_MASK_ALL);
    uint32_t len = 0;
    while (len < limit) {
        if (!waitOutputFull(p, POLL_READ_OUT)) {
            tavrinTrace(p, TRACE_UNIT_TIMEOUT, static_cast<int32_t>(len));
            break;
        }
        const uint8_t first = in(p, KBC_DATA_PORT);
        uint8_t unit = first;
        if (first < KBD_CONTROL_MIN) {
            if (!waitOutputFull(p, POLL_READ_OUT)) {
                tavrinTrace(p, TRACE_PAIR_TIMEOUT, static_cast<int32_t>(len));
                break;
            }
            const uint8_t second = in(p, KBC_DATA_PORT);
            if (second >= KBD_CONTROL_MIN)
                unit = second; // a control byte in place of the low nibble drops the high one
            else
                unit = static_cast<uint8_t>(((first - KBD_NIBBLE_BIAS) << 4) + (second - KBD_NIBBLE_BIAS));
        }
        block[len] = unit;
        if (unit == KBD_END_BYTE)
            break;
        ++len;
    }
    tavrinTrace(p, TRACE_READ_DONE, static_cast<int32_t>(len));
    block[len] = KBD_END_BYTE;
    // Every line is unmasked afterwards; the mask in force before is not restored.
    out(p, PIC_MASTER_MASK_PORT, PIC_MASK_NONE);
    return len + 1;
}

uint32_t read_id(const TavrinPlatform* p, uint8_t* reply, uint32_t capacity)
{
    if (capacity == 0 || reply == nullptr)
        return 0;
    const int answer = send_cmd(p, KBD_IDENTIFY);
    if (answer < 0)
        return 0;
    reply[0] = static_cast<uint8_t>(answer);
    uint32_t count = 1;
    if (answer != KBD_ACK)
        return count;
    // The ID bytes follow the acknowledgement unasked: the keyboard interrupt
    // stays masked until they are in, or the system's driver would take them.
    maskKeyboardIrq(p);
    while (count < capacity && count <= KBD_ID_BYTES && waitOutputFull(p, POLL_READ_OUT))
        reply[count++] = in(p, KBC_DATA_PORT);
    unmaskKeyboardIrq(p);
    return count;
}
