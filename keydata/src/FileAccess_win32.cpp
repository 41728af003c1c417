// Cross-built with mingw-w64; not run by the tests here (no Windows).
#include "FileAccess.h"

#include <cstdio>
#include <io.h>
#include <random>
#include <windows.h>

namespace keydata::detail {

namespace {

constexpr int TEMP_NAME_ATTEMPTS = 64;
constexpr DWORD MAX_WRITE_CHUNK = 1u << 30;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

bool isFolder(const std::string& path, bool& exists)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    exists = attributes != INVALID_FILE_ATTRIBUTES;
    return exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int writeInPlace(HANDLE file, std::span<const std::uint8_t> bytes, int& systemError)
{
    const bool ok = SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER
        && writeAll(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file);
    if (!ok)
        systemError = static_cast<int>(GetLastError());
    CloseHandle(file);
    return ok ? FILE_OK : FILE_E_WRITE;
}

} // namespace

int openForReading(const std::string& path, std::FILE*& file, int& systemError)
{
    file = nullptr;
    systemError = 0;
    bool exists = false;
    if (isFolder(path, exists))
        return FILE_E_NOT_REGULAR;
    file = std::fopen(path.c_str(), "rb");
    if (!file) {
        systemError = static_cast<int>(GetLastError());
        return FILE_E_OPEN;
    }
    // Devices (NUL, CON, COM1, pipes) are not key data files.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        file = nullptr;
        return FILE_E_NOT_REGULAR;
    }
    return FILE_OK;
}

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes, int& systemError)
{
    systemError = 0;
    bool exists = false;
    if (isFolder(path, exists))
        return FILE_E_NOT_REGULAR;
    if (exists) {
        // The rename needs only the folder's permission: the file's own is
        // checked by opening it for writing (a read-only file refuses).
        HANDLE old = CreateFileA(
            path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (old == INVALID_HANDLE_VALUE) {
            systemError = static_cast<int>(GetLastError());
            return FILE_E_OPEN;
        }
        if (GetFileType(old) != FILE_TYPE_DISK) {
            CloseHandle(old);
            return FILE_E_NOT_REGULAR;
        }
        BY_HANDLE_FILE_INFORMATION information;
        if (GetFileInformationByHandle(old, &information) && information.nNumberOfLinks > 1)
            return writeInPlace(old, bytes, systemError); // a rename would split the links
        CloseHandle(old);
    }

    std::random_device seed;
    std::mt19937 random(seed());
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS && file == INVALID_HANDLE_VALUE; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = path + suffix;
        file = CreateFileA(
            temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        systemError = static_cast<int>(GetLastError());
        return FILE_E_OPEN;
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
        return FILE_E_WRITE;
    }
    return FILE_OK;
}

} // namespace keydata::detail
