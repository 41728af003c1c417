#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyFileMessages.h"
#include "TableJson.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace lodemar::cli {

namespace {

// A full table in JSON is some 20 KB; anything far beyond is not one.
constexpr std::streamoff MAX_JSON_SIZE = 16 * 1024 * 1024;

// Strips the library's "[json.exception.parse_error.101] " tag.
std::string parseMessage(const char* what)
{
    std::string message = what;
    if (!message.empty() && message.front() == '[') {
        const auto end = message.find("] ");
        if (end != std::string::npos)
            message.erase(0, end + 2);
    }
    return message;
}

} // namespace

int runImport(const Arguments& arguments)
{
    const char* self = commandNamed("import").name;
    std::string input;
    std::string output;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" || argument == "--output") {
            if (i + 1 >= arguments.size())
                return usageError(self, text::MISSING_OUTPUT);
            output = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return usageError(self, format(text::UNKNOWN_OPTION, argument.c_str()));
        } else if (input.empty()) {
            input = argument;
        } else {
            return usageError(self, text::WRONG_ARGUMENTS);
        }
    }
    if (input.empty())
        return usageError(self, text::WRONG_ARGUMENTS);
    if (output.empty())
        return usageError(self, text::MISSING_OUTPUT);

    std::ifstream in(input, std::ios::binary);
    if (!in)
        return fail(format(text::IMPORT_READ, input.c_str(), std::strerror(errno)));
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad())
        return fail(format(text::IMPORT_READ, input.c_str(), std::strerror(errno)));
    if (static_cast<std::streamoff>(contents.tellp()) > MAX_JSON_SIZE)
        return fail(format(text::IMPORT_TOO_BIG, input.c_str()));

    nlohmann::json document;
    try {
        document = nlohmann::json::parse(contents.str());
    } catch (const nlohmann::json::exception& error) {
        return fail(format(text::IMPORT_BAD_JSON, input.c_str(), parseMessage(error.what()).c_str()));
    }

    keydata::KeyTable table;
    ImportProblem problem;
    if (!importJson(document, table, problem)) {
        if (problem.keyNumber >= 0)
            return fail(
                format(text::IMPORT_KEY_ERROR, input.c_str(), problem.keyNumber, problem.detail.c_str()));
        if (problem.entry >= 0)
            return fail(format(text::IMPORT_ENTRY_ERROR, input.c_str(),
                static_cast<std::size_t>(problem.entry), problem.detail.c_str()));
        return fail(format(text::IMPORT_ERROR, input.c_str(), problem.detail.c_str()));
    }

    const keydata::KeyFileResult saved = keydata::saveKeyFile(output, table);
    if (!saved.ok())
        return fail(saveFailureMessage(saved));
    return EXIT_OK;
}

} // namespace lodemar::cli
