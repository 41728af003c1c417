#include <keydata/KeyFile.h>

#include <keydata/KeyImage.h>

#include "FileAccess.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace keydata {

namespace {

constexpr std::size_t SIGNATURE_LENGTH = 4;
constexpr std::size_t SIGNATURE_KEY_MARK_OFFSET = 3;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

int applyKeyFileBytes(std::span<const std::uint8_t> bytes, KeyTable& table)
{
    if (bytes.empty())
        return KEYFILE_E_EMPTY;
    if (bytes.size() < SIGNATURE_LENGTH || bytes[0] != SETTINGS_MARK
        || bytes[SIGNATURE_KEY_MARK_OFFSET] != KEY_MARK)
        return KEYFILE_E_NOT_SAVE_FILE;
    if (!decodeImage(table, bytes))
        return KEYFILE_E_TOO_LONG;
    return KEYFILE_OK;
}

KeyFileResult loadKeyFile(const std::string& path, KeyTable& table)
{
    KeyFileResult result;
    result.path = path;
    std::FILE* opened = nullptr;
    switch (detail::openForReading(path, opened, result.systemError)) {
    case detail::FILE_OK:
        break;
    case detail::FILE_E_NOT_REGULAR:
        result.result = KEYFILE_E_NOT_REGULAR;
        return result;
    default:
        result.result = KEYFILE_E_OPEN;
        return result;
    }
    std::unique_ptr<std::FILE, FileCloser> file(opened);
    std::array<std::uint8_t, KEY_FILE_READ_LIMIT> buffer;
    std::size_t count = 0;
    while (count < buffer.size()) {
        const std::size_t n = std::fread(buffer.data() + count, 1, buffer.size() - count, file.get());
        count += n;
        if (n == 0)
            break;
    }
    if (std::ferror(file.get())) {
        result.result = KEYFILE_E_READ;
        result.systemError = errno;
        return result;
    }
    result.length = count;
    result.result = applyKeyFileBytes(std::span<const std::uint8_t>(buffer.data(), count), table);
    return result;
}

KeyFileResult saveKeyFile(const std::string& path, const KeyTable& table)
{
    KeyFileResult result;
    result.path = path;
    const ImageCheck check = checkImage(table);
    if (check.result == IMAGE_E_MARKER_BYTE) {
        result.result = KEYFILE_E_MARKER_BYTE;
        result.keyNumber = check.keyNumber;
        return result;
    }
    if (check.result == IMAGE_E_TOO_LONG) {
        result.result = KEYFILE_E_TOO_LONG;
        result.length = check.length;
        return result;
    }
    return writeFileContents(path, encodeImage(table));
}

KeyFileResult writeFileContents(const std::string& path, std::span<const std::uint8_t> bytes)
{
    KeyFileResult result;
    result.path = path;
    switch (detail::replaceFile(path, bytes, result.systemError)) {
    case detail::FILE_OK:
        result.length = bytes.size();
        break;
    case detail::FILE_E_OPEN:
        result.result = KEYFILE_E_OPEN;
        break;
    case detail::FILE_E_NOT_REGULAR:
        result.result = KEYFILE_E_NOT_REGULAR;
        break;
    default:
        result.result = KEYFILE_E_WRITE;
        break;
    }
    return result;
}

std::string withKeyFileExtension(const std::string& name)
{
    const std::string extension = KEY_FILE_EXTENSION;
    if (name.size() >= extension.size()
        && std::equal(extension.begin(), extension.end(),
            name.end() - static_cast<std::ptrdiff_t>(extension.size()), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a))
                    == std::tolower(static_cast<unsigned char>(b));
            }))
        return name;
    return name + extension;
}

} // namespace keydata
