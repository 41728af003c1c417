#include <app/ProgramChannel.h>

#include <tavrin/TavrinControl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace app;
using namespace driverchannel;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace

// Asked for the emulated keyboard with no place for its memory, the program
// must not fall back to the real keyboard: nothing loads, requests fail.
TEST(ProgramChannel, EmulationWithoutAMemoryFolderReachesNoKeyboard)
{
    ScopedEnv state("XDG_STATE_HOME", "/proc/lodemar-no-such-folder");
    ScopedEnv home("HOME", "/proc/lodemar-no-such-folder");
    ProgramOptions options;
    options.emulate = true;
    const auto channel = CreateProgramChannel(options);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(
        channel->Load(driverchannel::DRIVER_NAME, nullptr, nullptr, true), CHANNEL_DRIVER_FILE_NOT_FOUND);
    const std::uint8_t packet[] = { 0xED, 0x00 };
    std::uint8_t reply[16] = {};
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_NO_DEVICE);
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, packet, 1, reply, sizeof reply), CHANNEL_NO_DEVICE);
}
