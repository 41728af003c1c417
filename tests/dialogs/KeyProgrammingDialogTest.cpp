// The key programming dialog as a Qt view of its presenter: the controls
// from the template's table, and that clicks, spin arrows, focus changes,
// OK and Cancel reach the presenter and what it says is shown. The rules
// themselves are tested at the presenter (tests/presenters).
#include "DialogFixture.h"

#include <dialogs/CSpinControl.h>
#include <presenters/PresenterTexts.h>

#include <dialoglayout/KeyDialogLayout.h>

#include <keydata/KeyText.h>
#include <resources/ResourceIds.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/CStripButton.h>
#include <widgets/DialogUnits.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolButton>

#include <algorithm>

using namespace dialoglayout;
using namespace dialogs;
using presenters::TEXT_KEY_STRING_FULL;
using namespace dialogs::test;

namespace {

constexpr int STRING_MODE = ID_STRING_MODE;
constexpr int FUNCTION_MODE = ID_FUNCTION_MODE;
constexpr int LAYER_SWITCH = ID_LAYER_SWITCH;
constexpr int OK = ID_OK;
constexpr int CANCEL = ID_CANCEL;
constexpr int DELETE = ID_DELETE;
constexpr int A = onScreenKeyId("A");
constexpr int Q = onScreenKeyId("Q");
constexpr int DIGIT_1 = onScreenKeyId("!\n1");
constexpr int DIGIT_7 = onScreenKeyId("&\n7");
constexpr int KEYPAD_7 = onScreenKeyId("7");

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
    // Two lines like its neighbours, the ampersand no mnemonic.
    EXPECT_EQ(Control<QAbstractButton>(DIGIT_7)->text(), QStringLiteral("&&\n7"));
    EXPECT_EQ(Control<QAbstractButton>(DIGIT_1)->text(), QStringLiteral("!\n1"));
    EXPECT_TRUE(Control<QAbstractButton>(DIGIT_7)->shortcut().isEmpty());
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

// The Up and Down keys in the field step as the arrows do.
TEST_F(DialogTest, TheFieldsKeysStepTheSpin)
{
    Open();
    DelayField()->setText(QStringLiteral("7"));
    QTest::keyClick(DelayField(), Qt::Key_Down);
    EXPECT_EQ(DelayField()->text(), QStringLiteral("6"));
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
    EXPECT_FALSE(undo->isEnabled());
    Click(Q);
    Click(FUNCTION_MODE);
    EXPECT_EQ(count->text(), QStringLiteral("0 of 255 bytes"));
    undo->click();
    EXPECT_TRUE(Control<QRadioButton>(STRING_MODE)->isChecked());
    EXPECT_EQ(KeyDataText(), QStringLiteral("aq"));
    // Ctrl+Z where the focus is not in "Key Data".
    Control(FUNCTION_MODE)->setFocus();
    QTest::keyClick(Control(FUNCTION_MODE), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(KeyDataText(), QStringLiteral("a"));
    EXPECT_FALSE(undo->isEnabled());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE2, 'b' }));
}

// A click on a key, the layer combo box and an invalid field reach the
// presenter; the refused field gets the focus back with its text selected.
TEST_F(DialogTest, ClicksAndFieldsReachThePresenter)
{
    Open();
    ASSERT_TRUE(ShowActive());
    Click({ Q, DIGIT_1, KEY_SPACE, KEYPAD_7 });
    EXPECT_EQ(KeyDataText(), QStringLiteral("q1 7"));
    Click(KEY_LEFT_SHIFT);
    EXPECT_EQ(Control<widgets::CStripButton>(KEY_RIGHT_SHIFT)->TipText(), QStringLiteral("Shift Pushed!"));
    DelayField()->setText(QStringLiteral("257"));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(seams.LastText(), QStringLiteral("Please enter an integer between 0 and 256."));
    EXPECT_EQ(QApplication::focusWidget(), DelayField());
    EXPECT_EQ(DelayField()->selectedText(), QStringLiteral("257"));
    DelayField()->setText(QStringLiteral("0"));

    Click(LAYER_SWITCH);
    auto* combo = Control<QComboBox>(ID_SWITCH_LAYER);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_EQ(combo->currentIndex(), 0);
    combo->setCurrentIndex(4);
    emit combo->activated(4);
    EXPECT_EQ(KeyDataText(), QStringLiteral("<M5>"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 5 }));
}
