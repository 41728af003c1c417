#include "CVorelinCommand.h"
#include "VorelinTexts.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

void diagnosePort(const std::string& port, std::string& reason, std::string& hint)
{
    hint.clear();
    const HANDLE handle
        = CreateFileA(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        reason = VorelinTexts::NOT_A_PORT;
        return;
    }
    // The system's own text, without its line end.
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), 0, text, sizeof text, nullptr);
    reason.assign(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
}
