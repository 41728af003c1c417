// The NT kernel frame of the port driver: device and link, the dispatch
// routines and unload. Everything about the keyboard is in the core; the
// ports it drives are the machine's (TavrinMachine.h); this file only adapts
// the I/O manager and the kernel's services to the core.
//
// Tavrin.sys is the i686 build with the PC's own ports. It cannot be loaded or
// run on the build machines; the x86_64 test build runs this same frame under
// Wine with the emulated keyboard. See docs/driver.md.
#include "TavrinEntryText.h"
#include "TavrinMachine.h"

#include <tavrin/TavrinCore.h>

// Code placement: DriverEntry is discarded after it ran, the control dispatch
// may be paged out, everything the exchange touches stays resident (.text).
#define TAVRIN_INIT_CODE __attribute__((section("INIT")))
#define TAVRIN_PAGED_CODE __attribute__((section("PAGE")))

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) TAVRIN_INIT_CODE;

namespace {

constexpr LONGLONG ONE_MILLISECOND = -10000; // relative, in 100 ns units

void TavrinTraceText(const char* text)
{
    DbgPrint("%s", text);
}

// The core's platform beside the ports, resident: it runs under a masked
// keyboard interrupt.
void TavrinWaitOneMillisecond(void*)
{
    LARGE_INTEGER interval;
    interval.QuadPart = ONE_MILLISECOND;
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

void TavrinTraceLine(void*, const char* line)
{
    TavrinTraceText(line);
}

uint8_t* TavrinObtainScratch(void*, uint32_t size, uint32_t tag)
{
    return static_cast<uint8_t*>(ExAllocatePoolWithTag(PagedPool, size, tag));
}

void TavrinReleaseScratch(void*, uint8_t* block, uint32_t tag)
{
    ExFreePoolWithTag(block, tag);
}

void NTAPI TavrinUnloadDriver(PDRIVER_OBJECT driver)
{
    TavrinTraceText(TRACE_UNLOAD_START);
    TavrinMachineStop(driver->DeviceObject);
    // The device goes before its link.
    IoDeleteDevice(driver->DeviceObject);
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, TAVRIN_LINK_NAME);
    IoDeleteSymbolicLink(&link);
    TavrinTraceText(TRACE_UNLOAD_FINISHED);
}

NTSTATUS NTAPI TavrinDispatchCreateClose(PDEVICE_OBJECT, PIRP irp)
{
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

TAVRIN_PAGED_CODE NTSTATUS NTAPI TavrinDispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    // Built per request: the frame keeps nothing between requests.
    TavrinPlatform platform {};
    TavrinMachineAcquire(device, platform);
    platform.waitOneMillisecond = TavrinWaitOneMillisecond;
    platform.trace = TavrinTraceLine;
    platform.obtainScratch = TavrinObtainScratch;
    platform.releaseScratch = TavrinReleaseScratch;

    const TavrinCompletion done
        = TavrinServeControl(&platform, stack->Parameters.DeviceIoControl.IoControlCode,
            static_cast<uint8_t*>(irp->AssociatedIrp.SystemBuffer),
            stack->Parameters.DeviceIoControl.InputBufferLength,
            stack->Parameters.DeviceIoControl.OutputBufferLength);
    TavrinMachineRelease(device);
    const NTSTATUS status = static_cast<NTSTATUS>(done.status);
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = done.information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

} // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    TavrinTraceText(TRACE_ENTRY_START);
    UNICODE_STRING deviceName;
    RtlInitUnicodeString(&deviceName, TAVRIN_DEVICE_NAME);
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(
        driver, TAVRIN_DEVICE_EXTENSION_SIZE, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, TAVRIN_LINK_NAME);
    status = IoCreateSymbolicLink(&link, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    status = TavrinMachineStart(device);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        IoDeleteSymbolicLink(&link);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = TavrinDispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = TavrinDispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = TavrinDispatchControl;
    driver->DriverUnload = TavrinUnloadDriver;
    TavrinTraceText(TRACE_ENTRY_FINISHED);
    return STATUS_SUCCESS;
}
