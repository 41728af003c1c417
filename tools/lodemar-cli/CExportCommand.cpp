#include "CCommand.h"
#include "CliTexts.h"
#include "KeyFileMessages.h"
#include "LayoutInput.h"
#include <keylayout/TableJson.h>
#include <lodemar/Format.h>

#include <cstdint>
#include <iostream>
#include <span>

namespace lodemar::cli {

namespace {

class CExportCommand final : public CCommand {
public:
    CExportCommand()
        : CCommand("export", "LAYOUT [-o FILE.json]",
            "Print the key table as JSON (to FILE.json with -o): the format and its version, the settings\n"
            "and all 128 key numbers in order with grid caption, slot, kind, content (hexadecimal) and\n"
            "text (string keys) or display text (the others).")
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
        keydata::KeyTable table;
        if (!loadLayoutOrReport(Files()[0], table))
            return EXIT_FAILED;
        const std::string json = keylayout::exportJson(table);
        if (Output().empty() || Output() == STANDARD_STREAM) {
            std::cout << json;
            return EXIT_OK;
        }
        const keydata::KeyFileResult written = keydata::writeFileContents(
            Output(), std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
        if (!written.Ok())
            return fail(saveFailureMessage(written));
        return EXIT_OK;
    }
};

} // namespace

std::unique_ptr<CCommand> newExportCommand()
{
    return std::make_unique<CExportCommand>();
}

} // namespace lodemar::cli
