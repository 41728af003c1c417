// The channel over the Windows backend's steps, against a scripted system.
#include "CFakeWin32System.h"

#include <driverchannel/CDriverChannel.h>
#include <driverchannel/CUnavailableDriverBackend.h>

#include <tavrin/TavrinControl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

using namespace driverchannel;
using namespace driverchannel::win32;
using driverchannel::testing::CFakeWin32System;
using driverchannel::testing::CFakeWindowsBackend;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

constexpr char KEY[] = "DeleteServiceKey SYSTEM\\CurrentControlSet\\Services\\Tavrin";
constexpr char LOCAL_DRIVER[] = "C:\\work\\Tavrin.sys";
constexpr char SYSTEM_DRIVER[] = "C:\\WINDOWS\\system32\\Drivers\\Tavrin.sys";

class DriverChannelTest : public ::testing::Test {
protected:
    CFakeWin32System os;
    std::optional<CDriverChannel> channel;
    CServiceDriverBackend* steps = nullptr; // the channel's backend

    void SetUp() override { os.files = { LOCAL_DRIVER }; }
    CDriverChannel& Make()
    {
        channel.reset();
        auto backend = std::make_unique<CFakeWindowsBackend>(os);
        steps = &backend->Steps();
        channel.emplace(std::move(backend));
        return *channel;
    }
    CServiceDriverBackend& MakeSteps()
    {
        Make();
        return *steps;
    }
    // The program's own call.
    int LoadTavrin() { return Make().Load("Tavrin", nullptr, nullptr, true); }
    void ExpectAllHandlesClosed()
    {
        EXPECT_TRUE(os.openServiceObjects.empty());
        EXPECT_TRUE(os.openDevices.empty());
        EXPECT_THAT(os.calls, Not(Contains(::testing::StartsWith("ERROR"))));
    }
};

TEST_F(DriverChannelTest, LoadRegistersStartsOpensAndDestructionRemovesAgain)
{
    os.files.insert(SYSTEM_DRIVER); // the current directory's copy wins
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_EQ(os.calls.front(), KEY);
    EXPECT_EQ(os.services.at("Tavrin").driverPath, LOCAL_DRIVER);
    EXPECT_TRUE(os.services.at("Tavrin").running);
    EXPECT_EQ(steps->DevicePath(), "\\\\.\\Tavrin");
    EXPECT_TRUE(steps->IsPrepared() && steps->IsInstalled() && steps->IsStarted());
    EXPECT_EQ(os.openDevices.size(), 1u);
    EXPECT_TRUE(os.openServiceObjects.empty());

    channel.reset();
    EXPECT_TRUE(os.services.empty());
    ExpectAllHandlesClosed();
}

TEST_F(DriverChannelTest, KeyboardHeldElsewhereIsReportedBeforeAnythingIsTouched)
{
    os.claim = KeyboardClaim::InUse;
    os.claimHolder = "process 7 (lodemar)";
    EXPECT_EQ(LoadTavrin(), CHANNEL_KEYBOARD_IN_USE);
    EXPECT_EQ(channel->KeyboardHolder(), "process 7 (lodemar)");
    EXPECT_TRUE(os.calls.empty()); // not even the stale key of the other run
    os.claim = KeyboardClaim::Failed;
    EXPECT_EQ(LoadTavrin(), CHANNEL_OPEN_MANAGER_FAILED);
    EXPECT_TRUE(os.calls.empty());

    // Held: given up only once the service has been stopped and deleted.
    os.claim = KeyboardClaim::Held;
    channel.reset();
    os.releasedAfterCalls.reset();
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_EQ(channel->KeyboardHolder(), "");
    EXPECT_FALSE(os.releasedAfterCalls.has_value());
    channel.reset();
    ASSERT_TRUE(os.releasedAfterCalls.has_value());
    EXPECT_EQ(*os.releasedAfterCalls, os.calls.size());
    EXPECT_THAT(os.calls, Contains("DeleteDriverService Tavrin"));
}

