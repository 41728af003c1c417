// Frame building, the reply checks and the receiving of a reply, without a
// port: replies come from a scripted reader.
#include "vorelin.h"
#include "vorelin_frame.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

Bytes request(unsigned char command, const Bytes& data = {})
{
    Bytes frame(VORELIN_MAX_REQUEST_FRAME);
    const size_t n = vorelinBuildRequest(frame.data(), frame.size(), command, data.data(), data.size());
    frame.resize(n);
    return frame;
}

// A 256-byte reply buffer holding bytes, the rest zero.
Bytes replyBuffer(const Bytes& bytes)
{
    Bytes buffer(VORELIN_REPLY_BUFFER_SIZE, 0);
    std::copy(bytes.begin(), bytes.begin() + std::min(bytes.size(), buffer.size()), buffer.begin());
    return buffer;
}

// Hands out scripted chunks, each at most what was asked for; an empty chunk
// is an expired wait, and the end of the script is silence.
struct ScriptedLine {
    std::deque<Bytes> chunks;
    bool failAtEnd = false;
    std::vector<int> waits;
    std::vector<size_t> asked;
    size_t handedOut = 0;
    unsigned now = 0; // milliseconds
    unsigned msPerChunk = 0; // how long each chunk takes to arrive

    static unsigned Clock(void* context) { return static_cast<ScriptedLine*>(context)->now; }

    static int Read(void* context, unsigned char* buffer, size_t max, int waitMs)
    {
        auto& self = *static_cast<ScriptedLine*>(context);
        self.waits.push_back(waitMs);
        self.asked.push_back(max);
        if (self.chunks.empty())
            return self.failAtEnd ? -1 : 0;
        Bytes& front = self.chunks.front();
        self.now += self.msPerChunk;
        if (front.empty()) {
            self.chunks.pop_front();
            return 0;
        }
        const size_t n = std::min(max, front.size());
        std::copy(front.begin(), front.begin() + n, buffer);
        front.erase(front.begin(), front.begin() + n);
        if (front.empty())
            self.chunks.pop_front();
        self.handedOut += n;
        return int(n);
    }

    size_t Left() const
    {
        size_t n = 0;
        for (const auto& c : chunks)
            n += c.size();
        return n;
    }
};

Bytes bytesOneByOne(const Bytes& bytes, std::deque<Bytes>& into)
{
    for (unsigned char b : bytes)
        into.push_back({ b });
    return bytes;
}

} // namespace

TEST(VorelinFrame, CheckByteIsTheExclusiveOrOfTheRun)
{
    EXPECT_EQ(vorelinCheckByte(nullptr, 0), 0);
    const unsigned char run[] = { 0x04, 0x01, 0x00, 0x20, 0x10 };
    EXPECT_EQ(vorelinCheckByte(run, sizeof run), 0x35);
    const unsigned char same[] = { 0xA5, 0xA5 };
    EXPECT_EQ(vorelinCheckByte(same, 2), 0);
}

