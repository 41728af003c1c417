#include "CVorelinCommand.h"

#include "VorelinTexts.h"
#include <ReaderStatus.h>

#include <vorelin.h>

#include <lodemar/CommandLine.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t PASSWORD_BYTES = 3;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string printable(const std::uint8_t* bytes, std::size_t count)
{
    std::string s;
    for (std::size_t i = 0; i < count; ++i)
        s += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? char(bytes[i]) : '.';
    return s;
}

} // namespace

bool parseByteNumber(const std::string& text, int& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (*end != 0 || v > 255)
        return false;
    out = int(v);
    return true;
}

bool parseHexBytes(const std::string& text, std::vector<std::uint8_t>& out)
{
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-') {
            if (high >= 0)
                return false; // a separator inside a pair
            continue;
        }
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(std::uint8_t(high * 16 + d));
            high = -1;
        }
    }
    return high < 0 && !out.empty();
}

std::string formatHexBytes(const std::uint8_t* bytes, std::size_t count)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

std::string describeResult(std::int32_t result)
{
    using namespace VorelinTexts;
    char status[8];
    switch (result) {
    case VORELIN_OK:
        return MEANING_SUCCESS;
    case VORELIN_ERR_IO:
        return MEANING_IO;
    case VORELIN_ERR_BEEP_READ:
        return MEANING_BEEP_READ;
    case VORELIN_ERR_CHECK:
        return MEANING_CHECK;
    case VORELIN_ERR_BEEP_REPLY:
        return MEANING_BEEP_REPLY;
    default:
        if (result >= 1 && result <= 255) {
            std::snprintf(status, sizeof status, "0x%02X", unsigned(result));
            const char* meaning = readerStatusName(static_cast<std::uint8_t>(result));
            return std::string(MEANING_READER_STATUS) + status + " ("
                + (meaning ? meaning : STATUS_NOT_LISTED) + ")";
        }
        return MEANING_UNKNOWN;
    }
}

int exitStatusOf(std::int32_t result)
{
    if (result == VORELIN_OK)
        return EXIT_RESULT_OK;
    if (result >= 1 && result <= 255)
        return EXIT_READER_STATUS;
    return EXIT_EXCHANGE_FAILED;
}

