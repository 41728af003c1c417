#include "CPosixDriverPlatform.h"

#include "DriverChannelTexts.h"
#include "HostProcess.h"
#include "PosixPaths.h"

#include <lodemar/Format.h>
#include <tavrin/TavrinPaths.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace driverchannel::posix {

namespace {

// Top bit clear: the channel takes the service path (Prepare, Install, Start).
constexpr std::uint32_t SERVICE_FAMILY_VERSION = 0;
// The service key's last component names the record to clear.
constexpr char KEY_SEPARATOR = '\\';

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

std::uint32_t identityBackend(HostBackend backend)
{
    return backend == HostBackend::Emulated ? tavrin::BACKEND_EMULATED : tavrin::BACKEND_HARDWARE;
}

} // namespace

PosixPlatformSettings defaultPosixSettings(const DriverPlatformOptions& options)
{
    PosixPlatformSettings settings;
    settings.registrationDirectory = registrationDirectory();
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

CPosixDriverPlatform::CPosixDriverPlatform(PosixPlatformSettings settings)
    : m_settings(std::move(settings))
{
    // One memory file, one socket: however the user spelt its path.
    m_settings.emulatedKeyboardMemory = normalisedPath(m_settings.emulatedKeyboardMemory);
}

CPosixDriverPlatform::~CPosixDriverPlatform()
{
    // Hosts still running were not stopped (or refused to stop); they end
    // with this process. Ended ones are reaped.
    for (const auto& [socket, host] : m_hosts)
        pollChild(host.pid);
}

KeyboardClaim CPosixDriverPlatform::ClaimKeyboard(const std::string& name, std::string& holder)
{
    if (m_lock.Held())
        return KeyboardClaim::Held;
    m_failure.clear();
    const std::string id = KeyboardId(name);
    if (!isRecordName(id))
        return KeyboardClaim::Failed;
    if (!ensurePrivateDirectory(m_settings.registrationDirectory)) {
        m_failure = m_settings.registrationDirectory.empty()
            ? std::string(texts::NO_FOLDER)
            : lodemar::format(texts::FOLDER_REFUSED, m_settings.registrationDirectory.c_str());
        return KeyboardClaim::Failed;
    }
    switch (m_lock.Take(keyboardLockPath(m_settings.registrationDirectory, id), holder)) {
    case LockState::Held:
        break;
    case LockState::InUse:
        return KeyboardClaim::InUse;
    case LockState::Failed:
        return KeyboardClaim::Failed;
    }
    // Another user's run holds the real keyboard through its root host: said
    // now, before a password is asked for a host that could only refuse.
    if (Backend() == HostBackend::Hardware && !m_settings.hardwareHolder.empty()) {
        if (std::optional<std::string> other = hardwareHostHolder(m_settings.hardwareHolder)) {
            m_lock.Release();
            holder = std::move(*other);
            return KeyboardClaim::InUse;
        }
    }
    return KeyboardClaim::Held;
}

void CPosixDriverPlatform::ReleaseKeyboard()
{
    m_lock.Release();
}

std::uint32_t CPosixDriverPlatform::QueryVersion()
{
    return SERVICE_FAMILY_VERSION;
}

void CPosixDriverPlatform::DeleteServiceKey(const std::string& keyPath)
{
    const std::size_t at = keyPath.rfind(KEY_SEPARATOR);
    const std::string name = at == std::string::npos ? keyPath : keyPath.substr(at + 1);
    if (isRecordName(name))
        deleteServiceRecord(m_settings.registrationDirectory, KeyboardId(name));
}

bool CPosixDriverPlatform::ReadCurrentDirectory(std::string& directory)
{
    // The current folder is never searched (see DriverFileInDirectory), so
    // one that cannot be read is no failure either.
    directory.clear();
    return true;
}

bool CPosixDriverPlatform::ReadWindowsDirectory(std::string& directory)
{
    if (m_settings.installedDirectory.empty())
        return false;
    directory = m_settings.installedDirectory;
    return true;
}

bool CPosixDriverPlatform::FileExists(const std::string& path)
{
    if (path.empty())
        return false;
    // A host someone else serves is never started: its program need not be
    // here (the record names where it would be).
    if (m_settings.attachedHardwareHost && Backend() == HostBackend::Hardware)
        return true;
    // A program the host can be started from, not just any name, and one
    // nobody but root (or, for the emulated keyboard, which runs as us, we)
    // could have put there. The real keyboard's runs as root.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), X_OK) != 0)
        return false;
    const bool ours = Backend() == HostBackend::Emulated || runningFromBuildTree();
    std::string why;
    if (!trustedPath(path, ours ? ::geteuid() : 0, why)) {
        m_failure = lodemar::format(texts::HOST_UNTRUSTED, path.c_str(), why.c_str());
        return false;
    }
    return true;
}

ServiceHandle CPosixDriverPlatform::OpenServiceManager()
{
    if (!ensurePrivateDirectory(m_settings.registrationDirectory)) {
        m_failure = lodemar::format(texts::FOLDER_REFUSED, m_settings.registrationDirectory.c_str());
        return NO_SERVICE;
    }
    const std::intptr_t handle = NextHandle();
    m_managers.insert(handle);
    return ServiceHandle { handle };
}

ServiceHandle CPosixDriverPlatform::CreateDriverService(
    ServiceHandle manager, const std::string& name, const std::string& driverPath)
{
    if (!m_managers.count(static_cast<std::intptr_t>(manager)) || !isRecordName(name))
        return NO_SERVICE;
    ServiceRecord record;
    record.name = name;
    record.driverPath = driverPath;
    record.socketPath = DevicePathOf(name);
    record.backend = Backend();
    record.memoryFile = m_settings.emulatedKeyboardMemory;
    if (!createServiceRecord(m_settings.registrationDirectory, KeyboardId(name), record))
        return NO_SERVICE;
    const std::intptr_t handle = NextHandle();
    m_services.emplace(handle, std::move(record));
    return ServiceHandle { handle };
}

ServiceHandle CPosixDriverPlatform::OpenDriverService(ServiceHandle manager, const std::string& name)
{
    if (!m_managers.count(static_cast<std::intptr_t>(manager)))
        return NO_SERVICE;
    if (!isRecordName(name))
        return NO_SERVICE;
    std::optional<ServiceRecord> record
        = readServiceRecord(m_settings.registrationDirectory, KeyboardId(name), name);
    if (!record)
        return NO_SERVICE;
    const std::intptr_t handle = NextHandle();
    m_services.emplace(handle, std::move(*record));
    return ServiceHandle { handle };
}

StartOutcome CPosixDriverPlatform::StartDriverService(ServiceHandle service)
{
    const auto found = m_services.find(static_cast<std::intptr_t>(service));
    if (found == m_services.end())
        return StartOutcome::Failed;
    const ServiceRecord& record = found->second;
    // A registration for another keyboard than this platform's is not
    // started: the keyboard is never chosen behind the user's back.
    if (!MatchesOptions(record))
        return StartOutcome::Failed;
    tavrin::HostIdentity identity;
    const int probed
        = tavrin::ProbeHost(record.socketPath, m_settings.probeTimeoutMs, &identity, Trust(record.backend));
    if (probed == tavrin::CLIENT_OK) {
        if (identity.backend == identityBackend(record.backend))
            return StartOutcome::AlreadyRunning;
        m_failure = lodemar::format(texts::OTHER_BACKEND, record.socketPath.c_str());
        return StartOutcome::Failed;
    }
    // Whatever serves there is not ours to use, nor to replace.
    if (probed == tavrin::CLIENT_E_UNTRUSTED) {
        m_failure = lodemar::format(texts::SOCKET_UNTRUSTED, record.socketPath.c_str());
        return StartOutcome::Failed;
    }
    if (m_settings.attachedHardwareHost && record.backend == HostBackend::Hardware) {
        m_failure = lodemar::format(texts::NO_CONNECTION, record.socketPath.c_str());
        return StartOutcome::Failed;
    }
    return LaunchHost(record);
}

StartOutcome CPosixDriverPlatform::LaunchHost(const ServiceRecord& record)
{
    std::vector<std::string> argv;
    const bool elevated = record.backend == HostBackend::Hardware && m_settings.elevate;
    if (elevated)
        argv.push_back(m_settings.elevator);
    argv.push_back(record.driverPath);
    // The real keyboard's host takes no paths from us: its socket is fixed.
    if (record.backend == HostBackend::Emulated)
        argv.insert(
            argv.end(), { HOST_SOCKET_OPTION, record.socketPath, HOST_EMULATE_OPTION, record.memoryFile });
    else
        argv.push_back(HOST_HARDWARE_OPTION);

    // A host of ours that ended since is reaped before its place is taken.
    if (const auto old = m_hosts.find(record.socketPath);
        old != m_hosts.end() && pollChild(old->second.pid) != ChildState::Running)
        m_hosts.erase(old);

    // What it says while it starts is the reason when it does not.
    auto output = std::make_unique<CHostOutput>();
    const pid_t pid = output->Open() ? spawnProcess(argv, output->WriteEnd()) : -1;
    output->CloseWriteEnd();
    if (pid < 0) {
        m_failure = lodemar::format(texts::HOST_NOT_STARTED, argv[0].c_str());
        return StartOutcome::Failed;
    }
    const int timeoutMs = elevated ? m_settings.elevatedStartTimeoutMs : m_settings.startTimeoutMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        output->Drain();
        int status = 0;
        if (pollChild(pid, &status) != ChildState::Running) {
            // It ended: bad options, memory file, rights, socket, password.
            m_failure = WhyEnded(*output, status, elevated);
            return StartOutcome::Failed;
        }
        tavrin::HostIdentity identity;
        const int probed = tavrin::ProbeHost(
            record.socketPath, m_settings.probeTimeoutMs, &identity, Trust(record.backend));
        if (probed == tavrin::CLIENT_OK || probed == tavrin::CLIENT_E_UNTRUSTED) {
            if (probed != tavrin::CLIENT_OK || identity.backend != identityBackend(record.backend)) {
                m_failure = lodemar::format(texts::SOCKET_UNTRUSTED, record.socketPath.c_str());
                endChild(pid, ABANDON_GRACE_MS);
                return StartOutcome::Failed;
            }
            output->Forward();
            m_hosts[record.socketPath] = StartedHostProcess { pid, std::move(output) };
            return StartOutcome::Started;
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
        m_hosts[record.socketPath] = StartedHostProcess { pid, std::move(output) };
    return StartOutcome::Failed;
}

std::string CPosixDriverPlatform::WhyEnded(CHostOutput& output, int status, bool elevated) const
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

const tavrin::HostTrust* CPosixDriverPlatform::Trust(HostBackend backend)
{
    if (backend == HostBackend::Hardware && m_settings.attachedHardwareHost)
        return nullptr;
    // The emulated keyboard's host runs as us; the real keyboard's serves as
    // the suite's system user (root in a host the monitor never split).
    m_trust.peers = { static_cast<std::uint32_t>(::geteuid()) };
    if (backend == HostBackend::Hardware) {
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

void CPosixDriverPlatform::DrainHosts()
{
    for (auto& [socket, host] : m_hosts)
        if (host.output)
            host.output->Drain();
}

bool CPosixDriverPlatform::StopDriverService(ServiceHandle service)
{
    const auto found = m_services.find(static_cast<std::intptr_t>(service));
    if (found == m_services.end())
        return false;
    const std::string& socket = found->second.socketPath;
    // A host this run did not start is not ours to stop: it is left serving
    // whoever started it.
    const auto host = m_hosts.find(socket);
    if (host == m_hosts.end())
        return true;
    // The host removes its socket, answers and hangs up; one that no longer
    // serves counts as stopped.
    const bool stopped = tavrin::StopHost(socket, m_settings.stopTimeoutMs, Trust(found->second.backend))
            == tavrin::CLIENT_OK
        && waitForChild(host->second.pid, m_settings.stopTimeoutMs);
    DrainHosts();
    if (stopped)
        m_hosts.erase(host);
    return stopped;
}

bool CPosixDriverPlatform::DeleteDriverService(ServiceHandle service)
{
    const auto found = m_services.find(static_cast<std::intptr_t>(service));
    return found != m_services.end()
        && deleteServiceRecord(m_settings.registrationDirectory, KeyboardId(found->second.name));
}

void CPosixDriverPlatform::CloseServiceObject(ServiceHandle handle)
{
    const auto value = static_cast<std::intptr_t>(handle);
    m_managers.erase(value);
    m_services.erase(value);
}

DeviceHandle CPosixDriverPlatform::OpenDeviceFile(const std::string& path)
{
    tavrin::CTavrinClient client;
    const int connected = client.Connect(path, m_settings.connectTimeoutMs, Trust(Backend()));
    if (connected != tavrin::CLIENT_OK) {
        m_failure = lodemar::format(
            connected == tavrin::CLIENT_E_UNTRUSTED ? texts::SOCKET_UNTRUSTED : texts::NO_CONNECTION,
            path.c_str());
        return INVALID_DEVICE;
    }
    const std::intptr_t handle = NextHandle();
    m_devices.emplace(handle, std::move(client));
    return DeviceHandle { handle };
}

DeviceHandle CPosixDriverPlatform::OpenVxdFile(const std::string&)
{
    // Only the 9x family loads a VxD; this platform reports the other family.
    return INVALID_DEVICE;
}

bool CPosixDriverPlatform::DeviceControl(DeviceHandle device, std::uint32_t controlCode, const void* input,
    std::uint32_t inputLength, void* output, std::uint32_t outputLength, std::uint32_t& bytesReturned)
{
    const auto found = m_devices.find(static_cast<std::intptr_t>(device));
    if (found == m_devices.end())
        return false;
    tavrin::ExchangeResult result;
    // A failed exchange (host gone, no answer in time, garbled reply) closes
    // the connection: later requests on this handle fail too.
    const int exchanged = found->second.Exchange(
        controlCode, input, inputLength, output, outputLength, result, m_settings.requestTimeoutMs);
    DrainHosts();
    if (exchanged != tavrin::CLIENT_OK)
        return false;
    bytesReturned = result.information;
    if (!TAVRIN_STATUS_IS_SUCCESS(result.status))
        return false;
    // The system copies `information` bytes to the caller's buffer; a host
    // that claims more than it sent would leave the caller trusting stale
    // bytes. (With no output buffer the information is a report, such as
    // the 254 of a send the keyboard did not answer.)
    if (outputLength != 0 && result.information > result.outputCount)
        return false;
    return true;
}

void CPosixDriverPlatform::CloseDevice(DeviceHandle device)
{
    m_devices.erase(static_cast<std::intptr_t>(device));
}

std::string CPosixDriverPlatform::DriverFileInDirectory(const std::string&, const std::string&)
{
    return {};
}

std::string CPosixDriverPlatform::DriverFileInSystem(
    const std::string& installedDirectory, const std::string& name)
{
    return installedDirectory + "/" + hostFileName(name, Backend() == HostBackend::Emulated);
}

bool CPosixDriverPlatform::IsDevicePath(const std::string& deviceName)
{
    return !deviceName.empty() && deviceName.front() == '/';
}

std::string CPosixDriverPlatform::DevicePathOf(const std::string& deviceName)
{
    if (Backend() == HostBackend::Hardware)
        return m_settings.hardwareSocket;
    return hostSocketPath(m_settings.registrationDirectory, KeyboardId(deviceName));
}

pid_t CPosixDriverPlatform::StartedHost(const std::string& socketPath) const
{
    const auto found = m_hosts.find(socketPath);
    return found == m_hosts.end() ? -1 : found->second.pid;
}

HostBackend CPosixDriverPlatform::Backend() const
{
    return m_settings.emulatedKeyboardMemory.empty() ? HostBackend::Hardware : HostBackend::Emulated;
}

std::string CPosixDriverPlatform::KeyboardId(const std::string& name) const
{
    return keyboardId(name, m_settings.emulatedKeyboardMemory);
}

bool CPosixDriverPlatform::MatchesOptions(const ServiceRecord& record) const
{
    return record.backend == Backend()
        && (record.backend == HostBackend::Hardware
            || record.memoryFile == m_settings.emulatedKeyboardMemory);
}

std::intptr_t CPosixDriverPlatform::NextHandle()
{
    // 0 and -1 are reserved (no handle, invalid handle).
    return ++m_lastHandle;
}

} // namespace driverchannel::posix

namespace driverchannel {

std::unique_ptr<CDriverPlatform> CreateDriverPlatform(const DriverPlatformOptions& options)
{
    return std::make_unique<posix::CPosixDriverPlatform>(posix::defaultPosixSettings(options));
}

std::string DefaultEmulatedKeyboardMemory()
{
    const std::string folder = posix::stateDirectory();
    if (folder.empty() || !posix::ensurePrivateDirectory(folder))
        return {};
    return folder + "/" + posix::DEFAULT_MEMORY_FILE;
}

std::string DriverHostFolder(const DriverPlatformOptions& options)
{
    return posix::defaultPosixSettings(options).installedDirectory;
}

bool PrivateRuntimeFolder(std::string& folder)
{
    folder = posix::registrationDirectory();
    return posix::ensurePrivateDirectory(folder);
}

} // namespace driverchannel
