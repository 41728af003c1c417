#include "CFakeSerio.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int SERIO_RAW_QUEUE = 64;
// A real keyboard sends about one byte a millisecond, so serio_raw's queue
// gives the host some 64 ms to come back for its bytes.
constexpr auto BYTE_TIME = std::chrono::milliseconds(1);
constexpr auto QUEUE_PATIENCE = std::chrono::seconds(2);
constexpr char MISC_NAME[] = "serio_raw0";
const char* const WORDS[] = { "serio_raw", "atkbd", "psmouse", "rescan", "none" };

} // namespace

CFakeSerio::CFakeSerio(const std::string& root, std::vector<FakeSerioPort> ports)
    : m_sys(root + "/sys")
    , m_dev(root + "/dev")
{
    std::error_code ignored;
    fs::remove_all(m_sys, ignored);
    fs::remove_all(m_dev, ignored);
    fs::create_directories(m_dev);
    for (const char* driver : { "atkbd", "psmouse", "serio_raw" })
        fs::create_directories(m_sys + "/bus/serio/drivers/" + driver);
    fs::create_directories(m_sys + "/bus/platform/drivers/i8042/i8042");
    for (const FakeSerioPort& p : ports) {
        const std::string dir = m_sys + "/bus/serio/devices/" + p.name;
        fs::create_directories(dir);
        std::ofstream(dir + "/description") << p.description << "\n";
        if (!p.driver.empty())
            fs::create_symlink("../../drivers/" + p.driver, dir + "/driver");
        if (p.description == "i8042 KBD port" && m_port.empty()) {
            m_port = dir;
            ::mkfifo((dir + "/drvctl").c_str(), 0600);
        } else {
            std::ofstream(dir + "/drvctl");
        }
    }
    // Everyone may look, as in sysfs (a host that gave up root still reads it).
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_directory() && !entry.is_symlink())
            fs::permissions(entry.path(), fs::perms(0755));
    fs::permissions(root, fs::perms(0755));
    if (!m_port.empty())
        m_control = ::open((m_port + "/drvctl").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (::pipe2(m_stop, O_CLOEXEC) == 0)
        m_thread = std::thread([this] { Run(); });
}

CFakeSerio::~CFakeSerio()
{
    if (m_thread.joinable()) {
        (void)!::write(m_stop[1], "x", 1);
        m_thread.join();
    }
    Unbind();
    for (int fd : { m_control, m_stop[0], m_stop[1] })
        if (fd >= 0)
            ::close(fd);
}

std::vector<std::string> CFakeSerio::Commands()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

std::string CFakeSerio::Driver(const std::string& port) const
{
    std::error_code error;
    const fs::path target = fs::read_symlink(m_sys + "/bus/serio/devices/" + port + "/driver", error);
    return error ? std::string() : target.filename().string();
}

bool CFakeSerio::WaitForDriver(const std::string& driver, int timeoutMs) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Driver() != driver) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void CFakeSerio::SetFaults(const kbemu::KeyboardFaults& faults)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_keyboard.SetFaults(faults);
}

std::vector<std::uint8_t> CFakeSerio::Image()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keyboard.Image();
}

void CFakeSerio::Link(const std::string& driver)
{
    const std::string link = m_port + "/driver";
    ::unlink((link + ".new").c_str());
    if (driver.empty()) {
        ::unlink(link.c_str());
        return;
    }
    // Replaced in one step, as the kernel's link never goes missing between two drivers.
    if (::symlink(("../../drivers/" + driver).c_str(), (link + ".new").c_str()) == 0)
        ::rename((link + ".new").c_str(), link.c_str());
}

void CFakeSerio::Bind()
{
    Unbind();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return;
    const std::string name = ::ptsname(m_master);
    m_slave = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw {};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    struct stat st { };
    ::stat(name.c_str(), &st);
    const std::string misc = m_port + "/misc/" + MISC_NAME;
    fs::create_directories(misc);
    std::ofstream(misc + "/dev") << major(st.st_rdev) << ":" << minor(st.st_rdev) << "\n";
    (void)!::symlink(name.c_str(), (m_dev + "/" + MISC_NAME).c_str());
    Link("serio_raw");
}

