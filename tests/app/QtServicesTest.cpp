// What the Qt program gives the main window's presenter: the progress
// window over the disabled window while a write runs (Escape cancels the
// window, never the write), the file choosers through their seam, the
// configuration dialog and the message boxes' owner.
#include "AppFixture.h"

#include <app/FileDialogs.h>
#include <dialoglayout/ConfigDialogLayout.h>
#include <dialoglayout/MainDialogLayout.h>

#include <keydata/KeyImage.h>
#include <tavrin/TavrinControl.h>
#include <widgets/ControlId.h>
#include <widgets/CProgressPopup.h>

#include <QCheckBox>
#include <QKeyEvent>

using namespace app;
using namespace app::test;
using namespace dialoglayout;
using widgets::MessageIcon;

namespace {

using Reply = driverchannel::testing::CFakeWin32System::Reply;

class QtServicesTest : public MainDialogFixture {
protected:
    void SetUp() override
    {
        MainDialogFixture::SetUp();
        dialog = MakeDialog();
        // Answers a write's 130 sends, then its read-back.
        platform.replies.assign(130, Reply {});
        const std::vector<std::uint8_t> image = keydata::encodeImage(dialog->Table());
        platform.replies.push_back(Reply { true, std::uint32_t(image.size()), image });
        platform.ioCalls.clear();
    }

    std::unique_ptr<CMainDialog> dialog;
};

// What the program shows while each packet is being sent.
struct SendView {
    bool hasProgress = false;
    bool windowEnabled = true;
    QString caption;
    QString status;
};

} // namespace

TEST_F(QtServicesTest, TheProgressWindowStandsOverTheDisabledWindowDuringAWrite)
{
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

    ASSERT_EQ(views.size(), 131u);
    EXPECT_FALSE(views[0].hasProgress);
    EXPECT_TRUE(views[1].hasProgress);
    EXPECT_FALSE(views[1].windowEnabled);
    EXPECT_EQ(views[1].status, QStringLiteral("programing 0 key"));
    EXPECT_EQ(views[1].caption, QStringLiteral("Programing... [1%]"));
    EXPECT_EQ(views[64].caption, QStringLiteral("Programing... [50%]"));
    EXPECT_EQ(views[128].caption, QStringLiteral("Programing... [99%]"));
    EXPECT_EQ(views[130].status, QStringLiteral("checking the keyboard"));
    EXPECT_EQ(views[130].caption, QStringLiteral("Programing... [100%]"));
    EXPECT_FALSE(views[130].windowEnabled);

    // Closed before the result is told; the window works again.
    EXPECT_EQ(dialog->Progress(), nullptr);
    EXPECT_TRUE(dialog->isEnabled());
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_EQ(seams.messages[1].text, QStringLiteral("Data writed to keyboard successful!"));
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::Information);
    EXPECT_EQ(seams.messages[1].owner.data(), dialog.get());
}

TEST_F(QtServicesTest, EscapeDuringAWriteNeitherStopsItNorClosesTheWindow)
{
    ASSERT_TRUE(showActive(*dialog));
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
    EXPECT_EQ(platform.ioCalls.size(), 131u);
    EXPECT_EQ(seams.LastText(), QStringLiteral("Data writed to keyboard successful!"));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtServicesTest, TheFileChoosersGetTheirFiltersAndTheWindow)
{
    std::vector<FileDialogRequest> requests;
    const FileDialogHook previous = SetFileDialogHook([&](const FileDialogRequest& request) {
        requests.push_back(request);
        return QString();
    });
    ASSERT_TRUE(showActive(*dialog));
    dialog->CommandButton(IDC_SAVE_FILE)->click();
    dialog->CommandButton(IDC_LOAD_FILE)->click();
    // Ctrl+S and Ctrl+O run the same commands.
    QTest::keyClick(dialog->KeyCap(IDC_KEY_FIRST), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(dialog->KeyCap(IDC_KEY_FIRST), Qt::Key_O, Qt::ControlModifier);
    SetFileDialogHook(previous);
    ASSERT_EQ(requests.size(), 4u);
    for (const std::size_t i : { 0u, 2u }) {
        EXPECT_EQ(requests[i].kind, FileDialogKind::Save);
        EXPECT_EQ(requests[i].filter, QStringLiteral("Keyboard data file (*.dat)"));
        EXPECT_EQ(requests[i + 1].kind, FileDialogKind::Open);
        EXPECT_EQ(requests[i + 1].filter,
            QStringLiteral("Keyboard data file (*.DAT *.dat);;Keyboard layout, JSON (*.json *.JSON)"));
    }
    for (const FileDialogRequest& request : requests)
        EXPECT_EQ(request.owner.data(), dialog.get());
}

TEST_F(QtServicesTest, TheConfigurationDialogChangesTheSettingsBytes)
{
    seams.onModal = [](QDialog& config) {
        config.show();
        for (int id : { IDC_FIRST_SYSTEM_BOX, IDC_FIRST_MCR_BOX + 2 }) // "Beep enable", "Track2 enable"
            qobject_cast<QCheckBox*>(widgets::findControl(&config, id))->click();
        config.accept();
        return config.result();
    };
    dialog->CommandButton(IDC_CONFIG)->click();
    ASSERT_EQ(seams.modalRuns.size(), 1u);
    EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("CConfigDialog"));
    EXPECT_EQ(seams.modalRuns[0].title, QStringLiteral("Config"));
    EXPECT_EQ(dialog->Table().systemConfig, 0x02);
    EXPECT_EQ(dialog->Table().mcrConfig, 0x0B);
}
