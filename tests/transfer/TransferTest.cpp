// The keyboard transfer over the real channel and a scripted system.
#include "CFakeWin32System.h"

#include <keydata/KeyImage.h>
#include <transfer/CKeyboardTransfer.h>

#include <tavrin/TavrinControl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

using namespace driverchannel;
using namespace transfer;
using driverchannel::testing::CFakeWin32System;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;
using Reply = CFakeWin32System::Reply;

namespace {

const Reply SENT { true, 0, {} };
constexpr std::uint32_t KEYBOARD_SILENT = SEND_SILENT_KEYBOARD;

void setString(keydata::KeyTable& table, int keyNumber, const std::string& text)
{
    keydata::KeyRecord& record = table.RecordOfKeyNumber(keyNumber);
    ASSERT_EQ(keydata::storeKey(record, keydata::KIND_STRING,
                  { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() }),
        keydata::KEYTABLE_OK);
}

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        os.files = { "C:\\work\\Tavrin.sys" };
        ASSERT_EQ(channel.Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_SUCCESS);
    }
    // Replies: `ok` sends, then the given one.
    void ScriptSends(int ok, Reply then)
    {
        os.replies.assign(static_cast<std::size_t>(ok), SENT);
        os.replies.push_back(then);
    }
    // A write whose 130 sends go through, then the read-back with this block.
    void ScriptWriteAndReadBack(const Bytes& block)
    {
        os.replies.assign(130, SENT);
        os.replies.push_back({ true, static_cast<std::uint32_t>(block.size()), block });
    }

    CFakeWin32System os;
    CDriverChannel channel { driverchannel::testing::fakeWindowsBackend(os) };
    CKeyboardTransfer transfer { channel };
    keydata::KeyTable table;
};

TEST_F(TransferTest, WriteSendsHeaderOnePacketPerKeyAndFinishThenReadsBackWithProgressBeforeEach)
{
    setString(table, 7, std::string(255, 'x')); // the longest packet
    ScriptWriteAndReadBack(keydata::encodeImage(table));
    std::vector<int> progress;
    std::vector<std::size_t> sentBefore;
    const WriteResult result = transfer.Write(table, [&](int step) {
        progress.push_back(step);
        sentBefore.push_back(os.ioCalls.size());
    });
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.verified);
    EXPECT_TRUE(result.MarksKeys());
    EXPECT_EQ(result.packetsSent, 130);
    ASSERT_EQ(os.ioCalls.size(), 131u);
    for (std::size_t i = 0; i < 130; ++i) {
        EXPECT_EQ(os.ioCalls[i].code, IOCTL_SEND_BYTES);
        EXPECT_EQ(os.ioCalls[i].outputLength, 0u);
    }
    EXPECT_THAT(os.ioCalls.front().input, ElementsAre(0xE8, 0x00, 0x00, 0xE7, 0xAA, 0x55, 0x03, 0x0F));
    EXPECT_THAT(os.ioCalls[129].input, ElementsAre(0xED, 0x00));
    EXPECT_EQ(os.ioCalls.back().code, IOCTL_READ_DATA);
    for (int n = 0; n < 128; ++n)
        EXPECT_EQ(os.ioCalls[1 + n].input.size(), n == 7 ? 266u : 6u) << n;
    ASSERT_EQ(progress.size(), 129u);
    for (int n = 0; n < 128; ++n) {
        EXPECT_EQ(progress[n], n);
        EXPECT_EQ(sentBefore[n], 1u + n); // called before the key's own packet
    }
    EXPECT_EQ(progress.back(), VERIFY_STEP);
    EXPECT_EQ(sentBefore.back(), 130u); // after the finish, before the read-back

    // Without the read-back: the sends alone.
    os.ioCalls.clear();
    progress.clear();
    os.replies.clear();
    const WriteResult unverified = transfer.Write(
        table, [&](int step) { progress.push_back(step); }, false);
    EXPECT_TRUE(unverified.Succeeded());
    EXPECT_FALSE(unverified.verified);
    EXPECT_EQ(os.ioCalls.size(), 130u);
    EXPECT_EQ(progress.size(), 128u);
}

