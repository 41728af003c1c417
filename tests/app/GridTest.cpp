#include "AppTestSupport.h"

#include <widgets/ControlId.h>
#include <widgets/GuiSeams.h>

#include <QPlainTextEdit>

using namespace app;
using namespace app::test;
using widgets::CSkinnedButton;

namespace {

using GridTest = MainDialogFixture;

// A shown, active window in browse mode, so that arrows show the text.
class GridNavigationTest : public MainDialogFixture {
protected:
    void SetUp() override
    {
        MainDialogFixture::SetUp();
        dialog = MakeDialog();
        ASSERT_TRUE(showActive(*dialog));
    }

    // A user's click on a key: focus and command.
    void Click(int id)
    {
        CSkinnedButton* cap = dialog->KeyCap(id);
        cap->setFocus();
        cap->click();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    int FocusedId() const { return widgets::controlId(QApplication::focusWidget()); }

    std::unique_ptr<CMainDialog> dialog;
};

} // namespace

TEST_F(GridTest, EditModeClickOpensTheEditorTitledWithTheKeyNumber)
{
    auto dialog = MakeDialog();
    dialog->KeyCap(1001)->click();
    dialog->KeyCap(1096)->click();
    dialog->KeyCap(1057)->click();
    ASSERT_EQ(editorCalls.size(), 3u);
    EXPECT_EQ(editorCalls[0].title, QStringLiteral("Editing Key 1"));
    EXPECT_EQ((GridPosition { editorCalls[0].row, editorCalls[0].column }), (GridPosition { 0, 0 }));
    EXPECT_EQ(editorCalls[1].title, QStringLiteral("Editing Key 96"));
    EXPECT_EQ((GridPosition { editorCalls[1].row, editorCalls[1].column }), (GridPosition { 5, 0 }));
    EXPECT_EQ((GridPosition { editorCalls[2].row, editorCalls[2].column }), (GridPosition { 2, 18 }));
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 2, 18 }));

    dialog->OnBrowseEdit();
    dialog->KeyCap(1001)->click();
    EXPECT_EQ(editorCalls.size(), 3u); // browse mode only shows the text
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 0, 0 }));
}

TEST_F(GridTest, ChangedContentTurnsTheKeyRedWithItsCaption)
{
    auto dialog = MakeDialog();
    editorAction = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, "Hi\t"); };
    dialog->KeyCap(1001)->click();
    const CSkinnedButton* cap = dialog->KeyCap(1001);
    EXPECT_EQ(cap->text(), QStringLiteral("1"));
    EXPECT_EQ(cap->CaptionColor(), COLOR_KEY_CHANGED);
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("Hi[Tab]"));
    EXPECT_EQ(dialog->KeyContentBox()->toPlainText(), QStringLiteral("Hi[Tab]"));

    // The small keys are captioned with their letters.
    dialog->KeyCap(1100)->click();
    EXPECT_EQ(dialog->KeyCap(1100)->text(), QStringLiteral("Z"));
}

TEST_F(GridTest, OkWithTheSameBytesKeepsTheColourEvenWhenTheKindChanged)
{
    auto dialog = MakeDialog();
    storeBytes(recordOf(*dialog, 1005), keydata::KIND_FUNCTION, "\x1C");
    dialog->RefreshGrid();
    const CSkinnedButton* cap = dialog->KeyCap(1005);
    ASSERT_EQ(cap->CaptionColor(), COLOR_KEY_STORED);

    editorAction = [](keydata::KeyRecord&) {};
    dialog->KeyCap(1005)->click();
    editorAction = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, "\x1C"); };
    dialog->KeyCap(1005)->click();
    // Cancel: whatever the dialog did, the grid does not count it.
    editorResult = QDialog::Rejected;
    editorAction = [](keydata::KeyRecord&) {};
    dialog->KeyCap(1005)->click();
    EXPECT_EQ(editorCalls.size(), 3u);
    EXPECT_EQ(cap->CaptionColor(), COLOR_KEY_STORED);
    EXPECT_EQ(cap->text(), QStringLiteral("5"));
}

TEST_F(GridTest, AnEmptiedKeyLosesItsCaption)
{
    auto dialog = MakeDialog();
    storeBytes(recordOf(*dialog, 1098), keydata::KIND_STRING, "abc");
    dialog->RefreshGrid();
    ASSERT_EQ(dialog->KeyCap(1098)->text(), QStringLiteral("S"));
    editorAction = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, ""); };
    dialog->KeyCap(1098)->click();
    EXPECT_TRUE(dialog->KeyCap(1098)->text().isEmpty());
    EXPECT_TRUE(dialog->KeyContentText().isEmpty());
}

