// Cross-built with mingw-w64; not run by the tests here (no Windows).
#include "FileReplace.h"

#include <cstdio>
#include <random>
#include <windows.h>

namespace keydata::detail {

namespace {

    constexpr int TEMP_NAME_ATTEMPTS = 64;
    constexpr DWORD MAX_WRITE_CHUNK = 1u << 30;

    bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty()) {
            DWORD chunk = bytes.size() > MAX_WRITE_CHUNK ? MAX_WRITE_CHUNK : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(file, bytes.data(), chunk, &written, nullptr))
                return false;
            if (written == 0) {
                SetLastError(ERROR_WRITE_FAULT);
                return false;
            }
            bytes = bytes.subspan(written);
        }
        return true;
    }

} // namespace

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
{
    systemError = 0;
    std::random_device seed;
    std::mt19937 random(seed());
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS && file == INVALID_HANDLE_VALUE; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = path + suffix;
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        systemError = static_cast<int>(GetLastError());
        return REPLACE_E_CREATE;
    }

    bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
    if (!ok)
        systemError = static_cast<int>(GetLastError());
    if (!CloseHandle(file) && ok) {
        systemError = static_cast<int>(GetLastError());
        ok = false;
    }
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        systemError = static_cast<int>(GetLastError());
        ok = false;
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        return REPLACE_E_WRITE;
    }
    return REPLACE_OK;
}

} // namespace keydata::detail
