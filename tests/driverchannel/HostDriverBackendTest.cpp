// The Linux backend under the real channel: finding the host program (never
// in the current folder), one run per keyboard, starting, adopting and
// stopping hosts (the real tavrin, scripts that fail or will not end, a
// stand-in host).
#include "posix/CHostDriverBackend.h"
#include "posix/PosixPaths.h"

#include "HostProcessFixture.h"

#include <driverchannel/CDriverChannel.h>
#include <tavrin/TavrinControl.h>
#include <tavrin/TavrinHolder.h>
#include <tavrin/TavrinWire.h>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>

using namespace driverchannel;
using namespace driverchannel::posix;
namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void writeScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

bool processExists(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) == 0;
}

// A host that answers who it is but never answers a stop request.
class CStubbornHost {
public:
    explicit CStubbornHost(const std::string& path, std::uint32_t backend = tavrin::BACKEND_EMULATED)
        : m_path(path)
        , m_backendKind(backend)
    {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listener, 8);
        if (::pipe(m_stop) != 0)
            m_stop[0] = m_stop[1] = -1;
        m_thread = std::thread([this] { Serve(); });
    }
    ~CStubbornHost()
    {
        const char quit = 0;
        (void)!::write(m_stop[1], &quit, 1);
        m_thread.join();
        for (auto& [fd, buffer] : m_clients)
            ::close(fd);
        ::close(m_listener);
        ::close(m_stop[0]);
        ::close(m_stop[1]);
        ::unlink(m_path.c_str());
    }
    bool StopAsked() const { return m_stopAsked; }

private:
    void Serve()
    {
        for (;;) {
            std::vector<pollfd> fds { { m_stop[0], POLLIN, 0 }, { m_listener, POLLIN, 0 } };
            for (const auto& [fd, buffer] : m_clients)
                fds.push_back({ fd, POLLIN, 0 });
            if (::poll(fds.data(), fds.size(), -1) <= 0 || fds[0].revents)
                return;
            if (fds[1].revents) {
                const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    m_clients[fd];
            }
            for (std::size_t i = 2; i < fds.size(); ++i)
                if (fds[i].revents)
                    Answer(fds[i].fd);
        }
    }
    void Answer(int fd)
    {
        std::vector<std::uint8_t>& in = m_clients[fd];
        std::uint8_t chunk[512];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            ::close(fd);
            m_clients.erase(fd);
            return;
        }
        in.insert(in.end(), chunk, chunk + n);
        tavrin::WireRequest request;
        const int taken = tavrin::parseRequest(in.data(), in.size(), request);
        if (taken <= 0)
            return;
        const std::uint32_t code = request.code;
        in.erase(in.begin(), in.begin() + taken);
        std::vector<std::uint8_t> reply;
        if (code == tavrin::HOST_STOP) {
            m_stopAsked = true; // and no answer
            return;
        }
        if (code == tavrin::HOST_IDENTIFY) {
            std::uint8_t identity[tavrin::HOST_IDENTITY_SIZE];
            tavrin::encodeIdentity(identity,
                { tavrin::HOST_PROTOCOL_VERSION, TAVRIN_VERSION, static_cast<std::uint32_t>(::getpid()),
                    m_backendKind });
            tavrin::encodeReply(reply, TAVRIN_STATUS_SUCCESS, sizeof identity, identity, sizeof identity);
        } else {
            tavrin::encodeReply(reply, TAVRIN_STATUS_SUCCESS, 0, nullptr, 0);
        }
        (void)!::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    }

    std::string m_path;
    std::uint32_t m_backendKind;
    int m_listener = -1;
    int m_stop[2] = { -1, -1 };
    std::map<int, std::vector<std::uint8_t>> m_clients;
    std::atomic<bool> m_stopAsked { false };
    std::thread m_thread;
};

class HostDriverBackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* sub : { "run", "cwd", "libexec" })
            fs::create_directory(m_folder / sub);
        m_previous = fs::current_path();
        fs::current_path(m_folder / "cwd");
        m_settings.runtimeDirectory = m_folder / "run";
        m_settings.installedDirectory = m_folder / "libexec";
        m_settings.emulatedKeyboardMemory = m_folder / "kb.bin";
        m_settings.hardwareSocket = m_folder / "hardware.sock";
        m_settings.elevator = m_folder / "elevator";
        m_settings.startTimeoutMs = 10000;
        m_settings.stopTimeoutMs = 3000;
        m_settings.probeTimeoutMs = 500;
    }
    void TearDown() override { fs::current_path(m_previous); }

    // The emulated keyboard's host, and (for the real keyboard's, which the
    // tests never run but through a stand-in elevator) a program of its name.
    void InstallHost(const std::string& where)
    {
        fs::create_symlink(TAVRIN_HOST_PATH, m_folder / (where + "/tavrin-emu"));
        fs::create_symlink(TAVRIN_HOST_PATH, m_folder / (where + "/tavrin"));
    }
    // Programs named like the hosts that only leave a mark if they ever run.
    void PlantHost(const std::string& where)
    {
        for (const char* name : { "/tavrin", "/tavrin-emu" })
            writeScript(m_folder / (where + name), "touch " + (m_folder / "planted-ran"));
    }
    bool PlantedHostRan() const { return fs::exists(m_folder / "planted-ran"); }
    // The emulated keyboard's id, which names its lock and socket.
    std::string Id() const { return keyboardId("Tavrin", normalisedPath(m_settings.emulatedKeyboardMemory)); }
    std::string Socket() const { return hostSocketPath(m_folder / "run", Id()); }
    CHostDriverBackend& Backend()
    {
        m_backend.emplace(m_settings);
        return *m_backend;
    }
    int Load(CDriverChannel& channel) { return channel.Load(DRIVER_NAME, nullptr, nullptr, true); }

    CTempFolder m_folder;
    HostDriverSettings m_settings;
    std::optional<CHostDriverBackend> m_backend;
    fs::path m_previous;
};

TEST_F(HostDriverBackendTest, HostFromTheInstalledFolderIsStartedServesAndIsStoppedAgain)
{
    PlantHost("cwd"); // never run, though the current folder comes first on Windows
    InstallHost("libexec");
    CHostDriverBackend& backend = Backend();
    std::optional<CDriverChannel> channel(std::in_place, backend);
    ASSERT_EQ(Load(*channel), CHANNEL_SUCCESS);
    EXPECT_EQ(backend.HostProgram(), m_folder / "libexec/tavrin-emu");
    EXPECT_EQ(backend.SocketPath(), Socket());
    EXPECT_TRUE(fs::exists(keyboardLockPath(m_folder / "run", Id())));
    EXPECT_EQ(fs::status(m_folder / "run").permissions() & fs::perms::all, fs::perms::owner_all);

    // The device answers the driver's requests.
    std::uint8_t version[4] = {};
    EXPECT_EQ(channel->Request(IOCTL_GET_VERSION, version, 4, version, 4), 4);
    EXPECT_EQ(version[0], TAVRIN_VERSION);
    const pid_t host = backend.StartedHost();
    ASSERT_GT(host, 0);

    channel.reset();
    EXPECT_TRUE(fs::is_empty(m_folder / "run")); // socket and lock gone
    EXPECT_FALSE(processExists(host)); // ended and reaped
    EXPECT_EQ(backend.StartedHost(), -1);
    EXPECT_FALSE(PlantedHostRan());
}

