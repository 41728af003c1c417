// The card operations over a pseudo-terminal against the emulated reader:
// the bytes each puts on the line, what each takes from the reply, and what
// each leaves alone when it fails.
#include "ReaderFixture.h"
#include "ReaderStatus.h"

#include <cstring>
#include <functional>

using Operations = ReaderFixture;

TEST_F(Operations, EachSendsItsRequestByteForByte)
{
    const unsigned char password[3] = { 0x12, 0x34, 0x56 };
    const unsigned char two[2] = { 0xAA, 0x55 };
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    uint32_t count;
    int32_t indication;

    struct Case {
        const char* name;
        std::function<int32_t()> call;
        Bytes expected;
    };
    const Case cases[] = {
        { "PowerOn", [&] { return PowerOn(m_port); }, { 0x02, 0x01, 0x00, 0x01, 0x03 } },
        { "PowerOff", [&] { return PowerOff(m_port); }, { 0x02, 0x02, 0x09, 0x00, 0x0B, 0x03 } },
        { "IsCardPresent", [&] { return IsCardPresent(m_port, &indication); },
            { 0x02, 0x01, 0x0A, 0x0B, 0x03 } },
        { "GetICVersion", [&] { return GetICVersion(m_port, buffer, &count); },
            { 0x02, 0x01, 0x0C, 0x0D, 0x03 } },
        { "MakeBeep 0", [&] { return MakeBeep(m_port, 0); }, { 0x02, 0x02, 0x0B, 0x00, 0x09, 0x03 } },
        { "MakeBeep 1", [&] { return MakeBeep(m_port, 1); }, { 0x02, 0x02, 0x0B, 0x01, 0x08, 0x03 } },
        { "ReadData", [&] { return ReadData(m_port, buffer, 0x10, 0x20, 0, &count); },
            { 0x02, 0x04, 0x01, 0x00, 0x20, 0x10, 0x35, 0x03 } },
        // Only the low 8 bits of the byte-sized arguments travel.
        { "ReadData wide arguments", [&] { return ReadData(m_port, buffer, 0x110, 0x720, 0x302, &count); },
            { 0x02, 0x04, 0x01, 0x02, 0x20, 0x10, 0x37, 0x03 } },
        { "WriteData", [&] { return WriteData(m_port, two, 2, 0x40, 0); },
            { 0x02, 0x06, 0x02, 0x00, 0x40, 0x02, 0xAA, 0x55, 0xB9, 0x03 } },
        { "WriteData count 0", [&] { return WriteData(m_port, two, 0, 0x40, 1); },
            { 0x02, 0x04, 0x02, 0x01, 0x40, 0x00, 0x47, 0x03 } },
        { "CheckPassword", [&] { return CheckPassword(m_port, password); },
            { 0x02, 0x04, 0x03, 0x12, 0x34, 0x56, 0x77, 0x03 } },
        { "ChangePassword", [&] { return ChangePassword(m_port, password); },
            { 0x02, 0x07, 0x02, 0x02, 0x01, 0x03, 0x12, 0x34, 0x56, 0x75, 0x03 } },
    };
    for (const auto& c : cases) {
        m_emu.ClearRecord();
        c.call();
        EXPECT_EQ(Received(), c.expected) << c.name;
    }
}

TEST_F(Operations, ChangePasswordSendsWhatWriteDataSendsForTheSameBytes)
{
    const unsigned char password[3] = { 0x01, 0x02, 0x03 };
    ChangePassword(m_port, password);
    WriteData(m_port, password, 3, 1, 2);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], requests[1]);
}

TEST_F(Operations, LongestWriteIsSentAndOneMoreIsRefusedUnsent)
{
    const Bytes data(252, 0x5A);
    EXPECT_EQ(WriteData(m_port, data.data(), 251, 0, 0), READER_NOT_POWERED);
    const Bytes sent = LastRequest();
    ASSERT_EQ(sent.size(), 259u);
    EXPECT_EQ(sent[1], 255);
    EXPECT_EQ(sent[5], 251);

    m_emu.ClearRecord();
    EXPECT_EQ(WriteData(m_port, data.data(), 252, 0, 0), VORELIN_ERR_IO);
    EXPECT_EQ(WriteData(m_port, data.data(), 0xFFFFFFFFu, 0, 0), VORELIN_ERR_IO);
    // Whatever reaches the reader now is the next request alone.
    EXPECT_EQ(PowerOn(m_port), 0);
    EXPECT_EQ(Received(), (Bytes { 0x02, 0x01, 0x00, 0x01, 0x03 }));
}

