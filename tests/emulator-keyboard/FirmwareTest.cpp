// The keyboard firmware on its own: what write packets leave in memory, what
// the read-out sends for that memory, and the faults it can be told to show.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>
#include <tavrin/TavrinPorts.h>

#include "TablePackets.h"

using Bytes = std::vector<std::uint8_t>;
using namespace testing_tables;

namespace {

Bytes memoryAt(const kbemu::CKeyboardMemory& m, std::uint32_t from, std::uint32_t count)
{
    return { m.Bytes().begin() + from, m.Bytes().begin() + from + count };
}

} // namespace

class FirmwareTest : public ::testing::Test {
protected:
    kbemu::CKeyboardMemory m_memory;
    kbemu::CKeyboardFirmware m_keyboard { m_memory };

    // Feeds bytes one by one and collects everything the keyboard sends back.
    Bytes Feed(const Bytes& bytes, std::size_t maxOutput = 100000)
    {
        Bytes out;
        for (std::uint8_t b : bytes) {
            m_keyboard.Receive(b);
            while (m_keyboard.HasOutput() && out.size() < maxOutput)
                out.push_back(m_keyboard.TakeOutput());
        }
        return out;
    }
};

TEST_F(FirmwareTest, NeverProgrammedKeyboardReportsEmptyKeysAndDefaultSettings)
{
    Bytes expected { 0xFC, 0x03, 0x0F };
    for (int n = 0; n < 128; ++n)
        expected.insert(expected.end(), { 0xFA, static_cast<std::uint8_t>(n), 0xFB, 0x00 });
    expected.push_back(0xFD);
    EXPECT_EQ(m_keyboard.Image(), expected);

    // Markers travel alone, every other byte as two nibbles plus 2.
    const Bytes stream = m_keyboard.ReadOutStream();
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 11),
        (Bytes { 0xFC, 0x02, 0x05, 0x02, 0x11, 0xFA, 0x02, 0x02, 0xFB, 0x02, 0x02 }));
    EXPECT_EQ(stream.size(), 1 + 4 + 128 * 6 + 1u);
    EXPECT_EQ(stream.back(), 0xFD);
}

TEST_F(FirmwareTest, PacketsLandAtTheirAddresses)
{
    EXPECT_EQ(Feed(headerPacket(0x83, 0x0F)), Bytes(8, 0xFA));
    EXPECT_EQ(memoryAt(m_memory, 0x000, 4), (Bytes { 0xAA, 0x55, 0x03, 0x0F }));

    // String "AB" at key 0 as the first data key.
    Feed({ 0xE8, 0x01, 0x00, 0xE7, 0x32, 0x00, 0xE8, 0x02, 0x00, 0xE7, 0x41, 0x42, 0x00 });
    EXPECT_EQ(memoryAt(m_memory, 0x100, 2), (Bytes { 0x32, 0x00 }));
    EXPECT_EQ(memoryAt(m_memory, 0x200, 3), (Bytes { 0x41, 0x42, 0x00 }));

    // Layer 5 switch at key 70 (entry 0x18C).
    Feed({ 0xE8, 0x41, 0x0C, 0xE7, 0x10, 0x05 });
    EXPECT_EQ(memoryAt(m_memory, 0x18C, 2), (Bytes { 0x10, 0x05 }));
    EXPECT_TRUE(m_keyboard.Idle());

    const Bytes image = m_keyboard.Image();
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 10),
        (Bytes { 0xFC, 0x03, 0x0F, 0xFA, 0x00, 0xFB, 0x03, 0x41, 0x42, 0xFA }));
    const Bytes key70 { 0xFA, 70, 0xFB, 0x01, 0x05, 0xFA };
    EXPECT_NE(std::search(image.begin(), image.end(), key70.begin(), key70.end()), image.end());
}

