#include "CHostDriverBackend.h"

#include "DriverChannelTexts.h"
#include "HostProcess.h"
#include "PosixPaths.h"

#include <lodemar/Format.h>
#include <tavrin/TavrinPaths.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

namespace driverchannel::posix {

namespace {

// By absolute path: PATH is the caller's to choose.
constexpr char PKEXEC_PATH[] = "/usr/bin/pkexec";

// The host's command line.
constexpr char HOST_SOCKET_OPTION[] = "--socket";
constexpr char HOST_EMULATE_OPTION[] = "--emulate";
constexpr char HOST_HARDWARE_OPTION[] = "--hardware";

constexpr auto START_POLL_INTERVAL = std::chrono::milliseconds(20);
// How long a host that did not come up gets to end after SIGTERM.
constexpr int ABANDON_GRACE_MS = 1000;
// pkexec's own exit statuses: the dialog dismissed (or the password
// refused), and not authorized (or no agent to ask).
constexpr int PKEXEC_DISMISSED_STATUS = 126;
constexpr int PKEXEC_NOT_AUTHORIZED_STATUS = 127;

} // namespace

HostDriverSettings defaultHostDriverSettings(const DriverBackendOptions& options)
{
    HostDriverSettings settings;
    settings.runtimeDirectory = runtimeDirectory();
    settings.emulatedKeyboardMemory = options.emulatedKeyboardMemory;
    // The host that runs as root comes from the installed folder only;
    // another folder may only serve the emulated keyboard, which runs as us.
    settings.installedDirectory
        = options.emulatedKeyboardMemory.empty() ? installedDriverDirectory() : emulatedDriverDirectory();
    // The keyboard port needs root; the emulated keyboard never does.
    settings.elevate = ::geteuid() != 0;
    settings.elevator = PKEXEC_PATH;
    const char* attached = std::getenv(HARDWARE_SOCKET_VARIABLE);
    if (attached != nullptr && attached[0] == '/') {
        settings.hardwareSocket = attached;
        settings.attachedHardwareHost = true;
    } else {
        settings.hardwareSocket = tavrin::HARDWARE_SOCKET_PATH;
        settings.hardwareHolder = tavrin::HARDWARE_HOLDER_PATH;
    }
    return settings;
}

CHostDriverBackend::CHostDriverBackend(HostDriverSettings settings)
    : m_settings(std::move(settings))
{
    // One memory file, one socket: however the user spelt its path.
    m_settings.emulatedKeyboardMemory = normalisedPath(m_settings.emulatedKeyboardMemory);
}

CHostDriverBackend::~CHostDriverBackend()
{
    // A host still running was not stopped (or refused to stop); it ends
    // with this process. Ended ones are reaped.
    if (m_host)
        pollChild(m_host->pid);
    for (const HostChild& stray : m_strays)
        pollChild(stray.pid);
}

KeyboardClaim CHostDriverBackend::ClaimKeyboard(std::string_view name, std::string& holder)
{
    if (m_lock.Held())
        return KeyboardClaim::Held;
    m_failure.clear();
    if (!isKeyboardName(std::string(name)))
        return KeyboardClaim::Failed;
    if (!ensurePrivateDirectory(m_settings.runtimeDirectory)) {
        m_failure = m_settings.runtimeDirectory.empty()
            ? std::string(texts::NO_FOLDER)
            : lodemar::format(texts::FOLDER_REFUSED, m_settings.runtimeDirectory.c_str());
        return KeyboardClaim::Failed;
    }
    switch (m_lock.Take(keyboardLockPath(m_settings.runtimeDirectory, KeyboardId(name)), holder)) {
    case LockState::Held:
        break;
    case LockState::InUse:
        return KeyboardClaim::InUse;
    case LockState::Failed:
        return KeyboardClaim::Failed;
    }
    // Another user's run holds the real keyboard through its root host: said
    // now, before a password is asked for a host that could only refuse.
    if (WhichKeyboard() == Keyboard::Hardware && !m_settings.hardwareHolder.empty()) {
        if (std::optional<std::string> other = hardwareHostHolder(m_settings.hardwareHolder)) {
            m_lock.Release();
            holder = std::move(*other);
            return KeyboardClaim::InUse;
        }
    }
    return KeyboardClaim::Held;
}

void CHostDriverBackend::ReleaseKeyboard()
{
    m_lock.Release();
}

int CHostDriverBackend::StartDriver(
    std::string_view name, const char* driverPath, const char* deviceName, bool startNow)
{
    // A second start first ends what the first one began.
    if (StopDriver() != CHANNEL_SUCCESS)
        return CHANNEL_PREVIOUS_NOT_REMOVED;
    m_failure.clear();
    std::string program;
    if (driverPath != nullptr) {
        program = driverPath;
    } else {
        const int found = FindHostProgram(name, program);
        if (found != CHANNEL_SUCCESS)
            return found;
    }
    m_program = std::move(program);
    m_socket = SocketOf(deviceName != nullptr ? std::string_view(deviceName) : name);
    if (!startNow)
        return CHANNEL_SUCCESS;
    const int started = RunHost();
    if (started != CHANNEL_SUCCESS)
        return started;
    tavrin::CTavrinClient client;
    const int connected = client.Connect(m_socket, m_settings.connectTimeoutMs, Trust());
    if (connected != tavrin::CLIENT_OK) {
        m_failure = lodemar::format(
            connected == tavrin::CLIENT_E_UNTRUSTED ? texts::SOCKET_UNTRUSTED : texts::NO_CONNECTION,
            m_socket.c_str());
        return CHANNEL_NO_DEVICE;
    }
    m_client.emplace(std::move(client));
    return CHANNEL_SUCCESS;
}

int CHostDriverBackend::FindHostProgram(std::string_view name, std::string& program)
{
    if (m_settings.installedDirectory.empty())
        return CHANNEL_DIRECTORY_FAILED;
    const std::string path = m_settings.installedDirectory + "/"
        + hostFileName(std::string(name), WhichKeyboard() == Keyboard::Emulated);
    // A host someone else serves is never started: its program need not be here.
    if (m_settings.attachedHardwareHost && WhichKeyboard() == Keyboard::Hardware) {
        program = path;
        return CHANNEL_SUCCESS;
    }
    // A program the host can be started from, not just any name, and one
    // nobody but root (or, for the emulated keyboard, which runs as us, we)
    // could have put there. The real keyboard's runs as root.
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), X_OK) != 0)
        return CHANNEL_DRIVER_FILE_NOT_FOUND;
    const bool ours = WhichKeyboard() == Keyboard::Emulated || runningFromBuildTree();
    std::string why;
    if (!trustedPath(path, ours ? ::geteuid() : 0, why)) {
        m_failure = lodemar::format(texts::HOST_UNTRUSTED, path.c_str(), why.c_str());
        return CHANNEL_DRIVER_FILE_NOT_FOUND;
    }
    program = path;
    return CHANNEL_SUCCESS;
}

