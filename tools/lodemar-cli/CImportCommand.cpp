#include "CCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include "LayoutInput.h"

namespace lodemar::cli {

namespace {

class CImportCommand final : public CCommand {
public:
    CImportCommand()
        : CCommand("import", "FILE.json -o FILE.dat",
            "Build a key table from JSON as export prints it (only the settings, key numbers, kinds and\n"
            "contents count, a string key's text standing for its content; unlisted keys are empty) and\n"
            "save it. Nothing is written when the JSON is not valid.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddFiles(command, 1, 1);
        AddOutput(command);
    }

    int Run() override
    {
        if (Output().empty())
            return UsageError(text::MISSING_OUTPUT);
        keydata::KeyTable table;
        if (!loadJsonOrReport(Files()[0], table))
            return EXIT_FAILED;
        return saveTableOrReport(Output(), table) ? EXIT_OK : EXIT_FAILED;
    }
};

} // namespace

std::unique_ptr<CCommand> newImportCommand()
{
    return std::make_unique<CImportCommand>();
}

} // namespace lodemar::cli
