// The registration record: its text form, and creating, reading and
// deleting it in a folder.
#include "posix/ServiceRecord.h"

#include "HostProcessFixture.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace driverchannel::posix;

namespace {

ServiceRecord emulatedRecord()
{
    return { "Tavrin", "/opt/x/tavrin", "/run/user/1/lodemar/Tavrin.sock", HostBackend::Emulated,
        "/tmp/kb.bin" };
}

TEST(ServiceRecordTest, TextRoundTripsAndBadTextIsRefused)
{
    const ServiceRecord emulated = emulatedRecord();
    EXPECT_EQ(parseServiceRecord(formatServiceRecord(emulated)), emulated);
    const ServiceRecord hardware { "Tavrin", "/usr/libexec/tavrin", "/r/Tavrin.sock", HostBackend::Hardware,
        "" };
    EXPECT_EQ(parseServiceRecord(formatServiceRecord(hardware)), hardware);

    const char* const bad[] = {
        "",
        "name=Tavrin\ndriver=/d\nsocket=/s\n", // no backend
        "name=Tavrin\ndriver=/d\nsocket=/s\nbackend=emulated\n", // emulated without memory
        "name=Tavrin\ndriver=/d\nsocket=/s\nbackend=hardware\nmemory=/m\n", // hardware with memory
        "name=Tavrin\ndriver=/d\nsocket=/s\nbackend=both\n",
        "name=Tavrin\nname=Other\ndriver=/d\nsocket=/s\nbackend=hardware\n",
        "name=Tavrin\ndriver=\nsocket=/s\nbackend=hardware\n",
        "name=Tavrin\ndriver=/d\nsocket=/s\nbackend=hardware\ngarbage line\n",
    };
    for (const char* text : bad)
        EXPECT_FALSE(parseServiceRecord(text).has_value()) << text;
    // Comments and unknown keys are no obstacle.
    EXPECT_TRUE(
        parseServiceRecord("# x\nname=T\ndriver=/d\nsocket=/s\nbackend=hardware\nlater=1\n").has_value());

    // A line break in a path could smuggle in another field.
    ServiceRecord smuggled = emulated;
    smuggled.driverPath = "/x\nbackend=hardware";
    EXPECT_EQ(formatServiceRecord(smuggled), "");
}

TEST(ServiceRecordTest, CreatedOnceReadBackAndDeleted)
{
    CTempFolder folder;
    const ServiceRecord record = emulatedRecord();
    const std::string file = "Tavrin.emulated-1";
    ASSERT_TRUE(createServiceRecord(folder.Path(), file, record));
    EXPECT_FALSE(createServiceRecord(folder.Path(), file, record)); // exists
    EXPECT_EQ(readServiceRecord(folder.Path(), file, "Tavrin"), record);
    EXPECT_FALSE(readServiceRecord(folder.Path(), "Tavrin", "Tavrin").has_value());

    // Nothing but the record is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++files;
    EXPECT_EQ(files, 1);

    EXPECT_TRUE(deleteServiceRecord(folder.Path(), file));
    EXPECT_FALSE(std::filesystem::exists(recordPath(folder.Path(), file)));
    EXPECT_TRUE(deleteServiceRecord(folder.Path(), file)); // gone already

    // Names that would leave the folder are not records.
    for (const char* name : { "", ".", "..", "a/b", "../Tavrin" }) {
        ServiceRecord escaping = record;
        escaping.name = name;
        EXPECT_FALSE(createServiceRecord(folder.Path(), file, escaping)) << name;
        EXPECT_FALSE(createServiceRecord(folder.Path(), name, record)) << name;
        EXPECT_FALSE(readServiceRecord(folder.Path(), name, "Tavrin").has_value()) << name;
    }
    // A record of another service name is not that service's.
    EXPECT_FALSE(readServiceRecord(folder.Path(), file, "Other").has_value());
}

} // namespace
