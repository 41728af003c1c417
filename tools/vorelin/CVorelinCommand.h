// One invocation of the vorelin tool: its parsed command line, and running it
// against the library.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

enum class EVorelinOperation { Version, Present, Beep, PowerOn, PowerOff, Read, Write, CheckPassword, ChangePassword };

// Exit statuses of the tool.
enum : int {
    EXIT_RESULT_OK = 0,
    EXIT_READER_STATUS = 1,
    EXIT_EXCHANGE_FAILED = 2,
    EXIT_CANNOT_OPEN = 3,
    EXIT_USAGE = 64,
};

class CVorelinCommand {
public:
    // Parses "PORT COMMAND ARGUMENTS" (argv without the program name).
    // Returns false with a message in error when they do not make a command.
    bool Parse(const std::vector<std::string>& args, std::string& error);

    // Opens the port, performs the operation, prints its data and result,
    // and returns the exit status.
    int Run(std::ostream& out, std::ostream& err) const;

    const std::string& Port() const { return port_; }
    EVorelinOperation Operation() const { return operation_; }
    int Area() const { return area_; }
    int Address() const { return address_; }
    int Count() const { return count_; }
    int Selector() const { return selector_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::string port_;
    EVorelinOperation operation_ = EVorelinOperation::Version;
    int area_ = 0;
    int address_ = 0;
    int count_ = 0;
    int selector_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// "0x1F" or "31" as 0..255; false otherwise.
bool parseByteNumber(const std::string& text, int& out);
// Hex digit pairs, optionally separated by ' ', ':' or '-'.
bool parseHexBytes(const std::string& text, std::vector<std::uint8_t>& out);
// "AA 55 01"
std::string formatHexBytes(const std::uint8_t* bytes, std::size_t count);
// The readable meaning of a library result code.
std::string describeResult(std::int32_t result);
// The exit status for a library result code.
int exitStatusOf(std::int32_t result);
