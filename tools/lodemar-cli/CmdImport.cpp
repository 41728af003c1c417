#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyFileMessages.h"
#include "TableJson.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// Reads the whole JSON file. A folder or anything else that is not a
// regular file is refused without being opened (a FIFO's open would wait for
// a writer).
bool readInput(const std::string& path, std::string& contents)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) {
        fail(format(text::IMPORT_READ, path.c_str(), std::strerror(EISDIR)));
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        fail(format(text::NOT_REGULAR, path.c_str()));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(format(text::IMPORT_READ, path.c_str(), std::strerror(errno)));
        return false;
    }
    std::ostringstream read;
    read << in.rdbuf();
    if (in.bad()) {
        fail(format(text::IMPORT_READ, path.c_str(), std::strerror(errno)));
        return false;
    }
    if (static_cast<std::streamoff>(read.tellp()) > MAX_JSON_SIZE) {
        fail(format(text::IMPORT_TOO_BIG, path.c_str()));
        return false;
    }
    contents = read.str();
    return true;
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

    std::string contents;
    if (!readInput(input, contents))
        return EXIT_FAILED;

    nlohmann::json document;
    try {
        document = nlohmann::json::parse(contents);
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
