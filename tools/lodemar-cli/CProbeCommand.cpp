#include "CCommand.h"
#include "CKeyboardSession.h"
#include "CliTexts.h"
#include <lodemar/Format.h>

#include <tavrin/TavrinControl.h>
#include <tavrin/TavrinPorts.h>

#include <cstdint>
#include <iostream>

namespace lodemar::cli {

namespace {

std::string hexBytes(const std::uint8_t* bytes, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += format(text::HEX_BYTE, bytes[i]);
    }
    return text;
}

// What an acknowledged answer says about the device; null when it is not a
// keyboard's.
const char* describe(const std::uint8_t* answer, int count)
{
    if (count == 1)
        return text::PROBE_NO_ID;
    if (answer[1] != KBD_ID_KEYBOARD)
        return nullptr;
    if (count == 2)
        return text::PROBE_ID_CUT_SHORT;
    switch (answer[2]) {
    case KBD_ID_UNTRANSLATED:
        return text::PROBE_UNTRANSLATED;
    case KBD_ID_TRANSLATED:
        return text::PROBE_TRANSLATED;
    default:
        return text::PROBE_OTHER_KEYBOARD;
    }
}

class CProbeCommand final : public CCommand {
public:
    CProbeCommand()
        : CCommand("probe", "[--json] [--emulate[=MEMFILE]]",
            "Ask the keyboard to identify itself (the standard identify command) and print its answer;\n"
            "nothing is written. Exit status 1 when no keyboard answers.")
    {
    }

private:
    void AddOptions(CLI::App& command) override
    {
        AddJsonResult(command);
        AddKeyboardChoice(command);
    }
    int Run() override;
};

int CProbeCommand::Run()
{
    CKeyboardSession session;
    if (!session.Open(Keyboard()))
        return EXIT_FAILED;
    std::uint8_t answer[TAVRIN_IDENTIFY_SIZE] = {};
    const int count = session.Channel().Request(IOCTL_IDENTIFY_KEYBOARD, nullptr, 0, answer, sizeof answer);
    if (count < 0)
        return fail(format(text::PROBE_FAILED, channelText(count).c_str()));
    if (count == 0)
        return fail(text::PROBE_SILENT);
    const std::string bytes = hexBytes(answer, count);
    Result()["answer"] = bytes;
    if (answer[0] != KBD_ACK)
        return fail(format(text::PROBE_REFUSED, bytes.c_str()));
    const char* description = describe(answer, count);
    if (description == nullptr)
        return fail(format(text::PROBE_NOT_KEYBOARD, bytes.c_str()));
    Result()["description"] = description;
    if (!JsonResult())
        std::cout << format(text::PROBE_ANSWER, bytes.c_str(), description);
    return EXIT_OK;
}

} // namespace

std::unique_ptr<CCommand> newProbeCommand()
{
    return std::make_unique<CProbeCommand>();
}

} // namespace lodemar::cli
