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
    : sys_(root + "/sys")
    , dev_(root + "/dev")
{
    std::error_code ignored;
    fs::remove_all(sys_, ignored);
    fs::remove_all(dev_, ignored);
    fs::create_directories(dev_);
    for (const char* driver : { "atkbd", "psmouse", "serio_raw" })
        fs::create_directories(sys_ + "/bus/serio/drivers/" + driver);
    fs::create_directories(sys_ + "/bus/platform/drivers/i8042/i8042");
    for (const FakeSerioPort& p : ports) {
        const std::string dir = sys_ + "/bus/serio/devices/" + p.name;
        fs::create_directories(dir);
        std::ofstream(dir + "/description") << p.description << "\n";
        if (!p.driver.empty())
            fs::create_symlink("../../drivers/" + p.driver, dir + "/driver");
        if (p.description == "i8042 KBD port" && port_.empty()) {
            port_ = dir;
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
    if (!port_.empty())
        control_ = ::open((port_ + "/drvctl").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (::pipe2(stop_, O_CLOEXEC) == 0)
        thread_ = std::thread([this] { Run(); });
}

CFakeSerio::~CFakeSerio()
{
    if (thread_.joinable()) {
        (void)!::write(stop_[1], "x", 1);
        thread_.join();
    }
    Unbind();
    for (int fd : { control_, stop_[0], stop_[1] })
        if (fd >= 0)
            ::close(fd);
}

std::vector<std::string> CFakeSerio::Commands()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::string CFakeSerio::Driver(const std::string& port) const
{
    std::error_code error;
    const fs::path target = fs::read_symlink(sys_ + "/bus/serio/devices/" + port + "/driver", error);
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
    std::lock_guard<std::mutex> lock(mutex_);
    keyboard_.SetFaults(faults);
}

std::vector<std::uint8_t> CFakeSerio::Image()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return keyboard_.Image();
}

void CFakeSerio::Link(const std::string& driver)
{
    const std::string link = port_ + "/driver";
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
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return;
    const std::string name = ::ptsname(master_);
    slave_ = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw {};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    struct stat st { };
    ::stat(name.c_str(), &st);
    const std::string misc = port_ + "/misc/" + MISC_NAME;
    fs::create_directories(misc);
    std::ofstream(misc + "/dev") << major(st.st_rdev) << ":" << minor(st.st_rdev) << "\n";
    (void)!::symlink(name.c_str(), (dev_ + "/" + MISC_NAME).c_str());
    Link("serio_raw");
}

void CFakeSerio::Unbind()
{
    std::error_code ignored;
    if (!port_.empty())
        fs::remove_all(port_ + "/misc", ignored);
    ::unlink((dev_ + "/" + MISC_NAME).c_str());
    for (int* fd : { &master_, &slave_ }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    wire_.clear();
}

void CFakeSerio::Apply(const std::string& command)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(command);
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
        pollfd fds[3] = { { stop_[0], POLLIN, 0 }, { control_, POLLIN, 0 }, { master_, POLLIN, 0 } };
        const int count = master_ >= 0 ? 3 : 2;
        const auto waitFrom = std::chrono::steady_clock::now();
        const int wait = wire_.empty()
            ? 100
            : static_cast<int>(std::max<long long>(
                0, std::chrono::ceil<std::chrono::milliseconds>(nextByte - waitFrom).count()));
        if (::poll(fds, count, wait) < 0)
            continue;
        if (fds[0].revents != 0)
            return;
        if ((fds[1].revents & POLLIN) != 0) {
            char buffer[256];
            const ssize_t n = ::read(control_, buffer, sizeof buffer);
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
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            std::lock_guard<std::mutex> lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                keyboard_.Receive(buffer[i]);
                while (keyboard_.HasOutput())
                    wire_.push_back(keyboard_.TakeOutput());
            }
        }
        if (!wire_.empty() && master_ >= 0 && std::chrono::steady_clock::now() >= nextByte) {
            int queued = 0;
            ::ioctl(slave_, TIOCINQ, &queued);
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
                ++dropped_;
            else
                (void)!::write(master_, &wire_.front(), 1);
            wire_.pop_front();
            nextByte = std::max(nextByte + BYTE_TIME, now);
        }
    }
}