std::string CHostDriverBackend::SocketOf(std::string_view deviceName) const
{
    if (!deviceName.empty() && deviceName.front() == '/')
        return std::string(deviceName);
    if (WhichKeyboard() == Keyboard::Hardware)
        return m_settings.hardwareSocket;
    return hostSocketPath(m_settings.runtimeDirectory, KeyboardId(deviceName));
}

int CHostDriverBackend::RunHost()
{
    const std::uint32_t expected
        = WhichKeyboard() == Keyboard::Emulated ? tavrin::BACKEND_EMULATED : tavrin::BACKEND_HARDWARE;
    tavrin::HostIdentity identity;
    const int probed = tavrin::probeHost(m_socket, m_settings.probeTimeoutMs, &identity, Trust());
    if (probed == tavrin::CLIENT_OK) {
        // Someone else's host for this keyboard: used, and left serving.
        if (identity.backend == expected)
            return CHANNEL_SUCCESS;
        m_failure = lodemar::format(texts::OTHER_BACKEND, m_socket.c_str());
        return CHANNEL_START_FAILED;
    }
    // Whatever serves there is not ours to use, nor to replace.
    if (probed == tavrin::CLIENT_E_UNTRUSTED) {
        m_failure = lodemar::format(texts::SOCKET_UNTRUSTED, m_socket.c_str());
        return CHANNEL_START_FAILED;
    }
    if (m_settings.attachedHardwareHost && WhichKeyboard() == Keyboard::Hardware) {
        m_failure = lodemar::format(texts::NO_CONNECTION, m_socket.c_str());
        return CHANNEL_START_FAILED;
    }
    return LaunchHost();
}