TEST_F(HostDriverBackendTest, HostFromTheInstalledFolderOrNowhere)
{
    InstallHost("libexec");
    {
        CDriverChannel channel(Backend());
        ASSERT_EQ(Load(channel), CHANNEL_SUCCESS);
        EXPECT_EQ(m_backend->HostProgram(), m_folder / "libexec/tavrin-emu");
    }
    // No host there (a non-executable file does not count, one in the
    // current folder is never looked at): -4, and nothing runs.
    fs::remove(m_folder / "libexec/tavrin-emu");
    std::ofstream(m_folder / "libexec/tavrin-emu") << "not a program";
    PlantHost("cwd");
    CDriverChannel channel(Backend());
    EXPECT_EQ(Load(channel), CHANNEL_DRIVER_FILE_NOT_FOUND);
    EXPECT_EQ(m_backend->StartedHost(), -1);
    EXPECT_EQ(channel.Send(IOCTL_SEND_BYTES, "\xED", 1), CHANNEL_NO_DEVICE);
    EXPECT_FALSE(PlantedHostRan());

    // No installed folder at all.
    m_settings.installedDirectory.clear();
    CDriverChannel none(Backend());
    EXPECT_EQ(Load(none), CHANNEL_DIRECTORY_FAILED);
}

TEST_F(HostDriverBackendTest, HostAlreadyServingIsUsedAndLeftServing)
{
    InstallHost("libexec");
    CHostDriverBackend& backend = Backend();
    const std::string socket = Socket();
    // Started by someone else, with a keyboard that never answers.
    CHostProcess host(
        { "--socket", socket, "--emulate", m_folder / "kb.bin", "--fault", "silent" }, m_folder / "host.err");
    ASSERT_EQ(tavrin::waitForHost(socket, 5000), tavrin::CLIENT_OK);
    {
        CDriverChannel channel(backend);
        ASSERT_EQ(Load(channel), CHANNEL_SUCCESS);
        EXPECT_EQ(backend.StartedHost(), -1);
        // A send the keyboard did not answer comes back with information
        // 254, and the channel reports it as a failed request.
        const std::uint8_t packet[] = { 0xE8, 0x00, 0x00 };
        EXPECT_EQ(channel.Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_REQUEST_FAILED);
        std::vector<std::uint8_t> block(10240);
        EXPECT_EQ(channel.Request(IOCTL_READ_DATA, "\xE9", 1, block.data(), 10240), 0);
        // The driver's own failure status is a failed request.
        EXPECT_EQ(channel.Request(IOCTL_READ_DATA, "\xE9", 1, block.data(), 7999), CHANNEL_REQUEST_FAILED);
    }
    // Whoever started it stops it; this run did not.
    EXPECT_EQ(tavrin::probeHost(socket, 1000), tavrin::CLIENT_OK);
    EXPECT_EQ(tavrin::stopHost(socket, 3000), tavrin::CLIENT_OK);
    EXPECT_EQ(host.Wait(), 0);
}

// A run that was killed leaves its host's socket behind, and perhaps the
// host itself ended with it: the next run starts its own host in its place.
TEST_F(HostDriverBackendTest, WhatAKilledRunLeftBehindDoesNotHoldUpTheNext)
{
    InstallHost("libexec");
    pid_t host = -1;
    {
        CHostDriverBackend killed(m_settings);
        CDriverChannel channel(killed);
        ASSERT_EQ(Load(channel), CHANNEL_SUCCESS);
        host = killed.StartedHost();
        ASSERT_GT(host, 0);
        ::kill(host, SIGKILL);
        ::waitpid(host, nullptr, 0);
    }
    ASSERT_TRUE(fs::exists(Socket())); // nobody removed it
    CDriverChannel next(Backend());
    ASSERT_EQ(Load(next), CHANNEL_SUCCESS);
    EXPECT_NE(m_backend->StartedHost(), host);
    std::uint8_t version[4] = {};
    EXPECT_EQ(next.Request(IOCTL_GET_VERSION, version, 4, version, 4), 4);
}

