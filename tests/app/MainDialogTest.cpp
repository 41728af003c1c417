// The main window as a Qt view of its presenter: the template's controls
// and faces, and that clicks, keys, the menu, drops and shortcuts reach the
// presenter and what it says is drawn. The behaviour itself is tested at
// the presenter (tests/presenters).
#include "AppFixture.h"

#include <app/CAboutDialog.h>
#include <dialoglayout/MainDialogLayout.h>

#include <keydata/KeyFile.h>
#include <resources/ResourceIds.h>
#include <widgets/ControlId.h>

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

using namespace app;
using namespace app::test;
using namespace dialoglayout;
using widgets::CSkinnedButton;
using widgets::MessageAnswer;

namespace {

using MainDialogTest = MainDialogFixture;

QRect geometryOf(const CMainDialog& dialog, int id)
{
    const QWidget* control = widgets::findControl(&dialog, id);
    return control ? control->geometry() : QRect();
}

int focusedId()
{
    return widgets::controlId(QApplication::focusWidget());
}

} // namespace

TEST_F(MainDialogTest, ControlsSitWhereTheTemplatePlacesThem)
{
    auto dialog = MakeDialog();
    // 468 x 261 dialog units at base units 6 x 13.
    EXPECT_EQ(dialog->size(), QSize(702, 424));
    EXPECT_EQ(geometryOf(*dialog, IDC_KEY_FIRST), QRect(11, 99, 32, 37)); // (7, 61, 21, 23)
    EXPECT_EQ(geometryOf(*dialog, 1010), QRect(332, 99, 32, 37)); // column 9 at x 221
    EXPECT_EQ(geometryOf(*dialog, IDC_KEY_LAST_MAIN), QRect(654, 278, 32, 37)); // (436, 171)
    EXPECT_EQ(geometryOf(*dialog, IDC_SMALL_KEY_FIRST), QRect(575, 78, 21, 15)); // (383, 48, 14, 9)
    EXPECT_EQ(geometryOf(*dialog, 1098), QRect(566, 42, 21, 15)); // (377, 26)
    EXPECT_EQ(geometryOf(*dialog, IDC_KEY_LAST), QRect(575, 7, 21, 15)); // (383, 4)
    EXPECT_EQ(geometryOf(*dialog, IDC_KEY_CONTENT), QRect(11, 327, 672, 34)); // (7, 201, 448, 21)
    EXPECT_EQ(geometryOf(*dialog, IDC_BROWSE_EDIT), QRect(14, 375, 89, 23)); // (9, 231, 59, 14)
    EXPECT_EQ(geometryOf(*dialog, IDC_QUIT), QRect(599, 375, 89, 23)); // (399, 231)
    // The hidden "Button1" controls of the template are not made.
    EXPECT_EQ(widgets::findControl(dialog.get(), IDC_NAVIGATION_LAST), nullptr);
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->geometry(), QRect(591, 24, 29, 47)); // decoration (394, 15, 19, 29)
}

TEST_F(MainDialogTest, KeyCapsAndCommandButtonsHaveTheirFacesCaptionsAndIds)
{
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- edit mode"));
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id) {
        const CSkinnedButton* cap = dialog->KeyCap(id);
        ASSERT_NE(cap, nullptr) << id;
        EXPECT_TRUE(cap->IsSkinReady()) << id;
        EXPECT_EQ(cap->SkinId(),
            id <= IDC_KEY_LAST_MAIN ? resources::BITMAP_KEY_SKIN : resources::BITMAP_SMALL_KEY_SKIN);
    }
    const std::pair<int, const char*> commands[]
        = { { IDC_BROWSE_EDIT, "Brows&e" }, { IDC_CONFIG, "&Config..." }, { IDC_WRITE_KB, "&Write to KB" },
              { IDC_READ_KB, "&Read KB data" }, { IDC_SAVE_FILE, "&Save to file..." },
              { IDC_LOAD_FILE, "&Load from file..." }, { IDC_QUIT, "&Quit" } };
    for (const auto& [id, caption] : commands) {
        const CSkinnedButton* button = dialog->CommandButton(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(button->IsSkinReady());
        EXPECT_EQ(button->CaptionColor(), 0x500000u);
    }
    EXPECT_EQ(dialog->CommandButton(IDC_WRITE_KB)->toolTip(),
        QStringLiteral("The keyboard types nothing while it is being programmed or read."));
}

// Shown after the window is on the screen, owned by it and captioned with
// the program's name.
TEST_F(MainDialogTest, AFailedLoadIsToldOverTheShownWindow)
{
    platform.files.clear();
    auto dialog = MakeDialog();
    EXPECT_TRUE(seams.messages.empty());
    bool shownFirst = false;
    widgets::MessageHook recorder = widgets::SetMessageHook([&](const widgets::MessageRequest& request) {
        shownFirst = dialog->isVisible();
        seams.messages.push_back(request);
        return MessageAnswer::Ok;
    });
    ASSERT_TRUE(showActive(*dialog));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !seams.messages.empty(); }, 5000));
    widgets::SetMessageHook(std::move(recorder));
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_TRUE(shownFirst);
    EXPECT_TRUE(seams.messages[0].text.startsWith(QStringLiteral("Can't not load kernel program!!!")));
    EXPECT_EQ(seams.messages[0].icon, widgets::MessageIcon::Stop);
    EXPECT_EQ(seams.messages[0].caption, QStringLiteral("Lodemar"));
    EXPECT_EQ(seams.messages[0].owner.data(), dialog.get());
}

