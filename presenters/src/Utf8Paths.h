// Paths cross the presenters as UTF-8 text; the file system wants its own
// form of them (wide characters on Windows).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace presenters {

inline std::filesystem::path pathOfUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8OfPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Opens a regular file for binary reading; nullptr for anything else (a
// FIFO is never opened: it would block) or when it cannot be opened, with
// errno set.
inline std::FILE* openRegularFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path name = pathOfUtf8(path);
    if (!std::filesystem::is_regular_file(name, error))
        return nullptr;
#if defined(_WIN32)
    return ::_wfopen(name.c_str(), L"rb");
#else
    return std::fopen(name.c_str(), "rb");
#endif
}

} // namespace presenters