TEST_F(HostDriverBackendTest, HostThatCannotStartGivesMinus6AndTheNextRunStartsAfresh)
{
    writeScript(m_folder / "libexec/tavrin-emu", "exit 2");
    {
        CDriverChannel channel(Backend());
        EXPECT_EQ(Load(channel), CHANNEL_START_FAILED);
        EXPECT_EQ(m_backend->StartedHost(), -1);
    }

    // One that never opens its socket is given up after the start time-out
    // and does not outlive the attempt.
    writeScript(m_folder / "libexec/tavrin-emu", "echo $$ > " + (m_folder / "pid") + "; exec sleep 30");
    m_settings.startTimeoutMs = 500;
    CHostDriverBackend& backend = Backend();
    {
        CDriverChannel channel(backend);
        EXPECT_EQ(Load(channel), CHANNEL_START_FAILED);
    }
    EXPECT_EQ(backend.StartedHost(), -1); // reaped
    const std::string script = readText(m_folder / "pid");
    if (!script.empty()) {
        EXPECT_FALSE(processExists(std::stoi(script)));
    }

    // The next run starts.
    fs::remove(m_folder / "libexec/tavrin-emu");
    InstallHost("libexec");
    m_settings.startTimeoutMs = 10000;
    CDriverChannel channel(Backend());
    EXPECT_EQ(Load(channel), CHANNEL_SUCCESS);
}

// A load that fails says why in the system's own words, for the program to
// show under its failure text: what pkexec or the host said, or how it ended.
TEST_F(HostDriverBackendTest, EveryFailedStartSaysWhy)
{
    struct Case {
        const char* name;
        bool realKeyboard;
        std::string script; // the elevator's (real keyboard) or the host's
        std::string reason;
    };
    const Case cases[] = {
        { "no authentication agent", true,
            "echo 'Error executing command as another user: No authentication agent found.' >&2; exit 127",
            "pkexec: not authorized, or no authentication agent is running to ask for the password (as root "
            "the "
            "driver host needs no pkexec) (Error executing command as another user: No authentication agent "
            "found.)" },
        { "password refused", true, "exit 126",
            "pkexec: the authentication was dismissed or the password refused" },
        { "the keyboard in use", true,
            "echo 'tavrin: the keyboard is in use by process 42 (uid 1000)' >&2; exit 7",
            "tavrin: the keyboard is in use by process 42 (uid 1000)" },
        { "a memory file in a folder that does not exist", false,
            "exec " + std::string(TAVRIN_HOST_PATH) + " \"$@\"",
            "tavrin-emu: cannot open or create the keyboard memory file " + (m_folder / "none/kb.bin") },
        { "a host that says nothing", false, "kill -9 $$",
            "the driver host was ended by signal 9 before it served" },
    };
    for (const Case& c : cases) {
        fs::remove_all(m_folder / "libexec");
        fs::create_directory(m_folder / "libexec");
        writeScript(m_folder / "libexec/tavrin", "exit 3");
        writeScript(m_folder / "libexec/tavrin-emu", c.script);
        if (c.realKeyboard)
            writeScript(m_settings.elevator, c.script);
        m_settings.elevate = c.realKeyboard;
        m_settings.emulatedKeyboardMemory = c.realKeyboard ? "" : m_folder / "none/kb.bin";
        CDriverChannel channel(Backend());
        EXPECT_EQ(Load(channel), CHANNEL_START_FAILED) << c.name;
        EXPECT_EQ(channel.FailureReason(), c.reason) << c.name;
    }
}

TEST_F(HostDriverBackendTest, HostOfOursThatDoesNotEndGivesMinus7)
{
    // The host stops when asked, but its process goes on.
    writeScript(m_folder / "libexec/tavrin-emu", std::string(TAVRIN_HOST_PATH) + " \"$@\"; exec sleep 30");
    m_settings.stopTimeoutMs = 300;
    CHostDriverBackend& backend = Backend();
    CDriverChannel channel(backend);
    ASSERT_EQ(Load(channel), CHANNEL_SUCCESS);
    const pid_t started = backend.StartedHost();
    ASSERT_GT(started, 0);
    EXPECT_EQ(backend.StopDriver(), CHANNEL_STOP_REFUSED);
    EXPECT_EQ(backend.StartedHost(), started);
    EXPECT_EQ(channel.Send(IOCTL_SEND_BYTES, "\xED", 1), CHANNEL_NO_DEVICE); // closed before the stop request
    // Nor is a second start over it.
    EXPECT_EQ(Load(channel), CHANNEL_PREVIOUS_NOT_REMOVED);
    ::kill(started, SIGKILL);
}

