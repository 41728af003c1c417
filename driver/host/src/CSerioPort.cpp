#include "CSerioPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <lodemar/Format.h>

#include "HostMessages.h"
#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr char SERIO_DEVICES[] = "/bus/serio/devices";
constexpr char SERIO_DRIVERS[] = "/bus/serio/drivers/";
constexpr char KEYBOARD_DRIVER[] = "atkbd";
constexpr char RESCAN[] = "rescan"; // the kernel picks the port's driver itself
constexpr char REAL_SYSFS[] = "/sys";
constexpr char PSAUX_NODE[] = "psaux";
// The kernel binds within the write to drvctl; a little slack for devices
// that appear a moment later.
constexpr auto BIND_WAIT = std::chrono::seconds(2);
constexpr auto STEP = std::chrono::milliseconds(10);
const char* const MODPROBE[] = { "/sbin/modprobe", "/usr/sbin/modprobe" };

std::string firstLine(const std::string& path)
{
    char buffer[256] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    std::string text(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    return text.substr(0, text.find('\n'));
}

std::vector<std::string> entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The driver bound to the port: the last part of its "driver" link.
std::string boundDriver(const std::string& portDir)
{
    char target[512];
    const ssize_t n = ::readlink((portDir + "/driver").c_str(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    const std::string link(target, static_cast<std::size_t>(n));
    return link.substr(link.rfind('/') + 1);
}

template <typename Done> bool waitUntil(Done done)
{
    const auto end = std::chrono::steady_clock::now() + BIND_WAIT;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(STEP);
    }
    return true;
}

bool writeWord(int fd, const std::string& word)
{
    for (;;) {
        const ssize_t n = ::write(fd, word.data(), word.size());
        if (n == static_cast<ssize_t>(word.size()))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

enum class ModuleLoad { Loaded, NoModprobe, Failed };

// serio_raw is a module on most kernels; the drvctl write does not load it.
ModuleLoad loadSerioRaw()
{
    char* const argv[] = { const_cast<char*>("modprobe"), const_cast<char*>("-q"),
        const_cast<char*>(SERIO_RAW_DRIVER), nullptr };
    char* const env[] = { const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr };
    for (const char* program : MODPROBE) {
        pid_t pid = -1;
        if (::access(program, X_OK) != 0 || ::posix_spawn(&pid, program, nullptr, nullptr, argv, env) != 0)
            continue;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ModuleLoad::Loaded : ModuleLoad::Failed;
    }
    return ModuleLoad::NoModprobe;
}

bool validWord(const std::string& word)
{
    return !word.empty() && word.size() < 64 && std::all_of(word.begin(), word.end(), [](char c) {
        return std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c))
            || c == '_';
    });
}

// "serioN": the only names the record may carry.
bool validPortName(const std::string& name)
{
    return name.size() > 5 && name.compare(0, 5, "serio") == 0
        && std::all_of(
            name.begin() + 5, name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string giveBackWord(const std::string& previous)
{
    return previous.empty() ? RESCAN : previous;
}

} // namespace

std::string findKeyboardPort(const std::string& sysfs, std::string& name)
{
    const std::string devices = sysfs + SERIO_DEVICES;
    for (const std::string& entry : entries(devices)) {
        if (firstLine(devices + "/" + entry + "/description") == SERIO_KEYBOARD_DESCRIPTION) {
            name = entry;
            return devices + "/" + entry;
        }
    }
    return {};
}

CSerioPort::CSerioPort(std::string sysfs, std::string dev, int recordFd)
    : m_sysfs(std::move(sysfs))
    , m_dev(std::move(dev))
    , m_recordFd(recordFd)
{
}

CSerioPort::~CSerioPort()
{
    GiveBack();
    for (const int fd : { m_controlFd, m_recordFd })
        if (fd >= 0)
            ::close(fd);
}

void CSerioPort::Recover()
{
    char buffer[128] = {};
    const ssize_t n = ::pread(m_recordFd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return;
    char name[64] = {};
    char previous[64] = {};
    if (std::sscanf(buffer, "%63s %63s", name, previous) != 2 || !validPortName(name)
        || !(std::strcmp(previous, "-") == 0 || validWord(previous))) {
        (void)!::ftruncate(m_recordFd, 0); // not a record of ours
        return;
    }
    const std::string word = std::strcmp(previous, "-") == 0 ? RESCAN : previous;
    const std::string dir = m_sysfs + SERIO_DEVICES + "/" + name;
    if (boundDriver(dir) == SERIO_RAW_DRIVER) {
        const int control = ::open((dir + "/drvctl").c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        const bool ok = control >= 0 && writeWord(control, word)
            && waitUntil([&] { return boundDriver(dir) != SERIO_RAW_DRIVER; });
        if (control >= 0)
            ::close(control);
        if (!ok) {
            tell(lodemar::format(texts::SERIO_GIVE_BACK_FAILED, name, word.c_str(), dir.c_str()));
            return; // the record stays: the port is still held
        }
        tell(lodemar::format(texts::SERIO_RECOVERED, name, word.c_str()));
    }
    (void)!::ftruncate(m_recordFd, 0);
}

bool CSerioPort::Prepare(std::string& error)
{
    m_portDir = findKeyboardPort(m_sysfs, m_name);
    if (m_portDir.empty()) {
        error = texts::SERIO_NO_PORT + m_sysfs + SERIO_DEVICES + ")";
        return false;
    }
    if (!Available(error))
        return false;
    const std::string driverDir = m_sysfs + SERIO_DRIVERS + SERIO_RAW_DRIVER;
    struct stat st;
    if (::stat(driverDir.c_str(), &st) != 0) {
        const ModuleLoad load = m_sysfs == REAL_SYSFS ? loadSerioRaw() : ModuleLoad::NoModprobe;
        if (load == ModuleLoad::NoModprobe) {
            error = texts::SERIO_NOT_LOADED;
            return false;
        }
        if (load == ModuleLoad::Failed || ::stat(driverDir.c_str(), &st) != 0) {
            error = texts::SERIO_NO_DRIVER;
            return false;
        }
    }
    const std::string control = m_portDir + "/drvctl";
    m_controlFd = ::open(control.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_controlFd < 0) {
        error = texts::SERIO_CONTROL_FAILED + control + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool CSerioPort::Available(std::string& error)
{
    // Only a port with its keyboard driver (or none) is taken; one that
    // serio_raw or anything else holds belongs to someone else.
    m_previous = boundDriver(m_portDir);
    if (!m_previous.empty() && m_previous != KEYBOARD_DRIVER) {
        error = lodemar::format(texts::SERIO_HELD, m_name.c_str(), m_previous.c_str());
        return false;
    }
    return true;
}

bool CSerioPort::Take(std::string& error)
{
    if (m_held || m_controlFd < 0 || !Available(error))
        return false;
    // Written down before the port changes hands.
    const std::string record = m_name + " " + (m_previous.empty() ? "-" : m_previous) + "\n";
    if (::ftruncate(m_recordFd, 0) != 0
        || ::pwrite(m_recordFd, record.data(), record.size(), 0) != static_cast<ssize_t>(record.size())
        || ::fdatasync(m_recordFd) != 0) {
        error = texts::SERIO_RECORD_FAILED + std::string(std::strerror(errno));
        return false;
    }
    m_held = true;
    if (!writeWord(m_controlFd, SERIO_RAW_DRIVER)) {
        error = texts::SERIO_CONTROL_FAILED + m_portDir + "/drvctl: " + std::strerror(errno);
        GiveBack();
        return false;
    }
    if (!waitUntil([&] { return boundDriver(m_portDir) == SERIO_RAW_DRIVER && OpenDevice(); })) {
        error = texts::SERIO_NO_DEVICE + m_dev;
        GiveBack();
        return false;
    }
    return true;
}

int CSerioPort::ReleaseDevice()
{
    const int fd = m_deviceFd;
    m_deviceFd = -1;
    return fd;
}

bool CSerioPort::OpenDevice()
{
    // serio_raw's misc device sits below the port; its node is found by its
    // number, never trusted by its name alone.
    const std::string misc = m_portDir + "/misc";
    for (const std::string& entry : entries(misc)) {
        unsigned major = 0;
        unsigned minor = 0;
        if (std::sscanf(firstLine(misc + "/" + entry + "/dev").c_str(), "%u:%u", &major, &minor) != 2)
            continue;
        const dev_t number = makedev(major, minor);
        const std::string candidates[]
            = { m_dev + "/" + entry, m_dev + "/char/" + std::to_string(major) + ":" + std::to_string(minor),
                  m_dev + "/" + PSAUX_NODE };
        for (const std::string& path : candidates) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            struct stat st;
            if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == number) {
                m_deviceFd = fd;
                return true;
            }
            if (fd >= 0)
                ::close(fd);
        }
    }
    return false;
}

void CSerioPort::GiveBack()
{
    if (m_deviceFd >= 0)
        ::close(m_deviceFd);
    m_deviceFd = -1;
    if (!m_held)
        return;
    m_held = false;
    // A port someone else has taken from serio_raw meanwhile is theirs now.
    const std::string word = giveBackWord(m_previous);
    if (boundDriver(m_portDir) != SERIO_RAW_DRIVER || (writeWord(m_controlFd, word) && waitUntil([&] {
            return boundDriver(m_portDir) != SERIO_RAW_DRIVER;
        })))
        (void)!::ftruncate(m_recordFd, 0);
    else
        tell(lodemar::format(texts::SERIO_GIVE_BACK_FAILED, m_name.c_str(), word.c_str(), m_portDir.c_str()));
}

} // namespace tavrin
