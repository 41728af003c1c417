// The keyboard transfer through the real driver host and the emulated
// keyboard, as the program runs it.
#include "posix/CHostDriverBackend.h"

#include "HostProcessFixture.h"

#include <keydata/KeyTable.h>
#include <tavrin/TavrinControl.h>
#include <transfer/CKeyboardTransfer.h>

#include <gtest/gtest.h>

using namespace driverchannel;
using namespace transfer;
namespace fs = std::filesystem;

namespace {

void store(keydata::KeyRecord& record, std::uint8_t kind, std::vector<std::uint8_t> bytes)
{
    ASSERT_EQ(keydata::storeKey(record, kind, bytes), keydata::KEYTABLE_OK);
}

// A killed child stays a zombie until its parent reaps it.
bool waitUntilDead(pid_t pid)
{
    for (int i = 0; i < 1000; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, name, state;
        if (!(stat >> pidField >> name >> state) || state == "Z")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class TransferHostTest : public ::testing::Test {
protected:
    std::unique_ptr<posix::CHostDriverBackend> MakeBackend()
    {
        posix::HostDriverSettings settings;
        settings.runtimeDirectory = m_folder / "run";
        settings.installedDirectory = fs::path(TAVRIN_HOST_PATH).parent_path();
        settings.emulatedKeyboardMemory = m_folder / "kb.bin";
        return std::make_unique<posix::CHostDriverBackend>(settings);
    }

    CTempFolder m_folder;
};

TEST_F(TransferHostTest, WrittenTableReadsBackIntoAFreshTable)
{
    keydata::KeyTable table;
    table.systemConfig = 0x05;
    table.mcrConfig = 0x0A;
    store(table.RecordOfKeyNumber(0), keydata::KIND_STRING, { 'P', 'L', 'U', 0x0D });
    store(table.RecordOfKeyNumber(1), keydata::KIND_SWITCH, { 0x02 });
    // Content bytes that look like the keyboard's own commands.
    store(table.RecordOfKeyNumber(2), keydata::KIND_FUNCTION, { 0x14, 0xE7, 0xE8, 0xE9, 0xED, 0xE1, 0x14 });
    store(table.Record(5, 5), keydata::KIND_STRING, { 'h', 'i', 'd' }); // key number 120
    store(table.Record(keydata::SHARED_ROW, keydata::SHARED_COLUMN), keydata::KIND_STRING, { 's' });
    store(table.RecordOfKeyNumber(50), keydata::KIND_STRING, std::vector<std::uint8_t>(255, 'z'));
    {
        CDriverChannel channel(MakeBackend());
        ASSERT_EQ(channel.Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_SUCCESS);
        const WriteResult written = CKeyboardTransfer(channel).Write(table);
        ASSERT_TRUE(written.Succeeded()) << written.failedKeyNumber << " " << written.channelResult;
    }
    // A new host over the same memory file, as after a restart.
    CDriverChannel channel(MakeBackend());
    ASSERT_EQ(channel.Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_SUCCESS);
    keydata::KeyTable back;
    const ReadResult read = CKeyboardTransfer(channel).Read(back);
    ASSERT_TRUE(read.Succeeded()) << read.count;
    EXPECT_EQ(back, table);
    EXPECT_EQ(back.Record(5, 5), table.Record(5, 5));
    EXPECT_EQ(back.Record(5, 18), table.Record(5, 18));
}

TEST_F(TransferHostTest, HostKilledDuringAWriteFailsTheWriteCleanly)
{
    auto owned = MakeBackend();
    posix::CHostDriverBackend& backend = *owned;
    std::optional<CDriverChannel> channel(std::in_place, std::move(owned));
    ASSERT_EQ(channel->Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_SUCCESS);
    const pid_t host = backend.StartedHost();
    ASSERT_GT(host, 0);

    const WriteResult result = CKeyboardTransfer(*channel).Write(keydata::KeyTable {}, [&](int key) {
        if (key == 40) {
            ::kill(host, SIGKILL);
            ASSERT_TRUE(waitUntilDead(host));
        }
    });
    EXPECT_EQ(result.status, WriteStatus::KeyFailed);
    EXPECT_EQ(result.failedKeyNumber, 40);
    EXPECT_EQ(result.channelResult, CHANNEL_REQUEST_FAILED);
    EXPECT_FALSE(result.MarksKeys());
    // The connection is gone for good; the channel still ends cleanly.
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, "\xED", 1), CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(backend.StopDriver(), CHANNEL_SUCCESS);
    EXPECT_FALSE(fs::exists("/proc/" + std::to_string(host))); // reaped
}

} // namespace