TEST_F(HostDriverBackendTest, RealKeyboardHostIsStartedThroughTheElevatorFromTheInstalledFolderOnly)
{
    PlantHost("cwd");
    InstallHost("libexec");
    m_settings.emulatedKeyboardMemory.clear();
    m_settings.elevate = true;
    // Records what it was asked to run, then fails as a refused password does.
    writeScript(m_settings.elevator, "echo \"$@\" > " + (m_folder / "args") + "; exit 126");
    CDriverChannel channel(Backend());
    EXPECT_EQ(Load(channel), CHANNEL_START_FAILED);
    EXPECT_EQ(m_backend->SocketPath(), m_settings.hardwareSocket);
    // No paths for the host that runs as root: its socket is its own.
    EXPECT_EQ(readText(m_folder / "args"), (m_folder / "libexec/tavrin") + " --hardware\n");
    EXPECT_FALSE(PlantedHostRan());
}

TEST_F(HostDriverBackendTest, DefaultSettingsTakeTheRealKeyboardsHostFromTheInstalledFolderOnly)
{
    ::setenv(DRIVER_DIRECTORY_VARIABLE, (m_folder / "cwd").c_str(), 1);
    ::unsetenv(HARDWARE_SOCKET_VARIABLE);
    const HostDriverSettings real = defaultHostDriverSettings({});
    EXPECT_EQ(real.installedDirectory, installedDriverDirectory());
    EXPECT_NE(real.installedDirectory, m_folder / "cwd");
    EXPECT_EQ(real.elevator, "/usr/bin/pkexec");
    EXPECT_EQ(fs::path(real.hardwareSocket).filename(), "tavrin.sock");
    EXPECT_EQ(fs::path(real.hardwareHolder).filename(), "tavrin.holder");
    EXPECT_FALSE(real.attachedHardwareHost);
    EXPECT_EQ(defaultHostDriverSettings({ m_folder / "kb.bin" }).installedDirectory, m_folder / "cwd");

    ::setenv(HARDWARE_SOCKET_VARIABLE, (m_folder / "hardware.sock").c_str(), 1);
    const HostDriverSettings attached = defaultHostDriverSettings({});
    EXPECT_EQ(attached.hardwareSocket, m_folder / "hardware.sock");
    EXPECT_TRUE(attached.attachedHardwareHost);
    EXPECT_EQ(attached.hardwareHolder, "");
    ::unsetenv(HARDWARE_SOCKET_VARIABLE);
    ::unsetenv(DRIVER_DIRECTORY_VARIABLE);
}

TEST_F(HostDriverBackendTest, OneRunPerKeyboardAndTheSecondTouchesNothing)
{
    InstallHost("libexec");
    std::optional<CHostDriverBackend> firstBackend(std::in_place, m_settings);
    std::optional<CDriverChannel> first(std::in_place, *firstBackend);
    ASSERT_EQ(Load(*first), CHANNEL_SUCCESS);

    CHostDriverBackend secondBackend(m_settings);
    CDriverChannel second(secondBackend);
    EXPECT_EQ(Load(second), CHANNEL_KEYBOARD_IN_USE);
    EXPECT_EQ(
        second.KeyboardHolder(), "process " + std::to_string(::getpid()) + " (driverchannel_posix_tests)");
    EXPECT_EQ(secondBackend.SocketPath(), "");
    std::uint8_t version[4] = {};
    EXPECT_EQ(first->Request(IOCTL_GET_VERSION, version, 4, version, 4), 4);

    // Another keyboard at the same time.
    m_settings.emulatedKeyboardMemory = m_folder / "other.bin";
    CHostDriverBackend otherBackend(m_settings);
    CDriverChannel other(otherBackend);
    EXPECT_EQ(Load(other), CHANNEL_SUCCESS);
    EXPECT_NE(otherBackend.SocketPath(), firstBackend->SocketPath());

    // Free once the first run has stopped its host.
    first.reset();
    firstBackend.reset();
    m_settings.emulatedKeyboardMemory = m_folder / "kb.bin";
    CDriverChannel next(Backend());
    EXPECT_EQ(Load(next), CHANNEL_SUCCESS);
}