// A keyboard may answer every byte and still not hold the table: only its
// memory tells.
TEST_F(TransferTest, AWriteSucceedsOnlyWhenTheKeyboardHoldsTheTable)
{
    setString(table, 14, "fourteen"); // key cap 30
    table.RecordOfKeyNumber(3).kind = keydata::KIND_SWITCH;
    table.RecordOfKeyNumber(3).content[0] = 0x05;

    keydata::KeyTable other = table;
    setString(other, 14, "other");
    other.mcrConfig = 0x01;
    keydata::KeyTable untouched; // a keyboard that took nothing of it
    untouched.systemConfig = 0x01;
    Bytes cut = keydata::encodeImage(table);
    cut.resize(cut.size() / 2);
    cut.push_back(keydata::END_MARK);

    const struct {
        const char* what;
        Bytes readBack;
        WriteStatus status;
        std::string differs;
    } cases[] = {
        { "holds it", keydata::encodeImage(table), WriteStatus::Written, "" },
        { "other contents", keydata::encodeImage(other), WriteStatus::Mismatch,
            "key 30 (key number 14), the settings" },
        { "nothing taken", keydata::encodeImage(untouched), WriteStatus::Mismatch,
            "key 90 (key number 3), key 30 (key number 14), the settings" },
        { "read-back broke off", cut, WriteStatus::VerifyReadFailed, "" },
        { "nothing read back", { keydata::END_MARK }, WriteStatus::VerifyReadFailed, "" },
    };
    for (const auto& c : cases) {
        ScriptWriteAndReadBack(c.readBack);
        const WriteResult result = transfer.Write(table);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.verified, c.status != WriteStatus::VerifyReadFailed) << c.what;
        EXPECT_EQ(result.MarksKeys(), c.status == WriteStatus::Written) << c.what;
        EXPECT_EQ(differenceText(result.difference), c.differs) << c.what;
    }

    // A keyboard differing in every key is named by its first few keys.
    keydata::KeyTable everything;
    for (int n = 0; n < keydata::KEY_NUMBER_COUNT; ++n)
        setString(everything, n, "x");
    ScriptWriteAndReadBack(keydata::encodeImage(everything));
    const WriteResult result = transfer.Write(table);
    ASSERT_EQ(result.status, WriteStatus::Mismatch);
    EXPECT_EQ(result.difference.keyNumbers.size(), 128u);
    EXPECT_THAT(differenceText(result.difference), ::testing::EndsWith(", and 112 more keys"));
}

TEST_F(TransferTest, APacketTheKeyboardRefusedFailsTheWrite)
{
    ScriptSends(3, { true, SEND_REFUSED_BY_KEYBOARD, {} });
    const WriteResult result = transfer.Write(table);
    EXPECT_EQ(result.status, WriteStatus::KeyFailed);
    EXPECT_EQ(result.failedKeyNumber, 2);
    EXPECT_EQ(os.ioCalls.size(), 4u);
}

