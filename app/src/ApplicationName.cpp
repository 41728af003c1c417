#include <app/ProgramOptions.h>

#include <cctype>

namespace app {
namespace {

bool isPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

std::string programFileName(const char* path)
{
    const std::string text = path != nullptr ? path : "";
    const std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string applicationNameOf(std::string_view programPath)
{
    std::size_t start = programPath.size();
    while (start > 0 && !isPathSeparator(programPath[start - 1]))
        --start;
    std::string name(programPath.substr(start));
    // Without the extension: everything from the last dot on, unless the
    // dot starts the name.
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
#ifndef _WIN32
    if (!name.empty())
        name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
#endif
    return name;
}

} // namespace app
