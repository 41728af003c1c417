#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include "LayoutInput.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

namespace lodemar::cli {

int runImport(const CliOptions& options)
{
    const char* self = commandNamed("import").name;
    if (options.files.size() != 1)
        return usageError(self, text::WRONG_ARGUMENTS);
    if (options.output.empty())
        return usageError(self, text::MISSING_OUTPUT);
    keydata::KeyTable table;
    if (!loadJsonOrReport(options.files[0], table))
        return EXIT_FAILED;
    return saveTableOrReport(options.output, table) ? EXIT_OK : EXIT_FAILED;
}

} // namespace lodemar::cli
