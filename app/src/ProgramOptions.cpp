#include <app/ProgramOptions.h>

#include <cctype>

namespace app {
namespace {

inline constexpr std::string_view OPTION_EMULATE = "--emulate";
inline constexpr std::string_view OPTION_HELP = "--help";

bool isPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

int parseProgramOptions(
    const std::vector<std::string>& arguments, ProgramOptions& options, std::string& error)
{
    for (const std::string& argument : arguments) {
        const std::string_view text = argument;
        if (text == OPTION_EMULATE) {
            options.emulate = true;
            options.emulatedKeyboardMemory.clear();
        } else if (text.size() > OPTION_EMULATE.size()
            && text.substr(0, OPTION_EMULATE.size()) == OPTION_EMULATE
            && text[OPTION_EMULATE.size()] == '=') {
            const std::string_view file = text.substr(OPTION_EMULATE.size() + 1);
            if (file.empty()) {
                error = argument;
                return OPTIONS_EMPTY_MEMFILE;
            }
            options.emulate = true;
            options.emulatedKeyboardMemory.assign(file);
        } else if (text == OPTION_HELP) {
            options.help = true;
        } else {
            error = argument;
            return OPTIONS_UNKNOWN;
        }
    }
    return OPTIONS_OK;
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