void CFakeSerio::Unbind()
{
    std::error_code ignored;
    if (!m_port.empty())
        fs::remove_all(m_port + "/misc", ignored);
    ::unlink((m_dev + "/" + MISC_NAME).c_str());
    for (int* fd : { &m_master, &m_slave }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_wire.clear();
}

void CFakeSerio::Apply(const std::string& command)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(command);
    }
    if (command == "serio_raw") {
        Bind();
        return;
    }
    Unbind();
    Link(command == "none" ? "" : command == "rescan" ? "atkbd" : command);
}

void CFakeSerio::Run()
{
    // The keyboard is hardware: it does not wait for a busy machine. Where
    // allowed (root) this thread runs ahead of ordinary processes.
    sched_param priority {};
    priority.sched_priority = 1;
    (void)::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority);
    std::string pending;
    auto nextByte = std::chrono::steady_clock::now();
    // Since when the host's queue has been full; NEVER while it is not.
    const auto NEVER = std::chrono::steady_clock::time_point::max();
    auto fullSince = NEVER;
    for (;;) {
        pollfd fds[3] = { { m_stop[0], POLLIN, 0 }, { m_control, POLLIN, 0 }, { m_master, POLLIN, 0 } };
        const int count = m_master >= 0 ? 3 : 2;
        const auto waitFrom = std::chrono::steady_clock::now();
        const int wait = m_wire.empty()
            ? 100
            : static_cast<int>(std::max<long long>(
                0, std::chrono::ceil<std::chrono::milliseconds>(nextByte - waitFrom).count()));
        if (::poll(fds, count, wait) < 0)
            continue;
        if (fds[0].revents != 0)
            return;
        if ((fds[1].revents & POLLIN) != 0) {
            char buffer[256];
            const ssize_t n = ::read(m_control, buffer, sizeof buffer);
            if (n > 0)
                pending.append(buffer, static_cast<std::size_t>(n));
            // The host writes one word at a time; a FIFO may join them.
            for (bool found = true; found && !pending.empty();) {
                found = false;
                for (const char* word : WORDS) {
                    if (pending.rfind(word, 0) == 0) {
                        pending.erase(0, std::string(word).size());
                        Apply(word);
                        found = true;
                        break;
                    }
                }
            }
        }
        if (count == 3 && (fds[2].revents & POLLIN) != 0) {
            std::uint8_t buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            std::lock_guard<std::mutex> lock(m_mutex);
            for (ssize_t i = 0; i < n; ++i) {
                m_keyboard.Receive(buffer[i]);
                while (m_keyboard.HasOutput())
                    m_wire.push_back(m_keyboard.TakeOutput());
            }
        }
        if (!m_wire.empty() && m_master >= 0 && std::chrono::steady_clock::now() >= nextByte) {
            int queued = 0;
            ::ioctl(m_slave, TIOCINQ, &queued);
            const auto now = std::chrono::steady_clock::now();
            if (queued < SERIO_RAW_QUEUE)
                fullSince = NEVER;
            else if (fullSince == NEVER)
                fullSince = now;
            // A full queue holds the keyboard back for a while (a loaded
            // machine keeps the host, and the pseudo-terminal's kernel
            // worker, waiting); a host that stops reading loses bytes.
            if (fullSince != NEVER && now - fullSince < QUEUE_PATIENCE) {
                nextByte = now + BYTE_TIME;
                continue;
            }
            if (fullSince != NEVER)
                ++m_dropped;
            else
                (void)!::write(m_master, &m_wire.front(), 1);
            m_wire.pop_front();
            nextByte = std::max(nextByte + BYTE_TIME, now);
        }
    }
}