TEST_F(DriverChannelTest, DriverFileFoundInSystemDirectoryOrNowhere)
{
    os.files = { SYSTEM_DRIVER };
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_EQ(steps->DriverPath(), SYSTEM_DRIVER);
    channel.reset();

    os.files.clear();
    os.calls.clear();
    EXPECT_EQ(LoadTavrin(), CHANNEL_DRIVER_FILE_NOT_FOUND);
    EXPECT_EQ(os.calls.front(), KEY);
    EXPECT_FALSE(os.Called("OpenServiceManager"));
    EXPECT_FALSE(steps->IsPrepared());
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, "x", 1), CHANNEL_NO_DEVICE);
}

TEST_F(DriverChannelTest, GivenDriverPathIsUsedWithoutFileTest)
{
    os.files.clear();
    ASSERT_EQ(Make().Load("Tavrin", "D:\\drv\\T.sys", nullptr, false), CHANNEL_SUCCESS);
    EXPECT_FALSE(os.Called("FileExists"));
    EXPECT_EQ(os.services.at("Tavrin").driverPath, "D:\\drv\\T.sys");
    EXPECT_TRUE(steps->IsInstalled());
    EXPECT_FALSE(steps->IsStarted()); // start now was not set
}

TEST_F(DriverChannelTest, DirectoryReadFailuresGiveMinus13)
{
    os.currentDirectoryFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_DIRECTORY_FAILED);
    os.currentDirectoryFails = false;
    os.files = {};
    os.windowsDirectoryFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_DIRECTORY_FAILED);
}

TEST_F(DriverChannelTest, DeviceNamesWithABackslashAreUsedUnchanged)
{
    const std::pair<const char*, const char*> cases[] = {
        { "\\DosDevices\\Tav", "\\DosDevices\\Tav" },
        { "\\\\.\\Other", "\\\\.\\Other" },
        { "a\\b", "a\\b" },
        { "ab\\c", "\\\\.\\ab\\c" },
        { "Kbd", "\\\\.\\Kbd" },
    };
    for (const auto& [name, path] : cases) {
        ASSERT_EQ(MakeSteps().Prepare("Tavrin", nullptr, name), CHANNEL_SUCCESS);
        EXPECT_EQ(steps->DevicePath(), path) << name;
    }
}

TEST_F(DriverChannelTest, RunningServiceIsUsedThenStoppedButKept)
{
    os.services["Tavrin"] = { "old path", true };
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_FALSE(steps->RemovesOnStop());
    EXPECT_EQ(os.openDevices.size(), 1u);

    channel.reset();
    ASSERT_EQ(os.services.count("Tavrin"), 1u);
    EXPECT_FALSE(os.services.at("Tavrin").running);
    EXPECT_FALSE(os.Called("DeleteDriverService"));
    ExpectAllHandlesClosed();
}

TEST_F(DriverChannelTest, ServiceThatWouldNotStartStaysRegisteredAndIsReusedNextRun)
{
    os.startFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_START_FAILED);
    EXPECT_TRUE(steps->IsInstalled());
    EXPECT_FALSE(steps->IsStarted());
    channel.reset();
    EXPECT_FALSE(os.Called("StopDriverService"));
    EXPECT_FALSE(os.Called("DeleteDriverService"));
    ASSERT_EQ(os.services.count("Tavrin"), 1u);
    ExpectAllHandlesClosed();

    // Next run: key cleared first, creation fails, the old service is opened.
    os.startFails = false;
    os.calls.clear();
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_EQ(os.calls.front(), KEY);
    EXPECT_TRUE(os.Called("OpenDriverService Tavrin"));
    channel.reset();
    EXPECT_TRUE(os.services.empty()); // this run started it, so it is removed
}

