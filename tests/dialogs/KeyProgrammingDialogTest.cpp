// The key programming dialog driven through its controls: on-screen clicks
// in each mode, layers, delay, deleting, the fields and their messages,
// storing and cancelling.
#include "DialogTestSupport.h"

#include <dialogs/DialogTexts.h>
#include <dialogs/SpinControl.h>

#include <dialoglayout/KeyDialogLayout.h>

#include <keydata/KeyText.h>
#include <resources/ResourceIds.h>
#include <widgets/DialogUnits.h>
#include <widgets/SkinnedButton.h>
#include <widgets/StripButton.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolButton>

#include <algorithm>

using namespace dialoglayout;
using namespace dialogs;
using namespace dialogs::test;

namespace {

constexpr int STRING_MODE = 1160;
constexpr int FUNCTION_MODE = 1161;
constexpr int LAYER_SWITCH = 1163;
constexpr int OK = 1;
constexpr int CANCEL = 2;
constexpr int DELETE = 1129;
constexpr int A = 1031;
constexpr int Q = 1017;
constexpr int DIGIT_1 = 1002;
constexpr int DIGIT_7 = 1008;
constexpr int KEYPAD_7 = 1091;
constexpr int KEYPAD_DIVIDE = 1095;
constexpr int INSERT = 1075;

} // namespace

TEST_F(DialogTest, OpensWithTitleFontAndSkins)
{
    Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Editing Key 27"));
    EXPECT_EQ(dialog->size(), widgets::dialogSize(383, 208));
    EXPECT_TRUE(KeyData()->font().bold());
    EXPECT_TRUE(Control<QRadioButton>(STRING_MODE)->isChecked());
    EXPECT_EQ(DelayField()->text(), QStringLiteral("0"));
    EXPECT_EQ(LayerField()->text(), QStringLiteral("0"));

    auto* ok = Control<widgets::CSkinnedButton>(OK);
    EXPECT_TRUE(ok->IsSkinReady());
    EXPECT_EQ(ok->SkinId(), resources::BITMAP_COMMAND_SKIN);
    EXPECT_EQ(ok->CaptionColor(), 0x500000u);
    EXPECT_TRUE(ok->isDefault());

    // Keys from the layout table; strips sized to one frame.
    EXPECT_EQ(Control(KEY_SPACE)->geometry(), widgets::dialogRect(87, 103, 79, 15));
    EXPECT_EQ(Control<QAbstractButton>(DIGIT_7)->text(), QStringLiteral("&&7"));
    EXPECT_EQ(Control<QAbstractButton>(DIGIT_1)->text(), QStringLiteral("!\n1"));
    auto* enter = Control<widgets::CStripButton>(KEY_KEYPAD_ENTER);
    EXPECT_EQ(enter->size(), QSize(22, 51));
    EXPECT_EQ(enter->pos(), widgets::dialogPoint(358, 86));
    EXPECT_EQ(enter->TipText(), QStringLiteral("Enter"));
    EXPECT_EQ(Control<widgets::CStripButton>(DELETE)->TipText(), QStringLiteral("Delete key data"));
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_LEFT_SHIFT)->TipText(), QStringLiteral("Shift Released!"));

    auto* combo = Control<QComboBox>(ID_SWITCH_LAYER);
    ASSERT_EQ(combo->count(), 15);
    EXPECT_EQ(combo->itemText(14), QStringLiteral("Layer 15"));
    EXPECT_FALSE(combo->isEnabled());
    EXPECT_FALSE(Control(1162)->isVisible()); // "Combine Key"
}

TEST_F(DialogTest, StringModeCharactersFollowCaptionAndShift)
{
    Open();
    Click({ Q, DIGIT_1, KEY_SPACE, KEYPAD_7 });
    EXPECT_EQ(KeyDataText(), QStringLiteral("q1 7"));
    Click(KEY_LEFT_SHIFT);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_RIGHT_SHIFT)->TipText(), QStringLiteral("Shift Pushed!"));
    Click({ Q, DIGIT_1, KEY_SPACE, KEYPAD_7, DIGIT_7 });
    Click(KEY_RIGHT_SHIFT);
    Click({ DIGIT_7, KEY_ENTER, KEY_TAB, KEY_KEYPAD_ENTER });
    EXPECT_EQ(KeyDataText(), QStringLiteral("q1 7Q! 7&7[Enter][Tab][Enter]"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_STRING);
    EXPECT_EQ(
        Stored(), Bytes({ 0x71, 0x31, 0x20, 0x37, 0x51, 0x21, 0x20, 0x37, 0x26, 0x37, 0x0D, 0x09, 0x0D }));
}

