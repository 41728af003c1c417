// One invocation of the vorelin tool: its parsed command line, and running it
// against the library.
#pragma once

#include <lodemar/ExitCodes.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

enum class VorelinOperation {
    Version,
    Present,
    Beep,
    PowerOn,
    PowerOff,
    Read,
    Write,
    CheckPassword,
    ChangePassword
};

// Exit statuses of the tool, from the suite's table.
enum : int {
    EXIT_RESULT_OK = lodemar::EXIT_OK,
    EXIT_READER_STATUS = lodemar::EXIT_FAILED,
    EXIT_EXCHANGE_FAILED = lodemar::EXIT_NO_REPLY,
    EXIT_CANNOT_OPEN = lodemar::EXIT_CANNOT_OPEN,
    EXIT_USAGE = lodemar::EXIT_USAGE,
};

class CVorelinCommand {
public:
    // Parses "PORT COMMAND ARGUMENTS" (argv without the program name), or a
    // request for help or the version. Returns false with a message in error
    // when they do not make a command; help and the version win over that.
    [[nodiscard]] bool Parse(const std::vector<std::string>& given, std::string& error);
    bool HelpRequested() const { return m_help; }
    bool VersionRequested() const { return m_version; }

    // Opens the port, performs the operation, prints its data and result,
    // and returns the exit status.
    int Run(std::ostream& out, std::ostream& err) const;

    const std::string& Port() const { return m_port; }
    VorelinOperation Operation() const { return m_operation; }
    int Area() const { return m_area; }
    int Address() const { return m_address; }
    int Count() const { return m_count; }
    int Selector() const { return m_selector; }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::string m_port;
    VorelinOperation m_operation = VorelinOperation::Version;
    int m_area = 0;
    int m_address = 0;
    int m_count = 0;
    int m_selector = 0;
    std::vector<std::uint8_t> m_bytes;
    bool m_help = false;
    bool m_version = false;
};

// Why the port cannot be opened, in the system's words where it has them
// ("No such file or directory", "Permission denied", ...), from a look at
// the port itself (the library gives only a null handle). hint is set when
// there is something the user can do, such as joining the port's group.
void diagnosePort(const std::string& port, std::string& reason, std::string& hint);

// "0x1F" or "31" as 0..255; false otherwise.
[[nodiscard]] bool parseByteNumber(const std::string& text, int& out);
// Hex digit pairs, optionally separated by ' ', ':' or '-'.
[[nodiscard]] bool parseHexBytes(const std::string& text, std::vector<std::uint8_t>& out);
// "AA 55 01"
std::string formatHexBytes(const std::uint8_t* bytes, std::size_t count);
// The readable meaning of a library result code.
std::string describeResult(std::int32_t result);
// The exit status for a library result code.
int exitStatusOf(std::int32_t result);
