// Layouts named on the command line: read, parsed and reported as
// lodemar-cli reports its failures.
#include "LayoutInput.h"

#include "CliReport.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>

namespace lodemar::cli {

using keydata::KeyTable;
using nlohmann::json;

namespace {

// A full table in JSON is some 20 KB; anything far beyond is not one.
constexpr std::size_t MAX_JSON_SIZE = 16 * 1024 * 1024;

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

bool importTextOrReport(const std::string& path, const std::string& contents, KeyTable& table)
{
    const std::string shown = shownInput(path);
    json document;
    try {
        document = json::parse(contents);
    } catch (const json::exception& error) {
        fail(format(text::IMPORT_BAD_JSON, shown.c_str(), parseMessage(error.what()).c_str()));
        return false;
    }
    keylayout::ImportProblem problem;
    if (keylayout::importJson(document, table, problem))
        return true;
    if (problem.keyNumber >= 0)
        fail(format(text::IMPORT_KEY_ERROR, shown.c_str(), keydata::keyNameForUser(problem.keyNumber).c_str(),
            problem.detail.c_str()));
    else if (problem.entry >= 0)
        fail(format(text::IMPORT_ENTRY_ERROR, shown.c_str(), static_cast<std::size_t>(problem.entry),
            problem.detail.c_str()));
    else
        fail(format(text::IMPORT_ERROR, shown.c_str(), problem.detail.c_str()));
    return false;
}

} // namespace

bool loadJsonOrReport(const std::string& path, KeyTable& table)
{
    std::string contents;
    return readInputOrReport(path, MAX_JSON_SIZE, contents) && importTextOrReport(path, contents, table);
}

bool loadLayoutOrReport(const std::string& path, KeyTable& table, std::size_t* length)
{
    std::string contents;
    if (!readInputOrReport(path, MAX_JSON_SIZE, contents))
        return false;
    if (length != nullptr)
        *length = contents.size();
    const std::string shown = shownInput(path);
    if (contents.empty()) {
        fail(format(text::LOAD_EMPTY, shown.c_str()));
        return false;
    }
    if (static_cast<std::uint8_t>(contents[0]) == keydata::SETTINGS_MARK) {
        table = KeyTable {};
        const int applied = keydata::applyKeyFileBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()), table);
        if (applied == keydata::KEYFILE_E_TOO_LONG)
            fail(format(text::LOAD_TOO_LONG, shown.c_str(), keydata::IMAGE_DECODE_LIMIT));
        else if (applied != keydata::KEYFILE_OK)
            fail(format(text::LOAD_NOT_SAVE_FILE, shown.c_str()));
        return applied == keydata::KEYFILE_OK;
    }
    const auto first = contents.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || contents[first] != '{') {
        fail(format(text::NOT_LAYOUT, shown.c_str()));
        return false;
    }
    return importTextOrReport(path, contents, table);
}

} // namespace lodemar::cli
