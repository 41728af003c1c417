// printf into a std::string, for the formats of the texts headers: the one
// formatter of the suite, which never cuts what it writes.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace lodemar {

// The whole text, however long; empty when the format is refused.
#if defined(__MINGW_PRINTF_FORMAT)
__attribute__((format(__MINGW_PRINTF_FORMAT, 1, 0)))
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 0)))
#endif
inline std::string
vformat(const char* fmt, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, args);
    std::string out(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(out.data(), out.size() + 1, fmt, again);
    va_end(again);
    return out;
}

#if defined(__MINGW_PRINTF_FORMAT)
__attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2))) // mingw's C99 printf (%zu), not the system's
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline std::string
format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

} // namespace lodemar
