// The registration record that stands in for the driver service on Linux: a
// small text file per keyboard in the user's runtime directory (FILE.service,
// FILE the keyboard's id), written by Install, read by Start and Remove,
// deleted by Remove and by Load's first step. It says which host program
// serves which socket with which keyboard.
//
//   name=Tavrin
//   driver=/usr/local/libexec/tavrin
//   socket=/run/user/1000/lodemar/Tavrin.sock
//   backend=hardware            (or: emulated)
//   memory=/path/of/memory.bin  (emulated only)
#pragma once

#include <optional>
#include <string>

namespace driverchannel::posix {

enum class HostBackend {
    Hardware,
    Emulated,
};

struct ServiceRecord {
    std::string name;
    std::string driverPath;
    std::string socketPath;
    HostBackend backend = HostBackend::Hardware;
    std::string memoryFile; // emulated only

    friend bool operator==(const ServiceRecord&, const ServiceRecord&) = default;
};

inline constexpr char RECORD_SUFFIX[] = ".service";
// Larger files are not records of ours.
inline constexpr std::size_t RECORD_MAX_SIZE = 16 * 1024;

// Text of a record; empty when a field cannot be held (a line break in it).
std::string formatServiceRecord(const ServiceRecord& record);
// Unknown keys are ignored; a missing or doubled field makes it unreadable.
std::optional<ServiceRecord> parseServiceRecord(const std::string& text);

// A name that can name a file in the registration directory.
bool isRecordName(const std::string& name);
std::string recordPath(const std::string& directory, const std::string& file);

// Creates the record as file in directory; false when one exists already or
// it cannot be written. Readers never see a half-written record.
bool createServiceRecord(const std::string& directory, const std::string& file, const ServiceRecord& record);
// The record in file, when it is one of the service name.
std::optional<ServiceRecord> readServiceRecord(
    const std::string& directory, const std::string& file, const std::string& name);
// True when the record is gone (also when there was none).
bool deleteServiceRecord(const std::string& directory, const std::string& file);

} // namespace driverchannel::posix
