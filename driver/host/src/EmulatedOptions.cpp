#include "EmulatedOptions.h"

#include <tuple>
#include <vector>

#include <CLI/CLI.hpp>

#include "HostNumbers.h"
#include "HostTexts.h"

namespace tavrin {

bool parseEmulatedOptions(int argc, const char* const* argv, EmulatedOptions& options, std::string& error)
{
    // Values are taken as text and checked here, with the host's own texts.
    std::string allowUid;
    std::string idleMs;
    std::string stallMs;
    std::vector<std::string> faults;
    CLI::App app("", "tavrin-emu");
    app.set_help_flag();
    app.set_version_flag();
    app.allow_windows_style_options(false);
    app.add_flag("-h,--help", options.help);
    app.add_flag("--version", options.version);
    app.add_flag("--trace", options.settings.trace);
    app.add_option("--socket", options.settings.socketPath);
    app.add_option("--emulate", options.memoryFile);
    app.add_option("--fault", faults)->take_all()->expected(1);
    app.add_option("--allow-uid", allowUid);
    app.add_option("--test-idle-ms", idleMs);
    app.add_option("--test-stall-ms", stallMs);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& problem) {
        // "--emulate: 1 required TEXT missing": the option's name leads.
        const std::string what = problem.what();
        error = std::string(texts::MISSING_VALUE) + what.substr(0, what.find(':'));
        return false;
    } catch (const CLI::ParseError& problem) {
        const std::vector<std::string> rest = app.remaining();
        error
            = rest.empty() ? std::string(problem.what()) : std::string(texts::UNKNOWN_OPTION) + rest.front();
        return false;
    }
    if (options.help || options.version)
        return true;
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
    for (const auto& [text, name, bound] :
        { std::tuple { &idleMs, "--test-idle-ms", &options.settings.idleMs },
            std::tuple { &stallMs, "--test-stall-ms", &options.settings.stallMs } })
        if (app.count(name) > 0 && !parseMilliseconds(*text, *bound)) {
            error = std::string(texts::BAD_BOUND) + *text;
            return false;
        }
    if (options.memoryFile.empty()) {
        error = texts::NO_MEMORY_FILE;
        return false;
    }
    if (options.settings.socketPath.empty()) {
        error = texts::NO_SOCKET;
        return false;
    }
    return true;
}

} // namespace tavrin
