// The program's window against the emulated keyboard through the real
// driver host, as `lodemar --emulate=MEMFILE` runs it: a table written by
// one window is read back by a fresh one after the host has gone.
#include "AppFixture.h"

#include <app/CProgrammerApp.h>
#include <app/ProgramChannel.h>
#include <dialoglayout/MainDialogLayout.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <string>

using namespace app;
using namespace app::test;
using namespace dialoglayout;
using widgets::MessageIcon;

namespace {

class EmulatedKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lodemar"));
        ASSERT_TRUE(memory.isValid());
        ::setenv(driverchannel::DRIVER_DIRECTORY_VARIABLE, LODEMAR_HOST_FOLDER, 1);
        options.emulate = true;
        options.emulatedKeyboardMemory
            = QFile::encodeName(memory.filePath(QStringLiteral("kb.mem"))).toStdString();
    }
    void TearDown() override { ::unsetenv(driverchannel::DRIVER_DIRECTORY_VARIABLE); }

    std::unique_ptr<CMainDialog> Open()
    {
        auto dialog = std::make_unique<CMainDialog>(CreateProgramChannel(options), options.emulate);
        EXPECT_EQ(dialog->LoadResult(), 0);
        return dialog;
    }

    QTemporaryDir memory;
    ProgramOptions options;
    widgets::CSeamRecorder seams;
};

} // namespace

TEST_F(EmulatedKeyboardTest, AWrittenTableIsReadBackByAFreshWindow)
{
    keydata::KeyTable written;
    {
        auto dialog = Open();
        EXPECT_TRUE(dialog->windowTitle().endsWith(QStringLiteral(" [emulated keyboard]")));
        keydata::KeyTable& table = dialog->Table();
        table.systemConfig = 0x06;
        table.mcrConfig = 0x09;
        storeBytes(recordOf(*dialog, IDC_KEY_FIRST), keydata::KIND_STRING, "Hello\r");
        storeBytes(recordOf(*dialog, 1040), keydata::KIND_FUNCTION, "\x14\x21\xE1\x14");
        storeBytes(recordOf(*dialog, IDC_SMALL_KEY_FIRST), keydata::KIND_SWITCH, "\x03");
        storeBytes(recordOf(*dialog, IDC_KEY_LAST_MAIN), keydata::KIND_STRING, std::string(255, 'z'));
        written = table;

        dialog->OnWriteToKb();
        ASSERT_EQ(seams.LastText(), QStringLiteral("Data writed to keyboard successful!"));
        EXPECT_EQ(seams.messages.back().icon, MessageIcon::Information);
        EXPECT_EQ(dialog->KeyCap(1040)->CaptionColor(), COLOR_KEY_WRITTEN);
    } // the window goes, and with it the host

    auto fresh = Open();
    ASSERT_EQ(fresh->Table(), keydata::KeyTable());
    fresh->OnReadKbData();
    ASSERT_EQ(seams.LastText(), QStringLiteral("Read data from keyboard successful!"));
    EXPECT_EQ(fresh->Table(), written);
    EXPECT_EQ(fresh->KeyCap(IDC_SMALL_KEY_FIRST)->text(), QStringLiteral("L"));
    EXPECT_EQ(fresh->KeyCap(1040)->CaptionColor(), COLOR_KEY_STORED);
}

// A memory file in a folder that does not exist: the host cannot start, and
// the box over the window says so under the system's text.
TEST_F(EmulatedKeyboardTest, AKeyboardThatCannotBeReachedIsToldWithTheReason)
{
    options.emulatedKeyboardMemory
        = QFile::encodeName(memory.filePath(QStringLiteral("gone/kb.mem"))).toStdString();
    CMainDialog dialog(CreateProgramChannel(options), options.emulate);
    dialog.Presenter().SetLoadFailureReason(ProgramLoadFailureReason(options));
    ASSERT_NE(dialog.LoadResult(), 0);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seams.messages.empty(); }, 10000));
    // The host's own words, as lodemar-cli shows them.
    EXPECT_EQ(seams.messages[0].text,
        QStringLiteral("Can't not load kernel program!!!\n\ntavrin-emu: cannot open or create the keyboard "
                       "memory file ")
            + QString::fromStdString(options.emulatedKeyboardMemory)
            + QStringLiteral(".\n\nFiles can still be edited, loaded and saved."));
    EXPECT_EQ(seams.messages[0].owner.data(), &dialog);
}
