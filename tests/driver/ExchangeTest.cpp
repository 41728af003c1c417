// send_cmd and read_data against the emulated PC.
#include <string>

#include "CoreFixture.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t INITIAL_MASK = 0xB8;
constexpr std::uint8_t INITIAL_PORT_B = 0x30;

} // namespace

class SendCmdTest : public CoreFixture { };

TEST_F(SendCmdTest, ExchangesOneByteUnderMaskedIrq1AndAcknowledgesOnPortB)
{
    EXPECT_EQ(send_cmd(&m_platform, 0xE8), 0xFA);

    EXPECT_EQ(m_seen.received, Bytes { 0xE8 });
    // The wait comes before the mask, the mask before the byte.
    const std::vector<PortEvent> expected {
        { PortEvent::WAIT, 0, 0 },
        { PortEvent::READ, PIC_MASTER_MASK_PORT, INITIAL_MASK },
        { PortEvent::WRITE, PIC_MASTER_MASK_PORT, INITIAL_MASK | 0x02 },
        { PortEvent::WRITE, KBC_DATA_PORT, 0xE8 },
        { PortEvent::READ, KBC_DATA_PORT, 0xFA },
        { PortEvent::READ, SYSTEM_PORT_B, INITIAL_PORT_B },
        { PortEvent::WRITE, SYSTEM_PORT_B, INITIAL_PORT_B | 0x80 },
        { PortEvent::WRITE, SYSTEM_PORT_B, INITIAL_PORT_B },
        { PortEvent::READ, PIC_MASTER_MASK_PORT, INITIAL_MASK | 0x02 },
        { PortEvent::WRITE, PIC_MASTER_MASK_PORT, INITIAL_MASK },
    };
    EXPECT_EQ(m_seen.events, expected);
    EXPECT_TRUE(m_seen.traces.empty());
}

TEST_F(SendCmdTest, ChangesOnlyIrq1AndLeavesItClear)
{
    m_pc.SetMask(0x5B); // IRQ 1 masked before
    EXPECT_EQ(send_cmd(&m_platform, 0x12), 0xFA);
    EXPECT_EQ(m_seen.mask, 0x59);
    EXPECT_EQ(m_seen.maskAtDataWrites, Bytes { 0x5B });
}

TEST_F(SendCmdTest, AnyReplyByteIsReturned)
{
    Faults({ .refuse = true });
    EXPECT_EQ(send_cmd(&m_platform, 0xE9), 0xFE);
}

TEST_F(SendCmdTest, BusyControllerFailsBeforeTouchingAnything)
{
    m_pc.SetBusy(true);
    EXPECT_EQ(send_cmd(&m_platform, 0xE8), -1);
    EXPECT_EQ(m_seen.statusReads, POLL_INPUT_CLEAR);
    EXPECT_EQ(m_seen.waits, 0u);
    EXPECT_TRUE(m_seen.events.empty());
    EXPECT_TRUE(m_seen.traces.empty());
}

TEST_F(SendCmdTest, ByteNotTakenTimesOutAfterTheBound)
{
    m_pc.SetInputDelay(POLL_INPUT_CLEAR - 1);
    EXPECT_EQ(send_cmd(&m_platform, 0x01), 0xFA);

    m_recorder.Clear();
    m_pc.SetInputDelay(POLL_INPUT_CLEAR);
    EXPECT_EQ(send_cmd(&m_platform, 0x02), -1);
    EXPECT_EQ(m_seen.traces, std::vector<std::string> { "wait data timeout 1\n" });
    EXPECT_EQ(m_seen.mask, INITIAL_MASK);
    EXPECT_TRUE(m_seen.portBWrites.empty());
}

