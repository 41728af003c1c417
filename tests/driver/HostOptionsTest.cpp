// The host's command line.
#include <gtest/gtest.h>

#include "HostOptions.h"

using tavrin::HostCaller;
using tavrin::HostOptions;

namespace {

bool parse(std::vector<const char*> args, HostOptions& options, std::string& error, HostCaller caller = {})
{
    args.insert(args.begin(), "tavrin");
    return tavrin::parseHostOptions(static_cast<int>(args.size()), args.data(), caller, options, error);
}

} // namespace

TEST(HostOptionsTest, EmulationWithFaults)
{
    HostOptions o;
    std::string error;
    ASSERT_TRUE(parse({ "--socket=/run/t.sock", "--emulate", "kb.bin", "--fault", "refuse",
                          "--fault=stall=12", "--fault", "busy", "--trace", "--allow-uid", "1001" },
        o, error))
        << error;
    EXPECT_EQ(o.socketPath, "/run/t.sock");
    EXPECT_EQ(o.memoryFile, "kb.bin");
    EXPECT_TRUE(o.faults.keyboard.refuse);
    EXPECT_EQ(o.faults.keyboard.stallAfter, 12);
    EXPECT_TRUE(o.faults.busyController);
    EXPECT_TRUE(o.trace);
    EXPECT_EQ(o.allowUid, 1001u);
    EXPECT_FALSE(o.privileged);
    HostOptions version;
    ASSERT_TRUE(parse({ "--version" }, version, error)) << error;
    EXPECT_TRUE(version.version);
}

TEST(HostOptionsTest, PrivilegedHostTakesOnlyTheRealKeyboard)
{
    const HostCaller pkexec { "1000", false, 0 };
    const HostCaller setUid { nullptr, true, 1002 };
    HostOptions ok;
    std::string error;
    ASSERT_TRUE(parse({ "--hardware", "--trace" }, ok, error, pkexec)) << error;
    EXPECT_TRUE(ok.privileged);
    EXPECT_EQ(ok.callerUid, 1000u);
    EXPECT_TRUE(ok.socketPath.empty());
    HostOptions bySetUid;
    ASSERT_TRUE(parse({ "--hardware" }, bySetUid, error, setUid));
    EXPECT_EQ(bySetUid.callerUid, 1002u);

    const std::vector<std::vector<const char*>> refused = {
        { "--hardware", "--socket", "/tmp/s" },
        { "--emulate", "/root/x", "--socket", "/tmp/s" },
        { "--hardware", "--fault", "silent" },
        { "--hardware", "--allow-uid", "1001" },
        { "--hardware", "--test-sysfs-root", "/tmp/sys" },
        { "--hardware", "--test-idle-ms", "10" },
        { "--hardware", "--test-release-ms", "10" },
        { "--hardware", "--version" },
        {},
    };
    for (const auto& line : refused) {
        for (const HostCaller& caller : { pkexec, setUid }) {
            HostOptions o;
            EXPECT_FALSE(parse(line, o, error, caller)) << (line.empty() ? "" : line.back());
            EXPECT_NE(error.find("only the real keyboard"), std::string::npos) << error;
        }
    }
    HostOptions badUid;
    EXPECT_FALSE(parse({ "--hardware" }, badUid, error, HostCaller { "12x", false, 0 }));
}

TEST(HostOptionsTest, TheKeyboardIsNeverChosenSilently)
{
    std::string error;
    HostOptions o1;
    EXPECT_FALSE(parse({ "--socket", "s" }, o1, error));
    HostOptions o2;
    EXPECT_FALSE(parse({ "--socket", "s", "--hardware", "--emulate", "m" }, o2, error));
    HostOptions o3;
    EXPECT_FALSE(parse({ "--socket", "s", "--hardware", "--fault", "silent" }, o3, error));
    HostOptions o4;
    EXPECT_FALSE(parse({ "--emulate", "m" }, o4, error));
    HostOptions o5;
    EXPECT_FALSE(parse({ "--socket", "s", "--emulate", "m", "--fault", "loud" }, o5, error));
    EXPECT_EQ(error, "unknown fault loud");
    HostOptions o6;
    EXPECT_FALSE(parse({ "--socket", "s", "--emulate" }, o6, error));
    EXPECT_EQ(error, "missing value for --emulate");
    HostOptions o7;
    EXPECT_FALSE(parse({ "--hardware", "--test-dev-root", "/tmp/dev" }, o7, error));
    HostOptions o8;
    EXPECT_FALSE(parse({ "--socket", "s", "--emulate", "m", "--test-idle-ms", "0" }, o8, error));
}