TEST(VorelinFrame, RequestsOfTheFixedOperations)
{
    EXPECT_EQ(request(VORELIN_CMD_POWER_ON), (Bytes { 0x02, 0x01, 0x00, 0x01, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_POWER_OFF, { 0x00 }), (Bytes { 0x02, 0x02, 0x09, 0x00, 0x0B, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_CARD_PRESENT), (Bytes { 0x02, 0x01, 0x0A, 0x0B, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_VERSION), (Bytes { 0x02, 0x01, 0x0C, 0x0D, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_BEEP, { 0x00 }), (Bytes { 0x02, 0x02, 0x0B, 0x00, 0x09, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_BEEP, { 0x01 }), (Bytes { 0x02, 0x02, 0x0B, 0x01, 0x08, 0x03 }));
}

TEST(VorelinFrame, RequestWithDataCountsCommandInLengthAndChecksFromLength)
{
    EXPECT_EQ(request(VORELIN_CMD_READ, { 0x00, 0x20, 0x10 }),
        (Bytes { 0x02, 0x04, 0x01, 0x00, 0x20, 0x10, 0x35, 0x03 }));
    EXPECT_EQ(request(VORELIN_CMD_WRITE, { 0x00, 0x40, 0x02, 0xAA, 0x55 }),
        (Bytes { 0x02, 0x06, 0x02, 0x00, 0x40, 0x02, 0xAA, 0x55, 0xB9, 0x03 }));
    // The longest request: 254 data bytes, length byte 255.
    const Bytes longest = request(VORELIN_CMD_WRITE, Bytes(254, 0x11));
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(longest[1], 255);
    EXPECT_EQ(longest[257], vorelinCheckByte(longest.data() + 1, 256));
    EXPECT_EQ(longest[258], 0x03);
}

TEST(VorelinFrame, RequestThatDoesNotFitIsNotBuilt)
{
    Bytes frame(300);
    const Bytes data(255, 0);
    EXPECT_EQ(vorelinBuildRequest(frame.data(), frame.size(), VORELIN_CMD_WRITE, data.data(), 255), 0u);
    EXPECT_EQ(vorelinBuildRequest(frame.data(), 4, VORELIN_CMD_VERSION, nullptr, 0), 0u);
    EXPECT_EQ(vorelinBuildRequest(frame.data(), 5, VORELIN_CMD_VERSION, nullptr, 0), 5u);
}

TEST(VorelinReplyCheck, SuccessWithoutDataHasCheckByteZero)
{
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x02, 0x00, 0x00, 0x00, 0x03 }).data()), VORELIN_OK);
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x02, 0x00, 0x00, 0x01, 0x03 }).data()), VORELIN_ERR_CHECK);
}

TEST(VorelinReplyCheck, StatusComesFirstAndIsReturnedUnchanged)
{
    // Wrong check byte, yet the status is what counts.
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x02, 0x05, 0x00, 0x77, 0x03 }).data()), 5);
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x02, 0xFF, 0x00, 0xFF, 0x03 }).data()), 255);
    // Even with a length no buffer could hold.
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x02, 0x09, 0xFF }).data()), 9);
}

TEST(VorelinReplyCheck, StartAndEndBytesAreNotExamined)
{
    EXPECT_EQ(vorelinCheckReply(replyBuffer({ 0x7E, 0x00, 0x01, 0x42, 0x43, 0x00 }).data()), VORELIN_OK);
}

TEST(VorelinReplyCheck, CheckByteCoversStatusLengthAndData)
{
    Bytes reply { 0x02, 0x00, 0x03, 0x10, 0x20, 0x30, 0x00, 0x03 };
    reply[6] = 0x00 ^ 0x03 ^ 0x10 ^ 0x20 ^ 0x30;
    EXPECT_EQ(vorelinCheckReply(replyBuffer(reply).data()), VORELIN_OK);
    reply[4] ^= 0x01;
    EXPECT_EQ(vorelinCheckReply(replyBuffer(reply).data()), VORELIN_ERR_CHECK);
}

TEST(VorelinReplyCheck, LengthUpTo251FitsAndAboveIsRejected)
{
    Bytes full(VORELIN_REPLY_BUFFER_SIZE, 0x5A);
    full[0] = 0x02;
    full[1] = 0x00;
    full[2] = 251;
    full[254] = vorelinCheckByte(full.data() + 1, 253);
    full[255] = 0x03;
    EXPECT_EQ(vorelinCheckReply(full.data()), VORELIN_OK);
    // The check byte of these would lie past the buffer's end.
    for (int length : { 252, 253, 255 }) {
        full[2] = (unsigned char)length;
        EXPECT_EQ(vorelinCheckReply(full.data()), VORELIN_ERR_CHECK) << length;
    }
}

