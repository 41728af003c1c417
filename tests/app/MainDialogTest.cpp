#include "AppTestSupport.h"

#include <app/AppTexts.h>
#include <app/CAboutDialog.h>

#include <resources/ResourceIds.h>
#include <widgets/ControlId.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace app;
using namespace app::test;
using widgets::CSkinnedButton;
using widgets::MessageAnswer;

namespace {

using MainDialogTest = MainDialogFixture;

QRect geometryOf(const CMainDialog& dialog, int id)
{
    const QWidget* control = widgets::findControl(&dialog, id);
    return control ? control->geometry() : QRect();
}

} // namespace

TEST_F(MainDialogTest, OpensInEditModeWithTheDriverLoadedAndRemovesItAtTheEnd)
{
    auto dialog = MakeDialog();
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_EQ(dialog->LoadResult(), 0);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- edit mode"));
    EXPECT_TRUE(dialog->IsEditMode());
    EXPECT_FALSE(dialog->IsReading());
    ASSERT_EQ(platform.services.count("Tavrin"), 1u);
    EXPECT_TRUE(platform.services["Tavrin"].running);
    EXPECT_TRUE(platform.Called("OpenDeviceFile \\\\.\\Tavrin"));

    dialog.reset(); // the window owns the channel
    EXPECT_TRUE(platform.services.empty());
    EXPECT_TRUE(platform.openDevices.empty());
}

TEST_F(MainDialogTest, AFailedLoadIsReportedAndTheWindowStaysUsable)
{
    platform.files.clear();
    auto dialog = MakeDialog();
    ASSERT_EQ(seams.messages.size(), 1u);
    const widgets::MessageRequest& message = seams.messages[0];
    EXPECT_EQ(message.text, QStringLiteral("Can't not load kernel program!!!"));
    EXPECT_EQ(message.icon, widgets::MessageIcon::Stop);
    EXPECT_EQ(message.buttons, widgets::MessageButtons::Ok);
    EXPECT_EQ(message.caption, QStringLiteral("Lodemar"));
    EXPECT_EQ(message.owner.data(), dialog.get());
    EXPECT_NE(dialog->LoadResult(), 0);

    storeBytes(recordOf(*dialog, 1003), keydata::KIND_STRING, "abc");
    dialog->KeyCap(1003)->click(); // edit mode: the editor opens
    ASSERT_EQ(editorCalls.size(), 1u);
    dialog->CommandButton(IDC_BROWSE_EDIT)->click();
    dialog->KeyCap(1003)->click();
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("abc"));
    EXPECT_EQ(seams.messages.size(), 1u);
}

TEST_F(MainDialogTest, AKeyboardInUseIsNamedAfterTheLoadFailure)
{
    platform.claim = driverchannel::KeyboardClaim::InUse;
    platform.claimHolder = "process 4711 (lodemar-cli)";
    auto dialog = MakeDialog();
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text,
        QStringLiteral("Can't not load kernel program!!!\n\nThe keyboard is in use by process 4711 "
                       "(lodemar-cli).\nNothing is sent to it from this window."));
    EXPECT_EQ(dialog->LoadResult(), driverchannel::CHANNEL_KEYBOARD_IN_USE);
}

TEST_F(MainDialogTest, TheRealKeyboardsTransferButtonsSayItPausesMeanwhile)
{
    const QString paused = QStringLiteral("The keyboard types nothing while it is being programmed or read.");
    EXPECT_EQ(MakeDialog(false)->CommandButton(IDC_WRITE_KB)->toolTip(), paused);
    EXPECT_EQ(MakeDialog(false)->CommandButton(IDC_READ_KB)->toolTip(), paused);
    EXPECT_EQ(MakeDialog(true)->CommandButton(IDC_WRITE_KB)->toolTip(), QString());
}

TEST_F(MainDialogTest, ControlsSitWhereTheTemplatePlacesThem)
{
    auto dialog = MakeDialog();
    // 468 x 261 dialog units at base units 6 x 13.
    EXPECT_EQ(dialog->size(), QSize(702, 424));
    EXPECT_EQ(geometryOf(*dialog, 1001), QRect(11, 99, 32, 37)); // (7, 61, 21, 23)
    EXPECT_EQ(geometryOf(*dialog, 1010), QRect(332, 99, 32, 37)); // column 9 at x 221
    EXPECT_EQ(geometryOf(*dialog, 1095), QRect(654, 278, 32, 37)); // (436, 171)
    EXPECT_EQ(geometryOf(*dialog, 1096), QRect(575, 78, 21, 15)); // (383, 48, 14, 9)
    EXPECT_EQ(geometryOf(*dialog, 1098), QRect(566, 42, 21, 15)); // (377, 26)
    EXPECT_EQ(geometryOf(*dialog, 1100), QRect(575, 7, 21, 15)); // (383, 4)
    EXPECT_EQ(geometryOf(*dialog, IDC_KEY_CONTENT), QRect(11, 327, 672, 34)); // (7, 201, 448, 21)
    EXPECT_EQ(geometryOf(*dialog, IDC_BROWSE_EDIT), QRect(14, 375, 89, 23)); // (9, 231, 59, 14)
    EXPECT_EQ(geometryOf(*dialog, IDC_QUIT), QRect(599, 375, 89, 23)); // (399, 231)
    // The hidden "Button1" controls of the template are not made.
    EXPECT_EQ(widgets::findControl(dialog.get(), 1101), nullptr);
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->geometry(), QRect(591, 24, 29, 47)); // decoration (394, 15, 19, 29)
}