TEST_F(Operations, RefusedArgumentsPutNothingOnTheLine)
{
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;
    EXPECT_EQ(MakeBeep(m_port, 2), VORELIN_ERR_IO);
    EXPECT_EQ(MakeBeep(m_port, -1), VORELIN_ERR_IO);
    EXPECT_EQ(MakeBeep(m_port, 256), VORELIN_ERR_IO);
    EXPECT_EQ(ReadData(m_port, nullptr, 1, 0, 0, &count), VORELIN_ERR_IO);
    EXPECT_EQ(ReadData(m_port, buffer, 1, 0, 0, nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(GetICVersion(m_port, buffer, nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(IsCardPresent(m_port, nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(CheckPassword(m_port, nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(ChangePassword(m_port, nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(WriteData(m_port, nullptr, 1, 0, 0), VORELIN_ERR_IO);
    EXPECT_EQ(PowerOn(m_port), 0);
    EXPECT_EQ(Received(), (Bytes { 0x02, 0x01, 0x00, 0x01, 0x03 }));
}

TEST_F(Operations, NullHandleFailsWithoutTouchingOutputs)
{
    unsigned char buffer[4] = { 1, 2, 3, 4 };
    uint32_t count = 77;
    int32_t indication = 77;
    EXPECT_EQ(PowerOn(nullptr), VORELIN_ERR_IO);
    EXPECT_EQ(MakeBeep(nullptr, 0), VORELIN_ERR_IO);
    EXPECT_EQ(GetICVersion(nullptr, buffer, &count), VORELIN_ERR_IO);
    EXPECT_EQ(IsCardPresent(nullptr, &indication), VORELIN_ERR_IO);
    EXPECT_EQ(ReadData(nullptr, buffer, 4, 0, 0, &count), VORELIN_ERR_IO);
    EXPECT_EQ(count, 77u);
    EXPECT_EQ(indication, 77);
    EXPECT_EQ(buffer[0], 1);
}

TEST_F(Operations, VersionIsCopiedWithoutTerminator)
{
    m_emu.WithModel([](CCardReaderModel& m) { m.SetVersion("V1.2"); });
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    std::memset(version, 0xEE, sizeof version);
    uint32_t count = 0;
    ASSERT_EQ(GetICVersion(m_port, version, &count), 0);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(std::memcmp(version, "V1.2", 4), 0);
    EXPECT_EQ(version[4], 0xEE);
}

TEST_F(Operations, CardIndicationIsTheFirstDataByteOrZero)
{
    int32_t indication = -5;
    ASSERT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_PRESENT);
    m_emu.WithModel([](CCardReaderModel& m) { m.RemoveCard(); });
    ASSERT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, CARD_INDICATION_ABSENT);

    ArmReply({ 0x02, 0x00, 0x02, 0xC8, 0x01, 0xCB, 0x03 });
    ASSERT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, 0xC8) << "a value from 0 to 255";

    indication = -5;
    ArmReply({ 0x02, 0x00, 0x00, 0x00, 0x03 });
    ASSERT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, 0);
}

TEST_F(Operations, ReadDataDeliversWhatTheReplyCarriesNotWhatWasAsked)
{
    ArmReply({ 0x02, 0x00, 0x03, 0x0A, 0x0B, 0x0C, 0x0E, 0x03 });
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t count = 0;
    ASSERT_EQ(ReadData(m_port, buffer, 16, 0x20, 0, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes { 0x0A, 0x0B, 0x0C, 0xEE }));
}

TEST_F(Operations, SuccessWithOddStartAndEndBytesIsStillSuccess)
{
    ArmReply({ 0x55, 0x00, 0x01, 0x09, 0x08, 0xAA });
    int32_t indication = 0;
    EXPECT_EQ(IsCardPresent(m_port, &indication), 0);
    EXPECT_EQ(indication, 9);
}

TEST_F(Operations, FailuresLeaveEveryOutputAsItWas)
{
    const std::vector<std::pair<const char*, Bytes>> replies = {
        { "reader status", { 0x02, 0x04, 0x02, 0x61, 0x62, 0x00, 0x03 } },
        { "wrong check byte", { 0x02, 0x00, 0x02, 0x61, 0x62, 0x00, 0x03 } },
        { "oversize", Bytes(260, 0x00) },
    };
    for (const auto& [what, bytes] : replies) {
        Bytes reply = bytes;
        if (reply.size() == 260)
            reply[0] = 0x02, reply[2] = 255;
        unsigned char buffer[VORELIN_MAX_REPLY_DATA];
        std::memset(buffer, 0xEE, sizeof buffer);
        uint32_t count = 1234;
        int32_t indication = -1234;

        ArmReply(reply);
        EXPECT_NE(ReadData(m_port, buffer, 2, 0, 0, &count), 0) << what;
        ArmReply(reply);
        EXPECT_NE(GetICVersion(m_port, buffer, &count), 0) << what;
        ArmReply(reply);
        EXPECT_NE(IsCardPresent(m_port, &indication), 0) << what;
        EXPECT_EQ(count, 1234u) << what;
        EXPECT_EQ(indication, -1234) << what;
        EXPECT_EQ(buffer[0], 0xEE) << what;
        EXPECT_EQ(buffer[1], 0xEE) << what;
    }
}

TEST_F(Operations, BeepTakesOnlyThePlainSuccessReply)
{
    EXPECT_EQ(MakeBeep(m_port, 1), 0);
    EXPECT_EQ(m_emu.WithModel([](CCardReaderModel& m) { return m.Beeps(1); }), 1u);
    ArmReply({ 0x02, 0x05, 0x00, 0x05, 0x03 });
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_REPLY) << "not the status 5";
    ArmReply({ 0x02, 0x00, 0x01, 0x07, 0x06, 0x03 });
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_REPLY);
    ArmReply({ 0x02, 0x00, 0x00, 0x00, 0x04 });
    EXPECT_EQ(MakeBeep(m_port, 0), VORELIN_ERR_BEEP_REPLY);
}

TEST_F(Operations, CardSessionFromPowerToWrittenAndReadBack)
{
    const unsigned char wrong[3] = { 0x00, 0x00, 0x01 };
    const Bytes data { 0xDE, 0xAD, 0xBE, 0xEF };
    unsigned char buffer[VORELIN_MAX_REPLY_DATA];
    uint32_t count = 0;

    EXPECT_EQ(ReadData(m_port, buffer, 4, 0x80, 0, &count), READER_NOT_POWERED);
    ASSERT_EQ(PowerOn(m_port), 0);
    EXPECT_EQ(WriteData(m_port, data.data(), 4, 0x80, 0), READER_NOT_VERIFIED);
    EXPECT_EQ(CheckPassword(m_port, wrong), READER_WRONG_PASSWORD);
    Unlock();
    ASSERT_EQ(WriteData(m_port, data.data(), 4, 0x80, 0), 0);
    ASSERT_EQ(ReadData(m_port, buffer, 4, 0x80, 0, &count), 0);
    EXPECT_EQ(Bytes(buffer, buffer + count), data);
    EXPECT_EQ(ReadData(m_port, buffer, 8, 0xFC, 0, &count), READER_BAD_ADDRESS);

    // Power off forgets the password.
    ASSERT_EQ(PowerOff(m_port), 0);
    ASSERT_EQ(PowerOn(m_port), 0);
    EXPECT_EQ(WriteData(m_port, data.data(), 4, 0x80, 0), READER_NOT_VERIFIED);
}

TEST_F(Operations, ChangedPasswordIsTheOneThatCounts)
{
    const unsigned char fresh[3] = { 0x31, 0x41, 0x59 };
    const unsigned char old[3] = { 0xFF, 0xFF, 0xFF };
    Unlock();
    ASSERT_EQ(ChangePassword(m_port, fresh), 0);
    EXPECT_EQ(CheckPassword(m_port, old), READER_WRONG_PASSWORD);
    EXPECT_EQ(CheckPassword(m_port, fresh), 0);
    const auto stored = m_emu.WithModel([](CCardReaderModel& m) { return m.Card().Password(); });
    EXPECT_EQ(Bytes(stored.begin(), stored.end()), (Bytes { 0x31, 0x41, 0x59 }));
}

TEST_F(Operations, ThreeWrongPasswordsLockTheCard)
{
    const unsigned char wrong[3] = { 0x01, 0x02, 0x03 };
    const unsigned char right[3] = { 0xFF, 0xFF, 0xFF };
    ASSERT_EQ(PowerOn(m_port), 0);
    EXPECT_EQ(CheckPassword(m_port, wrong), READER_WRONG_PASSWORD);
    EXPECT_EQ(CheckPassword(m_port, wrong), READER_WRONG_PASSWORD);
    EXPECT_EQ(CheckPassword(m_port, wrong), READER_WRONG_PASSWORD);
    EXPECT_EQ(CheckPassword(m_port, right), READER_CARD_LOCKED);
}

TEST_F(Operations, NoCardNoPower)
{
    m_emu.WithModel([](CCardReaderModel& m) { m.RemoveCard(); });
    EXPECT_EQ(PowerOn(m_port), READER_NO_CARD);
    m_emu.WithModel([](CCardReaderModel& m) { m.InsertCard(); });
    EXPECT_EQ(PowerOn(m_port), 0);
}
