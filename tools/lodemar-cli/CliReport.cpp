#include "CliReport.h"

#include "CliTexts.h"
#include <lodemar/Format.h>

#include <iostream>
#include <optional>

namespace lodemar::cli {

namespace {

std::optional<Failure>& firstFailure()
{
    static std::optional<Failure> failure;
    return failure;
}

} // namespace

std::string Failure::Line() const
{
    return reason.empty() ? text : format(text::FAILURE_WITH_REASON, text.c_str(), reason.c_str());
}

int fail(const Failure& failure, int code)
{
    std::cerr << text::PROGRAM << ": " << failure.Line() << '\n';
    if (!firstFailure())
        firstFailure() = failure;
    return code;
}

int fail(const std::string& message, int code)
{
    return fail(Failure { message, {} }, code);
}

int usageError(const char* command, const std::string& message)
{
    return fail(format(text::USAGE_ERROR, command, message.c_str(), command), EXIT_USAGE);
}

const Failure* runFailure()
{
    return firstFailure() ? &*firstFailure() : nullptr;
}

std::string shownInput(const std::string& path)
{
    return path == STANDARD_STREAM ? text::STANDARD_INPUT : path;
}

} // namespace lodemar::cli