TEST(VorelinReplyCheck, BeepAcceptsOnlyThePlainSuccessReply)
{
    EXPECT_EQ(vorelinCheckBeepReply(replyBuffer({ 0x02, 0x00, 0x00, 0x00, 0x03 }).data()), VORELIN_OK);
    EXPECT_EQ(
        vorelinCheckBeepReply(replyBuffer({ 0x02, 0x05, 0x00, 0x05, 0x03 }).data()), VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(vorelinCheckBeepReply(replyBuffer({ 0x02, 0x00, 0x01, 0x07, 0x06, 0x03 }).data()),
        VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(
        vorelinCheckBeepReply(replyBuffer({ 0x7E, 0x00, 0x00, 0x00, 0x03 }).data()), VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(
        vorelinCheckBeepReply(replyBuffer({ 0x02, 0x00, 0x00, 0x00, 0x00 }).data()), VORELIN_ERR_BEEP_REPLY);
    EXPECT_EQ(vorelinCheckBeepReply(replyBuffer({ 0x02, 0x00 }).data()), VORELIN_ERR_BEEP_REPLY);
}

TEST(VorelinReceive, ReadsUntilTheWholeFrameIsInAndNoFurther)
{
    ScriptedLine line;
    const Bytes frame = bytesOneByOne({ 0x02, 0x00, 0x03, 0x41, 0x42, 0x43, 0x03, 0x03 }, line.chunks);
    line.chunks.push_back({ 0x02, 0x00, 0x00, 0x00, 0x03 }); // the next frame on the line
    Bytes reply(VORELIN_REPLY_BUFFER_SIZE, 0xEE);
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &line, reply.data()),
        VORELIN_RX_COMPLETE);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 8), frame);
    EXPECT_EQ(reply[8], 0) << "the buffer is cleared first";
    EXPECT_EQ(line.Left(), 5u) << "bytes after the frame stay on the line";
    EXPECT_EQ(line.waits.front(), VORELIN_FIRST_BYTE_WAIT_MS);
    for (size_t i = 1; i < line.waits.size(); ++i)
        EXPECT_EQ(line.waits[i], VORELIN_NEXT_BYTE_WAIT_MS);
}

TEST(VorelinReceive, ShortestReplyInOneChunkTakesTwoReads)
{
    ScriptedLine line;
    line.chunks.push_back({ 0x02, 0x00, 0x00, 0x00, 0x03, 0x99 });
    Bytes reply(VORELIN_REPLY_BUFFER_SIZE);
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &line, reply.data()),
        VORELIN_RX_COMPLETE);
    EXPECT_EQ(line.asked, (std::vector<size_t> { 3, 2 }));
    EXPECT_EQ(line.Left(), 1u);
}

TEST(VorelinReceive, SilenceStallAndErrorAreTold)
{
    Bytes reply(VORELIN_REPLY_BUFFER_SIZE);
    ScriptedLine silent;
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &silent, reply.data()),
        VORELIN_RX_NO_REPLY);

    // At 9600 baud a single-read design would see this first byte alone and
    // take the zeroed rest for a success without data.
    ScriptedLine stalled;
    stalled.chunks.push_back({ 0x02 });
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &stalled, reply.data()),
        VORELIN_RX_INCOMPLETE);

    ScriptedLine stalledInData;
    stalledInData.chunks.push_back({ 0x02, 0x00, 0x04, 0x01 });
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &stalledInData, reply.data()),
        VORELIN_RX_INCOMPLETE);

    ScriptedLine failing;
    failing.chunks.push_back({ 0x02, 0x00 });
    failing.failAtEnd = true;
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &failing, reply.data()),
        VORELIN_RX_FAILED);
}