TEST_F(SendCmdTest, MissingReplyTimesOutAfterTheBound)
{
    m_pc.SetReplyDelay(POLL_REPLY - 1);
    EXPECT_EQ(send_cmd(&m_platform, 0x01), 0xFA);

    m_recorder.Clear();
    Faults({ .silent = true });
    EXPECT_EQ(send_cmd(&m_platform, 0x02), -1);
    EXPECT_EQ(m_seen.statusReads, 2 + POLL_REPLY);
    EXPECT_EQ(m_seen.traces, std::vector<std::string> { "Return here, wait echo fail\n" });
    EXPECT_EQ(m_seen.mask, INITIAL_MASK);
    EXPECT_TRUE(m_seen.portBWrites.empty());
}

class ReadDataTest : public CoreFixture {
protected:
    Bytes m_block = Bytes(TAVRIN_SCRATCH_SIZE, 0xEE);

    Bytes ReadScripted(const Bytes& stream, std::uint32_t capacity = TAVRIN_SCRATCH_SIZE)
    {
        m_keyboard.SetScriptedReadOut(stream);
        const std::uint32_t n = read_data(&m_platform, 0xE9, m_block.data(), capacity);
        return { m_block.begin(), m_block.begin() + n };
    }
};

TEST_F(ReadDataTest, DecodesNibblePairsAndClosesWithTheEndByte)
{
    EXPECT_EQ(ReadScripted({ 0x05, 0x0C, 0x02, 0x02, 0x11, 0x11, 0xFD }), (Bytes { 0x3A, 0x00, 0xFF, 0xFD }));
    EXPECT_EQ(m_seen.traces, std::vector<std::string> { "get data len 3\n" });
    // Command and argument went through send_cmd; the stream gets no waits or port B pulses.
    EXPECT_EQ(m_seen.received, (Bytes { 0xE9, 0x80 }));
    EXPECT_EQ(m_seen.waits, 2u);
    EXPECT_EQ(m_seen.portBWrites.size(), 4u);
}

TEST_F(ReadDataTest, ControlBytesTravelAlone)
{
    // A lone 0xFB between pairs, and 0xFE/0xFF, are stored as themselves.
    EXPECT_EQ(ReadScripted({ 0x03, 0x04, 0xFB, 0x05, 0x06, 0xFE, 0xFF, 0xFD }),
        (Bytes { 0x12, 0xFB, 0x34, 0xFE, 0xFF, 0xFD }));
}

TEST_F(ReadDataTest, ControlByteInPlaceOfLowNibbleDropsTheHighOne)
{
    EXPECT_EQ(ReadScripted({ 0x03, 0x03, 0x07, 0xFD, 0x05, 0x05 }), (Bytes { 0x11, 0xFD }));
}

TEST_F(ReadDataTest, DecodedEndByteEndsTheBlock)
{
    EXPECT_EQ(ReadScripted({ 0x02, 0x03, 0x11, 0x0F, 0x02, 0x04, 0xFD }), (Bytes { 0x01, 0xFD }));
}

TEST_F(ReadDataTest, MasksAllLinesDuringTheStreamAndUnmasksAllAfter)
{
    ReadScripted({ 0x02, 0x03, 0xFD });
    // Two send_cmd (set, clear bit 1), then 0xFF for the stream and 0x00 after it.
    EXPECT_EQ(m_seen.maskWrites, (Bytes { 0xBA, 0xB8, 0xBA, 0xB8, 0xFF, 0x00 }));
    EXPECT_EQ(m_seen.mask, 0x00);
}

TEST_F(ReadDataTest, RefusedCommandSendsNothingMoreAndLeavesTheMask)
{
    Faults({ .refuse = true });
    EXPECT_EQ(read_data(&m_platform, 0xE9, m_block.data(), TAVRIN_SCRATCH_SIZE), 0u);
    EXPECT_EQ(m_seen.received, Bytes { 0xE9 });
    EXPECT_EQ(m_seen.mask, INITIAL_MASK);
    EXPECT_EQ(m_block[0], 0xEE);
}

TEST_F(ReadDataTest, UnansweredArgumentIsARefusal)
{
    Faults({ .stallAfter = 1 });
    EXPECT_EQ(read_data(&m_platform, 0xE9, m_block.data(), TAVRIN_SCRATCH_SIZE), 0u);
    EXPECT_EQ(m_seen.received, (Bytes { 0xE9, 0x80 }));
    EXPECT_EQ(m_seen.mask, INITIAL_MASK);
}

