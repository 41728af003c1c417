// The control-code dispatch: completions, traces and the buffer limits.
#include <string>

#include "../emulator-keyboard/TablePackets.h"
#include "CoreFixture.h"

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

class DispatchTest : public CoreFixture { };

TEST_F(DispatchTest, EmptySendSucceedsWithoutTouchingAPort)
{
    const Request r = Control(IOCTL_SEND_BYTES, {}, 0);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_EQ(m_seen.statusReads, 0u);
    EXPECT_TRUE(m_seen.events.empty());
}

TEST_F(DispatchTest, SendPassesEveryByteAndTracesEachReply)
{
    const Bytes packet { 0xE8, 0x00, 0x00, 0xE7, 0xAA, 0x55, 0x03, 0x0F };
    const Request r = Control(IOCTL_SEND_BYTES, packet, 0);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_EQ(m_seen.received, packet);
    EXPECT_EQ(m_seen.waits, packet.size());
    EXPECT_EQ(m_seen.traces, Lines(packet.size(), "send_cmd return = fa\n"));
    EXPECT_TRUE(m_keyboard.Idle());
}

TEST_F(DispatchTest, SilentKeyboardMakesTheSendReport254)
{
    Faults({ .silent = true });
    const Request r = Control(IOCTL_SEND_BYTES, { 0xED, 0x00 }, 0);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(r.completion.information, TAVRIN_SEND_NO_REPLY);
    // Every byte is still tried.
    EXPECT_EQ(m_seen.traces,
        (Lines { "Return here, wait echo fail\n", "send_cmd return = ffffffff\n",
            "Return here, wait echo fail\n", "send_cmd return = ffffffff\n" }));
}