int CHostDriverBackend::LaunchHost()
{
    std::vector<std::string> argv;
    const bool elevated = WhichKeyboard() == Keyboard::Hardware && m_settings.elevate;
    if (elevated)
        argv.push_back(m_settings.elevator);
    argv.push_back(m_program);
    // The real keyboard's host takes no paths from us: its socket is fixed.
    if (WhichKeyboard() == Keyboard::Emulated)
        argv.insert(argv.end(),
            { HOST_SOCKET_OPTION, m_socket, HOST_EMULATE_OPTION, m_settings.emulatedKeyboardMemory });
    else
        argv.push_back(HOST_HARDWARE_OPTION);

    // What it says while it starts is the reason when it does not.
    auto output = std::make_unique<CHostOutput>();
    const pid_t pid = output->Open() ? spawnProcess(argv, output->WriteEnd()) : -1;
    output->CloseWriteEnd();
    if (pid < 0) {
        m_failure = lodemar::format(texts::HOST_NOT_STARTED, argv[0].c_str());
        return CHANNEL_START_FAILED;
    }
    const std::uint32_t expected
        = WhichKeyboard() == Keyboard::Emulated ? tavrin::BACKEND_EMULATED : tavrin::BACKEND_HARDWARE;
    const int timeoutMs = elevated ? m_settings.elevatedStartTimeoutMs : m_settings.startTimeoutMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        output->Drain();
        int status = 0;
        if (pollChild(pid, &status) != ChildState::Running) {
            // It ended: bad options, memory file, rights, socket, password.
            m_failure = WhyEnded(*output, status, elevated);
            return CHANNEL_START_FAILED;
        }
        tavrin::HostIdentity identity;
        const int probed = tavrin::probeHost(m_socket, m_settings.probeTimeoutMs, &identity, Trust());
        if (probed == tavrin::CLIENT_OK || probed == tavrin::CLIENT_E_UNTRUSTED) {
            if (probed != tavrin::CLIENT_OK || identity.backend != expected) {
                m_failure = lodemar::format(texts::SOCKET_UNTRUSTED, m_socket.c_str());
                endChild(pid, ABANDON_GRACE_MS);
                return CHANNEL_START_FAILED;
            }
            output->Forward();
            m_host = HostChild { pid, std::move(output) };
            return CHANNEL_SUCCESS;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(START_POLL_INTERVAL);
    }
    m_failure = lodemar::format(texts::HOST_SILENT, timeoutMs / 1000);
    // Never came up. One that runs as root cannot be signalled; it is
    // remembered so that it is reaped if it ends while we run.
    output->Forward();
    if (!endChild(pid, ABANDON_GRACE_MS))
        m_strays.push_back(HostChild { pid, std::move(output) });
    return CHANNEL_START_FAILED;
}

