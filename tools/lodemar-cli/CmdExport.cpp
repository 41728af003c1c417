#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

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
    std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
    if (out)
        out << json << std::flush;
    if (!out)
        return fail(format(text::EXPORT_WRITE, options.output.c_str(), std::strerror(errno)));
    return EXIT_OK;
}

} // namespace lodemar::cli
