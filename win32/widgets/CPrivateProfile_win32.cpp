#include "widgets/CPrivateProfile_win32.h"

#include "widgets/Win32Text_win32.h"

#include <windows.h>

#include <vector>

namespace win32 {
namespace {

inline constexpr const char* PROFILE_EXTENSION = ".INI";
inline constexpr const char* USER_DATA_VARIABLE = "APPDATA";
inline constexpr DWORD STRING_LIMIT = 32768;

} // namespace

std::string CPrivateProfile::Path()
{
    char folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(USER_DATA_VARIABLE, folder, MAX_PATH);
    std::string base;
    if (length > 0 && length < MAX_PATH) {
        const DWORD attributes = GetFileAttributesA(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            base = std::string(folder) + "\\";
    }
    if (base.empty())
        base = programFolder();
    return base + applicationName() + PROFILE_EXTENSION;
}

int CPrivateProfile::ReadInt(const std::string& section, const std::string& key, int defaultValue)
{
    return int(GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, Path().c_str()));
}

bool CPrivateProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

std::string CPrivateProfile::ReadString(const std::string& section, const std::string& key)
{
    std::vector<char> text(STRING_LIMIT);
    const DWORD length = GetPrivateProfileStringA(
        section.c_str(), key.c_str(), "", text.data(), STRING_LIMIT, Path().c_str());
    return std::string(text.data(), length);
}

bool CPrivateProfile::WriteString(
    const std::string& section, const std::string& key, const std::string& value)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), Path().c_str()) != FALSE;
}

} // namespace win32
