// "&Write to KB" and "&Read KB data" at the presenter, over the scripted
// system: confirmations, the progress window's steps, messages and icons,
// the marking and the refresh, the busy state.
#include "PresenterFixture.h"

#include <keydata/KeyImage.h>
#include <tavrin/TavrinControl.h>
#include <transfer/TransferTexts.h>

using namespace presenters;
using namespace presenters::test;
namespace text = transfer::text;

namespace {

using Reply = driverchannel::testing::CFakeWin32System::Reply;

class MainPresenterTransferTest : public MainPresenterTest {
protected:
    void SetUp() override
    {
        MainPresenterTest::SetUp();
        platform.ioCalls.clear();
    }

    std::vector<std::size_t> SendLengths() const
    {
        std::vector<std::size_t> lengths;
        for (const auto& call : platform.ioCalls)
            if (call.code == IOCTL_SEND_BYTES)
                lengths.push_back(call.input.size());
        return lengths;
    }
    void ReplyToRead(std::vector<std::uint8_t> block, std::uint32_t count)
    {
        platform.replies.push_back(Reply { true, count, std::move(block) });
    }
    // Answers a write's 130 sends, then its read-back with what the
    // keyboard holds.
    void ReplyToWrite(const keydata::KeyTable& held)
    {
        platform.replies.assign(130, Reply {});
        const std::vector<std::uint8_t> image = keydata::encodeImage(held);
        ReplyToRead(image, std::uint32_t(image.size()));
    }
};

} // namespace

TEST_F(MainPresenterTransferTest, AnsweringNoSendsNothingAndChangesNothing)
{
    storeBytes(RecordOf(IDC_KEY_FIRST), keydata::KIND_STRING, "kept");
    const keydata::KeyTable before = presenter->Table();
    // The key is a change nothing holds: the read asks about it first (Discard).
    services.answers = { MessageAnswer::No, MessageAnswer::Discard, MessageAnswer::No };
    presenter->OnCommand(IDC_WRITE_KB);
    presenter->OnCommand(IDC_READ_KB);
    EXPECT_TRUE(platform.ioCalls.empty());
    EXPECT_EQ(presenter->Table(), before);
    ASSERT_EQ(services.messages.size(), 3u);
    EXPECT_EQ(services.messages[0].text, "Are you sure write to keyboard?");
    EXPECT_EQ(services.messages[2].text,
        "While reading keyboard data, Do NOT use your keyboard and mouse.\n"
        "\t\tAre you sure read data from keyboard now?");
    for (const std::size_t i : { 0u, 2u }) {
        EXPECT_EQ(services.messages[i].icon, MessageIcon::Question);
        EXPECT_EQ(services.messages[i].buttons, MessageButtons::YesNo);
    }
    EXPECT_NE(Color(IDC_KEY_FIRST), COLOR_KEY_WRITTEN);
}

// The progress window comes after the header, steps once per key and once
// for the read-back, and is closed before the result is told.
TEST_F(MainPresenterTransferTest, AnEmptyTableIsWrittenAs130SendsAndReadBackUnderTheProgressWindow)
{
    ReplyToWrite(presenter->Table());
    std::vector<std::pair<bool, BusyState>> during;
    platform.onDeviceControl
        = [&](std::uint32_t) { during.emplace_back(services.progressOpen, presenter->Busy()); };
    presenter->OnWriteToKb();

    const std::vector<std::size_t> lengths = SendLengths();
    ASSERT_EQ(lengths.size(), 130u);
    EXPECT_EQ(lengths.front(), 8u); // header
    for (std::size_t i = 1; i <= 128; ++i)
        EXPECT_EQ(lengths[i], 6u) << i;
    EXPECT_EQ(lengths.back(), 2u); // finish
    EXPECT_EQ(platform.ioCalls.back().code, IOCTL_READ_DATA);

    ASSERT_EQ(during.size(), 131u);
    EXPECT_FALSE(during[0].first);
    EXPECT_TRUE(during[1].first);
    EXPECT_TRUE(during[130].first);
    for (const auto& [open, busy] : during)
        EXPECT_EQ(busy, BusyState::Writing);
    EXPECT_EQ(services.progressTitle, "Programing...");
    EXPECT_EQ(services.progressSteps, 129);
    ASSERT_EQ(services.progress.size(), 129u);
    EXPECT_EQ(services.progress[0].status, "programing 0 key");
    EXPECT_EQ(services.progress[127].status, "programing 127 key");
    EXPECT_EQ(services.progress[128].status, "checking the keyboard");

    EXPECT_FALSE(services.progressOpen);
    EXPECT_FALSE(presenter->IsBusy());
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, text::WRITE_SUCCESS);
    EXPECT_EQ(services.messages[1].icon, MessageIcon::Information);
}