TEST_F(GridTest, RefreshCaptionsEveryProgrammedKeyBlackAndShowsTheLastFocusedKey)
{
    auto dialog = MakeDialog();
    ASSERT_TRUE(showActive(*dialog));
    editorAction = [](keydata::KeyRecord& record) { storeBytes(record, keydata::KIND_STRING, "red"); };
    dialog->KeyCap(1002)->click(); // red and captioned
    ASSERT_EQ(dialog->KeyCap(1002)->CaptionColor(), COLOR_KEY_CHANGED);
    storeBytes(recordOf(*dialog, 1002), keydata::KIND_EMPTY, ""); // emptied by a load

    // Key 7 loses the focus to a command button.
    dialog->KeyCap(1007)->setFocus();
    dialog->CommandButton(IDC_LOAD_FILE)->setFocus();
    ASSERT_EQ(widgets::LastFocusedKey(), 1007);

    storeBytes(recordOf(*dialog, 1007), keydata::KIND_STRING, "seven");
    storeBytes(recordOf(*dialog, 1095), keydata::KIND_SWITCH, "\x03");
    storeBytes(recordOf(*dialog, 1096), keydata::KIND_SWITCH, "\x58");
    dialog->RefreshGrid();
    for (int id = 1001; id <= 1100; ++id) {
        const CSkinnedButton* cap = dialog->KeyCap(id);
        if (id == 1007 || id == 1095 || id == 1096)
            EXPECT_EQ(cap->CaptionColor(), COLOR_KEY_STORED) << id;
        else
            EXPECT_TRUE(cap->text().isEmpty()) << id;
    }
    EXPECT_EQ(dialog->KeyCap(1007)->text(), QStringLiteral("7"));
    EXPECT_EQ(dialog->KeyCap(1095)->text(), QStringLiteral("95"));
    EXPECT_EQ(dialog->KeyCap(1096)->text(), QStringLiteral("L"));
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("seven"));
    EXPECT_EQ(dialog->KeyContentBox()->toPlainText(), QStringLiteral("seven"));
}

TEST_F(GridTest, RefreshWithoutALastFocusedKeyKeepsTheContentBox)
{
    auto dialog = MakeDialog();
    dialog->OnBrowseEdit();
    storeBytes(recordOf(*dialog, 1003), keydata::KIND_STRING, "three");
    dialog->KeyCap(1003)->click();
    storeBytes(recordOf(*dialog, 1003), keydata::KIND_STRING, "loaded");
    dialog->RefreshGrid();
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("three"));
}

TEST_F(GridTest, MarkingColoursOnlyProgrammedKeysAndKeepsCaptions)
{
    auto dialog = MakeDialog();
    storeBytes(recordOf(*dialog, 1010), keydata::KIND_STRING, "x");
    storeBytes(recordOf(*dialog, 1099), keydata::KIND_FUNCTION, "\x1C");
    dialog->RefreshGrid();
    dialog->MarkKeys(COLOR_KEY_WRITTEN);
    EXPECT_EQ(dialog->KeyCap(1010)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_EQ(dialog->KeyCap(1099)->CaptionColor(), COLOR_KEY_WRITTEN);
    EXPECT_EQ(dialog->KeyCap(1099)->text(), QStringLiteral("X"));
    EXPECT_EQ(dialog->KeyCap(1011)->CaptionColor(), COLOR_KEY_STORED);
    dialog->MarkKeys(COLOR_KEY_STORED);
    EXPECT_EQ(dialog->KeyCap(1010)->CaptionColor(), COLOR_KEY_STORED);
}

TEST_F(GridNavigationTest, RightFromKey19WrapsToKey1AndLeftComesBack)
{
    dialog->OnBrowseEdit();
    storeBytes(recordOf(*dialog, 1001), keydata::KIND_STRING, "first");
    storeBytes(recordOf(*dialog, 1019), keydata::KIND_STRING, "last");
    Click(1019);
    Press(Qt::Key_Right);
    EXPECT_EQ(FocusedId(), 1001);
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 0, 0 }));
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("first"));
    Press(Qt::Key_Left);
    EXPECT_EQ(FocusedId(), 1019);
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("last"));
}

TEST_F(GridNavigationTest, UpFromKey19ClimbsTheSmallKeysAndStopsSafelyAboveThem)
{
    dialog->OnBrowseEdit();
    storeBytes(recordOf(*dialog, 1096), keydata::KIND_STRING, "L key");
    Click(1019);
    Press(Qt::Key_Up);
    EXPECT_EQ(FocusedId(), 1096);
    EXPECT_EQ(dialog->KeyContentText(), QStringLiteral("L key"));
    Press(Qt::Key_Down);
    EXPECT_EQ(FocusedId(), 1019);

    Press(Qt::Key_Up);
    for (int i = 0; i < 4; ++i)
        Press(Qt::Key_Up);
    EXPECT_EQ(FocusedId(), 1100);
    // Column 5 of row 5 (id 1101) has no key cap: the position moves,
    // nothing else happens.
    Press(Qt::Key_Up);
    EXPECT_EQ(FocusedId(), 1100);
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 5, 5 }));
    EXPECT_TRUE(dialog->KeyContentText().isEmpty());
    Press(Qt::Key_Down);
    EXPECT_EQ(FocusedId(), 1100);
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 5, 4 }));
}

TEST_F(GridNavigationTest, DownFromRowFourWrapsToRowZero)
{
    Click(1080); // row 4, column 3: edit mode, the editor is asked once
    Press(Qt::Key_Down);
    EXPECT_EQ(FocusedId(), 1004);
    Press(Qt::Key_Down);
    EXPECT_EQ(FocusedId(), 1023);
    // Edit mode: moving opens nothing.
    EXPECT_EQ(editorCalls.size(), 1u);
}

TEST_F(GridNavigationTest, TabDoesNothingOnAKeyCapAndEnterRunsTheFocusedKey)
{
    dialog->KeyCap(1007)->setFocus();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedId(), 1007);
    EXPECT_TRUE(editorCalls.empty());

    Press(Qt::Key_Return);
    ASSERT_EQ(editorCalls.size(), 1u);
    EXPECT_EQ(editorCalls[0].title, QStringLiteral("Editing Key 7"));
    EXPECT_EQ(dialog->NavigationPosition(), (GridPosition { 0, 6 }));
    EXPECT_EQ(FocusedId(), 1007);
    Press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(editorCalls.size(), 2u);
}