TEST_F(HostDriverBackendTest, RealKeyboardHeldByAnotherUsersHostIsReportedBeforeAnythingStarts)
{
    InstallHost("libexec");
    m_settings.emulatedKeyboardMemory.clear();
    m_settings.elevate = true;
    writeScript(m_settings.elevator, "touch " + (m_folder / "asked"));
    // What the root host publishes while it holds the keyboard: here this
    // process stands in for it, on behalf of itself as the caller.
    m_settings.hardwareHolder = m_folder / "hardware.holder";
    const tavrin::HostHolder holder { ::getpid(), tavrin::processStartTime("self"), ::getpid(), 0 };
    std::ofstream(m_settings.hardwareHolder) << tavrin::formatHolder(holder);

    CHostDriverBackend backend(m_settings);
    CDriverChannel channel(backend);
    EXPECT_EQ(Load(channel), CHANNEL_KEYBOARD_IN_USE);
    EXPECT_EQ(channel.KeyboardHolder().rfind("process " + std::to_string(::getpid()) + " (", 0), 0u)
        << channel.KeyboardHolder();
    EXPECT_NE(channel.KeyboardHolder().find(" of user root"), std::string::npos) << channel.KeyboardHolder();
    EXPECT_FALSE(fs::exists(m_folder / "asked"));
    EXPECT_FALSE(fs::exists(m_folder / "run/Tavrin.lock")); // our own lock given up again

    // A record left by a host that is gone (its process started at another
    // time) holds nothing: the elevator is asked.
    std::ofstream(m_settings.hardwareHolder)
        << tavrin::formatHolder({ ::getpid(), holder.hostStart + 1, ::getpid(), 0 });
    CDriverChannel next(Backend());
    EXPECT_EQ(Load(next), CHANNEL_START_FAILED);
    EXPECT_TRUE(fs::exists(m_folder / "asked"));
}

TEST_F(HostDriverBackendTest, AttachedRealKeyboardHostIsUsedButNeverStartedOrStopped)
{
    m_settings.emulatedKeyboardMemory.clear();
    m_settings.elevate = true;
    writeScript(m_settings.elevator, "touch " + (m_folder / "asked"));
    m_settings.attachedHardwareHost = true;
    {
        CDriverChannel channel(Backend());
        EXPECT_EQ(Load(channel), CHANNEL_START_FAILED); // none serving: none started
    }
    CStubbornHost host(m_settings.hardwareSocket, tavrin::BACKEND_HARDWARE);
    {
        CDriverChannel channel(Backend());
        ASSERT_EQ(Load(channel), CHANNEL_SUCCESS);
        std::uint8_t version[4] = {};
        EXPECT_EQ(channel.Request(IOCTL_GET_VERSION, version, 4, version, 4), 0);
    }
    EXPECT_FALSE(host.StopAsked());
    EXPECT_FALSE(fs::exists(m_folder / "asked"));
}

