#include "EmulatedOptions.h"

#include <tuple>
#include <vector>

#include <lodemar/CommandLine.h>

#include "HostNumbers.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

// A wrong command line in the host's own words.
std::string usageProblem(const lodemar::CommandLineError& problem)
{
    switch (problem.problem) {
    case lodemar::CommandLineProblem::MissingValue:
        return std::string(texts::MISSING_VALUE) + problem.word;
    case lodemar::CommandLineProblem::UnknownOption:
    case lodemar::CommandLineProblem::WrongArguments:
        if (!problem.word.empty())
            return std::string(texts::UNKNOWN_OPTION) + problem.word;
        return problem.detail;
    default:
        return problem.detail;
    }
}

} // namespace

bool parseEmulatedOptions(int argc, const char* const* argv, EmulatedOptions& options, std::string& error)
{
    // Values are taken as text and checked here, with the host's own texts.
    std::string allowUid;
    std::string idleMs;
    std::string stallMs;
    std::vector<std::string> faults;
    CLI::App app("", "tavrin-emu");
    lodemar::setUpParser(app, options.help);
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
    } catch (const CLI::ParseError& problem) {
        error = usageProblem(lodemar::commandLineError(app, problem));
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