// A click on a key cap runs the key programming dialog (here OK with a
// key typed in it): the cap turns red with its caption, the box shows the
// text. The mode button's caption and the title follow the presenter.
TEST_F(MainDialogTest, ClicksReachThePresenterAndWhatItSaysIsDrawn)
{
    auto dialog = MakeDialog();
    QString keyDialogTitle;
    seams.onModal = [&](QDialog& keyDialog) {
        keyDialog.show();
        keyDialogTitle = keyDialog.windowTitle();
        qobject_cast<QAbstractButton*>(widgets::findControl(&keyDialog, 1017))->click(); // Q
        keyDialog.accept();
        return keyDialog.result();
    };
    dialog->KeyCap(IDC_KEY_FIRST)->click();
    EXPECT_EQ(keyDialogTitle, QStringLiteral("Editing Key 1"));
    EXPECT_EQ(dialog->KeyCap(IDC_KEY_FIRST)->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog->KeyCap(IDC_KEY_FIRST)->CaptionColor(), COLOR_KEY_CHANGED);
    EXPECT_EQ(dialog->KeyContentBox()->toPlainText(), QStringLiteral("q"));

    CSkinnedButton* mode = dialog->CommandButton(IDC_BROWSE_EDIT);
    mode->click();
    EXPECT_EQ(mode->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Keyboard programing tool -- Browse mode"));
}

TEST_F(MainDialogTest, QuitAsksEscapeAndTheCloseButtonEndAtOnce)
{
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));
    seams.messageAnswers = { MessageAnswer::No };
    dialog->CommandButton(IDC_QUIT)->click();
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, QStringLiteral("Are you sure quit this program?"));
    EXPECT_TRUE(dialog->isVisible());
    seams.messageAnswers = { MessageAnswer::Yes };
    dialog->CommandButton(IDC_QUIT)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    ASSERT_TRUE(showActive(*dialog));
    QTest::keyClick(dialog->KeyCap(IDC_KEY_FIRST), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(showActive(*dialog));
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(seams.messages.size(), 2u);
}

// Key events of the grid go to the presenter, which moves the focus; Tab
// stays, Enter opens the focused key.
TEST_F(MainDialogTest, GridKeysMoveTheFocus)
{
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));
    dialog->CommandButton(IDC_BROWSE_EDIT)->click();
    storeBytes(recordOf(*dialog, IDC_KEY_FIRST), keydata::KIND_STRING, "first");
    dialog->KeyCap(1019)->setFocus();
    dialog->KeyCap(1019)->click();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(focusedId(), IDC_KEY_FIRST);
    EXPECT_EQ(dialog->KeyContentBox()->toPlainText(), QStringLiteral("first"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusedId(), IDC_KEY_FIRST);

    dialog->CommandButton(IDC_BROWSE_EDIT)->click();
    dialog->KeyCap(1007)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(seams.modalRuns.size(), 1u);
    EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("CKeyProgrammingDialog"));
}

// The menu's entries and the shortcuts reach undo, redo, the recent files
// and About; a dropped file is loaded.
TEST_F(MainDialogTest, TheMenuShortcutsAndDropsReachThePresenter)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    keydata::KeyTable table;
    storeBytes(table.Record(0, 3), keydata::KIND_STRING, "dat");
    const QString file = folder.filePath(QStringLiteral("drop.dat"));
    ASSERT_TRUE(keydata::saveKeyFile(file.toStdString(), table).Ok());
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));

    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(file) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &drop);
    EXPECT_EQ(dialog->Table(), table);
    EXPECT_EQ(dialog->KeyCap(1004)->text(), QStringLiteral("4"));

    QTest::keyClick(dialog->KeyCap(IDC_KEY_FIRST), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dialog->Table(), keydata::KeyTable());
    std::unique_ptr<QMenu> menu(dialog->CreateContextMenu());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 8);
    EXPECT_TRUE(entries[2]->isSeparator());
    EXPECT_EQ(entries[3]->text(), QStringLiteral("&Undo"));
    EXPECT_FALSE(entries[3]->isEnabled());
    EXPECT_EQ(entries[4]->text(), QStringLiteral("&Redo loading drop.dat"));
    QMenu* recent = entries[5]->menu();
    ASSERT_NE(recent, nullptr);
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 %1").arg(file));
    EXPECT_TRUE(entries[6]->isSeparator());
    EXPECT_EQ(entries[7]->text(), QStringLiteral("&About Me..."));

    QTest::keyClick(dialog->KeyCap(IDC_KEY_FIRST), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(dialog->Table(), table);
    dialog->Presenter().Undo();
    seams.messageAnswers = { MessageAnswer::Discard }; // the undone load is a change
    recent->actions()[0]->trigger();
    EXPECT_EQ(dialog->Table(), table);
    entries[7]->trigger();
    ASSERT_EQ(seams.modalRuns.size(), 1u);
    EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("app::CAboutDialog"));
    EXPECT_EQ(seams.modalRuns[0].title, QStringLiteral("About tavrin"));
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
