#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include <lodemar/Format.h>

#include <keydata/KeyImage.h>
#include <keydata/KeyText.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace lodemar::cli {

namespace {

constexpr CliCommand COMMANDS[] = {
    { "show", "FILE.dat",
        "Print the settings with their option bits, every grid key (1..95, L, R, S, X, Z) and key\n"
        "number 120 with kind and key text, and the use of the keyboard's data area.",
        0, runShow },
    { "export", "FILE.dat [-o FILE.json]",
        "Print the key table as JSON (to FILE.json with -o): the format and its version, the settings\n"
        "and all 128 key numbers in order with grid caption, slot, kind, content (hexadecimal) and\n"
        "text (string keys) or display text (the others).",
        TAKES_OUTPUT, runExport },
    { "import", "FILE.json -o FILE.dat",
        "Build a key table from JSON as export prints it (only the settings, key numbers, kinds and\n"
        "contents count, a string key's text standing for its content; unlisted keys are empty) and\n"
        "save it. Nothing is written when the JSON is not valid.",
        TAKES_OUTPUT, runImport },
    { "diff", "A B | --keyboard B [--emulate[=MEMFILE]]",
        "List the keys (by grid caption, with both texts) and settings that differ between two layouts,\n"
        ".dat or JSON; --keyboard reads the keyboard as the first one. Exit status 0 when they are equal,\n"
        "1 when they differ, 4 when a layout could not be read.",
        TAKES_EMULATE | TAKES_KEYBOARD, runDiff },
    { "read", "-o FILE.dat [--emulate[=MEMFILE]]", "Read the key table out of the keyboard and save it.",
        TAKES_OUTPUT | TAKES_EMULATE, runRead },
    { "write", "FILE.dat [--no-verify] [--emulate[=MEMFILE]]",
        "Write the key table of the file into the keyboard, with a progress bar on stderr, then read\n"
        "the keyboard back: the write has succeeded only when the keyboard holds the table\n"
        "(--no-verify leaves the read-back out). A table the keyboard cannot store faithfully is\n"
        "refused before anything is sent.",
        TAKES_EMULATE | TAKES_NO_VERIFY, runWrite },
    { "verify", "FILE.dat [--emulate[=MEMFILE]]",
        "Read the keyboard and compare it with the key table of the file, sending nothing else; list\n"
        "the keys that differ (exit status 3 when any do).",
        TAKES_EMULATE, runVerify },
    { "probe", "[--emulate[=MEMFILE]]",
        "Ask the keyboard to identify itself (the standard identify command) and print its answer;\n"
        "nothing is written. Exit status 1 when no keyboard answers.",
        TAKES_EMULATE, runProbe },
};

std::string systemMessage(int error)
{
    return error ? std::strerror(error) : "unknown error";
}

bool isStandardStream(const std::string& path)
{
    return path == STANDARD_STREAM;
}

} // namespace

std::span<const CliCommand> commands()
{
    return COMMANDS;
}

const CliCommand& commandNamed(const char* name)
{
    for (const CliCommand& command : COMMANDS)
        if (std::strcmp(command.name, name) == 0)
            return command;
    return COMMANDS[0];
}

int fail(const std::string& message, int code)
{
    std::cerr << text::PROGRAM << ": " << message << '\n';
    return code;
}

int usageError(const char* command, const std::string& message)
{
    return fail(format(text::USAGE_ERROR, command, message.c_str(), command), EXIT_USAGE);
}

std::string commandUsage(const CliCommand& command)
{
    return format(text::COMMAND_USAGE, command.name, command.usage, command.summary);
}

std::string shownInput(const std::string& path)
{
    return isStandardStream(path) ? text::STANDARD_INPUT : path;
}

bool readInputOrReport(const std::string& path, std::size_t limit, const char* tooBig, std::string& contents)
{
    const std::string shown = shownInput(path);
    std::istream* in = &std::cin;
    std::ifstream file;
    if (!isStandardStream(path)) {
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(path, error);
        if (std::filesystem::is_directory(status)) {
            fail(format(text::IMPORT_READ, shown.c_str(), std::strerror(EISDIR)));
            return false;
        }
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            fail(format(text::NOT_REGULAR, shown.c_str()));
            return false;
        }
        file.open(path, std::ios::binary);
        if (!file) {
            fail(format(text::IMPORT_READ, shown.c_str(), std::strerror(errno)));
            return false;
        }
        in = &file;
    }
    contents.clear();
    char block[4096];
    while (*in) {
        in->read(block, sizeof block);
        contents.append(block, static_cast<std::size_t>(in->gcount()));
        if (contents.size() > limit) {
            fail(format(tooBig, shown.c_str()));
            return false;
        }
    }
    if (in->bad()) {
        fail(format(text::IMPORT_READ, shown.c_str(), std::strerror(errno)));
        return false;
    }
    return true;
}