TEST_F(FirmwareTest, ContentBytesThatLookLikeCommandsAreStoredAsData)
{
    TestKey key { keydata::KIND_FUNCTION, { 0xE8, 0xE7, 0xED, 0xE9, 0x80, 0xEA, 0xF9, 0x01 } };
    std::uint32_t d = 0x280;
    const Bytes packet = keyPacket(key, 3, d);
    EXPECT_EQ(Bytes(packet.begin() + 4, packet.begin() + 6), (Bytes { 0x62, 0x00 }));
    Feed(headerPacket(0x03, 0x0F));
    EXPECT_EQ(Feed(packet), Bytes(packet.size(), 0xFA)); // no read-out started by E9 80
    EXPECT_TRUE(m_keyboard.Idle());
    EXPECT_EQ(memoryAt(m_memory, 0x280, 9), (Bytes { 0xE8, 0xE7, 0xED, 0xE9, 0x80, 0xEA, 0xF9, 0x01, 0x00 }));

    // The next packet is read as commands again.
    Feed({ 0xE8, 0x01, 0x08, 0xE7, 0x10, 0x02 });
    EXPECT_EQ(memoryAt(m_memory, 0x108, 2), (Bytes { 0x10, 0x02 }));
}

TEST_F(FirmwareTest, WholeTableReadsBackAsItsImage)
{
    TestTable table = typicalTable();
    table.systemConfig = 0x85; // travels as 7 bits
    table.keys[120] = { keydata::KIND_STRING, Bytes(255, 0x61) };
    table.keys[121] = { keydata::KIND_STRING, {} };
    table.keys[127] = { keydata::KIND_EMPTY, { 0x33 } };
    for (const Bytes& packet : writePackets(table))
        Feed(packet);
    EXPECT_EQ(m_keyboard.FinishCount(), 1);
    EXPECT_EQ(m_keyboard.Image(), expectedImage(table));
}

TEST_F(FirmwareTest, EntriesNeverWrittenReadAsEmpty)
{
    Feed(headerPacket(0x03, 0x0F));
    Feed({ 0xE8, 0x01, 0x02, 0xE7, 0x22, 0x00 }); // key 1: function content at 0x200
    const Bytes image = m_keyboard.Image();
    // Key 1 points at erased memory: its content runs to the 255-byte limit.
    const Bytes key0 { 0xFA, 0x00, 0xFB, 0x00, 0xFA, 0x01, 0xFB, 0x02, 0xFF };
    EXPECT_TRUE(std::equal(key0.begin(), key0.end(), image.begin() + 3));
    EXPECT_EQ(image.size(), 516u + 255);
}

TEST_F(FirmwareTest, ReadCommandNeedsItsArgument)
{
    EXPECT_EQ(Feed({ 0xE9, 0x81 }), (Bytes { 0xFA, 0xFA }));
    EXPECT_FALSE(m_keyboard.HasOutput());

    const Bytes out = Feed({ 0xE9, 0x80 });
    Bytes expected { 0xFA, 0xFA };
    const Bytes stream = m_keyboard.ReadOutStream();
    expected.insert(expected.end(), stream.begin(), stream.end());
    EXPECT_EQ(out, expected);
}

TEST_F(FirmwareTest, AByteDuringTheReadOutEndsIt)
{
    m_keyboard.Receive(0xE9);
    m_keyboard.Receive(0x80);
    for (int i = 0; i < 10; ++i)
        m_keyboard.TakeOutput();
    EXPECT_EQ(Feed({ 0xE8, 0x01, 0x00 }), Bytes(3, 0xFA));
    EXPECT_FALSE(m_keyboard.HasOutput());
}

TEST_F(FirmwareTest, DataWriteStopsAtTheEndOfMemory)
{
    Feed({ 0xE8, 0x4F, 0x7E, 0xE7, 0x01, 0x02, 0xE8, 0x01, 0x00, 0xE7, 0x10, 0x07 });
    EXPECT_EQ(memoryAt(m_memory, 0xFFE, 2), (Bytes { 0x01, 0x02 }));
    // Bytes after the end are commands again: the entry write went through.
    EXPECT_EQ(memoryAt(m_memory, 0x100, 2), (Bytes { 0x10, 0x07 }));
}

