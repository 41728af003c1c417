// The keyboard transfer over the real channel and a scripted system.
#include "CFakeDriverPlatform.h"

#include <keydata/KeyImage.h>
#include <transfer/CKeyboardTransfer.h>

#include <tavrin/TavrinControl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

using namespace driverchannel;
using namespace transfer;
using driverchannel::testing::CFakeDriverPlatform;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;
using Reply = CFakeDriverPlatform::Reply;

namespace {

const Reply SENT { true, 0, {} };
constexpr std::uint32_t KEYBOARD_SILENT = SEND_SILENT_KEYBOARD;

void setString(keydata::KeyTable& table, int keyNumber, const std::string& text)
{
    keydata::KeyRecord& record = table.recordOfKeyNumber(keyNumber);
    ASSERT_EQ(keydata::storeKey(record, keydata::KIND_STRING,
                  { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() }),
        keydata::KEYTABLE_OK);
}

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        os.files = { "C:\\work\\Tavrin.sys" };
        ASSERT_EQ(channel.Load(DRIVER_SERVICE_NAME, nullptr, nullptr, true), CHANNEL_SUCCESS);
    }
    // Replies: `ok` sends, then the given one.
    void ScriptSends(int ok, Reply then)
    {
        os.replies.assign(static_cast<std::size_t>(ok), SENT);
        os.replies.push_back(then);
    }

    CFakeDriverPlatform os;
    CDriverChannel channel { os };
    CKeyboardTransfer transfer { channel };
    keydata::KeyTable table;
};

TEST_F(TransferTest, WriteSendsHeaderOnePacketPerKeyAndFinishWithProgressBeforeEach)
{
    setString(table, 7, std::string(255, 'x')); // the longest packet
    std::vector<int> progress;
    std::vector<std::size_t> sentBefore;
    const WriteResult result = transfer.Write(table, [&](int key) {
        progress.push_back(key);
        sentBefore.push_back(os.ioCalls.size());
    });
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.MarksKeys());
    EXPECT_EQ(result.packetsSent, 130);
    ASSERT_EQ(os.ioCalls.size(), 130u);
    for (const auto& call : os.ioCalls) {
        EXPECT_EQ(call.code, IOCTL_SEND_BYTES);
        EXPECT_EQ(call.outputLength, 0u);
    }
    EXPECT_THAT(os.ioCalls.front().input, ElementsAre(0xE8, 0x00, 0x00, 0xE7, 0xAA, 0x55, 0x03, 0x0F));
    EXPECT_THAT(os.ioCalls.back().input, ElementsAre(0xED, 0x00));
    for (int n = 0; n < 128; ++n)
        EXPECT_EQ(os.ioCalls[1 + n].input.size(), n == 7 ? 266u : 6u) << n;
    ASSERT_EQ(progress.size(), 128u);
    for (int n = 0; n < 128; ++n) {
        EXPECT_EQ(progress[n], n);
        EXPECT_EQ(sentBefore[n], 1u + n); // called before the key's own packet
    }
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
    CDriverChannel unloaded(os);
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
    EXPECT_THAT(fitRefusalText(result.fit), HasSubstr("from key number 14 on"));

    keydata::KeyTable marker;
    marker.recordOfKeyNumber(9).kind = keydata::KIND_STRING;
    marker.recordOfKeyNumber(9).content[0] = 0xFB;
    result = transfer.Write(marker);
    EXPECT_EQ(result.status, WriteStatus::NotFitting);
    EXPECT_THAT(fitRefusalText(result.fit), HasSubstr("key number 9 holds a byte of 0xFA or above"));
    EXPECT_TRUE(os.ioCalls.empty());
    EXPECT_EQ(fitRefusalText(keydata::checkKeyboardFit(table)), "");
}

TEST_F(TransferTest, KeyCapsToMarkAreTheGridKeysThatAreNotEmpty)
{
    table.record(0, 0).kind = keydata::KIND_STRING; // grid index 0
    table.record(5, 4).kind = keydata::KIND_SWITCH; // the last small key, grid index 99
    table.record(5, 4).content[0] = 1;
    table.record(5, 5).kind = keydata::KIND_STRING; // key number 120: no key cap
    table.record(5, 18).kind = keydata::KIND_STRING; // the shared slot: no key cap
    table.record(1, 19).kind = keydata::KIND_STRING; // not a grid position
    const auto marks = keyCapsToMark(table);
    EXPECT_EQ(marks.count(), 2u);
    EXPECT_TRUE(marks.test(0));
    EXPECT_TRUE(marks.test(99));
}

TEST_F(TransferTest, ReadAsksForTheImageAndJudgesTheCount)
{
    // A block of 8000 bytes is accepted, 8001 refused; settings show which.
    Bytes block(8001, 0x00);
    block[0] = keydata::SETTINGS_MARK;
    block[1] = 0x05;
    block[2] = 0x0A;
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
    EXPECT_EQ(table.systemConfig, 0x05);

    EXPECT_EQ(transfer.Read(table).status, ReadStatus::NothingReturned);
    result = transfer.Read(table);
    EXPECT_EQ(result.status, ReadStatus::RequestFailed);
    EXPECT_EQ(result.count, CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(table.systemConfig, 0x05); // failures change nothing

    CDriverChannel unloaded(os);
    EXPECT_EQ(CKeyboardTransfer(unloaded).Read(table).count, CHANNEL_NO_DEVICE);
}

TEST_F(TransferTest, ReadAppliesOnlyWhatTheBlockHoldsOverAZeroedBuffer)
{
    setString(table, 3, "kept");
    const keydata::KeyTable before = table;
    // Just the end byte: a success that changes nothing.
    os.replies = { { true, 1, { keydata::END_MARK } } };
    EXPECT_TRUE(transfer.Read(table).Succeeded());
    EXPECT_EQ(table, before);

    // Bytes of an earlier read must not shine through a shorter one.
    os.replies = { { true, 4, { keydata::SETTINGS_MARK, 0x05, 0x0A, keydata::END_MARK } },
        { true, 3, { keydata::SETTINGS_MARK } } };
    ASSERT_TRUE(transfer.Read(table).Succeeded());
    ASSERT_TRUE(transfer.Read(table).Succeeded());
    EXPECT_EQ(table.systemConfig, 0x00);
    EXPECT_EQ(table.mcrConfig, 0x00);
    EXPECT_EQ(table.recordOfKeyNumber(3), before.recordOfKeyNumber(3));
}

} // namespace
