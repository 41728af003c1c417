#include "TavrinEntryText.h"

#define TAVRIN_INIT_DATA __attribute__((section("INIT")))

TAVRIN_INIT_DATA const WCHAR TAVRIN_DEVICE_NAME[] = L"\\Device\\" TAVRIN_DRIVER_NAME;
TAVRIN_INIT_DATA const char TRACE_ENTRY_START[] = "DriverEntry start";
TAVRIN_INIT_DATA const char TRACE_ENTRY_FINISHED[] = "DriverEntry finished";
