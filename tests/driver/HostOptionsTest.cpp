// The host's command line.
#include <gtest/gtest.h>

#include "HostOptions.h"

using tavrin::HostOptions;

namespace {

bool parse(
    std::vector<const char*> args, HostOptions& options, std::string& error, const char* pkexec = nullptr)
{
    args.insert(args.begin(), "tavrin");
    return tavrin::parseHostOptions(static_cast<int>(args.size()), args.data(), pkexec, options, error);
}

} // namespace

TEST(HostOptionsTest, EmulationWithFaults)
{
    HostOptions o;
    std::string error;
    ASSERT_TRUE(parse({ "--socket=/run/t.sock", "--emulate", "kb.bin", "--fault", "refuse",
                          "--fault=stall=12", "--fault", "busy", "--trace" },
        o, error))
        << error;
    EXPECT_EQ(o.socketPath, "/run/t.sock");
    EXPECT_EQ(o.memoryFile, "kb.bin");
    EXPECT_TRUE(o.faults.refuse);
    EXPECT_EQ(o.faults.stallAfter, 12);
    EXPECT_TRUE(o.busyController);
    EXPECT_TRUE(o.trace);
    EXPECT_FALSE(o.allowUid);
}

TEST(HostOptionsTest, AllowedUserComesFromTheLineOrFromPkexec)
{
    HostOptions fromEnv;
    std::string error;
    ASSERT_TRUE(parse({ "--socket", "s", "--hardware" }, fromEnv, error, "1000"));
    EXPECT_EQ(fromEnv.allowUid, 1000u);

    HostOptions fromLine;
    ASSERT_TRUE(parse({ "--socket", "s", "--hardware", "--allow-uid", "1001" }, fromLine, error, "1000"));
    EXPECT_EQ(fromLine.allowUid, 1001u);

    HostOptions bad;
    EXPECT_FALSE(parse({ "--socket", "s", "--hardware" }, bad, error, "12x"));
    EXPECT_FALSE(parse({ "--socket", "s", "--hardware", "--allow-uid", "4294967295" }, bad, error));
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
}
