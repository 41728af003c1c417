// vorelin-emu: the emulated card reader as a program. Prints the slave device
// of its pseudo-terminal on the first line of its output, then serves it and
// takes console commands, one a line, on its input; each is answered by a
// line starting "ok" or "error". Ends on "quit", SIGINT or SIGTERM.
#include "CCardReaderEmulator.h"
#include "ReaderStatus.h"

#include <lodemar/ExitCodes.h>
#include <lodemar/Version.h>

#include <lodemar/CommandLine.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

const char* const USAGE = R"(usage: vorelin-emu [options]
       vorelin-emu --version
Serves an emulated IC card reader on a new pseudo-terminal and prints the
device to open as its serial port on the first line of its output.

options:
  --no-pacing            send replies at once instead of at 9600 baud
  --link PATH            also make PATH a symbolic link to the device
  --version-string TEXT  the reader's version (default "VR-EMU 1.00")
  --password HEX         the card's password, three bytes (default FFFFFF)
  --no-card              start with the card slot empty
  -h, --help             this text
  --version              the suite's version

console commands (one a line on standard input):
  insert | remove                      put the card in / take it out
  fault KIND [VALUE]                   fault the next unfaulted request:
        bad-check | silence | garbage | status [STATUS] |
        partial [BYTES KEPT] | late [DELAY MS] | reply HEX
  clear-faults                         forget faults not yet used
  pacing on|off                        9600-baud pacing
  password HEX                         set the card's password
  state                                card and reader state
  dump AREA                            an area's bytes in hex
  wait-idle                            answer once no reply is in progress
  quit

exit status: 0 after quit or a signal, 2 wrong usage, 6 no pseudo-terminal
(or the link cannot be made).
)";

// A wrong command line in a few words.
std::string usageProblem(const lodemar::CommandLineError& error)
{
    switch (error.problem) {
    case lodemar::CommandLineProblem::UnknownOption:
        return "unknown option: " + error.word;
    case lodemar::CommandLineProblem::WrongArguments:
        return "unexpected argument: " + error.word;
    case lodemar::CommandLineProblem::MissingValue:
        return error.word + " needs a value";
    default:
        return error.detail;
    }
}

int g_signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char b = 1;
    (void)!write(g_signalPipe[1], &b, 1);
}

bool parseHex(const std::string& text, std::vector<std::uint8_t>& out)
{
    if (text.size() % 2 != 0)
        return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long v = std::strtol(pair.c_str(), &end, 16);
        if (*end != 0)
            return false;
        out.push_back(std::uint8_t(v));
    }
    return true;
}

bool parseNumber(const std::string& text, long min, long max, long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text.c_str(), &end, 0);
    return *end == 0 && errno == 0 && out >= min && out <= max;
}

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

// Runs one console command; returns the answer line. Sets quit on "quit".
std::string command(CCardReaderEmulator& emu, const std::string& line, bool& quit)
{
    std::istringstream in(line);
    std::string word, arg;
    in >> word >> arg;
    if (word.empty())
        return "";
    if (word == "quit") {
        quit = true;
        return "ok";
    }
    if (word == "insert" || word == "remove") {
        emu.WithModel([&](CCardReaderModel& m) { word == "insert" ? m.InsertCard() : m.RemoveCard(); });
        return "ok";
    }
    if (word == "fault") {
        const auto kind = readerFaultFromName(arg);
        if (!kind)
            return "error: unknown fault " + arg;
        ReaderFault fault;
        fault.kind = *kind;
        std::string value;
        long n = 0;
        if (in >> value) {
            if (*kind == ReaderFaultKind::ErrorStatus && parseNumber(value, 1, 255, n))
                fault.status = std::uint8_t(n);
            else if (*kind == ReaderFaultKind::Partial && parseNumber(value, 0, 259, n))
                fault.keep = std::size_t(n);
            else if (*kind == ReaderFaultKind::Late && parseNumber(value, 0, 60000, n))
                fault.delay = std::chrono::milliseconds(n);
            else if (*kind == ReaderFaultKind::Canned && parseHex(value, fault.reply)) {
                // taken as it is
            } else
                return "error: bad value " + value;
        }
        emu.ArmFault(fault);
        return "ok";
    }
    if (word == "clear-faults") {
        emu.ClearFaults();
        return "ok";
    }
    if (word == "pacing" && (arg == "on" || arg == "off")) {
        emu.SetPacing(arg == "on");
        return "ok";
    }
    if (word == "password") {
        std::vector<std::uint8_t> bytes;
        if (!parseHex(arg, bytes) || bytes.size() != CMemoryCard::PASSWORD_LENGTH)
            return "error: the password is three bytes in hex";
        emu.WithModel([&](CCardReaderModel& m) { m.Card().SetPassword({ bytes[0], bytes[1], bytes[2] }); });
        return "ok";
    }
    if (word == "state") {
        std::ostringstream out;
        emu.WithModel([&](CCardReaderModel& m) {
            out << "ok present=" << m.CardPresent() << " powered=" << m.Powered()
                << " verified=" << m.Card().Verified() << " attempts=" << int(m.Card().AttemptsLeft())
                << " beeps=" << m.Beeps(0) << "," << m.Beeps(1);
        });
        out << " requests=" << emu.Requests().size() << " faults=" << emu.PendingFaults();
        return out.str();
    }
    if (word == "dump") {
        long area = 0;
        if (!parseNumber(arg, 0, 255, area))
            return "error: dump AREA";
        std::string bytes;
        emu.WithModel([&](CCardReaderModel& m) { bytes = hex(m.Card().Area(std::uint8_t(area))); });
        return "ok " + bytes;
    }
    if (word == "wait-idle")
        return emu.WaitIdle(std::chrono::seconds(60)) ? "ok" : "error: still busy";
    return "error: unknown command (see --help)";
}

} // namespace