TEST_F(DriverChannelTest, ServiceManagerFailures)
{
    os.managerFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_OPEN_MANAGER_FAILED);
    EXPECT_FALSE(steps->IsInstalled());
    os.managerFails = false;
    os.createFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_OPEN_SERVICE_FAILED);
    EXPECT_EQ(MakeSteps().Install(true), CHANNEL_NOT_PREPARED);
    channel.reset();
    ExpectAllHandlesClosed();
}

TEST_F(DriverChannelTest, FailedDeviceOpenLeavesInvalidHandleWhoseRequestsFail)
{
    os.deviceOpenFails = true;
    EXPECT_EQ(LoadTavrin(), CHANNEL_NO_DEVICE);
    EXPECT_EQ(steps->Device(), INVALID_DEVICE);
    // The requests still reach the system, which rejects them; a rejected
    // send must not read as success.
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, "ab", 2), CHANNEL_REQUEST_FAILED);
    char buffer[16];
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(os.ioCalls.size(), 2u);
    channel.reset();
    EXPECT_TRUE(os.services.empty()); // started, so still stopped and deleted
    ExpectAllHandlesClosed();
}

TEST_F(DriverChannelTest, RefusedStopOrDeleteKeepsNamesUnlessForced)
{
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    os.stopRefused = true;
    EXPECT_EQ(steps->Remove(false), CHANNEL_STOP_REFUSED);
    EXPECT_TRUE(steps->IsPrepared());
    EXPECT_TRUE(os.openDevices.empty()); // closed before the stop control
    EXPECT_EQ(steps->Remove(true), CHANNEL_STOP_REFUSED);
    EXPECT_FALSE(steps->IsPrepared());
    EXPECT_TRUE(steps->ServiceName().empty());

    os.stopRefused = false;
    os.deleteRefused = true;
    os.services.clear();
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_EQ(steps->Remove(false), CHANNEL_DELETE_FAILED);
    EXPECT_TRUE(steps->IsInstalled());
    EXPECT_FALSE(steps->IsStarted());
    EXPECT_EQ(steps->ServiceName(), "Tavrin");
}

TEST_F(DriverChannelTest, SecondPrepareRemovesThePreviousDriverFirst)
{
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    os.stopRefused = true;
    EXPECT_EQ(steps->Prepare("Other", "x.sys", nullptr), CHANNEL_PREVIOUS_NOT_REMOVED);
    EXPECT_EQ(steps->ServiceName(), "Tavrin");
    EXPECT_EQ(steps->DriverPath(), LOCAL_DRIVER);

    os.stopRefused = false;
    ASSERT_EQ(steps->Prepare("Other", "x.sys", nullptr), CHANNEL_SUCCESS);
    EXPECT_EQ(os.services.count("Tavrin"), 0u);
    EXPECT_EQ(steps->ServiceName(), "Other");
    EXPECT_EQ(steps->DevicePath(), "\\\\.\\Other");
}

TEST_F(DriverChannelTest, SendReportsMissingHandleFailedCallAndSilentKeyboard)
{
    EXPECT_EQ(Make().Send(IOCTL_SEND_BYTES, "a", 1), CHANNEL_NO_DEVICE);
    EXPECT_FALSE(os.Called("DeviceControl"));

    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    os.replies = { { true, 0, {} }, { true, SEND_SILENT_KEYBOARD, {} }, { false, 0, {} }, { true, 4, {} } };
    const std::uint8_t packet[] = { 0xE8, 0x02, 0x00, 0xE7, 0x41 };
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_SUCCESS);
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_REQUEST_FAILED);
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, packet, sizeof packet), CHANNEL_SUCCESS);
    EXPECT_EQ(os.ioCalls.at(0).code, IOCTL_SEND_BYTES);
    EXPECT_THAT(os.ioCalls.at(0).input, ElementsAre(0xE8, 0x02, 0x00, 0xE7, 0x41));
    EXPECT_EQ(os.ioCalls.at(0).outputLength, 0u);
}