TEST_F(HostDriverBackendTest, EachKeyboardHasItsOwnId)
{
    EXPECT_EQ(keyboardId("Tavrin", ""), "Tavrin");
    EXPECT_EQ(keyboardId("Tavrin", "/m/one.bin").rfind("Tavrin.emulated-", 0), 0u);
    EXPECT_NE(keyboardId("Tavrin", "/m/one.bin"), keyboardId("Tavrin", "/m/two.bin"));
    // However the memory file's folder is spelt; a link in its place is kept
    // as given, for the host to refuse.
    std::ofstream(m_folder / "kb.bin") << "";
    fs::create_symlink(m_folder / "cwd", m_folder / "cwd-link");
    fs::create_symlink(m_folder / "kb.bin", m_folder / "link.bin");
    const std::string plain = m_folder / "kb.bin";
    for (const std::string& spelling :
        { m_folder / "cwd/../kb.bin", std::string("../kb.bin"), m_folder / "cwd-link/../kb.bin" })
        EXPECT_EQ(normalisedPath(spelling), plain) << spelling;
    EXPECT_EQ(normalisedPath(m_folder / "cwd-link/m.bin"), m_folder / "cwd/m.bin");
    EXPECT_EQ(normalisedPath(m_folder / "link.bin"), m_folder / "link.bin");
}

// A folder others could write into is not trusted at all (what they put
// there meanwhile would be); one they could only read is closed.
TEST_F(HostDriverBackendTest, RegistrationFolderMustBePrivate)
{
    InstallHost("libexec");
    fs::remove(m_folder / "run");
    fs::create_directory(m_folder / "elsewhere");
    fs::create_directory_symlink(m_folder / "elsewhere", m_folder / "run");
    CDriverChannel channel(Backend());
    EXPECT_EQ(Load(channel), CHANNEL_OPEN_MANAGER_FAILED);
    EXPECT_NE(channel.FailureReason().find("refused: the private folder"), std::string::npos);

    fs::remove(m_folder / "run");
    fs::create_directory(m_folder / "run");
    fs::permissions(m_folder / "run", fs::perms::all);
    CDriverChannel open(Backend());
    EXPECT_EQ(Load(open), CHANNEL_OPEN_MANAGER_FAILED);
    EXPECT_EQ(fs::status(m_folder / "run").permissions() & fs::perms::all, fs::perms::all);

    fs::permissions(m_folder / "run", fs::perms(0755));
    CDriverChannel readable(Backend());
    EXPECT_EQ(Load(readable), CHANNEL_SUCCESS);
    EXPECT_EQ(fs::status(m_folder / "run").permissions() & fs::perms::all, fs::perms::owner_all);
}

// A host program is run only when it and every folder above it can be
// changed by root or the user alone; links only where one of them made it.
TEST_F(HostDriverBackendTest, OnlyAHostNobodyElseCanChangeIsRun)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make other users' files";
    constexpr uid_t OTHER = 65534;
    struct Case {
        const char* name;
        std::function<void(const fs::path& libexec)> plant;
        bool trusted;
    };
    const Case cases[] = {
        { "the user's own", [](const fs::path&) {}, true },
        { "a folder others can write", [](const fs::path& l) { fs::permissions(l, fs::perms(0777)); },
            false },
        { "a sticky folder of root's",
            [](const fs::path& l) { fs::permissions(l.parent_path(), fs::perms(01777)); }, true },
        { "a program others can write",
            [](const fs::path& l) { fs::permissions(l / "tavrin-emu", fs::perms(0777)); }, false },
        { "another user's folder", [](const fs::path& l) { ASSERT_EQ(::chown(l.c_str(), OTHER, OTHER), 0); },
            false },
        { "another user's link",
            [](const fs::path& l) {
                fs::rename(l / "tavrin-emu", l / "real");
                fs::create_symlink(l / "real", l / "tavrin-emu");
                ASSERT_EQ(::lchown((l / "tavrin-emu").c_str(), OTHER, OTHER), 0);
            },
            false },
    };
    for (const Case& c : cases) {
        const fs::path base = m_folder / c.name;
        fs::create_directories(base / "libexec");
        writeScript(base / "libexec/tavrin-emu", "touch " + (m_folder / "planted-ran"));
        c.plant(base / "libexec");
        std::string why;
        EXPECT_EQ(trustedPath(base / "libexec/tavrin-emu", 0, why), c.trusted) << c.name << ": " << why;
        m_settings.installedDirectory = base / "libexec";
        CDriverChannel channel(Backend());
        if (!c.trusted) {
            EXPECT_EQ(Load(channel), CHANNEL_DRIVER_FILE_NOT_FOUND) << c.name;
            EXPECT_NE(channel.FailureReason().find("could be changed by someone else"), std::string::npos)
                << c.name;
        }
    }
    EXPECT_TRUE(runningFromBuildTree());
}