int main(int argc, char** argv)
try {
    bool noPacing = false;
    bool noCard = false;
    bool help = false;
    bool version = false;
    std::string link;
    std::string versionString = CCardReaderModel::DEFAULT_VERSION;
    std::string passwordHex;
    CLI::App app("", "vorelin-emu");
    lodemar::setUpParser(app, help);
    app.add_flag("--version", version);
    app.add_flag("--no-pacing", noPacing);
    app.add_flag("--no-card", noCard);
    app.add_option("--link", link);
    app.add_option("--version-string", versionString);
    app.add_option("--password", passwordHex);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (!help) {
            std::cerr << "vorelin-emu: " << usageProblem(lodemar::commandLineError(app, error)) << "\n"
                      << USAGE;
            return lodemar::EXIT_USAGE;
        }
    }
    if (help) {
        std::cout << USAGE;
        return lodemar::EXIT_OK;
    }
    if (version) {
        std::cout << "vorelin-emu " << LODEMAR_VERSION << "\n";
        return lodemar::EXIT_OK;
    }
    std::vector<std::uint8_t> password(
        CMemoryCard::DEFAULT_PASSWORD.begin(), CMemoryCard::DEFAULT_PASSWORD.end());
    if (app.count("--password") > 0
        && (!parseHex(passwordHex, password) || password.size() != CMemoryCard::PASSWORD_LENGTH)) {
        std::cerr << "vorelin-emu: the password is three bytes in hex\n";
        return lodemar::EXIT_USAGE;
    }
    const bool pacing = !noPacing;
    const bool card = !noCard;

    CCardReaderEmulator emu;
    emu.SetPacing(pacing);
    emu.WithModel([&](CCardReaderModel& m) {
        m.SetVersion(versionString);
        m.Card().SetPassword({ password[0], password[1], password[2] });
        if (!card)
            m.RemoveCard();
    });
    if (const int rc = emu.Start(); rc != 0) {
        std::cerr << "vorelin-emu: cannot open a pseudo-terminal: " << std::strerror(-rc) << "\n";
        return lodemar::EXIT_CANNOT_OPEN;
    }
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(emu.SlavePath().c_str(), link.c_str()) != 0) {
            std::cerr << "vorelin-emu: cannot link " << link << ": " << std::strerror(errno) << "\n";
            return lodemar::EXIT_CANNOT_OPEN;
        }
    }

    if (pipe(g_signalPipe) != 0)
        return lodemar::EXIT_FAILED;
    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::cout << emu.SlavePath() << std::endl;

    std::string pending;
    bool inputOpen = true;
    bool quit = false;
    while (!quit) {
        pollfd p[2] = { { STDIN_FILENO, short(inputOpen ? POLLIN : 0), 0 }, { g_signalPipe[0], POLLIN, 0 } };
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (p[1].revents)
            break;
        if (!(p[0].revents & (POLLIN | POLLHUP)))
            continue;
        char buf[512];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            // Without a console it serves until a signal ends it.
            inputOpen = false;
            continue;
        }
        pending.append(buf, std::size_t(n));
        std::size_t eol;
        while (!quit && (eol = pending.find('\n')) != std::string::npos) {
            const std::string answer = command(emu, pending.substr(0, eol), quit);
            pending.erase(0, eol + 1);
            if (!answer.empty())
                std::cout << answer << std::endl;
        }
    }
    emu.Stop();
    if (!link.empty())
        unlink(link.c_str());
    return 0;
} catch (const std::exception& error) {
    // Out of memory, or a broken standard stream: said, not aborted on.
    std::fprintf(stderr, "vorelin-emu: %s\n", error.what());
    return 1;
}