TEST_F(FirmwareTest, SilentKeyboardNeitherAnswersNorStores)
{
    m_keyboard.SetFaults({ .silent = true });
    EXPECT_TRUE(Feed(headerPacket(0x03, 0x0F)).empty());
    EXPECT_EQ(m_memory.Byte(0), kbemu::ERASED_BYTE);
}

TEST_F(FirmwareTest, RefusingKeyboardAnswersFEAndStoresNothing)
{
    m_keyboard.SetFaults({ .refuse = true });
    EXPECT_EQ(Feed(headerPacket(0x03, 0x0F)), Bytes(8, 0xFE));
    EXPECT_EQ(m_memory.Byte(0), kbemu::ERASED_BYTE);
}

TEST_F(FirmwareTest, StalledKeyboardStopsAnsweringAndListening)
{
    m_keyboard.SetFaults({ .stallAfter = 5 });
    EXPECT_EQ(Feed(headerPacket(0x03, 0x0F)), Bytes(5, 0xFA));
    EXPECT_EQ(memoryAt(m_memory, 0, 4), (Bytes { 0xAA, 0xFF, 0xFF, 0xFF }));
}

TEST_F(FirmwareTest, EndlessReadOutNeverSendsTheEndByte)
{
    m_keyboard.SetFaults({ .endless = true });
    const Bytes out = Feed({ 0xE9, 0x80 }, 20000);
    ASSERT_EQ(out.size(), 20000u);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xFD), 0);
    EXPECT_TRUE(m_keyboard.HasOutput());
}

class MemoryFileTest : public ::testing::Test {
protected:
    std::filesystem::path m_path;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path()
            / ("kbemu-" + std::to_string(::getpid()) + "-" + info->name() + ".bin");
        std::filesystem::remove(m_path);
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    Bytes FileBytes() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }
};

TEST_F(MemoryFileTest, WrittenPacketsSurviveANewKeyboard)
{
    TestTable table = typicalTable();
    {
        kbemu::CKeyboardMemory memory;
        ASSERT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_OK);
        EXPECT_EQ(FileBytes(), Bytes(4096, 0xFF));
        kbemu::CKeyboardFirmware keyboard(memory);
        const auto packets = writePackets(table);
        // Written through at once, before the finish packet.
        for (std::size_t i = 0; i + 1 < packets.size(); ++i)
            for (std::uint8_t b : packets[i])
                keyboard.Receive(b);
        EXPECT_EQ(FileBytes(), Bytes(memory.Bytes().begin(), memory.Bytes().end()));
    }
    kbemu::CKeyboardMemory memory;
    ASSERT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_OK);
    kbemu::CKeyboardFirmware keyboard(memory);
    EXPECT_EQ(keyboard.Image(), expectedImage(table));
}

TEST_F(MemoryFileTest, FileOfAnotherSizeIsRefusedAndKept)
{
    {
        std::ofstream(m_path, std::ios::binary) << "not a keyboard";
    }
    kbemu::CKeyboardMemory memory;
    EXPECT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_E_SIZE);
    EXPECT_FALSE(memory.HasFile());
    const Bytes kept = FileBytes();
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "not a keyboard");
}

TEST_F(MemoryFileTest, EmptyFileStartsErasedAndMissingFolderFails)
{
    {
        std::ofstream touch(m_path, std::ios::binary);
    }
    kbemu::CKeyboardMemory memory;
    EXPECT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_OK);
    EXPECT_EQ(FileBytes().size(), 4096u);
    EXPECT_EQ(memory.Open((m_path / "below-a-file").string()), kbemu::MEMORY_E_OPEN);
}

