// Opening and closing the port: null handles, exclusive use, and the line
// settings a terminal device is left with.
#include "CCardReaderEmulator.h"
#include "vorelin.h"

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

TEST(VorelinPort, MissingDeviceGivesNullAndClosingNullGivesZero)
{
    VorelinHandle port = OpenComProt("/dev/no-such-serial-port");
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(CloseComProt(port), 0);
    EXPECT_EQ(OpenComProt(nullptr), nullptr);
}

// They would take every request and never answer (or, for a FIFO, not even
// take it): no serial port.
TEST(VorelinPort, OnlyATerminalIsAPort)
{
    char folder[] = "/tmp/vorelin-port-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/file";
    const std::string fifo = std::string(folder) + "/fifo";
    close(open(file.c_str(), O_WRONLY | O_CREAT, 0600));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : { file, fifo, std::string("/dev/null"), std::string(folder) })
        EXPECT_EQ(OpenComProt(name.c_str()), nullptr) << name;
    unlink(file.c_str());
    unlink(fifo.c_str());
    rmdir(folder);
}

TEST(VorelinPort, HeldPortCannotBeOpenedAgainUntilClosed)
{
    CCardReaderEmulator emu;
    ASSERT_EQ(emu.Start(), 0);
    VorelinHandle first = OpenComProt(emu.SlavePath().c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenComProt(emu.SlavePath().c_str()), nullptr);
    EXPECT_EQ(CloseComProt(first), 1);
    VorelinHandle second = OpenComProt(emu.SlavePath().c_str());
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(CloseComProt(second), 1);
}

TEST(VorelinPort, OpenLeavesTheLineRaw9600EightNoneOneWithoutFlowControl)
{
    CCardReaderEmulator emu;
    ASSERT_EQ(emu.Start(), 0);
    // A descriptor opened first sees the terminal's settings as the library
    // leaves them; give it a cooked line to start from.
    const int watcher = open(emu.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(watcher, 0);
    termios cooked {};
    ASSERT_EQ(tcgetattr(watcher, &cooked), 0);
    cooked.c_iflag |= ICRNL | IXON | IXOFF | INPCK;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_cflag |= PARENB | CSTOPB | CRTSCTS;
    cfsetspeed(&cooked, B115200);
    ASSERT_EQ(tcsetattr(watcher, TCSANOW, &cooked), 0);

    VorelinHandle port = OpenComProt(emu.SlavePath().c_str());
    ASSERT_NE(port, nullptr);
    termios t {};
    ASSERT_EQ(tcgetattr(watcher, &t), 0);
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    CloseComProt(port);
    close(watcher);
}

TEST(VorelinPort, OpenFlushesWhatWasWaiting)
{
    CCardReaderEmulator emu;
    ASSERT_EQ(emu.Start(), 0);
    const int watcher = open(emu.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(watcher, 0);
    ASSERT_TRUE(emu.Inject({ 0x11, 0x22, 0x33 }));
    // Wait until the bytes are readable on the slave side.
    for (int i = 0; i < 1000; ++i) {
        int waiting = 0;
        ASSERT_EQ(ioctl(watcher, FIONREAD, &waiting), 0);
        if (waiting == 3)
            break;
        usleep(1000);
    }
    VorelinHandle port = OpenComProt(emu.SlavePath().c_str());
    ASSERT_NE(port, nullptr);
    int waiting = -1;
    ASSERT_EQ(ioctl(watcher, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 0);
    CloseComProt(port);
    close(watcher);
}