TEST_F(DialogTest, FunctionModeCodes)
{
    Open();
    Click(FUNCTION_MODE);
    Click({ KEY_LEFT_SHIFT, A, KEY_LEFT_SHIFT });
    EXPECT_EQ(KeyDataText(), QStringLiteral("SHT(A)0F0SHT"));
    Click(KEY_RIGHT_ALT);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_RIGHT_ALT)->TipText(), QStringLiteral("Alt Pushed!"));
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_LEFT_ALT)->TipText(), QStringLiteral("Alt Released!"));
    Click(KEY_RIGHT_ALT);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_RIGHT_ALT)->TipText(), QStringLiteral("Alt Released!"));
    Click({ INSERT, KEYPAD_DIVIDE, KEY_KEYPAD_ENTER, KEY_ENTER, KEY_PRINT_SCREEN, KEY_PAUSE, 1118 });
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_FUNCTION);
    EXPECT_EQ(Stored(),
        Bytes({ 0x12, 0x1C, 0xE1, 0x12, 0xE0, 0x11, 0xE1, 0x11, 0xE0, 0x70, 0xE0, 0x4A, 0xE0, 0x5A, 0x5A,
            0xE0, 0x12, 0xE0, 0x7C, 0xE4, 0x83 }));
}

TEST_F(DialogTest, PadStatesEnableTheControls)
{
    Open();
    // String keys: no Backspace key, function row, editing block or Caps.
    for (const int id : { 1015, 1030, 1058, 1062, 1064, 1075, 1090, 1110, 1124, 1126 })
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    for (const int id : { A, KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, KEY_SPACE, KEYPAD_7, 1106, KEY_KEYPAD_ENTER })
        EXPECT_TRUE(Control(id)->isEnabled()) << id;

    Click(FUNCTION_MODE);
    for (const OnScreenKey& key : onScreenKeys())
        EXPECT_TRUE(Control(key.id)->isEnabled()) << key.id;
    Click(A);
    EXPECT_FALSE(Control(KEY_CAPS)->isEnabled());
    EXPECT_FALSE(Control(KEY_SCROLL_LOCK)->isEnabled());
    EXPECT_TRUE(Control(KEY_PAUSE)->isEnabled());

    Click(LAYER_SWITCH);
    EXPECT_TRUE(Control(ID_SWITCH_LAYER)->isEnabled());
    for (const int id : { A, 1127, DELETE, 1130, 1131, 1132, 1133 })
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
}

TEST_F(DialogTest, LockKeyInAnEmptyFunctionLayer)
{
    Open();
    Click(FUNCTION_MODE);
    Click(KEY_CAPS);
    EXPECT_EQ(KeyDataText(), QStringLiteral("Caps."));
    EXPECT_TRUE(KeyData()->isEnabled());
    std::vector<int> enabled;
    for (const OnScreenKey& key : onScreenKeys())
        if (Control(key.id)->isEnabled())
            enabled.push_back(key.id);
    std::sort(enabled.begin(), enabled.end());
    EXPECT_EQ(enabled, std::vector<int>({ KEY_CAPS, KEY_NUM_LOCK, KEY_SCROLL_LOCK }));
    EXPECT_TRUE(Control(DELETE)->isEnabled());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_SWITCH);
    EXPECT_EQ(Stored(), Bytes({ 0x58 }));
}

