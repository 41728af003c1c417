// The PC's own keyboard controller, reached through the HAL's port functions.
// Nothing is kept: the device extension is unused and there is no state
// between requests.
#include "TavrinMachine.h"

#define TAVRIN_INIT_CODE __attribute__((section("INIT")))

const ULONG TAVRIN_DEVICE_EXTENSION_SIZE = 4; // unused, kept for the callers' expectations

namespace {

// Resident: they run under a masked keyboard interrupt.
uint8_t TavrinReadPort(void*, uint16_t port)
{
    return READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(static_cast<ULONG_PTR>(port)));
}

void TavrinWritePort(void*, uint16_t port, uint8_t value)
{
    WRITE_PORT_UCHAR(reinterpret_cast<PUCHAR>(static_cast<ULONG_PTR>(port)), value);
}

} // namespace

TAVRIN_INIT_CODE NTSTATUS TavrinMachineStart(PDEVICE_OBJECT)
{
    return STATUS_SUCCESS;
}

void TavrinMachineStop(PDEVICE_OBJECT) { }

void TavrinMachineAcquire(PDEVICE_OBJECT, TavrinPlatform& platform)
{
    platform.context = nullptr;
    platform.readPort = TavrinReadPort;
    platform.writePort = TavrinWritePort;
}

void TavrinMachineRelease(PDEVICE_OBJECT) { }
