// Fault names as a user writes them (the test build of the NT driver reads
// them from its fault file).
#include <gtest/gtest.h>

#include <kbemu/KeyboardFaultNames.h>

TEST(FaultNamesTest, EachNameSetsItsFaultAndBadNamesChangeNothing)
{
    struct Case {
        const char* name;
        bool accepted;
        bool silent, refuse, endless, busy;
        std::int64_t stallAfter;
    };
    const Case cases[] = {
        { "silent", true, true, false, false, false, -1 },
        { "refuse", true, false, true, false, false, -1 },
        { "endless", true, false, false, true, false, -1 },
        { "busy", true, false, false, false, true, -1 },
        { "stall=0", true, false, false, false, false, 0 },
        { "stall=9223372036854775807", true, false, false, false, false, INT64_MAX },
        { "stall=9223372036854775808", false, false, false, false, false, -1 },
        { "stall=", false, false, false, false, false, -1 },
        { "stall=5x", false, false, false, false, false, -1 },
        { "stall=-1", false, false, false, false, false, -1 },
        { "Silent", false, false, false, false, false, -1 },
        { "", false, false, false, false, false, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kbemu::EmulatedFaults faults;
        EXPECT_EQ(kbemu::addFaultByName(c.name, faults), c.accepted);
        EXPECT_EQ(faults.keyboard.silent, c.silent);
        EXPECT_EQ(faults.keyboard.refuse, c.refuse);
        EXPECT_EQ(faults.keyboard.endless, c.endless);
        EXPECT_EQ(faults.busyController, c.busy);
        EXPECT_EQ(faults.keyboard.stallAfter, c.stallAfter);
    }
}