TEST_F(MainPresenterTransferTest, ACompleteWriteTurnsTheProgrammedKeysBlueEvenIfTheFinishFails)
{
    storeBytes(RecordOf(IDC_KEY_FIRST), keydata::KIND_STRING, "abc");
    storeBytes(RecordOf(IDC_SMALL_KEY_FIRST), keydata::KIND_SWITCH, "\x02");
    platform.replies.assign(129, Reply {});
    platform.replies.push_back(Reply { false, 0, {} }); // the finish
    presenter->OnWriteToKb();
    EXPECT_EQ(SendLengths().size(), 130u);
    EXPECT_EQ(services.LastText(), text::WRITE_FAIL);
    EXPECT_EQ(services.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(Color(IDC_KEY_FIRST), COLOR_KEY_WRITTEN);
    EXPECT_EQ(Color(IDC_SMALL_KEY_FIRST), COLOR_KEY_WRITTEN);
    EXPECT_NE(Color(1002), COLOR_KEY_WRITTEN);
}

// Every packet answered, yet the keyboard holds something else, or cannot
// be read back, or refuses a packet: a failure, and nothing marked.
TEST_F(MainPresenterTransferTest, AWriteTheKeyboardDoesNotHoldFailsAndNamesTheKeys)
{
    storeBytes(RecordOf(IDC_KEY_FIRST), keydata::KIND_STRING, "abc");
    storeBytes(RecordOf(1097), keydata::KIND_STRING, "r");
    keydata::KeyTable held = presenter->Table();
    storeBytes(RecordOf(1030), keydata::KIND_STRING, "thirty");
    held.systemConfig = 0x01;
    ReplyToWrite(held);
    presenter->OnWriteToKb();
    EXPECT_EQ(services.LastText(),
        "Data writed to keyboard fail,Please retry again!\n\n"
        "The keyboard does not hold what was written: key 30 (key number 14), the settings.");
    EXPECT_NE(Color(IDC_KEY_FIRST), COLOR_KEY_WRITTEN);

    ReplyToWrite(presenter->Table());
    platform.replies.back() = Reply { true, 1, { 0xFD } };
    presenter->OnWriteToKb();
    EXPECT_EQ(services.LastText(),
        "Data writed to keyboard fail,Please retry again!\n\n"
        "The keyboard could not be read back to check what was written.");
    EXPECT_NE(Color(IDC_KEY_FIRST), COLOR_KEY_WRITTEN);

    platform.replies = { Reply { true, driverchannel::SEND_REFUSED_BY_KEYBOARD, {} } };
    presenter->OnWriteToKb();
    EXPECT_EQ(services.LastText(), text::WRITE_FAIL);
    EXPECT_TRUE(presenter->HasUnsavedChanges());
}

TEST_F(MainPresenterTransferTest, AFailedKeySendEndsTheWriteAndMarksNothing)
{
    storeBytes(RecordOf(IDC_KEY_FIRST), keydata::KIND_STRING, "abc");
    platform.replies.assign(11, Reply {}); // header and keys 0..9
    platform.replies.push_back(Reply { true, driverchannel::SEND_SILENT_KEYBOARD, {} }); // key 10
    presenter->OnWriteToKb();
    EXPECT_EQ(SendLengths().size(), 12u); // nothing after the failed packet, no finish
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, text::WRITE_FAIL);
    EXPECT_EQ(services.messages[1].icon, MessageIcon::Stop);
    EXPECT_NE(Color(IDC_KEY_FIRST), COLOR_KEY_WRITTEN);
    EXPECT_FALSE(services.progressOpen);
}

TEST_F(MainPresenterTransferTest, ATableTheKeyboardCannotStoreIsRefusedBeforeAnythingIsAsked)
{
    // Fifteen keys of 255 bytes and their terminators: 3840 of 3584 bytes.
    for (int id = IDC_KEY_FIRST; id <= 1015; ++id)
        storeBytes(RecordOf(id), keydata::KIND_STRING, std::string(255, 'x'));
    presenter->OnWriteToKb();
    EXPECT_TRUE(platform.ioCalls.empty());
    ASSERT_EQ(services.messages.size(), 1u);
    const std::string& message = services.messages[0].text;
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(message.rfind("The key table cannot be written to the keyboard:", 0), 0u) << message;
    EXPECT_NE(message.find("3840 bytes used, 0 bytes free of 3584"), std::string::npos) << message;
}