TEST_F(DialogTest, OpenedLockKeyDeletedStoresNothing)
{
    Open(keydata::KIND_SWITCH, { 0x77 });
    EXPECT_TRUE(Control<QRadioButton>(FUNCTION_MODE)->isChecked());
    EXPECT_EQ(KeyDataText(), QStringLiteral("Num."));
    EXPECT_FALSE(KeyData()->isEnabled());
    Click(DELETE);
    EXPECT_TRUE(KeyDataText().isEmpty());
    EXPECT_TRUE(Control(KEY_CAPS)->isEnabled());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(DialogTest, LayersAreEditedOneAtATime)
{
    Open();
    auto* layerSpin = Control(ID_LAYER_SPIN);
    const auto stepLayer = [&](int delta) {
        auto* arrow = layerSpin->findChildren<QAbstractButton*>().at(delta > 0 ? 0 : 1);
        arrow->click();
    };
    Click(A);
    stepLayer(+1);
    stepLayer(+1);
    EXPECT_EQ(LayerField()->text(), QStringLiteral("2"));
    EXPECT_TRUE(KeyDataText().isEmpty());
    Click(1050); // B
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE2, 0xE2, 'b' }));

    // Opening again shows layer 0; the spin walks through the others.
    dialog = std::make_unique<CKeyProgrammingDialog>(table);
    dialog->SetPosition(ROW, COLUMN);
    dialog->show();
    layerSpin = Control(ID_LAYER_SPIN);
    EXPECT_EQ(KeyDataText(), QStringLiteral("a"));
    stepLayer(+1);
    EXPECT_TRUE(KeyDataText().isEmpty());
    stepLayer(+1);
    EXPECT_EQ(KeyDataText(), QStringLiteral("b"));
    for (int i = 0; i < 20; ++i)
        stepLayer(+1);
    EXPECT_EQ(LayerField()->text(), QStringLiteral("14"));

    // A typed layer is shown when its field is left.
    ASSERT_TRUE(ShowActive());
    LayerField()->setFocus();
    LayerField()->setText(QStringLiteral("0"));
    KeyData()->setFocus();
    EXPECT_EQ(KeyDataText(), QStringLiteral("a"));
}

TEST_F(DialogTest, LayerSwitchStoresTheSelectedLayer)
{
    Open(keydata::KIND_STRING, { 'x' });
    Click(LAYER_SWITCH);
    EXPECT_EQ(Control<QComboBox>(ID_SWITCH_LAYER)->currentIndex(), 0);
    EXPECT_EQ(KeyDataText(), QStringLiteral("<M1>"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_SWITCH);
    EXPECT_EQ(Stored(), Bytes({ 0x01 }));

    Open(keydata::KIND_SWITCH, { 12 });
    auto* combo = Control<QComboBox>(ID_SWITCH_LAYER);
    EXPECT_EQ(combo->currentIndex(), 11);
    combo->setCurrentIndex(4);
    emit combo->activated(4);
    EXPECT_EQ(KeyDataText(), QStringLiteral("<M5>"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 5 }));

    // A switch byte that names no layer selects nothing and is kept.
    Open(keydata::KIND_SWITCH, { 0x30 });
    EXPECT_EQ(Control<QComboBox>(ID_SWITCH_LAYER)->currentIndex(), -1);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 0x30 }));
}

TEST_F(DialogTest, DelayIsInsertedWhenItsFieldIsLeft)
{
    Open();
    ASSERT_TRUE(ShowActive());
    // Nothing to delay yet: Delay goes back to 0.
    DelayField()->setFocus();
    DelayField()->setText(QStringLiteral("3"));
    KeyData()->setFocus();
    EXPECT_EQ(DelayField()->text(), QStringLiteral("0"));
    EXPECT_TRUE(KeyDataText().isEmpty());

    Click({ A, 1032 });
    DelayField()->setFocus();
    DelayField()->setText(QStringLiteral("3"));
    KeyData()->setFocus();
    EXPECT_EQ(DelayField()->text(), QStringLiteral("0"));
    EXPECT_EQ(KeyDataText(), QStringLiteral("as[D1S][D1S][D1S]"));

    // Typed, then OK with Enter while the field has the focus.
    DelayField()->setFocus();
    DelayField()->setText(QStringLiteral("2"));
    QTest::keyClick(DelayField(), Qt::Key_Return);
    ASSERT_TRUE(dialog->isHidden());
    EXPECT_EQ(Stored(), Bytes({ 'a', 's', 0xE3, 0xE3, 0xE3, 0xE3, 0xE3 }));
}

// The spin arrows never take the focus, so the field is never left: OK
// inserts what it shows all the same.
TEST_F(DialogTest, DelaySetWithTheSpinArrowsIsInsertedOnOk)
{
    Open();
    ASSERT_TRUE(ShowActive());
    Click(A);
    KeyData()->setFocus();
    auto* up = Control(ID_DELAY_SPIN)->findChildren<QAbstractButton*>().at(0);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(DelayField()->text(), QStringLiteral("2"));
    EXPECT_NE(QApplication::focusWidget(), DelayField());
    QTest::mouseClick(Control(1), Qt::LeftButton); // OK
    ASSERT_TRUE(dialog->isHidden());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE3, 0xE3 }));
}

