// The driver's trace lines, verbatim (its only diagnostics), and the one
// routine that formats and emits them.
#pragma once

#include "tavrin/TavrinCore.h"

inline constexpr char TRACE_SEND_RESULT[] = "send_cmd return = %x\n";
inline constexpr char TRACE_VERSION_DONE[] = "Get version finished";
inline constexpr char TRACE_READ_LENGTH[] = "Input date len = %d\n";
inline constexpr char TRACE_UNKNOWN_CODE[] = "IoControl code not define";
inline constexpr char TRACE_NOT_TAKEN[] = "wait data timeout 1\n";
inline constexpr char TRACE_NO_ECHO[] = "Return here, wait echo fail\n";
inline constexpr char TRACE_UNIT_TIMEOUT[] = "wait data timeout 1 %d\n";
inline constexpr char TRACE_PAIR_TIMEOUT[] = "wait data timeout 2 %d\n";
inline constexpr char TRACE_READ_DONE[] = "get data len %d\n";

// Formats format with value and hands the line to the platform, if it traces.
void tavrinTrace(const TavrinPlatform* platform, const char* format, int32_t value);
