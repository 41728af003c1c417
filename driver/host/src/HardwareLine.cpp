#include "HardwareLine.h"

#include <unistd.h>

#include <string_view>

#include "HostNumbers.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr std::string_view HARDWARE = "--hardware";
constexpr std::string_view TRACE = "--trace";
constexpr std::string_view HELP = "--help";
constexpr std::string_view SHORT_HELP = "-h";
constexpr std::string_view VERSION = "--version";

} // namespace

bool parseHardwareLine(
    int argc, const char* const* argv, const char* pkexecUid, HardwareLine& line, std::string& error)
{
    bool hardware = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == HARDWARE)
            hardware = true;
        else if (word == TRACE)
            line.settings.trace = true;
        else if (word == HELP || word == SHORT_HELP)
            line.help = true;
        else if (word == VERSION)
            line.version = true;
        else {
            error = pkexecUid != nullptr ? std::string(texts::PRIVILEGED_HARDWARE_ONLY)
                                         : std::string(texts::UNKNOWN_OPTION) + std::string(word);
            return false;
        }
    }
    line.settings.callerUid = static_cast<std::uint32_t>(::getuid());
    if (pkexecUid != nullptr && !parseUid(pkexecUid, line.settings.callerUid)) {
        error = std::string(texts::BAD_UID) + pkexecUid;
        return false;
    }
    if (line.help)
        return true;
    if (pkexecUid != nullptr && (line.version || !hardware)) {
        error = texts::PRIVILEGED_HARDWARE_ONLY;
        return false;
    }
    if (!line.version && !hardware) {
        error = texts::NO_HARDWARE;
        return false;
    }
    return true;
}

} // namespace tavrin