TEST_F(DialogTest, DelaySpinStepsWithinItsRange)
{
    Open();
    auto* spin = Control(ID_DELAY_SPIN);
    auto arrows = spin->findChildren<QAbstractButton*>();
    arrows.at(1)->click();
    EXPECT_EQ(DelayField()->text(), QStringLiteral("0"));
    DelayField()->setText(QStringLiteral("255"));
    arrows.at(0)->click();
    arrows.at(0)->click();
    EXPECT_EQ(DelayField()->text(), QStringLiteral("256"));
    // The Up key in the field steps too.
    DelayField()->setText(QStringLiteral("7"));
    QTest::keyClick(DelayField(), Qt::Key_Down);
    EXPECT_EQ(DelayField()->text(), QStringLiteral("6"));
}

TEST_F(DialogTest, InvalidFieldsAreReportedAndNothingIsStored)
{
    Open(keydata::KIND_STRING, { 'k' });
    Click(A);
    struct Case {
        QLineEdit* field;
        const char* text;
        QString message;
    } cases[] = {
        { DelayField(), "abc", QStringLiteral("Please enter a positive integer.") },
        { DelayField(), "-1", QStringLiteral("Please enter a positive integer.") },
        { DelayField(), "257", QStringLiteral("Please enter an integer between 0 and 256.") },
        { DelayField(), "99999999999999999999",
            QStringLiteral("Please enter an integer between 0 and 256.") },
        { LayerField(), "15", QStringLiteral("Please enter an integer between 0 and 14.") },
        { LayerField(), "", QStringLiteral("Please enter a positive integer.") },
    };
    for (const Case& c : cases) {
        c.field->setText(QString::fromLatin1(c.text));
        EXPECT_FALSE(PressOk()) << c.text;
        EXPECT_EQ(seams.LastText(), c.message) << c.text;
        EXPECT_EQ(seams.messages.back().icon, widgets::MessageIcon::Warning);
        EXPECT_EQ(Stored(), Bytes({ 'k' })) << c.text;
        c.field->setText(QStringLiteral("0"));
    }
    DelayField()->setText(QStringLiteral(" 0 "));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'k', 'a' }));
}

TEST_F(DialogTest, DeletingWithTheButton)
{
    Open();
    Click(FUNCTION_MODE);
    Click({ A, KEY_PRINT_SCREEN });
    Click(DELETE);
    EXPECT_EQ(KeyDataText(), QStringLiteral("(A)0E0SHT"));
    Click(DELETE);
    EXPECT_EQ(KeyDataText(), QStringLiteral("(A)"));
    EXPECT_FALSE(Control(KEY_CAPS)->isEnabled());
    Click(DELETE);
    EXPECT_TRUE(Control(KEY_CAPS)->isEnabled()); // an empty layer takes lock keys again
    Click(DELETE);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
    EXPECT_TRUE(
        std::all_of(Record().content.begin(), Record().content.begin() + 255, [](auto b) { return b == 0; }));
}

TEST_F(DialogTest, FullContentIsRefusedWithAMessage)
{
    Open(keydata::KIND_FUNCTION, Bytes(254, 0x1C));
    Click(INSERT);
    EXPECT_EQ(MessageCount(TEXT_KEY_STRING_FULL), 1);
    EXPECT_EQ(seams.messages.back().icon, widgets::MessageIcon::Stop);
    EXPECT_EQ(seams.messages.back().caption, widgets::ApplicationCaption());
    Click(A);
    Click(KEY_LEFT_SHIFT); // refused, but the toggle flips
    EXPECT_EQ(MessageCount(TEXT_KEY_STRING_FULL), 2);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_LEFT_SHIFT)->TipText(), QStringLiteral("Shift Pushed!"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes(255, 0x1C));
}

TEST_F(DialogTest, CancelLeavesTheRecord)
{
    Open(keydata::KIND_STRING, { 'a', 0xE2, 'b' });
    const keydata::KeyRecord before = Record();
    Click(FUNCTION_MODE);
    Click({ A, KEY_CAPS });
    Click(CANCEL);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Record(), before);
    EXPECT_EQ(Record().kind, keydata::KIND_STRING);
}

