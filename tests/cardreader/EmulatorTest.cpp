// The emulated reader's own rules, without a line: request framing, request
// checking, and the memory card.
#include "CCardReaderModel.h"
#include "ReaderStatus.h"
#include "vorelin_frame.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes request(std::uint8_t command, const Bytes& data = {})
{
    Bytes frame(VORELIN_MAX_REQUEST_FRAME);
    frame.resize(vorelinBuildRequest(frame.data(), frame.size(), command, data.data(), data.size()));
    return frame;
}

std::uint8_t statusOf(const Bytes& reply)
{
    return reply.at(VORELIN_REPLY_STATUS_OFFSET);
}

} // namespace

TEST(CardReaderEmulator, FramerSkipsNoiseAndCutsWholeFrames)
{
    CRequestFramer framer;
    const Bytes stream { 0x55, 0x03, 0x02, 0x01, 0x0C, 0x0D, 0x03, 0x02, 0x00, 0x00, 0x03 };
    std::vector<Bytes> frames;
    for (auto b : stream)
        if (framer.Feed(b))
            frames.push_back(framer.Frame());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (Bytes { 0x02, 0x01, 0x0C, 0x0D, 0x03 }));
    EXPECT_EQ(frames[1], (Bytes { 0x02, 0x00, 0x00, 0x03 }));
    EXPECT_FALSE(framer.Partial());
}

TEST(CardReaderEmulator, MalformedRequestsGetTheirOwnStatus)
{
    CCardReaderModel reader;
    Bytes badCheck = request(VORELIN_CMD_VERSION);
    badCheck[3] ^= 0x40;
    EXPECT_EQ(statusOf(reader.Handle(badCheck)), READER_BAD_CHECK);
    Bytes badEnd = request(VORELIN_CMD_VERSION);
    badEnd.back() = 0x04;
    EXPECT_EQ(statusOf(reader.Handle(badEnd)), READER_BAD_FRAME);
    EXPECT_EQ(statusOf(reader.Handle(Bytes { 0x02, 0x00, 0x00, 0x03 })), READER_BAD_FRAME);
    EXPECT_EQ(statusOf(reader.Handle(request(0x7F))), READER_UNKNOWN_COMMAND);
    // Count byte says 4, three data bytes follow.
    EXPECT_EQ(statusOf(reader.Handle(request(VORELIN_CMD_WRITE, { 0, 0, 4, 1, 2, 3 }))), READER_BAD_FRAME);
    EXPECT_EQ(statusOf(reader.Handle(request(VORELIN_CMD_BEEP, { 2 }))), READER_BAD_PARAMETER);
}

TEST(CardReaderEmulator, RepliesCarryACorrectCheckByte)
{
    CCardReaderModel reader;
    const Bytes reply = reader.Handle(request(VORELIN_CMD_VERSION));
    Bytes buffer(VORELIN_REPLY_BUFFER_SIZE, 0);
    std::copy(reply.begin(), reply.end(), buffer.begin());
    EXPECT_EQ(vorelinCheckReply(buffer.data()), 0);
    EXPECT_EQ(reply.size(), std::string(CCardReaderModel::DEFAULT_VERSION).size() + VORELIN_REPLY_OVERHEAD);
}

TEST(CardReaderEmulator, PasswordStaysHiddenUntilPresented)
{
    CMemoryCard card;
    std::vector<std::uint8_t> out;
    ASSERT_EQ(card.Read(CMemoryCard::AREA_SECURITY, 0, 4, out), READER_OK);
    EXPECT_EQ(out, (Bytes { CMemoryCard::MAX_ATTEMPTS, 0, 0, 0 }));
    const Bytes password(CMemoryCard::DEFAULT_PASSWORD.begin(), CMemoryCard::DEFAULT_PASSWORD.end());
    ASSERT_EQ(card.CheckPassword(password), READER_OK);
    ASSERT_EQ(card.Read(CMemoryCard::AREA_SECURITY, 1, 3, out), READER_OK);
    EXPECT_EQ(out, password);
}

TEST(CardReaderEmulator, ErrorCounterCountsDownAndAGoodPasswordRestoresIt)
{
    CMemoryCard card;
    const Bytes wrong { 1, 2, 3 };
    const Bytes right(CMemoryCard::DEFAULT_PASSWORD.begin(), CMemoryCard::DEFAULT_PASSWORD.end());
    EXPECT_EQ(card.CheckPassword(wrong), READER_WRONG_PASSWORD);
    EXPECT_EQ(card.CheckPassword(wrong), READER_WRONG_PASSWORD);
    EXPECT_EQ(card.AttemptsLeft(), 1);
    EXPECT_EQ(card.CheckPassword(right), READER_OK);
    EXPECT_EQ(card.AttemptsLeft(), CMemoryCard::MAX_ATTEMPTS);
}

TEST(CardReaderEmulator, ProtectedBytesRefuseWritesAsAWhole)
{
    CMemoryCard card;
    ASSERT_EQ(
        card.CheckPassword(Bytes(CMemoryCard::DEFAULT_PASSWORD.begin(), CMemoryCard::DEFAULT_PASSWORD.end())),
        READER_OK);
    ASSERT_EQ(card.Write(CMemoryCard::AREA_PROTECTION, 5, Bytes { 1 }), READER_OK);
    EXPECT_EQ(card.Write(CMemoryCard::AREA_MAIN, 3, Bytes { 9, 9, 9, 9 }), READER_WRITE_PROTECTED);
    EXPECT_EQ(card.Area(CMemoryCard::AREA_MAIN)[3], CMemoryCard::ERASED);
    EXPECT_EQ(card.Write(CMemoryCard::AREA_MAIN, 6, Bytes { 9 }), READER_OK);
    EXPECT_EQ(card.Write(CMemoryCard::AREA_MAIN, 255, Bytes { 9, 9 }), READER_BAD_ADDRESS);
    EXPECT_EQ(card.Write(7, 0, Bytes { 9 }), READER_BAD_ADDRESS);
}