TEST_F(MainPresenterTransferTest, WithoutTheDriverBothTransfersFail)
{
    for (const bool noChannel : { false, true }) {
        SCOPED_TRACE(noChannel);
        platform.files.clear(); // the driver file is missing: Load fails
        presenter = std::make_unique<CMainDialogPresenter>(view, services,
            noChannel ? nullptr
                      : std::make_unique<driverchannel::CDriverChannel>(
                          driverchannel::testing::fakeWindowsBackend(platform)),
            false);
        presenter->Initialize();
        presenter->OnShown();
        services.messages.clear();
        presenter->OnWriteToKb();
        presenter->OnReadKbData();
        ASSERT_EQ(services.messages.size(), 4u);
        EXPECT_EQ(services.messages[1].text, text::WRITE_FAIL);
        EXPECT_EQ(services.messages[3].text, text::READ_FAIL);
        EXPECT_EQ(services.messages[3].icon, MessageIcon::Stop);
    }
}

TEST_F(MainPresenterTransferTest, AReadIsBusyForTheRequestAndRefreshesTheGrid)
{
    keydata::KeyTable keyboard;
    keyboard.systemConfig = 0x05;
    storeBytes(keyboard.Record(0, 2), keydata::KIND_STRING, "from kb");
    const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
    ReplyToRead(image, std::uint32_t(image.size()));
    BusyState during = BusyState::Idle;
    platform.onDeviceControl = [&](std::uint32_t) { during = presenter->Busy(); };
    presenter->OnReadKbData();

    EXPECT_EQ(during, BusyState::Reading);
    EXPECT_FALSE(presenter->IsBusy());
    ASSERT_EQ(platform.ioCalls.size(), 1u);
    EXPECT_EQ(platform.ioCalls[0].code, IOCTL_READ_DATA);
    EXPECT_EQ(platform.ioCalls[0].input, (std::vector<std::uint8_t> { 0xE9 }));
    EXPECT_EQ(platform.ioCalls[0].outputLength, 10240u);
    EXPECT_EQ(view.mouseReleases, 1);
    EXPECT_EQ(presenter->Table(), keyboard);
    EXPECT_EQ(Caption(1003), "3");
    EXPECT_EQ(Color(1003), COLOR_KEY_STORED);
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, text::READ_SUCCESS);
    EXPECT_EQ(services.messages[1].icon, MessageIcon::None);
}

// What the keyboard sends decides: 8000 bytes are applied, 8001 refused; a
// lone end byte is a success that changes nothing; nothing at all, or an
// image that broke off, a failure.
TEST_F(MainPresenterTransferTest, TheReadOutDecides)
{
    // 516 bytes of groups and 7484 content bytes: an image of exactly 8000.
    keydata::KeyTable keyboard;
    for (int key = 0; key < 29; ++key)
        storeBytes(keyboard.RecordOfKeyNumber(key), keydata::KIND_STRING, std::string(255, 'k'));
    storeBytes(keyboard.RecordOfKeyNumber(29), keydata::KIND_STRING, std::string(89, 'k'));
    const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
    ASSERT_EQ(image.size(), 8000u);
    std::vector<std::uint8_t> brokenOff = keydata::encodeImage(keydata::KeyTable {});
    brokenOff.resize(60);
    brokenOff.push_back(0xFD);

    const struct {
        const char* name;
        std::vector<std::uint8_t> block;
        std::uint32_t count;
        const char* told;
    } reads[] = {
        { "8001 bytes", image, 8001, text::READ_FAIL },
        { "nothing", {}, 0, text::READ_FAIL },
        { "broken off", brokenOff, std::uint32_t(brokenOff.size()), text::READ_FAIL },
        { "end byte", { 0xFD }, 1, text::READ_SUCCESS },
    };
    storeBytes(RecordOf(1004), keydata::KIND_STRING, "mine");
    const keydata::KeyTable before = presenter->Table();
    for (const auto& read : reads) {
        SCOPED_TRACE(read.name);
        ReplyToRead(read.block, read.count);
        presenter->OnReadKbData();
        EXPECT_EQ(services.LastText(), read.told);
        EXPECT_EQ(presenter->Table(), before);
    }
    EXPECT_EQ(Caption(1004), "4"); // a successful read refreshes the grid
    ReplyToRead(image, 8000);
    presenter->OnReadKbData();
    EXPECT_EQ(services.LastText(), text::READ_SUCCESS);
    EXPECT_EQ(presenter->Table(), keyboard);
}
