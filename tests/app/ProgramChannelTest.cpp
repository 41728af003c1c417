#include <app/ProgramChannel.h>

#include <app/MainDialogIds.h>

#include <gtest/gtest.h>

#include <cstdint>

using namespace app;
using namespace driverchannel;

#if !defined(LODEMAR_DRIVERCHANNEL_HAS_DEFAULT_PLATFORM)
// Without a driver platform in the build, neither keyboard can be reached:
// the channel must say so rather than report success.
TEST(ProgramChannel, WithoutADriverPlatformNothingLoadsAndEveryRequestFails)
{
    for (const bool emulate : { false, true }) {
        ProgramOptions options;
        options.emulate = emulate;
        const auto channel = CreateProgramChannel(options);
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_DRIVER_FILE_NOT_FOUND);
        const std::uint8_t packet[] = { 0xED, 0x00 };
        std::uint8_t reply[16] = {};
        EXPECT_EQ(channel->Send(0x0022E000, packet, sizeof packet), CHANNEL_NO_DEVICE);
        EXPECT_EQ(channel->Request(0x0022E008, packet, 1, reply, sizeof reply), CHANNEL_NO_DEVICE);
    }
}
#endif
