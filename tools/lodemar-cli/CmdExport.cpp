#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <cstdint>
#include <iostream>
#include <span>

namespace lodemar::cli {

int runExport(const CliOptions& options)
{
    if (options.files.size() != 1)
        return usageError(commandNamed("export").name, text::WRONG_ARGUMENTS);
    keydata::KeyTable table;
    std::size_t length = 0;
    if (!loadTableOrReport(options.files[0], table, length))
        return EXIT_FAILED;
    const std::string json = keylayout::exportJson(table);
    if (options.output.empty() || options.output == STANDARD_STREAM) {
        std::cout << json;
        return EXIT_OK;
    }
    const keydata::KeyFileResult written = keydata::writeFileContents(
        options.output, std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
    if (!written.ok())
        return fail(saveFailureMessage(written));
    return EXIT_OK;
}

} // namespace lodemar::cli
