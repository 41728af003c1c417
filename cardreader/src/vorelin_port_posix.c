/* The serial port on POSIX systems: a terminal device driven through termios.
   The handle is the file descriptor plus one, so that descriptor 0 is never
   mistaken for the null handle. */
#define _DEFAULT_SOURCE
#include "vorelin_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

/* A write that makes no progress for this long has failed: without flow
   control the line never stalls, so this only ends a hopeless wait. */
enum { PORT_WRITE_WAIT_MS = 1000 };

static int descriptorOf(VorelinHandle port)
{
    return (int)((intptr_t)port - 1);
}

static VorelinHandle handleOf(int fd)
{
    /* A handle is the descriptor plus one, never an address. */
    return (VorelinHandle)((intptr_t)fd + 1); /* NOLINT(performance-no-int-to-ptr) */
}

static long long nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

/* poll() for one event, restarted after signals with what is left of the
   wait: 1 ready, 0 expired, -1 error or hang-up without data. */
static int waitFor(int fd, short event, int waitMs)
{
    const long long deadline = nowMs() + waitMs;
    for (;;) {
        long long left = deadline - nowMs();
        if (left < 0)
            left = 0;
        struct pollfd p = { fd, event, 0 };
        const int r = poll(&p, 1, (int)left);
        if (r > 0) {
            if (p.revents & event)
                return 1;
            return -1;
        }
        if (r == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

static void applyLineSettings(int fd)
{
    // Filled from zero: raw 8N1, receiver on, modem lines ignored, no flow
    // control of any kind, no character translation, reads that never block.
    struct termios t;
    memset(&t, 0, sizeof t);
    t.c_cflag = CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    (void)tcsetattr(fd, TCSANOW, &t);
    // A pseudo-terminal has no modem lines and refuses this with ENOTTY.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
}

VorelinHandle vorelinPortOpen(const char* name)
{
    if (!name)
        return NULL;
    // Only a serial device is a port: a regular file, a FIFO or /dev/null
    // would take every request and never answer. A character device is
    // looked at before it is opened, a terminal after.
    struct stat st;
    if (stat(name, &st) == 0 && !S_ISCHR(st.st_mode))
        return NULL;
    // Non-blocking so that a missing carrier cannot hold up the open, and so
    // that reads and writes are bounded by poll() below.
    const int fd = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return NULL;
    if (!isatty(fd)) {
        close(fd);
        return NULL;
    }
    // The advisory lock keeps out other users of this library even when they
    // are privileged (TIOCEXCL does not stop root); TIOCEXCL keeps out any
    // later open by an unprivileged program.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        close(fd);
        return NULL;
    }
    (void)ioctl(fd, TIOCEXCL);
    applyLineSettings(fd);
    (void)tcflush(fd, TCIOFLUSH);
    return handleOf(fd);
}

int vorelinPortClose(VorelinHandle port)
{
    if (!port)
        return 0;
    const int fd = descriptorOf(port);
    // The exclusive flag belongs to the terminal, not to this descriptor, and
    // would outlive the close while another descriptor keeps it open.
    (void)ioctl(fd, TIOCNXCL);
    (void)close(fd);
    return 1;
}

int vorelinPortWrite(VorelinHandle port, const unsigned char* data, size_t count)
{
    if (!port)
        return -1;
    const int fd = descriptorOf(port);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, data + done, count - done);
        if (n > 0) {
            done += (size_t)n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(fd, POLLOUT, PORT_WRITE_WAIT_MS) == 1)
                continue;
        }
        return -1;
    }
    return 0;
}

unsigned vorelinPortClock(void* port)
{
    (void)port;
    return (unsigned)nowMs();
}

int vorelinPortRead(void* port, unsigned char* buffer, size_t max, int waitMs)
{
    if (!port)
        return -1;
    if (max == 0)
        return 0;
    const int fd = descriptorOf(port);
    const long long deadline = nowMs() + waitMs;
    for (;;) {
        long long left = deadline - nowMs();
        if (left < 0)
            left = 0;
        const int ready = waitFor(fd, POLLIN, (int)left);
        if (ready <= 0)
            return ready;
        const ssize_t n = read(fd, buffer, max);
        if (n > 0)
            return (int)n;
        if (n == 0)
            return -1; // readable but empty: the other end hung up
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return -1;
        if (left == 0)
            return 0;
    }
}
