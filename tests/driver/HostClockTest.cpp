// The host's 1 ms wait through CQuietLine counts from the keyboard's last
// reply; the keyboard must still get a whole millisecond after each one.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "HostClock.h"

namespace {

using Clock = std::chrono::steady_clock;

// Acknowledges each byte after 300 us on the wire; the host's work after a
// reply is spent where the core acknowledges it on port B.
struct CTimedKeyboard {
    Clock::duration m_work {};
    std::vector<Clock::time_point> m_sent, m_replied;
    bool m_replyDue = false;

    static CTimedKeyboard& Of(void* c) { return *static_cast<CTimedKeyboard*>(c); }
    static std::uint8_t Read(void* c, std::uint16_t port)
    {
        CTimedKeyboard& self = Of(c);
        if (port == KBC_STATUS_PORT)
            return self.m_replyDue && Clock::now() - self.m_sent.back() >= std::chrono::microseconds(300)
                ? KBC_OUTPUT_FULL
                : 0;
        if (port == KBC_DATA_PORT) {
            self.m_replyDue = false;
            self.m_replied.push_back(Clock::now());
        }
        return KBD_ACK;
    }
    static void Write(void* c, std::uint16_t port, std::uint8_t)
    {
        CTimedKeyboard& self = Of(c);
        if (port == KBC_DATA_PORT) {
            self.m_sent.push_back(Clock::now());
            self.m_replyDue = true;
        } else if (port == SYSTEM_PORT_B) {
            const Clock::time_point until = Clock::now() + self.m_work;
            while (Clock::now() < until) { }
        }
    }
};

class HostClockTest : public ::testing::TestWithParam<int> { };

TEST_P(HostClockTest, EveryByteFollowsTheKeyboardsLastReplyByAWholeMillisecond)
{
    CTimedKeyboard keyboard;
    keyboard.m_work = std::chrono::microseconds(GetParam());
    TavrinPlatform ports = tavrin::realKeyboardPlatform(&keyboard, false);
    ports.readPort = CTimedKeyboard::Read;
    ports.writePort = CTimedKeyboard::Write;
    for (int request = 0; request < 2; ++request) { // as the transfer sends packet after packet
        const tavrin::CQuietLine line(ports);
        std::uint8_t packet[8] = { 0xE8, 0x01, 0x00, 'k', 'e', 'y', 's', 0xFD };
        ASSERT_EQ(TavrinServeControl(line.Platform(), IOCTL_SEND_BYTES, packet, 8, 0).information, 0u);
    }
    ASSERT_EQ(keyboard.m_replied.size(), 16u);
    for (std::size_t i = 1; i < keyboard.m_sent.size(); ++i)
        EXPECT_GE(keyboard.m_sent[i] - keyboard.m_replied[i - 1], std::chrono::milliseconds(1))
            << "byte " << i;
}

// Microseconds of the host's work after each reply: none, less than the
// millisecond, more than it.
INSTANTIATE_TEST_SUITE_P(WorkAfterEachReply, HostClockTest, ::testing::Values(0, 400, 1300));

} // namespace
