// "&Write to KB" and "&Read KB data" of the main window over the scripted
// fake system: confirmations, the progress window, messages and icons, the
// marking and the refresh, the reading flag.
#include "AppTestSupport.h"

#include <keydata/KeyImage.h>
#include <tavrin/TavrinControl.h>
#include <widgets/ProgressPopup.h>

#include <QKeyEvent>

#include <string>

using namespace app;
using namespace app::test;
using widgets::MessageAnswer;
using widgets::MessageButtons;
using widgets::MessageIcon;

namespace {

constexpr char WRITE_SUCCESS[] = "Data writed to keyboard successful!";
constexpr char WRITE_FAIL[] = "Data writed to keyboard fail,Please retry again!";
constexpr char READ_SUCCESS[] = "Read data from keyboard successful!";
constexpr char READ_FAIL[] = "Read data fail,Please read again!";

using Reply = driverchannel::testing::CFakeDriverPlatform::Reply;

class TransferCommandsTest : public MainDialogFixture {
protected:
    void SetUp() override
    {
        MainDialogFixture::SetUp();
        dialog = MakeDialog();
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

    // Answers the next read request with this block and count.
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

    std::unique_ptr<CMainDialog> dialog;
};

} // namespace

TEST_F(TransferCommandsTest, AnsweringNoSendsNothingAndChangesNothing)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "kept");
    const keydata::KeyTable before = dialog->Table();
    // The key is a change nothing holds: the read asks about it first (Yes).
    seams.messageAnswers = { MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::No };
    dialog->CommandButton(IDC_WRITE_KB)->click();
    dialog->CommandButton(IDC_READ_KB)->click();

    EXPECT_TRUE(platform.ioCalls.empty());
    EXPECT_EQ(dialog->Table(), before);
    ASSERT_EQ(seams.messages.size(), 3u);
    EXPECT_EQ(seams.messages[0].text, QStringLiteral("Are you sure write to keyboard?"));
    EXPECT_EQ(seams.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(seams.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(isDiscardQuestion(seams.messages[1]));
    EXPECT_EQ(seams.messages[2].text,
        QStringLiteral("While reading keyboard data, Do NOT use your keyboard and mouse.\n"
                       "\t\tAre you sure read data from keyboard now?"));
    EXPECT_EQ(seams.messages[2].icon, MessageIcon::Question);
    EXPECT_EQ(seams.messages[2].buttons, MessageButtons::YesNo);
    EXPECT_NE(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);
}

// What the program shows while each packet is being sent.
struct SendView {
    bool hasProgress = false;
    bool windowEnabled = true;
    QString caption;
    QString status;
};

TEST_F(TransferCommandsTest, AnEmptyTableIsWrittenAs130SendsAndReadBackUnderTheProgressWindow)
{
    ReplyToWrite(dialog->Table());
    std::vector<SendView> views;
    platform.onDeviceControl = [&](std::uint32_t) {
        SendView view;
        view.windowEnabled = dialog->isEnabled();
        if (widgets::CProgressPopup* progress = dialog->Progress(); progress && progress->HasWindow()) {
            view.hasProgress = true;
            view.caption = progress->Window()->windowTitle();
            view.status = progress->StatusText();
        }
        views.push_back(view);
    };
    dialog->CommandButton(IDC_WRITE_KB)->click();

    const std::vector<std::size_t> lengths = SendLengths();
    ASSERT_EQ(lengths.size(), 130u);
    EXPECT_EQ(lengths.front(), 8u); // header
    for (std::size_t i = 1; i <= 128; ++i)
        EXPECT_EQ(lengths[i], 6u) << i;
    EXPECT_EQ(lengths.back(), 2u); // finish

    ASSERT_EQ(views.size(), 131u);
    // The progress window comes after the header, over a disabled window.
    EXPECT_FALSE(views[0].hasProgress);
    EXPECT_TRUE(views[1].hasProgress);
    EXPECT_FALSE(views[1].windowEnabled);
    EXPECT_EQ(views[1].status, QStringLiteral("programing 0 key"));
    EXPECT_EQ(views[1].caption, QStringLiteral("Programing... [1%]"));
    EXPECT_EQ(views[64].caption, QStringLiteral("Programing... [50%]"));
    EXPECT_EQ(views[128].status, QStringLiteral("programing 127 key"));
    EXPECT_EQ(views[128].caption, QStringLiteral("Programing... [99%]"));
    EXPECT_TRUE(views[129].hasProgress); // still up for the finish
    // Its last stretch: the keyboard read back.
    EXPECT_EQ(platform.ioCalls.back().code, IOCTL_READ_DATA);
    EXPECT_EQ(views[130].status, QStringLiteral("checking the keyboard"));
    EXPECT_EQ(views[130].caption, QStringLiteral("Programing... [100%]"));
    EXPECT_FALSE(views[130].windowEnabled);

    // Closed before the result is told; the window works again.
    EXPECT_EQ(dialog->Progress(), nullptr);
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_FALSE(dialog->IsWriting());
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_EQ(seams.messages[1].text, QString::fromLatin1(WRITE_SUCCESS));
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::Information);
    EXPECT_EQ(seams.messages[1].owner.data(), dialog.get());
}