TEST_F(MainDialogTest, KeyCapsAndCommandButtonsHaveTheirFacesCaptionsAndIds)
{
    auto dialog = MakeDialog();
    for (int id = 1001; id <= 1100; ++id) {
        const CSkinnedButton* cap = dialog->KeyCap(id);
        ASSERT_NE(cap, nullptr) << id;
        EXPECT_TRUE(cap->IsSkinReady()) << id;
        EXPECT_EQ(cap->SkinId(), id <= 1095 ? resources::BITMAP_KEY_SKIN : resources::BITMAP_SMALL_KEY_SKIN);
    }
    const std::pair<int, const char*> commands[]
        = { { 1160, "Brows&e" }, { 1129, "&Config..." }, { 3, "&Write to KB" }, { 4, "&Read KB data" },
              { 5, "&Save to file..." }, { 6, "&Load from file..." }, { 1166, "&Quit" } };
    for (const auto& [id, caption] : commands) {
        const CSkinnedButton* button = dialog->CommandButton(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(button->IsSkinReady());
        EXPECT_EQ(button->CaptionColor(), 0x500000u);
    }
}

TEST_F(MainDialogTest, ModeButtonSwitchesCaptionAndTitle)
{
    auto dialog = MakeDialog();
    CSkinnedButton* mode = dialog->CommandButton(IDC_BROWSE_EDIT);
    mode->click();
    EXPECT_FALSE(dialog->IsEditMode());
    EXPECT_EQ(mode->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- Browse mode"));
    mode->click();
    EXPECT_TRUE(dialog->IsEditMode());
    EXPECT_EQ(mode->text(), QStringLiteral("Brows&e"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- Edit mode"));
}

TEST_F(MainDialogTest, AnEmulatedKeyboardIsNamedInEveryTitle)
{
    auto dialog = MakeDialog(true);
    EXPECT_EQ(
        dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- edit mode [emulated keyboard]"));
    dialog->OnBrowseEdit();
    EXPECT_EQ(
        dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- Browse mode [emulated keyboard]"));
}

TEST_F(MainDialogTest, QuitAsksAndNoKeepsTheWindowOpen)
{
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));
    seams.messageAnswers = { MessageAnswer::No };
    dialog->CommandButton(IDC_QUIT)->click();
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, QStringLiteral("Are you sure quit this program?"));
    EXPECT_EQ(seams.messages[0].icon, widgets::MessageIcon::Question);
    EXPECT_EQ(seams.messages[0].buttons, widgets::MessageButtons::YesNo);
    EXPECT_TRUE(dialog->isVisible());

    seams.messageAnswers = { MessageAnswer::Yes };
    dialog->CommandButton(IDC_QUIT)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(MainDialogTest, EscapeAndTheCloseButtonEndWithoutAskingExceptDuringARead)
{
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));
    dialog->SetReading(true);
    QTest::keyClick(dialog->KeyCap(1001), Qt::Key_Escape);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());

    dialog->SetReading(false);
    QTest::keyClick(dialog->KeyCap(1001), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(showActive(*dialog));
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(MainDialogTest, EveryCommandIsSwallowedWhileReading)
{
    auto dialog = MakeDialog();
    storeBytes(recordOf(*dialog, 1002), keydata::KIND_STRING, "xy");
    editorAction = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, "changed"); };
    dialog->SetReading(true);
    dialog->KeyCap(1002)->click();
    dialog->CommandButton(IDC_BROWSE_EDIT)->click();
    dialog->CommandButton(IDC_QUIT)->click();
    dialog->OnSysCommand(IDM_ABOUTBOX);
    EXPECT_TRUE(editorCalls.empty());
    EXPECT_TRUE(dialog->IsEditMode());
    EXPECT_TRUE(dialog->KeyContentText().isEmpty());
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 0, 0 }));
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.modalRuns.empty());

    dialog->SetReading(false);
    dialog->KeyCap(1002)->click();
    EXPECT_EQ(editorCalls.size(), 1u);
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("changed"));
}

TEST_F(MainDialogTest, TheContextMenuEndsWithTheAboutEntryAfterASeparator)
{
    auto dialog = MakeDialog();
    std::unique_ptr<QMenu> menu(dialog->CreateContextMenu());
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    QAction* about = actions.back();
    EXPECT_EQ(about->text(), QStringLiteral("&About Me..."));

    about->trigger();
    ASSERT_EQ(seams.modalRuns.size(), 1u);
    EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("app::CAboutDialog"));
    EXPECT_EQ(seams.modalRuns[0].title, QStringLiteral("About tavrin"));

    dialog->SetReading(true);
    about->trigger();
    EXPECT_EQ(seams.modalRuns.size(), 1u);
}

TEST(AboutDialog, ShowsTheVersionAndClosesWithItsDefaultOk)
{
    CAboutDialog about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About tavrin"));
    EXPECT_EQ(about.size(), QSize(353, 89)); // 235 x 55 dialog units
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("tavrin Version 1.0")));
    EXPECT_EQ(texts.size(), 3); // icon, version, second line
    auto* ok = qobject_cast<QPushButton*>(widgets::findControl(&about, IDC_ABOUT_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
