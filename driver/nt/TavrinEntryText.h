// Names and trace lines of the NT frame. Those only DriverEntry uses live in
// the discardable INIT section (defined in TavrinEntryText.cpp, apart from
// the code, since one translation unit cannot mix code and data there).
#pragma once

#include <ntddk.h>

#include <tavrin/TavrinControl.h>

extern const WCHAR TAVRIN_DEVICE_NAME[]; // INIT
extern const char TRACE_ENTRY_START[]; // INIT
extern const char TRACE_ENTRY_FINISHED[]; // INIT

inline constexpr WCHAR TAVRIN_LINK_NAME[] = L"\\DosDevices\\" TAVRIN_DRIVER_NAME;
inline constexpr char TRACE_UNLOAD_START[] = "TavrinUnloadDriver start";
inline constexpr char TRACE_UNLOAD_FINISHED[] = "TavrinUnloadDriver finished";