TEST_F(TransferCommandsTest, ACompleteWriteTurnsTheProgrammedKeysBlueEvenIfTheFinishFails)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    storeBytes(recordOf(*dialog, 1096), keydata::KIND_SWITCH, "\x02");
    platform.replies.assign(129, Reply {});
    platform.replies.push_back(Reply { false, 0, {} }); // the finish
    dialog->OnWriteToKb();

    EXPECT_EQ(SendLengths().size(), 130u);
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(WRITE_FAIL));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_EQ(dialog->KeyCap(1096)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_NE(dialog->KeyCap(1002)->CaptionColor(), COLOR_KEY_WRITTEN);
}

// Every packet answered, yet the keyboard holds something else: a failure
// naming the keys by their grid captions, and nothing marked.
TEST_F(TransferCommandsTest, AWriteTheKeyboardDoesNotHoldFailsAndNamesTheKeys)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    storeBytes(recordOf(*dialog, 1097), keydata::KIND_STRING, "r");
    keydata::KeyTable held = dialog->Table();
    storeBytes(recordOf(*dialog, 1030), keydata::KIND_STRING, "thirty");
    held.systemConfig = 0x01;
    ReplyToWrite(held);
    dialog->OnWriteToKb();

    EXPECT_EQ(seams.LastText(),
        QStringLiteral("Data writed to keyboard fail,Please retry again!\n\n"
                       "The keyboard does not hold what was written: key 30 (key number 14), the settings."));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_NE(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_NE(dialog->KeyCap(1097)->CaptionColor(), COLOR_KEY_WRITTEN);

    // A read-back that fails is no confirmation either.
    ReplyToWrite(dialog->Table());
    platform.replies.back() = Reply { true, 1, { 0xFD } };
    dialog->OnWriteToKb();
    EXPECT_EQ(seams.LastText(),
        QStringLiteral("Data writed to keyboard fail,Please retry again!\n\n"
                       "The keyboard could not be read back to check what was written."));
    EXPECT_NE(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);

    // The keyboard refusing the header's bytes ("resend").
    platform.replies = { Reply { true, driverchannel::SEND_REFUSED_BY_KEYBOARD, {} } };
    dialog->OnWriteToKb();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(WRITE_FAIL));
}

TEST_F(TransferCommandsTest, AFailedKeySendEndsTheWriteWithTheFailureTextAndMarksNothing)
{
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "abc");
    platform.replies.assign(11, Reply {}); // header and keys 0..9
    platform.replies.push_back(Reply { true, driverchannel::SEND_SILENT_KEYBOARD, {} }); // key 10
    dialog->OnWriteToKb();

    EXPECT_EQ(SendLengths().size(), 12u); // nothing after the failed packet, no finish
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_EQ(seams.messages[1].text, QString::fromLatin1(WRITE_FAIL));
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::Stop);
    EXPECT_NE(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_EQ(dialog->Progress(), nullptr);
    EXPECT_TRUE(dialog->isEnabled());
}