bool loadTableOrReport(const std::string& path, keydata::KeyTable& table, std::size_t& length)
{
    table = keydata::KeyTable {};
    keydata::KeyFileResult result;
    if (isStandardStream(path)) {
        std::string bytes;
        if (!readInputOrReport(path, keydata::KEY_FILE_READ_LIMIT, text::LOAD_TOO_LONG, bytes))
            return false;
        result.result = keydata::applyKeyFileBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), table);
        result.length = bytes.size();
    } else {
        result = keydata::loadKeyFile(path, table);
    }
    length = result.length;
    const std::string shown = shownInput(path);
    const char* file = shown.c_str();
    switch (result.result) {
    case keydata::KEYFILE_OK:
        return true;
    case keydata::KEYFILE_E_OPEN:
        fail(format(text::LOAD_OPEN, file, systemMessage(result.systemError).c_str()));
        break;
    case keydata::KEYFILE_E_EMPTY:
        fail(format(text::LOAD_EMPTY, file));
        break;
    case keydata::KEYFILE_E_NOT_SAVE_FILE:
        fail(format(text::LOAD_NOT_SAVE_FILE, file));
        break;
    case keydata::KEYFILE_E_TOO_LONG:
        fail(format(text::LOAD_TOO_LONG, file));
        break;
    case keydata::KEYFILE_E_READ:
        fail(format(text::LOAD_READ, file, systemMessage(result.systemError).c_str()));
        break;
    case keydata::KEYFILE_E_NOT_REGULAR:
        fail(format(text::NOT_REGULAR, file));
        break;
    default:
        fail(format(text::UNKNOWN_RESULT, file, result.result));
        break;
    }
    return false;
}

bool saveTableOrReport(const std::string& path, const keydata::KeyTable& table)
{
    if (!isStandardStream(path)) {
        const keydata::KeyFileResult saved = keydata::saveKeyFile(path, table);
        if (!saved.ok())
            fail(saveFailureMessage(saved));
        return saved.ok();
    }
    // Refused as saveKeyFile refuses it: what could not be loaded again.
    keydata::KeyFileResult refused;
    refused.path = text::STANDARD_OUTPUT;
    const keydata::ImageCheck check = keydata::checkImage(table);
    if (check.result == keydata::IMAGE_E_MARKER_BYTE) {
        refused.result = keydata::KEYFILE_E_MARKER_BYTE;
        refused.keyNumber = check.keyNumber;
    } else if (check.result == keydata::IMAGE_E_TOO_LONG) {
        refused.result = keydata::KEYFILE_E_TOO_LONG;
        refused.length = check.length;
    }
    if (!refused.ok()) {
        fail(saveFailureMessage(refused));
        return false;
    }
    const std::vector<std::uint8_t> image = keydata::encodeImage(table);
    std::cout.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return true;
}

std::string saveFailureMessage(const keydata::KeyFileResult& result)
{
    const char* file = result.path.c_str();
    switch (result.result) {
    case keydata::KEYFILE_E_OPEN:
        return format(text::SAVE_OPEN, file, systemMessage(result.systemError).c_str());
    case keydata::KEYFILE_E_WRITE:
        return format(text::SAVE_WRITE, file, systemMessage(result.systemError).c_str());
    case keydata::KEYFILE_E_TOO_LONG:
        return format(text::SAVE_TOO_LONG, file, result.length);
    case keydata::KEYFILE_E_MARKER_BYTE:
        return result.keyNumber >= 0
            ? format(text::SAVE_MARKER_KEY, file, keydata::keyNameForUser(result.keyNumber).c_str())
            : format(text::SAVE_MARKER_SETTINGS, file);
    case keydata::KEYFILE_E_NOT_REGULAR:
        return format(text::NOT_REGULAR, file);
    default:
        return format(text::UNKNOWN_RESULT, file, result.result);
    }
}

} // namespace lodemar::cli
