#include "CliCommand.h"
#include "CliTexts.h"
#include "Format.h"
#include "KeyFileMessages.h"

#include <keydata/KeyText.h>

#include <cstdio>
#include <cstring>
#include <iostream>

namespace lodemar::cli {

namespace {

constexpr CliCommand COMMANDS[] = {
    { "show", "FILE.dat",
        "Print the settings with their option bits, every grid key (1..95, L, R, S, X, Z) and key\n"
        "number 120 with kind and key text, and the use of the keyboard's data area.",
        runShow },
    { "export", "FILE.dat",
        "Print the key table as JSON: the settings and all 128 key numbers in order with slot,\n"
        "kind, content (hexadecimal) and key text.",
        runExport },
    { "import", "FILE.json -o FILE.dat",
        "Build a key table from JSON as export prints it (only the settings, key numbers, kinds\n"
        "and contents count; unlisted keys are empty) and save it. Nothing is written when the\n"
        "JSON is not valid.",
        runImport },
    { "read", "-o FILE.dat [--emulate[=MEMFILE]]", "Read the key table out of the keyboard and save it.",
        runRead },
    { "write", "FILE.dat [--no-verify] [--emulate[=MEMFILE]]",
        "Write the key table of the file into the keyboard, with a progress bar on stderr, then read\n"
        "the keyboard back: the write has succeeded only when the keyboard holds the table\n"
        "(--no-verify leaves the read-back out). A table the keyboard cannot store faithfully is\n"
        "refused before anything is sent.",
        runWrite },
    { "verify", "FILE.dat [--emulate[=MEMFILE]]",
        "Read the keyboard and compare it with the key table of the file, sending nothing else; list\n"
        "the keys that differ (exit status 3 when any do).",
        runVerify },
    { "probe", "[--emulate[=MEMFILE]]",
        "Ask the keyboard to identify itself (the standard identify command) and print its answer;\n"
        "nothing is written. Exit status 1 when no keyboard answers.",
        runProbe },
};

std::string systemMessage(int error)
{
    return error ? std::strerror(error) : "unknown error";
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

bool helpRequested(const CliCommand& command, const Arguments& arguments)
{
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h") {
            std::cout << format(text::COMMAND_USAGE, command.name, command.usage, command.summary);
            return true;
        }
    return false;
}

bool loadTableOrReport(const std::string& path, keydata::KeyTable& table, std::size_t& length)
{
    table = keydata::KeyTable {};
    const keydata::KeyFileResult result = keydata::loadKeyFile(path, table);
    length = result.length;
    const char* file = path.c_str();
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
