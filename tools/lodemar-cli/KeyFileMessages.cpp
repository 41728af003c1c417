#include "KeyFileMessages.h"

#include "CliReport.h"
#include "CliTexts.h"
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

std::string systemMessage(int error)
{
    return error ? std::strerror(error) : "unknown error";
}

bool isStandardStream(const std::string& path)
{
    return path == STANDARD_STREAM;
}

} // namespace

bool readInputOrReport(const std::string& path, std::size_t limit, std::string& contents)
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
            fail(format(text::LOAD_OPEN, shown.c_str(), std::strerror(errno)));
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
            fail(format(text::IMPORT_TOO_BIG, shown.c_str()));
            return false;
        }
    }
    if (in->bad()) {
        fail(format(text::IMPORT_READ, shown.c_str(), std::strerror(errno)));
        return false;
    }
    return true;
}

bool saveTableOrReport(const std::string& path, const keydata::KeyTable& table)
{
    if (!isStandardStream(path)) {
        const keydata::KeyFileResult saved = keydata::saveKeyFile(path, table);
        if (!saved.Ok())
            fail(saveFailureMessage(saved));
        return saved.Ok();
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
    if (!refused.Ok()) {
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
        return format(text::SAVE_TOO_LONG, file, result.length, keydata::IMAGE_DECODE_LIMIT);
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