// A socket in the private folder that the expected host does not serve (the
// socket file or the process behind it another user's) is never used and
// hears nothing but a connection.
TEST_F(HostDriverBackendTest, AHostOfAnotherUsersIsNeverUsed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to serve as another user";
    InstallHost("libexec");
    constexpr uid_t OTHER = 65534;
    const std::string socket = Socket();
    for (const bool fileOfTheOther : { true, false }) {
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a {};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, socket.c_str(), sizeof a.sun_path - 1);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (fileOfTheOther) {
            ASSERT_EQ(::chown(socket.c_str(), OTHER, OTHER), 0);
        }
        // The socket's file or the process that listens is the other user's;
        // it answers who it is. It says when it listens (the peer's
        // credentials are the listener's), so no connection comes first.
        int listening[2];
        ASSERT_EQ(::pipe2(listening, O_CLOEXEC), 0);
        const pid_t other = ::fork();
        if (other == 0) {
            if ((!fileOfTheOther
                    && (::setresgid(OTHER, OTHER, OTHER) != 0 || ::setresuid(OTHER, OTHER, OTHER) != 0))
                || ::listen(listener, 4) != 0)
                ::_exit(1);
            (void)!::write(listening[1], "l", 1);
            std::uint8_t identity[tavrin::HOST_IDENTITY_SIZE];
            tavrin::encodeIdentity(identity,
                { tavrin::HOST_PROTOCOL_VERSION, TAVRIN_VERSION, static_cast<std::uint32_t>(::getpid()),
                    tavrin::BACKEND_EMULATED });
            std::vector<std::uint8_t> reply;
            tavrin::encodeReply(reply, TAVRIN_STATUS_SUCCESS, sizeof identity, identity, sizeof identity);
            for (;;) {
                const int fd = ::accept(listener, nullptr, nullptr);
                std::uint8_t request[64];
                if (fd >= 0 && ::recv(fd, request, sizeof request, 0) > 0)
                    ::_exit(2); // something was sent to it
                (void)!::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
                ::close(fd);
            }
        }
        ::close(listener);
        ::close(listening[1]);
        char ready = 0;
        const ssize_t said = ::read(listening[0], &ready, 1);
        ::close(listening[0]);
        ASSERT_EQ(said, 1) << "the other user's listener did not start";
        {
            CDriverChannel channel(Backend());
            EXPECT_EQ(Load(channel), CHANNEL_START_FAILED) << fileOfTheOther;
            EXPECT_NE(channel.FailureReason().find("is not served by the driver host it should be"),
                std::string::npos)
                << channel.FailureReason();
        }
        EXPECT_EQ(::waitpid(other, nullptr, WNOHANG), 0) << "it heard a request";
        ::kill(other, SIGKILL);
        ::waitpid(other, nullptr, 0);
        fs::remove(socket);
    }
}

TEST(PosixPathsTest, DefaultMemoryFileLivesInTheStateFolder)
{
    CTempFolder folder;
    ::setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);
    EXPECT_EQ(DefaultEmulatedKeyboardMemory(), folder / "state/lodemar/emulated-keyboard.bin");
    EXPECT_TRUE(fs::is_directory(folder / "state/lodemar"));
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", folder.Path().c_str(), 1);
    EXPECT_EQ(DefaultEmulatedKeyboardMemory(), folder / ".local/state/lodemar/emulated-keyboard.bin");
    // No folder: no default, rather than the real keyboard.
    ::setenv("HOME", "relative", 1);
    EXPECT_EQ(DefaultEmulatedKeyboardMemory(), "");
}

} // namespace
