#include "ServiceRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace driverchannel::posix {

namespace {

constexpr std::string_view KEY_NAME = "name";
constexpr std::string_view KEY_DRIVER = "driver";
constexpr std::string_view KEY_SOCKET = "socket";
constexpr std::string_view KEY_BACKEND = "backend";
constexpr std::string_view KEY_MEMORY = "memory";
constexpr std::string_view BACKEND_HARDWARE = "hardware";
constexpr std::string_view BACKEND_EMULATED = "emulated";
constexpr char COMMENT = '#';
constexpr char SEPARATOR = '=';
constexpr char RECORD_HEADER[] = "# driver registration of the keyboard programming suite\n";
constexpr char TEMPORARY_SUFFIX[] = ".XXXXXX";

bool holdsLineBreak(const std::string& value)
{
    return value.find_first_of("\n\r") != std::string::npos;
}

void appendField(std::string& text, std::string_view key, std::string_view value)
{
    text.append(key).push_back(SEPARATOR);
    text.append(value).push_back('\n');
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string formatServiceRecord(const ServiceRecord& record)
{
    if (record.name.empty() || holdsLineBreak(record.name) || holdsLineBreak(record.driverPath)
        || holdsLineBreak(record.socketPath) || holdsLineBreak(record.memoryFile))
        return {};
    std::string text = RECORD_HEADER;
    appendField(text, KEY_NAME, record.name);
    appendField(text, KEY_DRIVER, record.driverPath);
    appendField(text, KEY_SOCKET, record.socketPath);
    const bool emulated = record.backend == HostBackend::Emulated;
    appendField(text, KEY_BACKEND, emulated ? BACKEND_EMULATED : BACKEND_HARDWARE);
    if (emulated)
        appendField(text, KEY_MEMORY, record.memoryFile);
    return text;
}

std::optional<ServiceRecord> parseServiceRecord(const std::string& text)
{
    ServiceRecord record;
    std::string_view rest = text;
    std::string backend;
    bool seenName = false, seenDriver = false, seenSocket = false, seenBackend = false, seenMemory = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == COMMENT)
            continue;
        const std::size_t at = line.find(SEPARATOR);
        if (at == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, at);
        const std::string value(line.substr(at + 1));
        auto take = [&](bool& seen, std::string& field) {
            if (seen)
                return false;
            seen = true;
            field = value;
            return true;
        };
        bool ok = true;
        if (key == KEY_NAME)
            ok = take(seenName, record.name);
        else if (key == KEY_DRIVER)
            ok = take(seenDriver, record.driverPath);
        else if (key == KEY_SOCKET)
            ok = take(seenSocket, record.socketPath);
        else if (key == KEY_BACKEND)
            ok = take(seenBackend, backend);
        else if (key == KEY_MEMORY)
            ok = take(seenMemory, record.memoryFile);
        if (!ok)
            return std::nullopt;
    }
    if (!seenName || !seenDriver || !seenSocket || !seenBackend || record.name.empty()
        || record.driverPath.empty() || record.socketPath.empty())
        return std::nullopt;
    if (backend == BACKEND_EMULATED && seenMemory && !record.memoryFile.empty())
        record.backend = HostBackend::Emulated;
    else if (backend == BACKEND_HARDWARE && !seenMemory)
        record.backend = HostBackend::Hardware;
    else
        return std::nullopt;
    return record;
}

bool isRecordName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && !holdsLineBreak(name) && name.find('\0') == std::string::npos;
}

std::string recordPath(const std::string& directory, const std::string& file)
{
    return directory + "/" + file + RECORD_SUFFIX;
}

bool createServiceRecord(const std::string& directory, const std::string& file, const ServiceRecord& record)
{
    if (directory.empty() || !isRecordName(file) || !isRecordName(record.name))
        return false;
    const std::string text = formatServiceRecord(record);
    if (text.empty())
        return false;
    const std::string target = recordPath(directory, file);
    // Written aside, then linked into place: link() fails when the record
    // exists, and a reader never sees part of one.
    std::string temporary = directory + "/." + file + TEMPORARY_SUFFIX;
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, text);
    const bool closed = ::close(fd) == 0;
    const bool linked = written && closed && ::link(temporary.c_str(), target.c_str()) == 0;
    ::unlink(temporary.c_str());
    return linked;
}

std::optional<ServiceRecord> readServiceRecord(
    const std::string& directory, const std::string& file, const std::string& name)
{
    if (directory.empty() || !isRecordName(file))
        return std::nullopt;
    const int fd = ::open(recordPath(directory, file).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char chunk[1024];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<std::size_t>(n) > RECORD_MAX_SIZE) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    std::optional<ServiceRecord> record = parseServiceRecord(text);
    // A record filed under another name is not this service's.
    if (record && record->name != name)
        return std::nullopt;
    return record;
}

bool deleteServiceRecord(const std::string& directory, const std::string& file)
{
    if (directory.empty() || !isRecordName(file))
        return true;
    return ::unlink(recordPath(directory, file).c_str()) == 0 || errno == ENOENT;
}

} // namespace driverchannel::posix
