#include "CVorelinCommand.h"

#include "VorelinTexts.h"

#include <vorelin.h>

#include <CLI/CLI.hpp>

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
            return std::string(MEANING_READER_STATUS) + status;
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
    // CLI11 takes the port, the command and its arguments apart; their
    // values are checked below.
    static const char* const COMMANDS[]
        = { "version", "present", "beep", "power", "read", "write", "check-password", "change-password" };
    CLI::App app("", "vorelin");
    app.set_help_flag();
    app.set_version_flag();
    app.add_flag("-h,--help", help_);
    app.add_flag("--version", version_);
    app.add_option("PORT", port_);
    std::vector<std::string> values;
    for (const char* command : COMMANDS) {
        CLI::App* sub = app.add_subcommand(command);
        sub->set_help_flag();
        sub->add_flag("-h,--help", help_);
        sub->add_option("ARGUMENTS", values);
    }
    std::vector<std::string> reversed(given.rbegin(), given.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& problem) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        const std::vector<std::string> rest = (chosen.empty() ? &app : chosen.front())->remaining();
        if (rest.empty())
            error = problem.what();
        else if (rest.front().size() > 1 && rest.front()[0] == '-')
            error = UNKNOWN_OPTION + rest.front();
        else
            error = chosen.empty() ? UNKNOWN_COMMAND + rest.front() : WRONG_ARGUMENTS + chosen.front()->get_name();
        return false;
    }
    if (help_ || version_)
        return true;
    if (port_.empty() || app.get_subcommands().empty()) {
        error = SEE_HELP;
        return false;
    }
    // The same arguments as before, each command checking its own.
    std::vector<std::string> args { port_, app.get_subcommands().front()->get_name() };
    args.insert(args.end(), values.begin(), values.end());
    const std::string& name = args[1];
    const std::size_t count = values.size();
    auto arity = [&](std::size_t n) {
        if (count == n)
            return true;
        error = WRONG_ARGUMENTS + name;
        return false;
    };
    auto number = [&](std::size_t i, int& out) {
        if (parseByteNumber(args[i], out))
            return true;
        error = BAD_NUMBER + args[i];
        return false;
    };
    auto hex = [&](std::size_t i) {
        if (parseHexBytes(args[i], bytes_))
            return true;
        error = BAD_HEX + args[i];
        return false;
    };

    if (name == "version") {
        operation_ = EVorelinOperation::Version;
        return arity(0);
    }
    if (name == "present") {
        operation_ = EVorelinOperation::Present;
        return arity(0);
    }
    if (name == "beep") {
        operation_ = EVorelinOperation::Beep;
        if (!arity(1))
            return false;
        if (args[2] != "0" && args[2] != "1") {
            error = WRONG_ARGUMENTS + name;
            return false;
        }
        selector_ = args[2] == "1" ? 1 : 0;
        return true;
    }
    if (name == "power") {
        if (!arity(1))
            return false;
        if (args[2] == "on")
            operation_ = EVorelinOperation::PowerOn;
        else if (args[2] == "off")
            operation_ = EVorelinOperation::PowerOff;
        else {
            error = WRONG_ARGUMENTS + name;
            return false;
        }
        return true;
    }
    if (name == "read") {
        operation_ = EVorelinOperation::Read;
        return arity(3) && number(2, area_) && number(3, address_) && number(4, count_);
    }
    if (name == "write") {
        operation_ = EVorelinOperation::Write;
        if (!(arity(3) && number(2, area_) && number(3, address_) && hex(4)))
            return false;
        if (bytes_.size() > VORELIN_MAX_WRITE_COUNT) {
            error = TOO_MANY_BYTES;
            return false;
        }
        return true;
    }
    if (name == "check-password" || name == "change-password") {
        operation_ = name == "check-password" ? EVorelinOperation::CheckPassword : EVorelinOperation::ChangePassword;
        if (!(arity(1) && hex(2)))
            return false;
        if (bytes_.size() != PASSWORD_BYTES) {
            error = PASSWORD_LENGTH;
            return false;
        }
        return true;
    }
    error = UNKNOWN_COMMAND + name;
    return false;
}

int CVorelinCommand::Run(std::ostream& out, std::ostream& err) const
{
    using namespace VorelinTexts;
    VorelinHandle port = OpenComProt(port_.c_str());
    if (!port) {
        std::string reason;
        std::string hint;
        diagnosePort(port_, reason, hint);
        err << "vorelin: " << CANNOT_OPEN << port_ << ": " << reason << "\n";
        if (!hint.empty())
            err << "vorelin: " << hint << "\n";
        return EXIT_CANNOT_OPEN;
    }
    std::uint8_t data[VORELIN_MAX_REPLY_DATA];
    std::uint32_t count = 0;
    std::int32_t indication = 0;
    std::int32_t result = VORELIN_ERR_IO;
    switch (operation_) {
    case EVorelinOperation::Version:
        result = GetICVersion(port, data, &count);
        if (result == VORELIN_OK)
            out << formatHexBytes(data, count) << "  \"" << printable(data, count) << "\"\n";
        break;
    case EVorelinOperation::Present:
        result = IsCardPresent(port, &indication);
        if (result == VORELIN_OK)
            out << CARD_INDICATION << indication << "\n";
        break;
    case EVorelinOperation::Beep:
        result = MakeBeep(port, selector_);
        break;
    case EVorelinOperation::PowerOn:
        result = PowerOn(port);
        break;
    case EVorelinOperation::PowerOff:
        result = PowerOff(port);
        break;
    case EVorelinOperation::Read:
        result = ReadData(port, data, count_, address_, area_, &count);
        if (result == VORELIN_OK)
            out << formatHexBytes(data, count) << "\n";
        break;
    case EVorelinOperation::Write:
        result = WriteData(port, bytes_.data(), std::uint32_t(bytes_.size()), address_, area_);
        break;
    case EVorelinOperation::CheckPassword:
        result = CheckPassword(port, bytes_.data());
        break;
    case EVorelinOperation::ChangePassword:
        result = ChangePassword(port, bytes_.data());
        break;
    }
    CloseComProt(port);
    out << RESULT << result << ": " << describeResult(result) << "\n";
    return exitStatusOf(result);
}
