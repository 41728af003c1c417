#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include "TableJson.h"

#include <iostream>

namespace lodemar::cli {

int runExport(const Arguments& arguments)
{
    const char* self = commandNamed("export").name;
    if (arguments.size() != 1)
        return usageError(self, text::WRONG_ARGUMENTS);
    keydata::KeyTable table;
    std::size_t length = 0;
    if (!loadTableOrReport(arguments[0], table, length))
        return EXIT_FAILED;
    std::cout << exportJson(table);
    return EXIT_OK;
}

} // namespace lodemar::cli
