#include "HostOptions.h"

#include <charconv>
#include <string_view>
#include <tuple>
#include <vector>

#include <CLI/CLI.hpp>

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
    // Values are taken as text and checked here, with the host's own texts.
    std::string allowUid;
    std::string idleMs;
    std::string stallMs;
    std::string releaseMs;
    std::vector<std::string> faults;
    CLI::App app("", "tavrin");
    app.set_help_flag();
    app.set_version_flag();
    app.allow_windows_style_options(false);
    app.add_flag("-h,--help", options.help);
    app.add_flag("--version", options.version);
    app.add_flag("--trace", options.trace);
    app.add_flag("--hardware", options.hardware);
    // What a privileged host refuses: everything that names a path or
    // changes what is served. The test options stay out of the usage text.
    CLI::Option* const chosenByCaller[] = {
        app.add_option("--socket", options.socketPath),
        app.add_option("--emulate", options.memoryFile),
        app.add_option("--fault", faults)->take_all()->expected(1),
        app.add_option("--allow-uid", allowUid),
        app.add_option("--test-sysfs-root", options.sysfsRoot),
        app.add_option("--test-dev-root", options.devRoot),
        app.add_option("--test-idle-ms", idleMs),
        app.add_option("--test-stall-ms", stallMs),
        app.add_option("--test-release-ms", releaseMs),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& problem) {
        // "--emulate: 1 required TEXT missing": the option's name leads.
        const std::string what = problem.what();
        error = std::string(texts::MISSING_VALUE) + what.substr(0, what.find(':'));
        return false;
    } catch (const CLI::ParseError& problem) {
        const std::vector<std::string> rest = app.remaining();
        error = rest.empty() ? std::string(problem.what()) : std::string(texts::UNKNOWN_OPTION) + rest.front();
        return false;
    }
    bool callerChosen = false;
    for (const CLI::Option* option : chosenByCaller)
        callerChosen = callerChosen || option->count() > 0;
    const bool faultGiven = !faults.empty();
    const bool testGiven = app.count("--test-sysfs-root") > 0 || app.count("--test-dev-root") > 0;
    for (const std::string& fault : faults)
        if (!kbemu::addFaultByName(fault, options.faults)) {
            error = std::string(texts::BAD_FAULT) + fault;
            return false;
        }
    if (app.count("--allow-uid") > 0) {
        std::uint32_t uid = 0;
        if (!parseUid(allowUid, uid)) {
            error = std::string(texts::BAD_UID) + allowUid;
            return false;
        }
        options.allowUid = uid;
    }
    for (const auto& [text, name, bound] : { std::tuple { &idleMs, "--test-idle-ms", &options.idleMs },
             std::tuple { &stallMs, "--test-stall-ms", &options.stallMs },
             std::tuple { &releaseMs, "--test-release-ms", &options.releaseMs } })
        if (app.count(name) > 0 && !parseMilliseconds(*text, *bound)) {
            error = std::string(texts::BAD_BOUND) + *text;
            return false;
        }

    options.privileged = caller.pkexecUid != nullptr || caller.elevated;
    options.callerUid = caller.realUid;
    if (caller.pkexecUid != nullptr && !parseUid(caller.pkexecUid, options.callerUid)) {
        error = std::string(texts::BAD_UID) + caller.pkexecUid;
        return false;
    }
    if (options.help)
        return true;
    if (options.privileged && (callerChosen || options.version || !options.hardware)) {
        error = texts::PRIVILEGED_HARDWARE_ONLY;
        return false;
    }
    if (options.version)
        return true;
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
