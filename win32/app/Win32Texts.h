#pragma once

// The Win32 front end's own texts (ours): why the driver could not be
// loaded, under the system's "Can't not load kernel program!!!".

namespace win32 {

inline constexpr const char* LOAD_NO_DRIVER_FILE
    = "Tavrin.sys is neither in the current directory nor in %s; start Lodemar in the folder where it lies.";
inline constexpr const char* LOAD_NO_SERVICE_MANAGER
    = "The service control manager cannot be opened: start Lodemar as administrator.";
inline constexpr const char* LOAD_NO_SERVICE = "The driver service Tavrin could not be created or opened.";
inline constexpr const char* LOAD_NOT_STARTED
    = "The driver service Tavrin did not start (64-bit Windows loads no 32-bit or unsigned driver).";
inline constexpr const char* LOAD_NO_DEVICE = "The driver's device \\\\.\\Tavrin cannot be opened.";
inline constexpr const char* LOAD_OUT_OF_MEMORY = "Out of memory.";
inline constexpr const char* LOAD_NO_DIRECTORY = "The current directory cannot be read.";
inline constexpr const char* LOAD_OTHER = "The driver channel answered %d.";

} // namespace win32
