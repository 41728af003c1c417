// lodemar-cli through the driver host, as a user meets it: an emulated
// keyboard on a full disk, and the real keyboard's serio path (simulated).
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>

#include <memory>

#include "../lodemar-cli/CliFixture.h"
#include "CFakeSerio.h"
#include "HostProcessFixture.h"

using namespace clitest;

namespace {

const fs::path LAYOUT = fs::path(EXAMPLES_DIR) / "retail-pos.dat";
const fs::path HOST = TAVRIN_HOST_PATH;
constexpr char WRITE_OK[] = "Data writed to keyboard successful!\n";
constexpr char WRITE_FAIL[] = "Data writed to keyboard fail,Please retry again!";
constexpr char READ_OK[] = "Read data from keyboard successful!\n";

} // namespace

class CliThroughHostTest : public CCliFixture {
protected:
    void SetUp() override
    {
        CCliFixture::SetUp();
        useHost(HOST);
    }
};

TEST_F(CliThroughHostTest, FullDiskFailsTheEmulatedWrite)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small file system of its own";
    // A mount namespace of this test's own: the mount ends with the process.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "cannot make a private mount namespace here";
    const fs::path disk = m_dir / "disk";
    fs::create_directory(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k,mode=0755"), 0);
    const std::string memory = "--emulate=" + (disk / "kb.bin").string();
    CliRun run = cli({ memory, "write", LAYOUT.string() });
    ASSERT_EQ(run.status, 0) << run.err;

    // Copy-on-write file systems need free blocks for every rewrite; on this
    // one a file with its blocks handed back does too. Then the disk fills up.
    const int kb = ::open((disk / "kb.bin").c_str(), O_RDWR);
    ASSERT_EQ(::fallocate(kb, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, 4096), 0);
    ::close(kb);
    {
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(512, 'x');
        for (int i = 0; i < 64 && filler.good(); ++i)
            filler.write(block.data(), static_cast<std::streamsize>(block.size())).flush();
    }

    run = cli({ memory, "write", LAYOUT.string() });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(WRITE_FAIL), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("writing the keyboard memory file failed"), std::string::npos) << run.err;

    // With room again the same write lands and reads back whole.
    fs::remove(disk / "filler");
    run = cli({ memory, "write", LAYOUT.string() });
    EXPECT_EQ(run.out, WRITE_OK) << run.err;
    run = cli({ "read", "-o", path("back.dat"), memory });
    EXPECT_EQ(run.out, READ_OK) << run.err;
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(LAYOUT));
    ::umount(disk.c_str());
}

// LODEMAR_HARDWARE_SOCKET: lodemar-cli uses the host already serving the
// real keyboard there, and neither starts nor stops one.
TEST_F(CliThroughHostTest, WriteAndReadTheRealKeyboardThroughSerio)
{
    CFakeSerio fake(path("kernel"));
    const std::string socket = path("tavrin.sock");
    CHostProcess host(
        { "--hardware", "--socket", socket, "--test-sysfs-root", fake.Sys(), "--test-dev-root", fake.Dev() },
        path("host.txt"), std::nullopt, TAVRIN_TEST_HOST_PATH);
    ASSERT_EQ(tavrin::waitForHost(socket, 10000), tavrin::CLIENT_OK) << host.ErrorText();
    ::setenv("LODEMAR_HARDWARE_SOCKET", socket.c_str(), 1);
    ::setenv("LODEMAR_DRIVER_DIR", path("no-host-here").c_str(), 1);

    CliRun run = cli({ "write", LAYOUT.string() });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, WRITE_OK);
    run = cli({ "read", "-o", path("back.dat") });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, READ_OK);
    EXPECT_EQ(readBytes(path("back.dat")), readBytes(LAYOUT));

    // The commands used the host without stopping it; the port went back to
    // the keyboard driver after them, while the host still serves.
    EXPECT_TRUE(fake.WaitForDriver("atkbd"));
    EXPECT_EQ(fake.Commands().back(), "atkbd");
    EXPECT_EQ(tavrin::probeHost(socket, 10000), tavrin::CLIENT_OK);
    EXPECT_EQ(tavrin::stopHost(socket, 10000), tavrin::CLIENT_OK);
    EXPECT_EQ(host.Wait(), 0);
    EXPECT_EQ(fake.Dropped(), 0u);
}