bool CVorelinCommand::Parse(const std::vector<std::string>& given, std::string& error)
{
    using namespace VorelinTexts;
    using lodemar::valueCheck;
    CLI::App app("", "vorelin");
    lodemar::setUpParser(app, m_help);
    app.add_flag("--version", m_version);
    app.add_option("PORT", m_port);

    // Each command with its arguments, each checked as it is taken.
    struct Command {
        const char* name;
        VorelinOperation operation;
        CLI::App* parsed;
    };
    std::vector<Command> commands;
    auto command = [&](const char* name, VorelinOperation operation) {
        CLI::App* sub = lodemar::addCommand(app, name, "", m_help);
        commands.push_back({ name, operation, sub });
        return sub;
    };
    auto byteNumber = [&](CLI::App* sub, const char* name, int& out) {
        sub->add_option(name, out)->required()->check(valueCheck([](std::string& value) {
            int number = 0;
            if (!parseByteNumber(value, number))
                return BAD_NUMBER + value;
            value = std::to_string(number);
            return std::string();
        }));
    };
    // Hex bytes, at least least and at most most of them.
    auto hexBytes = [&](CLI::App* sub, std::size_t least, std::size_t most, const char* wrongCount) {
        sub->add_option("HEX")->required()->check(
            valueCheck([this, least, most, wrongCount](std::string& value) {
                if (!parseHexBytes(value, m_bytes))
                    return BAD_HEX + value;
                return m_bytes.size() < least || m_bytes.size() > most ? std::string(wrongCount)
                                                                       : std::string();
            }));
    };
    // One word of a few.
    auto choice
        = [&](CLI::App* sub, const char* name, const std::vector<std::string>& words, std::string& out) {
              const std::string wrong = WRONG_ARGUMENTS + sub->get_name();
              sub->add_option(name, out)->required()->check(valueCheck([words, wrong](std::string& value) {
                  return std::find(words.begin(), words.end(), value) == words.end() ? wrong : std::string();
              }));
          };

    command("version", VorelinOperation::Version);
    command("present", VorelinOperation::Present);
    std::string selector;
    choice(command("beep", VorelinOperation::Beep), "SELECTOR", { "0", "1" }, selector);
    std::string power;
    choice(command("power", VorelinOperation::PowerOn), "STATE", { "on", "off" }, power);
    CLI::App* read = command("read", VorelinOperation::Read);
    byteNumber(read, "AREA", m_area);
    byteNumber(read, "ADDR", m_address);
    byteNumber(read, "COUNT", m_count);
    CLI::App* write = command("write", VorelinOperation::Write);
    byteNumber(write, "AREA", m_area);
    byteNumber(write, "ADDR", m_address);
    hexBytes(write, 1, VORELIN_MAX_WRITE_COUNT, TOO_MANY_BYTES);
    hexBytes(command("check-password", VorelinOperation::CheckPassword), PASSWORD_BYTES, PASSWORD_BYTES,
        PASSWORD_LENGTH);
    hexBytes(command("change-password", VorelinOperation::ChangePassword), PASSWORD_BYTES, PASSWORD_BYTES,
        PASSWORD_LENGTH);

    // CLI11 takes a line in reverse order.
    std::vector<std::string> reversed(given.rbegin(), given.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& problem) {
        using lodemar::CommandLineProblem;
        const lodemar::CommandLineError wrong = lodemar::commandLineError(app, problem);
        switch (wrong.problem) {
        case CommandLineProblem::UnknownCommand:
            error = UNKNOWN_COMMAND + wrong.word;
            break;
        case CommandLineProblem::UnknownOption:
            error = UNKNOWN_OPTION + wrong.word;
            break;
        case CommandLineProblem::WrongArguments:
            error = wrong.command.empty() ? UNKNOWN_COMMAND + wrong.word : WRONG_ARGUMENTS + wrong.command;
            break;
        default:
            error = wrong.detail;
            break;
        }
        return false;
    }
    if (m_help || m_version)
        return true;
    const auto chosen
        = std::find_if(commands.begin(), commands.end(), [](const Command& c) { return c.parsed->parsed(); });
    if (m_port.empty() || chosen == commands.end()) {
        error = SEE_HELP;
        return false;
    }
    m_operation = chosen->operation;
    if (m_operation == VorelinOperation::PowerOn && power == "off")
        m_operation = VorelinOperation::PowerOff;
    m_selector = selector == "1" ? 1 : 0;
    return true;
}

int CVorelinCommand::Run(std::ostream& out, std::ostream& err) const
{
    using namespace VorelinTexts;
    VorelinHandle port = OpenComProt(m_port.c_str());
    if (!port) {
        std::string reason;
        std::string hint;
        diagnosePort(m_port, reason, hint);
        err << "vorelin: " << CANNOT_OPEN << m_port << ": " << reason << "\n";
        if (!hint.empty())
            err << "vorelin: " << hint << "\n";
        return EXIT_CANNOT_OPEN;
    }
    std::uint8_t data[VORELIN_MAX_REPLY_DATA];
    std::uint32_t count = 0;
    std::int32_t indication = 0;
    std::int32_t result = VORELIN_ERR_IO;
    switch (m_operation) {
    case VorelinOperation::Version:
        result = GetICVersion(port, data, &count);
        if (result == VORELIN_OK)
            out << formatHexBytes(data, count) << "  \"" << printable(data, count) << "\"\n";
        break;
    case VorelinOperation::Present:
        result = IsCardPresent(port, &indication);
        if (result == VORELIN_OK)
            out << CARD_INDICATION << indication << "\n";
        break;
    case VorelinOperation::Beep:
        result = MakeBeep(port, m_selector);
        break;
    case VorelinOperation::PowerOn:
        result = PowerOn(port);
        break;
    case VorelinOperation::PowerOff:
        result = PowerOff(port);
        break;
    case VorelinOperation::Read:
        result = ReadData(port, data, m_count, m_address, m_area, &count);
        if (result == VORELIN_OK)
            out << formatHexBytes(data, count) << "\n";
        break;
    case VorelinOperation::Write:
        result = WriteData(port, m_bytes.data(), std::uint32_t(m_bytes.size()), m_address, m_area);
        break;
    case VorelinOperation::CheckPassword:
        result = CheckPassword(port, m_bytes.data());
        break;
    case VorelinOperation::ChangePassword:
        result = ChangePassword(port, m_bytes.data());
        break;
    }
    CloseComProt(port);
    out << RESULT << result << ": " << describeResult(result) << "\n";
    return exitStatusOf(result);
}
