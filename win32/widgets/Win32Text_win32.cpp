#include "widgets/Win32Text_win32.h"

#include <windows.h>

namespace win32 {
namespace {

std::string programPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

} // namespace

std::wstring wideFromLatin1(const std::string& text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text)
        wide.push_back(wchar_t(static_cast<unsigned char>(c)));
    return wide;
}

std::string applicationName()
{
    std::string name = programPath();
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string programFolder()
{
    std::string folder = programPath();
    const std::size_t slash = folder.find_last_of("\\/");
    folder.erase(slash == std::string::npos ? 0 : slash + 1);
    return folder;
}

} // namespace win32