TEST_F(DialogTest, ModeClicksDropTheContentButKeepTheFields)
{
    Open(keydata::KIND_FUNCTION, { 0x12, 0xE2, 0x1C });
    LayerField()->setText(QStringLiteral("1"));
    DelayField()->setText(QStringLiteral("4"));
    Click(FUNCTION_MODE); // also when already checked
    EXPECT_TRUE(KeyDataText().isEmpty());
    EXPECT_EQ(LayerField()->text(), QStringLiteral("1"));
    EXPECT_EQ(DelayField()->text(), QStringLiteral("4"));
    Click(STRING_MODE);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
}
// A caption wider than its key's label area would be cut at both sides
// ("Hom", "PUp", "PDn", "Num", "SCL" in the dialog font).
TEST_F(DialogTest, OnScreenCaptionsFitTheirKeys)
{
    Open();
    for (const OnScreenKey& key : onScreenKeys()) {
        auto* button = Control<QPushButton>(key.id);
        // Two lines are drawn by the key itself, a size smaller; strip
        // buttons show pictures.
        if (!button || button->text().contains(QLatin1Char('\n'))
            || qobject_cast<widgets::CStripButton*>(button))
            continue;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        EXPECT_LE(QFontMetrics(button->font()).boundingRect(button->text()).width(), room.width())
            << key.caption;
        EXPECT_EQ(QFontInfo(button->font()).pixelSize(), QFontInfo(dialog->font()).pixelSize())
            << key.caption;
    }
}

// A mode click wipes every layer; Undo brings the key back, one action at
// a time, and the byte count follows.
TEST_F(DialogTest, UndoTakesBackAModeClickAndTheKeysBeforeIt)
{
    Open(keydata::KIND_STRING, { 'a', 0xE2, 'b' });
    ASSERT_TRUE(ShowActive());
    auto* undo = dialog->findChild<QPushButton*>(QStringLiteral("undo"));
    auto* count = dialog->findChild<QLabel*>(QStringLiteral("contentUse"));
    ASSERT_TRUE(undo && count);
    EXPECT_EQ(count->text(), QStringLiteral("3 of 255 bytes"));
    EXPECT_FALSE(undo->isEnabled());

    Click(Q);
    EXPECT_EQ(count->text(), QStringLiteral("4 of 255 bytes"));
    Click(FUNCTION_MODE);
    EXPECT_TRUE(KeyDataText().isEmpty());
    EXPECT_EQ(count->text(), QStringLiteral("0 of 255 bytes"));

    undo->click();
    EXPECT_TRUE(Control<QRadioButton>(STRING_MODE)->isChecked());
    EXPECT_EQ(KeyDataText(), QStringLiteral("aq"));
    EXPECT_EQ(count->text(), QStringLiteral("4 of 255 bytes"));
    // Ctrl+Z where the focus is not in "Key Data".
    Control(FUNCTION_MODE)->setFocus();
    QTest::keyClick(Control(FUNCTION_MODE), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(KeyDataText(), QStringLiteral("a"));
    EXPECT_FALSE(undo->isEnabled());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE2, 'b' }));
}

// The user's guide's second walkthrough, step by step as it tells it: a
// function key with Ctrl+C, a delay of 3 and Ctrl+V on layer 1.
TEST_F(DialogTest, TheGuidesFunctionKeyWithADelayOnLayer1)
{
    constexpr int C = 1048;
    constexpr int V = 1049;
    Open();
    ASSERT_TRUE(ShowActive());
    Click(FUNCTION_MODE);
    Control<CSpinControl>(1133)->UpButton()->click();
    EXPECT_EQ(LayerField()->text(), QStringLiteral("1"));
    Click({ KEY_LEFT_CTRL, C, KEY_LEFT_CTRL });
    EXPECT_EQ(KeyDataText(), QStringLiteral("CTL(C)0F0CTL"));
    DelayField()->setFocus();
    DelayField()->setText(QStringLiteral("3"));
    KeyData()->setFocus();
    Click({ KEY_LEFT_CTRL, V, KEY_LEFT_CTRL });
    EXPECT_EQ(KeyDataText(), QStringLiteral("CTL(C)0F0CTLD1SD1SD1SCTL(V)0F0CTL"));
    EXPECT_EQ(
        dialog->findChild<QLabel*>(QStringLiteral("contentUse"))->text(), QStringLiteral("12 of 255 bytes"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_FUNCTION);
    std::string text;
    keydata::renderKeyText(Record(), text);
    EXPECT_EQ(text, "Se/CTL(C)0F0CTLD1SD1SD1SCTL(V)0F0CTL");
}