TEST(VorelinReceive, OversizeFrameIsTakenOffTheLineWithoutOverrunningTheBuffer)
{
    ScriptedLine line;
    Bytes frame(255 + 5, 0x33);
    frame[0] = 0x02;
    frame[1] = 0x00;
    frame[2] = 255;
    line.chunks.push_back(frame);
    line.chunks.push_back({ 0x02, 0x00, 0x00, 0x00, 0x03 });
    // Exactly the buffer: ASan catches a write past it.
    std::vector<unsigned char> reply(VORELIN_REPLY_BUFFER_SIZE);
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &line, reply.data()),
        VORELIN_RX_OVERSIZE);
    EXPECT_EQ(line.Left(), 5u);
    EXPECT_EQ(vorelinCheckReply(reply.data()), VORELIN_ERR_CHECK);
}

// A reader that sends a byte every 90 ms never lets a 100 ms gap expire: the
// longest frame would take some 23 s, the endless stale stream 92 s.
TEST(VorelinReceive, TheWholeFrameIsBounded)
{
    ScriptedLine line;
    line.msPerChunk = 90;
    Bytes frame(255 + 5, 0x33);
    frame[0] = 0x02;
    frame[1] = 0x00;
    frame[2] = 255;
    bytesOneByOne(frame, line.chunks);
    Bytes reply(VORELIN_REPLY_BUFFER_SIZE);
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &line, reply.data()),
        VORELIN_RX_INCOMPLETE);
    EXPECT_LE(line.now, 90u + VORELIN_FRAME_WAIT_MS + VORELIN_NEXT_BYTE_WAIT_MS);
    EXPECT_EQ(line.waits.back(), 10) << "the last wait is what is left of the bound";

    ScriptedLine stale;
    stale.msPerChunk = 90;
    for (int i = 0; i < 2000; ++i)
        stale.chunks.push_back({ 0x55 });
    const int dropped = vorelinDiscardStale(ScriptedLine::Read, ScriptedLine::Clock, &stale);
    EXPECT_GT(dropped, 0);
    EXPECT_LE(stale.now, 90u + VORELIN_FRAME_WAIT_MS + VORELIN_NEXT_BYTE_WAIT_MS);

    // A frame that keeps within the bound is read whole, however it is cut.
    ScriptedLine quick;
    quick.msPerChunk = 1;
    bytesOneByOne(frame, quick.chunks);
    EXPECT_EQ(vorelinReceiveReply(ScriptedLine::Read, ScriptedLine::Clock, &quick, reply.data()),
        VORELIN_RX_OVERSIZE);
}

TEST(VorelinDiscard, NothingWaitingCostsOneImmediateRead)
{
    ScriptedLine line;
    EXPECT_EQ(vorelinDiscardStale(ScriptedLine::Read, ScriptedLine::Clock, &line), 0);
    EXPECT_EQ(line.waits, (std::vector<int> { 0 }));
}

TEST(VorelinDiscard, StaleBytesAreDrainedUntilTheLineIsQuiet)
{
    ScriptedLine line;
    line.chunks.push_back({ 0x02, 0x00 });
    line.chunks.push_back({ 0x01, 0x07, 0x06, 0x03 });
    line.chunks.push_back({});
    line.chunks.push_back({ 0x02, 0x00, 0x00, 0x00, 0x03 }); // after the quiet gap
    EXPECT_EQ(vorelinDiscardStale(ScriptedLine::Read, ScriptedLine::Clock, &line), 6);
    EXPECT_EQ(line.Left(), 5u);
    EXPECT_EQ(line.waits.back(), VORELIN_NEXT_BYTE_WAIT_MS);
}

TEST(VorelinDiscard, EndlessStreamIsCutOff)
{
    ScriptedLine line;
    for (int i = 0; i < 100; ++i)
        line.chunks.push_back(Bytes(64, 0x55));
    const int dropped = vorelinDiscardStale(ScriptedLine::Read, ScriptedLine::Clock, &line);
    EXPECT_GE(dropped, VORELIN_MAX_STALE);
    EXPECT_LT(dropped, VORELIN_MAX_STALE + 64);
    EXPECT_GT(line.Left(), 0u);
}