// Escape cancels the progress window, but not the write: it goes on to the
// end, the main window stays disabled meanwhile and does not close.
TEST_F(TransferCommandsTest, EscapeDuringAWriteNeitherStopsItNorClosesTheWindow)
{
    ASSERT_TRUE(showActive(*dialog));
    ReplyToWrite(dialog->Table());
    int sends = 0;
    bool cancelled = false;
    bool enabledDuringWrite = false;
    platform.onDeviceControl = [&](std::uint32_t) {
        ++sends;
        widgets::CProgressPopup* progress = dialog->Progress();
        if (sends == 6 && progress && progress->HasWindow())
            QCoreApplication::postEvent(
                progress->Window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        if (sends == 10)
            cancelled = progress && progress->IsCancelled();
        if (sends > 1 && dialog->isEnabled())
            enabledDuringWrite = true;
    };
    dialog->OnWriteToKb();

    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(enabledDuringWrite);
    EXPECT_EQ(SendLengths().size(), 130u);
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(WRITE_SUCCESS));
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(TransferCommandsTest, ATableTheKeyboardCannotStoreIsRefusedBeforeAnythingIsAsked)
{
    // Fifteen keys of 255 bytes and their terminators: 3840 of 3584 bytes.
    for (int id = 1001; id <= 1015; ++id)
        storeBytes(recordOf(*dialog, id), keydata::KIND_STRING, std::string(255, 'x'));
    dialog->OnWriteToKb();

    EXPECT_TRUE(platform.ioCalls.empty());
    ASSERT_EQ(seams.messages.size(), 1u);
    const QString text = seams.messages[0].text;
    EXPECT_EQ(seams.messages[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(text.startsWith(QStringLiteral("The key table cannot be written to the keyboard:")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("3840 bytes used, 0 bytes free of 3584"))) << text.toStdString();
    EXPECT_NE(dialog->KeyCap(1001)->CaptionColor(), COLOR_KEY_WRITTEN);
}

TEST_F(TransferCommandsTest, WithoutTheDriverBothTransfersFail)
{
    platform.files.clear(); // the driver file is missing: Load fails
    auto offline = MakeDialog();
    seams.messages.clear();
    offline->OnWriteToKb();
    offline->OnReadKbData();
    ASSERT_EQ(seams.messages.size(), 4u);
    EXPECT_EQ(seams.messages[1].text, QString::fromLatin1(WRITE_FAIL));
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::Stop);
    EXPECT_EQ(seams.messages[3].text, QString::fromLatin1(READ_FAIL));
    EXPECT_EQ(seams.messages[3].icon, MessageIcon::Stop);
    EXPECT_TRUE(offline->isEnabled());

    // A window made without any channel behaves the same.
    CMainDialog bare(nullptr);
    seams.messages.clear();
    bare.OnWriteToKb();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(WRITE_FAIL));
}

// The reading flag stands for exactly the read request, and every command
// given meanwhile is swallowed.
TEST_F(TransferCommandsTest, AReadSetsTheReadingFlagForTheRequestAndRefreshesTheGrid)
{
    keydata::KeyTable keyboard;
    keyboard.systemConfig = 0x05;
    storeBytes(keyboard.record(0, 2), keydata::KIND_STRING, "from kb");
    const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
    ReplyToRead(image, std::uint32_t(image.size()));

    bool readingDuringRequest = false;
    platform.onDeviceControl = [&](std::uint32_t) {
        readingDuringRequest = dialog->IsReading();
        dialog->OnCommand(IDC_CONFIG);
        dialog->OnCommand(IDC_WRITE_KB);
        dialog->OnCommand(1001);
        dialog->KeyCap(1001)->grabMouse();
    };
    dialog->OnReadKbData();

    EXPECT_TRUE(readingDuringRequest);
    EXPECT_FALSE(dialog->IsReading());
    ASSERT_EQ(platform.ioCalls.size(), 1u);
    EXPECT_EQ(platform.ioCalls[0].code, IOCTL_READ_DATA);
    EXPECT_EQ(platform.ioCalls[0].input, (std::vector<std::uint8_t> { 0xE9 }));
    EXPECT_EQ(platform.ioCalls[0].outputLength, 10240u);
    EXPECT_TRUE(seams.modalRuns.empty());
    EXPECT_TRUE(editorCalls.empty());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    EXPECT_EQ(dialog->Table(), keyboard);
    EXPECT_EQ(dialog->KeyCap(1003)->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog->KeyCap(1003)->CaptionColor(), COLOR_KEY_STORED);
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_EQ(seams.messages[1].text, QString::fromLatin1(READ_SUCCESS));
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::None);
}

TEST_F(TransferCommandsTest, ABlockOf8000BytesIsAppliedAndOneOf8001Refused)
{
    // 516 bytes of groups and 7484 content bytes: an image of exactly 8000.
    keydata::KeyTable keyboard;
    for (int key = 0; key < 29; ++key)
        storeBytes(keyboard.recordOfKeyNumber(key), keydata::KIND_STRING, std::string(255, 'k'));
    storeBytes(keyboard.recordOfKeyNumber(29), keydata::KIND_STRING, std::string(89, 'k'));
    const std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
    ASSERT_EQ(image.size(), 8000u);

    ReplyToRead(image, 8001);
    dialog->OnReadKbData();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(READ_FAIL));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(dialog->Table(), keydata::KeyTable());

    ReplyToRead(image, 8000);
    dialog->OnReadKbData();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(READ_SUCCESS));
    EXPECT_EQ(dialog->Table(), keyboard);
}

TEST_F(TransferCommandsTest, ALoneEndByteIsASuccessfulReadThatChangesNothing)
{
    storeBytes(recordOf(*dialog, 1004), keydata::KIND_STRING, "mine");
    const keydata::KeyTable before = dialog->Table();
    ReplyToRead({ 0xFD }, 1);
    dialog->OnReadKbData();
    EXPECT_EQ(dialog->Table(), before);
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(READ_SUCCESS));
    EXPECT_EQ(dialog->KeyCap(1004)->text(), QStringLiteral("4")); // refreshed

    // Nothing at all: the keyboard refused the read.
    ReplyToRead({}, 0);
    dialog->OnReadKbData();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(READ_FAIL));
    EXPECT_EQ(dialog->Table(), before);

    // A read-out that broke off after a few keys: the part that came is no
    // table.
    keydata::KeyTable keyboard;
    std::vector<std::uint8_t> image = keydata::encodeImage(keyboard);
    image.resize(60);
    image.push_back(0xFD);
    ReplyToRead(image, std::uint32_t(image.size()));
    dialog->OnReadKbData();
    EXPECT_EQ(seams.LastText(), QString::fromLatin1(READ_FAIL));
    EXPECT_EQ(seams.messages.back().icon, MessageIcon::Stop);
    EXPECT_EQ(dialog->Table(), before);
}
