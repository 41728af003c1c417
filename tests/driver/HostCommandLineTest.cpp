// The two hosts' command lines: the real keyboard's host knows four words
// and, started through pkexec, takes only "--hardware [--trace]"; the
// emulated keyboard's host is a program of its own.
#include <gtest/gtest.h>

#include "EmulatedOptions.h"
#include "HardwareLine.h"

using namespace tavrin;

namespace {

template <typename Options, typename Parse>
bool parse(std::vector<const char*> args, Options& options, std::string& error, Parse how)
{
    args.insert(args.begin(), "host");
    return how(static_cast<int>(args.size()), args.data(), options, error);
}

bool hardware(std::vector<const char*> args, HardwareLine& line, std::string& error, const char* pkexecUid)
{
    return parse(args, line, error, [&](int argc, const char* const* argv, HardwareLine& l, std::string& e) {
        return parseHardwareLine(argc, argv, pkexecUid, l, e);
    });
}

bool emulated(std::vector<const char*> args, EmulatedOptions& options, std::string& error)
{
    return parse(args, options, error, parseEmulatedOptions);
}

} // namespace

TEST(HostCommandLineTest, TheRealKeyboardsHostTakesOnlyItsFourWords)
{
    std::string error;
    HardwareLine ok;
    ASSERT_TRUE(hardware({ "--hardware", "--trace" }, ok, error, "1000")) << error;
    EXPECT_EQ(ok.settings.callerUid, 1000u);
    EXPECT_TRUE(ok.settings.trace);
    EXPECT_TRUE(ok.settings.socketPath.empty());
    HardwareLine help;
    EXPECT_TRUE(hardware({ "--help" }, help, error, "1000") && help.help);

    // Every option of the emulator and of the test builds is an unknown word
    // here, with pkexec or without.
    const std::vector<std::vector<const char*>> refused = {
        { "--hardware", "--socket", "/tmp/s" },
        { "--emulate", "/root/x", "--socket", "/tmp/s" },
        { "--hardware", "--fault", "silent" },
        { "--hardware", "--allow-uid", "1001" },
        { "--hardware", "--test-sysfs-root", "/tmp/sys" },
        { "--hardware", "--test-release-ms", "10" },
        { "--hardware", "--hardware=1" },
        {},
    };
    for (const auto& line : refused)
        for (const char* caller : { "1000", static_cast<const char*>(nullptr) }) {
            HardwareLine l;
            EXPECT_FALSE(hardware(line, l, error, caller)) << (line.empty() ? "" : line.back());
        }
    HardwareLine version;
    EXPECT_FALSE(hardware({ "--hardware", "--version" }, version, error, "1000"));
    EXPECT_NE(error.find("only the real keyboard"), std::string::npos) << error;
    for (const char* uid : { "12x", "", "4294967295", "-1" }) {
        HardwareLine bad;
        EXPECT_FALSE(hardware({ "--hardware" }, bad, error, uid)) << uid;
    }
}

TEST(HostCommandLineTest, TheEmulatedKeyboardsHostWithFaults)
{
    EmulatedOptions o;
    std::string error;
    ASSERT_TRUE(emulated({ "--socket=/run/t.sock", "--emulate", "kb.bin", "--fault", "refuse",
                             "--fault=stall=12", "--fault", "busy", "--trace", "--allow-uid", "1001" },
        o, error))
        << error;
    EXPECT_EQ(o.settings.socketPath, "/run/t.sock");
    EXPECT_EQ(o.memoryFile, "kb.bin");
    EXPECT_TRUE(o.faults.keyboard.refuse);
    EXPECT_EQ(o.faults.keyboard.stallAfter, 12);
    EXPECT_TRUE(o.faults.busyController);
    EXPECT_TRUE(o.settings.trace);
    EXPECT_EQ(o.allowUid, 1001u);

    const std::pair<std::vector<const char*>, std::string> refused[] = {
        { { "--socket", "s" }, "--emulate MEMFILE is required" },
        { { "--emulate", "m" }, "--socket PATH is required" },
        { { "--socket", "s", "--emulate", "m", "--hardware" }, "unknown option --hardware" },
        { { "--socket", "s", "--emulate", "m", "--fault", "loud" }, "unknown fault loud" },
        { { "--socket", "s", "--emulate" }, "missing value for --emulate" },
        // As every program of the suite: an unknown option explains the rest.
        { { "--socket", "s", "--bogus", "--emulate" }, "unknown option --bogus" },
        { { "--socket", "s", "--emulate", "m", "--test-idle-ms", "0" }, "not a time in milliseconds: 0" },
        { { "--socket", "s", "--emulate", "m", "--allow-uid", "x" }, "not a user id: x" },
    };
    for (const auto& [line, message] : refused) {
        EmulatedOptions bad;
        EXPECT_FALSE(emulated(line, bad, error)) << message;
        EXPECT_EQ(error, message);
    }
}
