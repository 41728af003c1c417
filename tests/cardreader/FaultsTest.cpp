// Every fault of the emulated reader, through the pseudo-terminal, yields its
// documented result code, returns within the library's bounded waits, and
// leaves the line fit for the next exchange.
#include "ReaderFixture.h"
#include "ReaderStatus.h"

#include <chrono>
#include <cstring>

using namespace std::chrono_literals;

using Faults = ReaderFixture;

namespace {

const Bytes VERSION_TEXT { 'V', 'R', '-', 'E', 'M', 'U', ' ', '1', '.', '0', '0' };

} // namespace

TEST_F(Faults, SilenceIsAFailedRead)
{
    Arm(ReaderFaultKind::Silence);
    EXPECT_EQ(PowerOn(m_port), VORELIN_ERR_IO);
    Arm(ReaderFaultKind::Silence);
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_READ);
    EXPECT_EQ(PowerOn(m_port), 0);
}

TEST_F(Faults, WrongCheckByte)
{
    Arm(ReaderFaultKind::BadCheck);
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 99;
    EXPECT_EQ(GetICVersion(m_port, version, &count), VORELIN_ERR_CHECK);
    EXPECT_EQ(count, 99u);
    Arm(ReaderFaultKind::BadCheck);
    EXPECT_EQ(MakeBeep(m_port, 1), VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(GetICVersion(m_port, version, &count), 0);
}

TEST_F(Faults, ErrorStatusIsPassedOnUnchanged)
{
    ReaderFault fault;
    fault.kind = ReaderFaultKind::ErrorStatus;
    fault.status = 0xC3;
    m_emu.ArmFault(fault);
    EXPECT_EQ(PowerOn(m_port), 0xC3);
    Arm(ReaderFaultKind::ErrorStatus);
    EXPECT_EQ(PowerOn(m_port), READER_FAULT);
    Arm(ReaderFaultKind::ErrorStatus);
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_REPLY);
}

TEST_F(Faults, PartialReplyIsAFailedReadNotAnEmptySuccess)
{
    // Start, status 0 and length: the rest would read as zeros, which the
    // check would take for a success without data.
    ReaderFault fault;
    fault.kind = ReaderFaultKind::Partial;
    fault.keep = 3;
    m_emu.ArmFault(fault);
    int32_t indication = 55;
    EXPECT_EQ(IsCardPresent(m_port, &indication), VORELIN_ERR_IO);
    EXPECT_EQ(indication, 55);

    fault.keep = 1;
    m_emu.ArmFault(fault);
    EXPECT_EQ(PowerOn(m_port), VORELIN_ERR_IO);

    // MakeBeep: what arrived is not the whole success reply.
    fault.keep = 4;
    m_emu.ArmFault(fault);
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(PowerOn(m_port), 0);
}

TEST_F(Faults, LateReplyFailsAndIsNotTakenForTheNextOne)
{
    Arm(ReaderFaultKind::Late);
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    EXPECT_EQ(GetICVersion(m_port, version, &count), VORELIN_ERR_IO);
    // The version reply is now waiting on the line; its first data byte
    // would pass for a card indication.
    ASSERT_TRUE(m_emu.WaitIdle(5s));
    int32_t indication = -1;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);

    Arm(ReaderFaultKind::Late);
    EXPECT_EQ(MakeBeep(m_port, 1), VORELIN_ERR_BEEP_READ);
    ASSERT_TRUE(m_emu.WaitIdle(5s));
    ASSERT_EQ(GetICVersion(m_port, version, &count), 0);
    EXPECT_EQ(Bytes(version, version + count), VERSION_TEXT);
}

TEST_F(Faults, TrailingGarbageIsLeftOnTheLineThenDiscarded)
{
    Arm(ReaderFaultKind::Garbage);
    int32_t indication = -1;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);
    ASSERT_TRUE(m_emu.WaitIdle(5s));
    // The garbage looks like a success with data byte 07.
    indication = -1;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);
}

TEST_F(Faults, NoiseStillArrivingIsDrainedBeforeTheRequest)
{
    m_emu.SetPacing(true);
    ReaderFault fault;
    fault.kind = ReaderFaultKind::Garbage;
    fault.garbage.assign(40, 0x02); // forty start bytes, forty milliseconds
    m_emu.ArmFault(fault);
    const std::size_t sentBefore = m_emu.SentCount();
    int32_t indication = -1;
    ASSERT_EQ(IsCardPresent(m_port, &indication), 0);
    // Let the first bytes of the noise arrive, then ask while it goes on.
    ASSERT_TRUE(m_emu.WaitForSent(sentBefore + 6 + 2, 5s));
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    ASSERT_EQ(GetICVersion(m_port, version, &count), 0);
    EXPECT_EQ(Bytes(version, version + count), VERSION_TEXT);
}

TEST_F(Faults, UnaskedBytesBeforeARequestAreDiscarded)
{
    ASSERT_TRUE(m_emu.Inject({ 0x02, 0x00, 0x01, 0x07, 0x06, 0x03 }));
    int32_t indication = -1;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);
}

TEST_F(Faults, OversizeReplyIsRejectedAndTheLineStaysInStep)
{
    Unlock();
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    // The reader answers 252 bytes: a 257-byte frame.
    EXPECT_EQ(ReadData(m_port, buffer, 252, 0, 0, &count), VORELIN_ERR_CHECK);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(ReadData(m_port, buffer, 251, 0, 0, &count), 0);
    EXPECT_EQ(count, 251u);
    int32_t indication = -1;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);
}

TEST_F(Faults, PacedExchangeOfTheLongestReply)
{
    m_emu.SetPacing(true);
    Unlock();
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    ASSERT_EQ(ReadData(m_port, buffer, 251, 0, 0, &count), 0);
    EXPECT_EQ(count, 251u);
    EXPECT_EQ(MakeBeep(m_port, 0), 0);
}

TEST_F(Faults, ReaderGoneIsAFailureNotAHang)
{
    m_emu.Stop();
    int32_t indication = 3;
    EXPECT_EQ(IsCardPresent(m_port, &indication), VORELIN_ERR_IO);
    EXPECT_EQ(indication, 3);
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_IO);
}
