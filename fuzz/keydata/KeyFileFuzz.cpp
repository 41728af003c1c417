// loadKeyFile on arbitrary file contents: the result follows from the first
// bytes and the length alone, and the table changes only on success, and
// then exactly as decodeImage would change it.
#include "FuzzTables.h"

#include <keydata/KeyFile.h>
#include <keydata/KeyImage.h>

#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace keydata;
    // An in-memory file, reached by path like any other.
    static const int fd = memfd_create("keyfile-fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

    static const KeyTable start = fuzzing::startTable();
    KeyTable table = start;
    const KeyFileResult result = loadKeyFile(path, table);

    const std::size_t read = std::min(size, KEY_FILE_READ_LIMIT);
    FUZZ_CHECK(result.length == read);
    int expected = KEYFILE_OK;
    if (size == 0)
        expected = KEYFILE_E_EMPTY;
    else if (size < 4 || data[0] != SETTINGS_MARK || data[3] != KEY_MARK)
        expected = KEYFILE_E_NOT_SAVE_FILE;
    else if (read > IMAGE_DECODE_LIMIT)
        expected = KEYFILE_E_TOO_LONG;
    FUZZ_CHECK(result.result == expected);

    if (expected != KEYFILE_OK) {
        FUZZ_CHECK(table == start);
        return 0;
    }
    KeyTable decoded = start;
    FUZZ_CHECK(decodeImage(decoded, std::span<const std::uint8_t>(data, size)));
    FUZZ_CHECK(table == decoded);
    return 0;
}
