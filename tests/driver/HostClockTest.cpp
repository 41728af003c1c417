// The host's 1 ms wait through CQuietLine: it counts from the keyboard's
// last reply, so the host's own work after a reply is not waited again; the
// keyboard must still get a whole millisecond of quiet before every byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include <tavrin/TavrinCore.h>

#include "HostClock.h"

namespace {

using Clock = std::chrono::steady_clock;

// A keyboard whose acknowledgement of every byte takes 300 us on the wire,
// noting when each byte arrived and when its reply was read. The host's
// work after a reply is spent where the core acknowledges it on port B.
struct CTimedKeyboard {
    static constexpr std::chrono::microseconds WIRE { 300 };
    Clock::duration m_workAfterReply {};
    std::vector<Clock::time_point> m_sent;
    std::vector<Clock::time_point> m_replied;
    bool m_replyWaiting = false;

    TavrinPlatform Platform()
    {
        TavrinPlatform p = tavrin::realKeyboardPlatform(this, false);
        p.readPort = [](void* c, std::uint16_t port) -> std::uint8_t {
            auto& self = *static_cast<CTimedKeyboard*>(c);
            if (port == KBC_STATUS_PORT)
                return self.m_replyWaiting && Clock::now() - self.m_sent.back() >= WIRE ? KBC_OUTPUT_FULL : 0;
            if (port != KBC_DATA_PORT)
                return 0;
            self.m_replyWaiting = false;
            self.m_replied.push_back(Clock::now());
            return KBD_ACK;
        };
        p.writePort = [](void* c, std::uint16_t port, std::uint8_t) {
            auto& self = *static_cast<CTimedKeyboard*>(c);
            if (port == KBC_DATA_PORT) {
                self.m_sent.push_back(Clock::now());
                self.m_replyWaiting = true;
            } else if (port == SYSTEM_PORT_B) {
                const Clock::time_point until = Clock::now() + self.m_workAfterReply;
                while (Clock::now() < until) { }
            }
        };
        return p;
    }
};

class HostClockTest : public ::testing::TestWithParam<std::chrono::microseconds> { };

TEST_P(HostClockTest, EveryByteFollowsTheKeyboardsLastReplyByAWholeMillisecond)
{
    CTimedKeyboard keyboard;
    keyboard.m_workAfterReply = GetParam();
    const TavrinPlatform ports = keyboard.Platform();
    // Two requests, as the transfer sends its packets one after the other.
    for (int request = 0; request < 2; ++request) {
        const tavrin::CQuietLine line(ports);
        std::uint8_t packet[12] = { 0xE8, 0x01, 0x00, 'k', 'e', 'y', 's', 0xFD, 0xE8, 0x02, 0x00, 0xFD };
        const TavrinCompletion done = TavrinServeControl(line.Platform(), IOCTL_SEND_BYTES, packet, 12, 0);
        ASSERT_EQ(done.status, TAVRIN_STATUS_SUCCESS);
        ASSERT_EQ(done.information, 0u);
    }
    ASSERT_EQ(keyboard.m_sent.size(), 24u);
    ASSERT_EQ(keyboard.m_replied.size(), 24u);
    for (std::size_t i = 1; i < keyboard.m_sent.size(); ++i)
        EXPECT_GE(keyboard.m_sent[i] - keyboard.m_replied[i - 1], std::chrono::milliseconds(1)) << "byte " << i;
}

// No work, less than the millisecond, more than it.
INSTANTIATE_TEST_SUITE_P(WorkAfterEachReply, HostClockTest,
    ::testing::Values(std::chrono::microseconds(0), std::chrono::microseconds(400),
        std::chrono::microseconds(1300)));

} // namespace