TEST_F(DispatchTest, SilentSendNeverReportsMoreThanTheOutputBufferHolds)
{
    Faults({ .silent = true });
    const Request small = Control(IOCTL_SEND_BYTES, { 0xE8, 0x01 }, 10);
    EXPECT_EQ(small.completion.status, TAVRIN_STATUS_IO_TIMEOUT);
    EXPECT_EQ(small.completion.information, 0u);

    const Request roomy = Control(IOCTL_SEND_BYTES, { 0xE8, 0x01 }, 300);
    EXPECT_EQ(roomy.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(roomy.completion.information, TAVRIN_SEND_NO_REPLY);
    EXPECT_EQ(Block(roomy), Bytes(254, 0x00));
    EXPECT_TRUE(roomy.GuardIntact());
}

TEST_F(DispatchTest, OneUnansweredByteIsEnoughFor254)
{
    Faults({ .stallAfter = 3 });
    EXPECT_EQ(Control(IOCTL_SEND_BYTES, { 0xE8, 0x01, 0x00, 0xE7 }, 0).completion.information,
        TAVRIN_SEND_NO_REPLY);
}

TEST_F(DispatchTest, BusyControllerMakesTheSendReport254)
{
    m_pc.SetBusy(true);
    EXPECT_EQ(Control(IOCTL_SEND_BYTES, { 0xE8 }, 0).completion.information, TAVRIN_SEND_NO_REPLY);
}

// A keyboard that answers each byte with the next scripted reply; -1 for
// no reply at all.
struct ScriptedReplies {
    std::vector<int> replies;
    std::size_t next = 0;
    bool pending = false;
    std::uint8_t reply = 0;

    static std::uint8_t Read(void* context, std::uint16_t port)
    {
        auto& self = *static_cast<ScriptedReplies*>(context);
        if (port == KBC_STATUS_PORT)
            return self.pending ? KBC_OUTPUT_FULL : 0;
        self.pending = false;
        return port == KBC_DATA_PORT ? self.reply : 0;
    }
    static void Write(void* context, std::uint16_t port, std::uint8_t)
    {
        auto& self = *static_cast<ScriptedReplies*>(context);
        if (port != KBC_DATA_PORT)
            return;
        const int reply = self.next < self.replies.size() ? self.replies[self.next++] : -1;
        self.pending = reply >= 0;
        self.reply = static_cast<std::uint8_t>(reply);
    }
    static void Wait(void*) { }
};

TEST_F(DispatchTest, ResendMeansTheByteWasRefusedAndAnyOtherReplyIsAnAnswer)
{
    const struct {
        std::vector<int> replies;
        std::uint32_t information;
    } cases[] = {
        { { 0xFA, 0xFA, 0xFA }, 0 }, { { 0xEE, 0x00, 0xFC }, 0 }, // odd replies are still answers
        { { 0xFA, 0xFE, 0xFA }, TAVRIN_SEND_REFUSED },
        { { 0xFE, 0xFE, -1 }, TAVRIN_SEND_NO_REPLY }, // silence outweighs refusal
    };
    for (const auto& c : cases) {
        ScriptedReplies keyboardReplies { c.replies };
        TavrinPlatform scripted {};
        scripted.context = &keyboardReplies;
        scripted.readPort = ScriptedReplies::Read;
        scripted.writePort = ScriptedReplies::Write;
        scripted.waitOneMillisecond = ScriptedReplies::Wait;
        std::uint8_t packet[3] = { 0xE8, 0x01, 0x00 };
        const TavrinCompletion done = TavrinServeControl(&scripted, IOCTL_SEND_BYTES, packet, 3, 0);
        EXPECT_EQ(done.status, TAVRIN_STATUS_SUCCESS);
        EXPECT_EQ(done.information, c.information) << c.replies[1];
        EXPECT_EQ(keyboardReplies.next, 3u); // every byte is tried
    }
}

TEST_F(DispatchTest, RefusedSendNeverReportsMoreThanTheOutputBufferHolds)
{
    Faults({ .refuse = true });
    const Request r = Control(IOCTL_SEND_BYTES, { 0xE8, 0x01, 0x00 }, 0);
    EXPECT_EQ(r.completion.information, TAVRIN_SEND_REFUSED);
    EXPECT_EQ(m_seen.traces, Lines(3, "send_cmd return = fe\n"));

    const Request small = Control(IOCTL_SEND_BYTES, { 0xE8 }, 100);
    EXPECT_EQ(small.completion.status, TAVRIN_STATUS_IO_DEVICE_ERROR);
    EXPECT_EQ(small.completion.information, 0u);
    const Request roomy = Control(IOCTL_SEND_BYTES, { 0xE8 }, 253);
    EXPECT_EQ(roomy.completion.information, TAVRIN_SEND_REFUSED);
    EXPECT_EQ(Block(roomy), Bytes(253, 0x00));
    EXPECT_TRUE(roomy.GuardIntact());
}

TEST_F(DispatchTest, SendLongerThanTheBufferIsRefusedUntouched)
{
    const Request refused = Control(IOCTL_SEND_BYTES, Bytes(301, 0x01), 0);
    EXPECT_EQ(refused.completion.status, TAVRIN_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(refused.completion.information, 0u);
    EXPECT_EQ(m_seen.statusReads, 0u);
    EXPECT_TRUE(m_seen.events.empty());

    const Request full = Control(IOCTL_SEND_BYTES, Bytes(300, 0x01), 0);
    EXPECT_EQ(full.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(m_seen.received.size(), 300u);
}

TEST_F(DispatchTest, VersionNeedsFourInputBytes)
{
    const Request shortInput = Control(IOCTL_GET_VERSION, { 1, 2, 3 }, 4);
    EXPECT_EQ(shortInput.completion.status, TAVRIN_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(shortInput.completion.information, 0u);
    EXPECT_EQ(Bytes(shortInput.buffer.begin(), shortInput.buffer.begin() + 4), (Bytes { 1, 2, 3, 0xA5 }));

    const Request ok = Control(IOCTL_GET_VERSION, { 0, 0, 0, 0 }, 4);
    EXPECT_EQ(ok.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(Block(ok), (Bytes { 100, 0, 0, 0 }));
    EXPECT_EQ(m_seen.traces, Lines { "Get version finished" });
    EXPECT_TRUE(m_seen.events.empty());
}

TEST_F(DispatchTest, VersionIntoAShortOutputWritesNothing)
{
    const Request r = Control(IOCTL_GET_VERSION, {}, 3, 4);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_EQ(Bytes(r.buffer.begin(), r.buffer.begin() + 4), Bytes(4, 0xA5));
}

TEST_F(DispatchTest, ReadNeeds8000OutputBytesBeforeContactingTheKeyboard)
{
    const Request r = Control(IOCTL_READ_DATA, { 0xE9 }, 7999);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_EQ(m_seen.traces, Lines { "Input date len = 7999\n" });
    EXPECT_TRUE(m_seen.events.empty());
    EXPECT_EQ(m_seen.scratchObtained, 0u);
}

TEST_F(DispatchTest, ReadReturnsTheImageAndReleasesTheScratchBlock)
{
    const Request r = Control(IOCTL_READ_DATA, { 0xE9, 0x55 }, 10240);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(Block(r), m_keyboard.Image());
    EXPECT_EQ(
        m_seen.traces, (Lines { "Input date len = 10240\n", "Input date len = 2\n", "get data len 515\n" }));
    EXPECT_EQ(m_seen.scratchSize, 10240u);
    const std::uint32_t tag = m_seen.scratchTag;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag), 4), "Ddk "); // memory order
    EXPECT_EQ(m_seen.scratchObtained, 1u);
    EXPECT_EQ(m_seen.scratchReleased, 1u);
    EXPECT_FALSE(m_seen.scratchTagMismatch);
}

TEST_F(DispatchTest, ReadNeverWritesPastTheOutputLength)
{
    Faults({ .endless = true });
    const Request exact = Control(IOCTL_READ_DATA, { 0xE9 }, 8000);
    EXPECT_EQ(exact.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(exact.completion.information, 8000u);
    EXPECT_EQ(exact.buffer[7999], 0xFD);
    EXPECT_TRUE(exact.GuardIntact());
}

TEST_F(DispatchTest, EndlessReadFillsARoomyBufferWith8001Bytes)
{
    Faults({ .endless = true });
    const Request roomy = Control(IOCTL_READ_DATA, { 0xE9 }, 10240);
    EXPECT_EQ(roomy.completion.information, 8001u);
    EXPECT_EQ(roomy.buffer[8000], 0xFD);
    EXPECT_TRUE(roomy.GuardIntact());
}

TEST_F(DispatchTest, RefusedReadCompletesWithNothing)
{
    Faults({ .refuse = true });
    const Request r = Control(IOCTL_READ_DATA, { 0xE9 }, 10240);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_EQ(m_seen.scratchReleased, 1u);
}

TEST_F(DispatchTest, ReadWithoutScratchFailsBeforeContactingTheKeyboard)
{
    m_pc.SetScratchAvailable(false);
    const Request r = Control(IOCTL_READ_DATA, { 0xE9 }, 10240);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(r.completion.information, 0u);
    EXPECT_TRUE(m_seen.events.empty());
}

TEST_F(DispatchTest, ReadWithoutACommandByteIsRefused)
{
    const Request r = Control(IOCTL_READ_DATA, {}, 10240);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(m_seen.events.empty());
    EXPECT_EQ(m_seen.scratchObtained, 0u);
}

TEST_F(DispatchTest, IdentifyReturnsWhatTheKeyboardAnswered)
{
    struct Case {
        const char* name;
        kbemu::KeyboardFaults faults;
        std::uint32_t outputLength;
        std::uint32_t status;
        Bytes answer;
    };
    const Case cases[] = {
        { "PS/2 keyboard", {}, 3, TAVRIN_STATUS_SUCCESS, { 0xFA, 0xAB, 0x83 } },
        { "roomy output", {}, 16, TAVRIN_STATUS_SUCCESS, { 0xFA, 0xAB, 0x83 } },
        { "silent", { .silent = true }, 3, TAVRIN_STATUS_SUCCESS, {} },
        { "refused: no ID awaited", { .refuse = true }, 3, TAVRIN_STATUS_SUCCESS, { 0xFE } },
        { "ID cut short", { .stallAfter = 2 }, 3, TAVRIN_STATUS_SUCCESS, { 0xFA, 0xAB } },
        { "short output", {}, 2, TAVRIN_STATUS_BUFFER_TOO_SMALL, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kbemu::CKeyboardMemory caseMemory;
        kbemu::CKeyboardFirmware caseKeyboard { caseMemory };
        caseKeyboard.SetFaults(c.faults);
        kbemu::CEmulatedPc casePc { caseKeyboard };
        CPcRecorder caseRecorder { casePc };
        m_platform = casePc.Platform();
        const std::uint8_t maskBefore = caseRecorder.seen.mask;
        const Request r = Control(IOCTL_IDENTIFY_KEYBOARD, {}, c.outputLength);
        EXPECT_EQ(r.completion.status, c.status);
        EXPECT_EQ(Block(r), c.answer);
        EXPECT_TRUE(r.GuardIntact());
        EXPECT_EQ(caseRecorder.seen.mask, maskBefore);
        const bool contacted = c.status == TAVRIN_STATUS_SUCCESS;
        EXPECT_EQ(caseRecorder.seen.received, contacted ? Bytes { 0xF2 } : Bytes {});
    }
}

TEST_F(DispatchTest, UnknownCodeIsAnInvalidRequest)
{
    const Request r = Control(0x0022E010, { 1, 2, 3, 4 }, 16);
    EXPECT_EQ(r.completion.status, TAVRIN_STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(m_seen.traces, Lines { "IoControl code not define" });
    EXPECT_TRUE(m_seen.events.empty());
}

TEST_F(DispatchTest, TableWrittenPacketByPacketReadsBackAsItsImage)
{
    const testing_tables::TestTable table = testing_tables::typicalTable();
    for (const Bytes& packet : testing_tables::writePackets(table)) {
        const Request r = Control(IOCTL_SEND_BYTES, packet, 0);
        ASSERT_EQ(r.completion.status, TAVRIN_STATUS_SUCCESS);
        ASSERT_EQ(r.completion.information, 0u);
    }
    EXPECT_EQ(m_keyboard.FinishCount(), 1);
    EXPECT_EQ(m_seen.lostWrites, 0u);
    EXPECT_EQ(m_seen.foreignAccesses, 0u);
    for (std::uint8_t mask : m_seen.maskAtDataWrites)
        ASSERT_NE(mask & PIC_IRQ1_BIT, 0);

    const Request r = Control(IOCTL_READ_DATA, { 0xE9 }, 10240);
    EXPECT_EQ(Block(r), testing_tables::expectedImage(table));
}
