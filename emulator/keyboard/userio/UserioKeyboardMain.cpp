// kbemu-userio: the emulated keyboard as the PC's keyboard port of the Linux
// kernel it runs on, through the kernel's userio module. A test program (the
// kernel test machine runs it), never installed.
#include <fcntl.h>
#include <linux/serio.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>
#include <lodemar/CommandLine.h>
#include <lodemar/ExitCodes.h>

#include "CUserioKeyboard.h"

namespace {

const char* const USAGE = R"(usage: kbemu-userio [--pace-us N] [--memory FILE] [--device PATH]
       kbemu-userio --image FILE
Registers a serio port of type 8042 XL on /dev/userio and answers for it as
the programmable keyboard, each byte taking N microseconds on the wire each
way (default 1000, as a PS/2 keyboard; 0: at once). The keyboard's memory is
kept in FILE (4096 bytes, created erased) when given. SIGUSR1 prints
"from-pc N to-pc M", the bytes each way so far; SIGTERM or SIGINT ends it,
and the port goes with it.
--image FILE writes the memory image the keyboard holds in FILE (its
read-out, decoded) to standard output.

exit status: 0 after a signal or --image, 2 wrong usage, 6 the memory file
or the device cannot be had, 1 the device failed.
)";

int g_signalPipe[2] = { -1, -1 };
volatile sig_atomic_t g_report = 0;

void onSignal(int signal)
{
    const int saved = errno;
    if (signal == SIGUSR1)
        g_report = 1;
    (void)!::write(g_signalPipe[1], signal == SIGUSR1 ? "r" : "q", 1);
    errno = saved;
}

} // namespace

int main(int argc, char** argv)
try {
    bool help = false;
    long paceUs = 1000;
    std::string memoryFile;
    std::string imageOf;
    std::string device = "/dev/userio";
    CLI::App app("", "kbemu-userio");
    lodemar::setUpParser(app, help);
    app.add_option("--pace-us", paceUs)->check(CLI::Range(0L, 1000000L));
    app.add_option("--memory", memoryFile);
    app.add_option("--image", imageOf);
    app.add_option("--device", device);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (!help) {
            std::cerr << "kbemu-userio: " << error.what() << "\n" << USAGE;
            return lodemar::EXIT_USAGE;
        }
    }
    if (help) {
        std::cout << USAGE;
        return lodemar::EXIT_OK;
    }

    kbemu::CKeyboardMemory memory;
    const std::string& file = imageOf.empty() ? memoryFile : imageOf;
    if (!file.empty() && memory.Open(file) != kbemu::MEMORY_OK) {
        std::cerr << "kbemu-userio: not a keyboard memory file: " << file << "\n";
        return lodemar::EXIT_CANNOT_OPEN;
    }
    kbemu::CKeyboardFirmware keyboard(memory);
    if (!imageOf.empty()) {
        const std::vector<std::uint8_t> image = keyboard.Image();
        return std::fwrite(image.data(), 1, image.size(), stdout) == image.size() ? lodemar::EXIT_OK
                                                                                  : lodemar::EXIT_FAILED;
    }

    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::cerr << "kbemu-userio: " << device << ": " << std::strerror(errno) << "\n";
        return lodemar::EXIT_CANNOT_OPEN;
    }
    kbemu::CUserioKeyboard port(keyboard, paceUs * 1000);
    if (const int error = port.Register(fd, SERIO_8042_XL)) {
        std::cerr << "kbemu-userio: registering the port: " << std::strerror(error) << "\n";
        return lodemar::EXIT_CANNOT_OPEN;
    }
    // The keyboard is hardware: it keeps its pace whatever the machine runs.
    // Where allowed (root) it runs ahead of ordinary processes, and its
    // timers fire on time.
    sched_param priority {};
    priority.sched_priority = 1;
    (void)::sched_setscheduler(0, SCHED_FIFO, &priority);
    (void)::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return lodemar::EXIT_FAILED;
    struct sigaction action { };
    action.sa_handler = onSignal;
    for (const int signal : { SIGTERM, SIGINT, SIGUSR1 })
        ::sigaction(signal, &action, nullptr);
    for (;;) {
        const int error = port.Serve(fd, g_signalPipe[0]);
        if (error != 0) {
            std::cerr << "kbemu-userio: " << std::strerror(error) << "\n";
            return lodemar::EXIT_FAILED;
        }
        char word = 0;
        bool quit = false;
        while (::read(g_signalPipe[0], &word, 1) == 1)
            quit = quit || word == 'q';
        if (g_report) {
            g_report = 0;
            std::printf("from-pc %llu to-pc %llu\n", static_cast<unsigned long long>(port.FromPc()),
                static_cast<unsigned long long>(port.ToPc()));
            std::fflush(stdout);
        }
        if (quit)
            break;
    }
    ::close(fd); // the kernel removes the port
    return lodemar::EXIT_OK;
} catch (const std::exception& error) {
    // Out of memory, or a broken standard stream: said, not aborted on.
    std::fprintf(stderr, "kbemu-userio: %s\n", error.what());
    return lodemar::EXIT_FAILED;
}