std::string CHostDriverBackend::WhyEnded(CHostOutput& output, int status, bool elevated) const
{
    output.Drain();
    const std::vector<std::string> lines = output.Lines();
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const bool refusedByElevator
        = elevated && (code == PKEXEC_DISMISSED_STATUS || code == PKEXEC_NOT_AUTHORIZED_STATUS);
    // pkexec says why in its first line; a host in its last, after what it
    // did on the way (passed on as it is).
    std::string reason;
    if (!lines.empty()) {
        reason = refusedByElevator ? lines.front() : lines.back();
        for (const std::string& line : lines)
            if (line != reason)
                std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (refusedByElevator)
        return std::string(
                   code == PKEXEC_DISMISSED_STATUS ? texts::PKEXEC_DISMISSED : texts::PKEXEC_NOT_AUTHORIZED)
            + (reason.empty() ? std::string() : " (" + reason + ")");
    if (!reason.empty())
        return reason;
    return WIFEXITED(status)
        ? lodemar::format(texts::HOST_ENDED, code)
        : lodemar::format(texts::HOST_KILLED, WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

const tavrin::HostTrust* CHostDriverBackend::Trust()
{
    if (WhichKeyboard() == Keyboard::Hardware && m_settings.attachedHardwareHost)
        return nullptr;
    // The emulated keyboard's host runs as us; the real keyboard's serves as
    // the suite's system user (root in a host the monitor never split).
    m_trust.peers = { static_cast<std::uint32_t>(::geteuid()) };
    if (WhichKeyboard() == Keyboard::Hardware) {
        m_trust.peers.push_back(0);
        passwd entry {};
        passwd* found = nullptr;
        char buffer[1024];
        if (::getpwnam_r(tavrin::SERVING_USER, &entry, buffer, sizeof buffer, &found) == 0
            && found != nullptr)
            m_trust.peers.push_back(static_cast<std::uint32_t>(found->pw_uid));
    }
    return &m_trust;
}

void CHostDriverBackend::DrainHosts()
{
    if (m_host && m_host->output)
        m_host->output->Drain();
}

int CHostDriverBackend::Control(std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
    void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
{
    if (!m_client)
        return CHANNEL_NO_DEVICE;
    tavrin::ExchangeResult result;
    // A failed exchange (host gone, no answer in time, garbled reply) closes
    // the connection: later requests fail too.
    const int exchanged = m_client->Exchange(
        controlCode, input, inputLength, output, outputLength, result, m_settings.requestTimeoutMs);
    DrainHosts();
    if (exchanged != tavrin::CLIENT_OK)
        return CHANNEL_REQUEST_FAILED;
    bytesReturned = result.information;
    if (!TAVRIN_STATUS_IS_SUCCESS(result.status))
        return CHANNEL_REQUEST_FAILED;
    // The system copies `information` bytes to the caller's buffer; a host
    // that claims more than it sent would leave the caller trusting stale
    // bytes. (With no output buffer the information is a report, such as
    // the 254 of a send the keyboard did not answer.)
    if (outputLength != 0 && result.information > result.outputCount)
        return CHANNEL_REQUEST_FAILED;
    return CHANNEL_SUCCESS;
}

int CHostDriverBackend::StopDriver()
{
    m_client.reset();
    // A host this run did not start is not ours to stop: it is left serving
    // whoever started it.
    if (!m_host)
        return CHANNEL_SUCCESS;
    // The host removes its socket, answers and hangs up; one that no longer
    // serves counts as stopped.
    const bool stopped = tavrin::stopHost(m_socket, m_settings.stopTimeoutMs, Trust()) == tavrin::CLIENT_OK
        && waitForChild(m_host->pid, m_settings.stopTimeoutMs);
    DrainHosts();
    if (!stopped)
        return CHANNEL_STOP_REFUSED;
    m_host.reset();
    return CHANNEL_SUCCESS;
}

CHostDriverBackend::Keyboard CHostDriverBackend::WhichKeyboard() const
{
    return m_settings.emulatedKeyboardMemory.empty() ? Keyboard::Hardware : Keyboard::Emulated;
}

std::string CHostDriverBackend::KeyboardId(std::string_view name) const
{
    return keyboardId(std::string(name), m_settings.emulatedKeyboardMemory);
}

} // namespace driverchannel::posix