TEST_F(MemoryFileTest, LinksOtherFilesAndOtherUsersFilesAreRefusedUntouched)
{
    const std::filesystem::path target = m_path.string() + ".target";
    {
        std::ofstream(target, std::ios::binary) << "precious";
    }
    std::filesystem::create_symlink(target, m_path);
    kbemu::CKeyboardMemory memory;
    EXPECT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_E_NOT_OWN);
    std::filesystem::remove(m_path);
    ASSERT_EQ(::mkfifo(m_path.c_str(), 0600), 0);
    EXPECT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_E_NOT_OWN);
    std::filesystem::remove(m_path);
    if (::geteuid() == 0) { // only root can give a file away
        std::filesystem::copy_file(target, m_path);
        ASSERT_EQ(::chown(m_path.c_str(), 65534, 65534), 0);
        EXPECT_EQ(memory.Open(m_path.string()), kbemu::MEMORY_E_NOT_OWN);
    }
    EXPECT_FALSE(memory.HasFile());
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
    std::filesystem::remove(target);
}

namespace {

// A store whose saves (and syncs) fail until told otherwise, recording what
// it was given.
struct CFlakyStore final : kbemu::CMemoryStore {
    bool fail = true;
    bool failSync = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> saved;
    int syncs = 0;
    int Save(std::uint32_t offset, const std::uint8_t*, std::uint32_t count) override
    {
        if (fail)
            return kbemu::MEMORY_E_IO;
        saved.emplace_back(offset, count);
        return kbemu::MEMORY_OK;
    }
    int Sync() override
    {
        ++syncs;
        return failSync ? kbemu::MEMORY_E_IO : kbemu::MEMORY_OK;
    }
};

} // namespace

TEST(MemoryStoreTest, FailedCommitKeepsItsRangeForTheNextOne)
{
    kbemu::CKeyboardMemory memory;
    auto owned = std::make_unique<CFlakyStore>();
    CFlakyStore& store = *owned;
    memory.Attach(std::move(owned));
    memory.Store(0x210, 1);
    memory.Store(0x200, 2);
    EXPECT_EQ(memory.Commit(), kbemu::MEMORY_E_IO);
    EXPECT_TRUE(memory.Dirty());
    memory.Store(0x300, 3);
    store.fail = false;
    EXPECT_EQ(memory.Commit(), kbemu::MEMORY_OK);
    EXPECT_FALSE(memory.Dirty());
    ASSERT_EQ(store.saved.size(), 1u);
    EXPECT_EQ(store.saved[0], std::make_pair(0x200u, 0x101u));
}

// Each write command is saved at once (a killed host keeps it); only the
// finish pays for making the table survive a crash.
TEST(MemoryStoreTest, WritesAreSavedAtOnceAndSyncedAtTheFinish)
{
    kbemu::CKeyboardMemory memory;
    auto owned = std::make_unique<CFlakyStore>();
    CFlakyStore& store = *owned;
    store.fail = false;
    memory.Attach(std::move(owned));
    kbemu::CKeyboardFirmware keyboard(memory);
    auto feed = [&](const Bytes& bytes) {
        for (std::uint8_t b : bytes)
            keyboard.Receive(b);
    };
    feed(headerPacket(0x03, 0x0F));
    feed({ 0xE8, 0x01, 0x00, 0xE7, 0x10, 0x05 });
    EXPECT_EQ(store.saved, (std::vector<std::pair<std::uint32_t, std::uint32_t>> { { 0, 4 }, { 0x100, 2 } }));
    EXPECT_EQ(store.syncs, 0);

    store.failSync = true;
    feed({ 0xED, 0x00 });
    EXPECT_EQ(store.syncs, 1);
    EXPECT_EQ(keyboard.LastCommitResult(), kbemu::MEMORY_E_IO);
    EXPECT_EQ(memory.FailedCommits(), 1u);
    // What the failed sync covered is saved again and synced at the next finish.
    store.failSync = false;
    feed({ 0xED, 0x00 });
    EXPECT_EQ(store.saved.back(), std::make_pair(0u, 0x102u));
    EXPECT_EQ(store.syncs, 2);
    EXPECT_EQ(keyboard.LastCommitResult(), kbemu::MEMORY_OK);
}