TEST_F(TransferTest, WriteStopsAtTheFirstFailedSend)
{
    // The keyboard stops answering at key number 5.
    ScriptSends(6, { true, KEYBOARD_SILENT, {} });
    int lastProgress = -1;
    WriteResult result = transfer.Write(table, [&](int key) { lastProgress = key; });
    EXPECT_EQ(result.status, WriteStatus::KeyFailed);
    EXPECT_EQ(result.failedKeyNumber, 5);
    EXPECT_EQ(result.channelResult, CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(result.packetsSent, 6);
    EXPECT_EQ(lastProgress, 5);
    EXPECT_EQ(os.ioCalls.size(), 7u); // nothing after the failed one, no finish
    EXPECT_FALSE(result.MarksKeys());

    // A header the keyboard did not take ends the write before any key.
    os.ioCalls.clear();
    ScriptSends(0, { true, KEYBOARD_SILENT, {} });
    lastProgress = -1;
    result = transfer.Write(table, [&](int key) { lastProgress = key; });
    EXPECT_EQ(result.status, WriteStatus::HeaderFailed);
    EXPECT_EQ(os.ioCalls.size(), 1u);
    EXPECT_EQ(lastProgress, -1);

    // Without a device nothing reaches the system.
    CDriverChannel unloaded(driverchannel::testing::fakeWindowsBackend(os));
    os.ioCalls.clear();
    result = CKeyboardTransfer(unloaded).Write(table);
    EXPECT_EQ(result.status, WriteStatus::HeaderFailed);
    EXPECT_EQ(result.channelResult, CHANNEL_NO_DEVICE);
    EXPECT_TRUE(os.ioCalls.empty());
}

TEST_F(TransferTest, FailedFinishStillMarksTheKeys)
{
    ScriptSends(129, { false, 0, {} });
    const WriteResult result = transfer.Write(table);
    EXPECT_EQ(result.status, WriteStatus::FinishFailed);
    EXPECT_EQ(os.ioCalls.size(), 130u); // no read-back
    EXPECT_FALSE(result.Succeeded());
    EXPECT_TRUE(result.MarksKeys());
    EXPECT_EQ(result.packetsSent, 129);
}

TEST_F(TransferTest, TableTheKeyboardCannotHoldIsRefusedBeforeAnythingIsSent)
{
    keydata::KeyTable overflowing;
    for (int n = 0; n < 15; ++n)
        setString(overflowing, n, std::string(255, 'a'));
    WriteResult result = transfer.Write(overflowing);
    EXPECT_EQ(result.status, WriteStatus::NotFitting);
    EXPECT_TRUE(os.ioCalls.empty());
    EXPECT_THAT(fitRefusalText(result.fit), HasSubstr("3840 bytes, 256 more"));
    EXPECT_THAT(fitRefusalText(result.fit), HasSubstr("from key 30 (key number 14) on"));

    keydata::KeyTable marker;
    marker.RecordOfKeyNumber(9).kind = keydata::KIND_STRING;
    marker.RecordOfKeyNumber(9).content[0] = 0xFB;
    result = transfer.Write(marker);
    EXPECT_EQ(result.status, WriteStatus::NotFitting);
    EXPECT_THAT(
        fitRefusalText(result.fit), HasSubstr(": key 87 (key number 9) holds a byte of 0xFA or above"));
    EXPECT_TRUE(os.ioCalls.empty());
    EXPECT_EQ(fitRefusalText(keydata::checkKeyboardFit(table)), "");
}

TEST_F(TransferTest, KeyCapsToMarkAreTheGridKeysThatAreNotEmpty)
{
    table.Record(0, 0).kind = keydata::KIND_STRING; // grid index 0
    table.Record(5, 4).kind = keydata::KIND_SWITCH; // the last small key, grid index 99
    table.Record(5, 4).content[0] = 1;
    table.Record(5, 5).kind = keydata::KIND_STRING; // key number 120: no key cap
    table.Record(5, 18).kind = keydata::KIND_STRING; // the shared slot: no key cap
    table.Record(1, 19).kind = keydata::KIND_STRING; // not a grid position
    const auto marks = keyCapsToMark(table);
    EXPECT_EQ(marks.count(), 2u);
    EXPECT_TRUE(marks.test(0));
    EXPECT_TRUE(marks.test(99));
}

// An image of exactly 8000 bytes: 516 bytes of groups, 7484 of contents.
Bytes imageOf8000(keydata::KeyTable& keyboard)
{
    for (int key = 0; key < 29; ++key)
        setString(keyboard, key, std::string(255, 'k'));
    setString(keyboard, 29, std::string(89, 'k'));
    keyboard.systemConfig = 0x05;
    return keydata::encodeImage(keyboard);
}

TEST_F(TransferTest, ReadAsksForTheImageAndJudgesTheCount)
{
    keydata::KeyTable keyboard;
    Bytes block = imageOf8000(keyboard);
    ASSERT_EQ(block.size(), 8000u);
    block.push_back(keydata::END_MARK);
    os.replies = { { true, 8001, block }, { true, 8000, block }, { true, 0, {} }, { false, 0, {} } };

    ReadResult result = transfer.Read(table);
    EXPECT_EQ(result.status, ReadStatus::TooLong);
    EXPECT_EQ(table, keydata::KeyTable {});
    EXPECT_EQ(os.ioCalls.back().code, IOCTL_READ_DATA);
    EXPECT_THAT(os.ioCalls.back().input, ElementsAre(keydata::CMD_READ));
    EXPECT_EQ(os.ioCalls.back().outputLength, RECEIVE_BUFFER_SIZE);

    result = transfer.Read(table);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.count, 8000);
    EXPECT_EQ(table, keyboard);

    EXPECT_EQ(transfer.Read(table).status, ReadStatus::NothingReturned);
    result = transfer.Read(table);
    EXPECT_EQ(result.status, ReadStatus::RequestFailed);
    EXPECT_EQ(result.count, CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(table, keyboard); // failures change nothing

    CDriverChannel unloaded(driverchannel::testing::fakeWindowsBackend(os));
    EXPECT_EQ(CKeyboardTransfer(unloaded).Read(table).count, CHANNEL_NO_DEVICE);
}

// A keyboard that stalls part-way: the driver closes what came with the end
// byte. Such a block is no table, however it decodes.
TEST_F(TransferTest, OnlyAWholeImageIsRead)
{
    setString(table, 3, "kept");
    const keydata::KeyTable before = table;
    keydata::KeyTable keyboard;
    setString(keyboard, 100, "late");
    const Bytes image = keydata::encodeImage(keyboard);
    const auto cutAfter = [&](std::size_t length) {
        Bytes block(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        block.push_back(keydata::END_MARK);
        return Reply { true, static_cast<std::uint32_t>(block.size()), block };
    };
    os.replies = { cutAfter(0), cutAfter(3), cutAfter(200), cutAfter(image.size() - 10) };
    EXPECT_EQ(transfer.Read(table).status, ReadStatus::EndOnly);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(transfer.Read(table).status, ReadStatus::Incomplete) << i;
    EXPECT_EQ(table, before);

    os.replies = { { true, static_cast<std::uint32_t>(image.size()), image } };
    keydata::KeyboardContents contents;
    ASSERT_TRUE(transfer.Read(contents).Succeeded());
    EXPECT_EQ(contents.keys[100], keyboard.RecordOfKeyNumber(100));
}

} // namespace
