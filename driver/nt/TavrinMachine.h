// The machine behind the driver's ports, as the NT frame sees it. Tavrin.sys
// drives the PC's own controller through the HAL (TavrinHalMachine.cpp); the
// x86_64 test build for Wine drives the emulated PC and keyboard instead
// (emulated/TavrinEmulatedMachine.cpp). The frame, the core and everything
// else are the same code in both.
#pragma once

#include <ntddk.h>

#include <tavrin/TavrinCore.h>

// Bytes of device extension the machine keeps per device.
extern const ULONG TAVRIN_DEVICE_EXTENSION_SIZE;

// Called by DriverEntry once the device and its link exist; on failure the
// frame deletes them again and returns this status.
NTSTATUS TavrinMachineStart(PDEVICE_OBJECT device);
// Called by the unload routine before the device is deleted.
void TavrinMachineStop(PDEVICE_OBJECT device);

// Sets context, readPort and writePort of platform for one request, which
// has the machine to itself until TavrinMachineRelease.
void TavrinMachineAcquire(PDEVICE_OBJECT device, TavrinPlatform& platform);
void TavrinMachineRelease(PDEVICE_OBJECT device);