TEST_F(DriverChannelTest, RequestReturnsTheCountWithinTheBuffer)
{
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(Make().Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), CHANNEL_NO_DEVICE);

    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    os.replies = { { true, 3, { 0xFC, 0x03, 0xFD } }, { true, 0, {} }, { false, 2, {} }, { true, 9, {} } };
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), 3);
    EXPECT_THAT(buffer, ElementsAre(0xFC, 0x03, 0xFD, 0, 0, 0, 0, 0));
    EXPECT_EQ(os.ioCalls.back().outputLength, sizeof buffer);
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), 0);
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), CHANNEL_REQUEST_FAILED);
    // More than the buffer holds cannot be true.
    EXPECT_EQ(channel->Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), CHANNEL_REQUEST_FAILED);
}

TEST_F(DriverChannelTest, OutOfMemoryWhileBuildingNamesStoresNothing)
{
    for (const char* where : { "ReadCurrentDirectory", "FileExists", "DevicePathOf", "DeleteServiceKey" }) {
        os.calls.clear();
        os.throwBadAllocIn = where;
        EXPECT_EQ(LoadTavrin(), CHANNEL_OUT_OF_MEMORY) << where;
        EXPECT_FALSE(steps->IsPrepared()) << where;
        EXPECT_TRUE(steps->DriverPath().empty()) << where;
        EXPECT_FALSE(os.Called("OpenServiceManager")) << where;
    }
    os.throwBadAllocIn.clear();
    EXPECT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
}

TEST_F(DriverChannelTest, NinexFamilyOpensTheVxdAndNeverTouchesServices)
{
    os.version = driverchannel::testing::W9X_VERSION;
    os.files = { "C:\\work\\Tavrin.vxd" };
    ASSERT_EQ(LoadTavrin(), CHANNEL_SUCCESS);
    EXPECT_FALSE(steps->IsNtFamily());
    EXPECT_THAT(os.calls,
        ElementsAre(
            KEY, "ReadCurrentDirectory", "FileExists C:\\work\\Tavrin.vxd", "OpenVxdFile \\\\.\\Tavrin.VXD"));
    EXPECT_FALSE(steps->IsPrepared());
    EXPECT_EQ(channel->Send(IOCTL_SEND_BYTES, "a", 1), CHANNEL_SUCCESS);
    // A second load must not leak the first VxD handle.
    ASSERT_EQ(channel->Load("Tavrin", "ignored", nullptr, true), CHANNEL_SUCCESS);
    EXPECT_EQ(os.openDevices.size(), 1u);
    channel.reset();
    EXPECT_FALSE(os.Called("OpenServiceManager"));
    ExpectAllHandlesClosed();

    os.files.clear();
    os.calls.clear();
    EXPECT_EQ(LoadTavrin(), CHANNEL_DRIVER_FILE_NOT_FOUND);
    EXPECT_FALSE(os.Called("OpenVxdFile"));
    os.deviceOpenFails = true;
    EXPECT_EQ(Make().Load("Tavrin", "given", nullptr, true), CHANNEL_OPEN_MANAGER_FAILED);
    EXPECT_EQ(steps->Device(), INVALID_DEVICE);
}

TEST(UnavailableDriverBackendTest, LoadFindsNoDriverAndThereIsNoDevice)
{
    // What a Windows build hands out when asked for the emulated keyboard.
    CDriverChannel channel(std::make_unique<CUnavailableDriverBackend>());
    EXPECT_EQ(channel.Load(DRIVER_NAME, nullptr, nullptr, true), CHANNEL_DRIVER_FILE_NOT_FOUND);
    EXPECT_EQ(channel.Load(DRIVER_NAME, "x", nullptr, true), CHANNEL_DRIVER_FILE_NOT_FOUND);
    EXPECT_EQ(channel.Send(IOCTL_SEND_BYTES, "a", 1), CHANNEL_NO_DEVICE);
    char buffer[4];
    EXPECT_EQ(channel.Request(IOCTL_READ_DATA, "\xE9", 1, buffer, sizeof buffer), CHANNEL_NO_DEVICE);
}

} // namespace