TEST_F(ReadDataTest, SilenceAfterTheAcknowledgementsGivesTheEndByteAlone)
{
    Faults({ .stallAfter = 2 });
    EXPECT_EQ(ReadScripted({ 0x02, 0x03, 0xFD }), Bytes { 0xFD });
    EXPECT_EQ(m_seen.traces, (std::vector<std::string> { "wait data timeout 1 0\n", "get data len 0\n" }));
    EXPECT_EQ(m_seen.mask, 0x00);
}

TEST_F(ReadDataTest, MissingLowNibbleClosesTheBlockWhereItStood)
{
    Faults({ .stallAfter = 2 + 3 }); // acknowledgements, one pair and a half
    EXPECT_EQ(ReadScripted({ 0x02, 0x03, 0x04, 0x05, 0xFD }), (Bytes { 0x01, 0xFD }));
    EXPECT_EQ(m_seen.traces, (std::vector<std::string> { "wait data timeout 2 1\n", "get data len 1\n" }));
}

TEST_F(ReadDataTest, StreamWaitIsBoundedByItsOwnCount)
{
    m_pc.SetReplyDelay(POLL_READ_OUT - 1);
    EXPECT_EQ(ReadScripted({ 0x02, 0x03, 0xFD }), (Bytes { 0x01, 0xFD }));

    m_recorder.Clear();
    m_pc.SetReplyDelay(POLL_READ_OUT);
    EXPECT_EQ(ReadScripted({ 0x02, 0x03, 0xFD }), Bytes { 0xFD });
    EXPECT_EQ(m_seen.traces.front(), "wait data timeout 1 0\n");
}

TEST_F(ReadDataTest, EndlessStreamStopsAt8000Units)
{
    Faults({ .endless = true });
    const Bytes got = ReadScripted({ 0x05, 0x0C });
    ASSERT_EQ(got.size(), 8001u);
    EXPECT_EQ(got[7999], 0x3A);
    EXPECT_EQ(got[8000], 0xFD);
    EXPECT_EQ(m_seen.traces, std::vector<std::string> { "get data len 8000\n" });
    EXPECT_EQ(m_seen.mask, 0x00);
}

TEST_F(ReadDataTest, ShortBlockClosesOneUnitEarlier)
{
    Faults({ .endless = true });
    const Bytes got = ReadScripted({ 0x05, 0x0C }, 8000);
    ASSERT_EQ(got.size(), 8000u);
    EXPECT_EQ(got[7999], 0xFD);
    EXPECT_EQ(m_block[8000], 0xEE);
}

TEST_F(ReadDataTest, ReadsTheImageOfANeverProgrammedKeyboard)
{
    const Bytes got = ReadScripted(m_keyboard.ReadOutStream());
    EXPECT_EQ(got, m_keyboard.Image());
    ASSERT_EQ(got.size(), 516u);
    EXPECT_EQ(got[0], 0xFC);
    EXPECT_EQ(got[1], 0x03);
    EXPECT_EQ(got[2], 0x0F);
}

TEST(TavrinFormatTest, FormatsTheFewConversionsUsed)
{
    char line[64];
    tavrinFormat(line, sizeof line, "send_cmd return = %x\n", -1);
    EXPECT_STREQ(line, "send_cmd return = ffffffff\n");
    tavrinFormat(line, sizeof line, "send_cmd return = %x\n", 0xFA);
    EXPECT_STREQ(line, "send_cmd return = fa\n");
    tavrinFormat(line, sizeof line, "len %d, %d%%", -8000);
    EXPECT_STREQ(line, "len -8000, -8000%");
    tavrinFormat(line, sizeof line, "%d", INT32_MIN);
    EXPECT_STREQ(line, "-2147483648");
    EXPECT_EQ(tavrinFormat(line, 6, "get data len %d\n", 1), 5u);
    EXPECT_STREQ(line, "get d");
}
