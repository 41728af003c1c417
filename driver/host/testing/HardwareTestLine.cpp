// The command line of a test build of the real keyboard's host (never
// installed): besides the program's own words it names a socket of the
// test's own (the lock and record then lie beside it), stand-in folders for
// sysfs and /dev (a simulated kernel; raw ports are then never used) and
// shorter or longer bounds. Each option takes one value.
#include "HardwareLine.h"

#include <unistd.h>

#include <string_view>

#include "HostNumbers.h"
#include "HostTexts.h"

namespace tavrin {

bool parseHardwareLine(
    int argc, const char* const* argv, const char* pkexecUid, HardwareLine& line, std::string& error)
{
    HostSettings& s = line.settings;
    bool hardware = false;
    bool roots = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        int* bound = word == "--test-idle-ms" ? &s.idleMs
            : word == "--test-stall-ms"       ? &s.stallMs
            : word == "--test-release-ms"     ? &s.releaseMs
                                              : nullptr;
        std::string* path = word == "--socket" ? &s.socketPath
            : word == "--test-sysfs-root"      ? &s.sysfsRoot
            : word == "--test-dev-root"        ? &s.devRoot
                                               : nullptr;
        if (word == "--hardware") {
            hardware = true;
        } else if (word == "--trace") {
            s.trace = true;
        } else if ((bound != nullptr || path != nullptr) && value == nullptr) {
            error = std::string(texts::MISSING_VALUE) + std::string(word);
            return false;
        } else if (bound != nullptr) {
            if (!parseMilliseconds(value, *bound)) {
                error = std::string(texts::BAD_BOUND) + value;
                return false;
            }
            ++i;
        } else if (path != nullptr) {
            *path = value;
            roots = roots || path != &s.socketPath;
            ++i;
        } else {
            error = std::string(texts::UNKNOWN_OPTION) + std::string(word);
            return false;
        }
    }
    s.callerUid = static_cast<std::uint32_t>(::getuid());
    if (pkexecUid != nullptr && !parseUid(pkexecUid, s.callerUid)) {
        error = std::string(texts::BAD_UID) + pkexecUid;
        return false;
    }
    if (!hardware) {
        error = texts::NO_HARDWARE;
        return false;
    }
    if (roots && s.socketPath.empty()) {
        error = texts::TEST_ROOTS_NEED_SOCKET;
        return false;
    }
    s.simulatedKernel = roots;
    return true;
}

} // namespace tavrin
