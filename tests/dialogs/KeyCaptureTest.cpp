// The physical keyboard in "Key Data" through the window system's key
// events (X11 native codes): the Qt events reach the presenter as the
// platform's key messages, the shortcuts and mnemonics the capture lets
// through, the focus moves, a real message box. The capture rules are
// tested at the presenter.
#include "DialogFixture.h"

#include <dialoglayout/KeyDialogLayout.h>
#include <widgets/CStripButton.h>

#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

using namespace dialoglayout;
using namespace dialogs::test;

namespace {

constexpr int STRING_MODE = ID_STRING_MODE;
constexpr int FUNCTION_MODE = ID_FUNCTION_MODE;
constexpr int LAYER_SWITCH = ID_LAYER_SWITCH;
constexpr int DELETE = ID_DELETE;

} // namespace

TEST_F(DialogTest, PhysicalCtrlWithALetter)
{
    Open();
    Click(FUNCTION_MODE);
    Press(LEFT_CTRL, Qt::ControlModifier);
    Send(QEvent::KeyRelease, LEFT_CTRL, Qt::ControlModifier, true); // auto-repeat
    Press(LEFT_CTRL, Qt::ControlModifier, true);
    Press(LEFT_CTRL, Qt::ControlModifier, true);
    Tap(KEY_C, Qt::ControlModifier);
    Release(LEFT_CTRL);
    EXPECT_EQ(KeyDataText(), QStringLiteral("CTL(C)0F0CTL"));

    // The right-hand key, told apart by the native key code.
    Press(RIGHT_CTRL, Qt::ControlModifier);
    Release(RIGHT_CTRL);
    // After the release the on-screen key presses again.
    Click(KEY_LEFT_CTRL);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_LEFT_CTRL)->TipText(), QStringLiteral("Control Pushed!"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 0x14, 0x21, 0xE1, 0x14, 0xE0, 0x14, 0xE1, 0x14, 0x14 }));
}

TEST_F(DialogTest, AltKeepsItsMnemonicsOutsideFunctionMode)
{
    Open();
    ASSERT_TRUE(ShowActive());
    KeyData()->setFocus();
    // String Mode: Alt+F is the mnemonic of "&Function Mode".
    QTest::keyClick(KeyData(), Qt::Key_F, Qt::AltModifier);
    auto* functionMode = Control<QRadioButton>(FUNCTION_MODE);
    EXPECT_TRUE(QTest::qWaitFor([&] { return functionMode->isChecked(); }, 2000));
    // Function Mode: Alt and S are captured; the mnemonic of "&String Mode"
    // does not fire.
    KeyData()->setFocus();
    QTest::keyClick(KeyData(), Qt::Key_S, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_TRUE(functionMode->isChecked());
    EXPECT_EQ(KeyDataText(), QStringLiteral("ALT(S)0F0ALT"));
}

TEST_F(DialogTest, EnterTwiceIsOkEscapeTwiceIsCancel)
{
    Open();
    Tap(KEY_A);
    Tap(RETURN);
    EXPECT_TRUE(dialog->isVisible());
    now += 300;
    Tap(RETURN);
    ASSERT_TRUE(dialog->isHidden());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), Bytes({ 'a' }));

    Open();
    Tap(KEY_A);
    Tap(ESCAPE);
    now += 300;
    Tap(ESCAPE);
    ASSERT_TRUE(dialog->isHidden());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(DialogTest, TabTwiceMovesTheFocus)
{
    Open();
    ASSERT_TRUE(ShowActive());
    KeyData()->setFocus();
    Tap(TAB);
    EXPECT_EQ(QApplication::focusWidget(), KeyData());
    now += 200;
    Tap(TAB);
    EXPECT_NE(QApplication::focusWidget(), KeyData());
    EXPECT_TRUE(KeyDataText().isEmpty());
}

TEST_F(DialogTest, EnterOnAModeButton)
{
    Open();
    ASSERT_TRUE(ShowActive());
    auto* stringMode = Control<QRadioButton>(STRING_MODE);
    stringMode->setFocus();
    QTest::keyClick(stringMode, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), KeyData());
    EXPECT_TRUE(dialog->isVisible());

    // On other controls Enter is the dialog's OK.
    auto* layerSwitch = Control<QRadioButton>(LAYER_SWITCH);
    layerSwitch->setFocus();
    QTest::keyClick(layerSwitch, Qt::Key_Return);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(DialogTest, MappedKeysOfTheKeypadAndNavigationBlock)
{
    Open();
    Click(FUNCTION_MODE);
    // Keypad 7 with Num Lock on, Home, keypad "/" and F12.
    Tap({ Qt::Key_7, 79, 0xFFB7 }, Qt::KeypadModifier);
    Tap({ Qt::Key_Home, 110, 0xFF50 });
    Tap({ Qt::Key_Slash, 106, 0xFFAF }, Qt::KeypadModifier);
    Tap({ Qt::Key_F12, 96, 0xFFC9 });
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 0x6C, 0xE0, 0x6C, 0xE0, 0x4A, 0x07 }));
}

// A real message box takes the keyboard: the Shift key is released while
// it is up, and its key-up never reaches "Key Data". The key events go
// through the window system, as a user's do.
TEST_F(DialogTest, ShiftReleasedWhileTheFullMessageIsUpIsReleased)
{
    Open(keydata::KIND_STRING, Bytes(255, 'x'));
    ASSERT_TRUE(ShowActive());
    KeyData()->setFocus();
    const widgets::MessageHook recorder = widgets::SetMessageHook({}); // the real box
    bool boxShown = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle())
            return;
        boxShown = true;
        QTest::keyRelease(box->windowHandle(), Qt::Key_Shift);
        box->button(QMessageBox::Ok)->click();
    });
    QTest::keyPress(dialog->windowHandle(), Qt::Key_Shift);
    widgets::SetMessageHook(recorder);
    ASSERT_TRUE(boxShown);

    Click(DELETE);
    QTest::keyClick(dialog->windowHandle(), Qt::Key_A);
    EXPECT_TRUE(KeyDataText().endsWith(QStringLiteral("xa"))) << KeyDataText().right(4).toStdString();
    for (const int id : { KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT })
        EXPECT_EQ(Control<widgets::CStripButton>(id)->TipText(), QStringLiteral("Shift Released!"));
}

TEST_F(DialogTest, RightClickOnKeyDataIsSwallowed)
{
    Open(keydata::KIND_STRING, { 'a', 'b' });
    QWidget* viewport = KeyData()->viewport();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)),
        Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    EXPECT_TRUE(QApplication::sendEvent(viewport, &press));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
    EXPECT_TRUE(QApplication::sendEvent(viewport, &menu));
}
