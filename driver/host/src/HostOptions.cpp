#include "HostOptions.h"

#include <charconv>
#include <string_view>

#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr int MAX_BOUND_MS = 24 * 60 * 60 * 1000;

bool parseNumber(std::string_view text, std::uint64_t& value)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseUid(std::string_view text, std::uint32_t& uid)
{
    std::uint64_t value = 0;
    // (uid_t)-1 means "no user" to the system; never accept it.
    if (!parseNumber(text, value) || value >= 0xFFFFFFFFu)
        return false;
    uid = static_cast<std::uint32_t>(value);
    return true;
}

bool parseMilliseconds(std::string_view text, int& ms)
{
    std::uint64_t value = 0;
    if (!parseNumber(text, value) || value == 0 || value > MAX_BOUND_MS)
        return false;
    ms = static_cast<int>(value);
    return true;
}

} // namespace

bool parseHostOptions(
    int argc, const char* const* argv, const HostCaller& caller, HostOptions& options, std::string& error)
{
    bool faultGiven = false;
    bool testGiven = false;
    // Options a privileged host refuses: everything that names a path or
    // changes what is served.
    bool callerChosen = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.substr(0, 2) == "--" && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                error = std::string(texts::MISSING_VALUE) + std::string(arg);
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--trace") {
            options.trace = true;
            continue;
        }
        if (arg == "--hardware") {
            options.hardware = true;
            continue;
        }
        callerChosen = true;
        if (arg == "--socket") {
            if (!takeValue())
                return false;
            options.socketPath = value;
        } else if (arg == "--emulate") {
            if (!takeValue())
                return false;
            options.memoryFile = value;
        } else if (arg == "--fault") {
            if (!takeValue())
                return false;
            if (!kbemu::addFaultByName(value, options.faults)) {
                error = std::string(texts::BAD_FAULT) + std::string(value);
                return false;
            }
            faultGiven = true;
        } else if (arg == "--allow-uid") {
            if (!takeValue())
                return false;
            std::uint32_t uid = 0;
            if (!parseUid(value, uid)) {
                error = std::string(texts::BAD_UID) + std::string(value);
                return false;
            }
            options.allowUid = uid;
        } else if (arg == "--test-sysfs-root" || arg == "--test-dev-root") {
            if (!takeValue())
                return false;
            (arg == "--test-sysfs-root" ? options.sysfsRoot : options.devRoot) = value;
            testGiven = true;
        } else if (arg == "--test-idle-ms" || arg == "--test-stall-ms" || arg == "--test-release-ms") {
            if (!takeValue())
                return false;
            int& bound = arg == "--test-idle-ms" ? options.idleMs
                : arg == "--test-stall-ms"       ? options.stallMs
                                                 : options.releaseMs;
            if (!parseMilliseconds(value, bound)) {
                error = std::string(texts::BAD_BOUND) + std::string(value);
                return false;
            }
        } else {
            error = std::string(texts::UNKNOWN_OPTION) + std::string(argv[i]);
            return false;
        }
    }

    options.privileged = caller.pkexecUid != nullptr || caller.elevated;
    options.callerUid = caller.realUid;
    if (caller.pkexecUid != nullptr && !parseUid(caller.pkexecUid, options.callerUid)) {
        error = std::string(texts::BAD_UID) + caller.pkexecUid;
        return false;
    }
    if (options.help)
        return true;
    if (options.privileged && (callerChosen || !options.hardware)) {
        error = texts::PRIVILEGED_HARDWARE_ONLY;
        return false;
    }
    if (options.hardware && !options.memoryFile.empty()) {
        error = texts::TWO_BACKENDS;
        return false;
    }
    if (!options.hardware && options.memoryFile.empty()) {
        error = texts::NO_BACKEND;
        return false;
    }
    if (!options.hardware && options.socketPath.empty()) {
        error = texts::NO_SOCKET;
        return false;
    }
    if (faultGiven && options.hardware) {
        error = texts::FAULT_NEEDS_EMULATION;
        return false;
    }
    if (testGiven && (!options.hardware || options.socketPath.empty())) {
        error = texts::TEST_ROOTS_NEED_SOCKET;
        return false;
    }
    return true;
}

} // namespace tavrin
