// The key programming dialog's behaviour at its presenter: on-screen clicks
// in each mode, pad states, lock keys, layers, Layer Switch, the delay, the
// fields and their messages, deleting, storing, undo, and the keys of "Key
// Data" (modifiers by hand, Alt as a system key, the double-press rule).
#include "PresenterFixture.h"

#include <presenters/PresenterTexts.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keydata/KeyText.h>

#include <algorithm>

using namespace presenters;
using namespace presenters::test;
using namespace dialoglayout;
using keycomposition::KeyMessage;
using keycomposition::Mode;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int ROW = 1;
constexpr int COLUMN = 7;
constexpr int A = onScreenKeyId("A");
constexpr int B = onScreenKeyId("B");
constexpr int C = onScreenKeyId("C");
constexpr int V = onScreenKeyId("V");
constexpr int Q = onScreenKeyId("Q");
constexpr int DIGIT_1 = onScreenKeyId("!\n1");
constexpr int DIGIT_7 = onScreenKeyId("&\n7");
constexpr int KEYPAD_7 = onScreenKeyId("7");
constexpr int KEYPAD_DIVIDE = onScreenKeyId("/");
constexpr int INSERT = onScreenKeyId("Ins");

class KeyProgrammingPresenterTest : public ::testing::Test {
protected:
    // Opens the dialog on (ROW, COLUMN) holding kind and bytes.
    void Open(std::uint8_t kind = keydata::KIND_EMPTY, const Bytes& bytes = {})
    {
        ASSERT_EQ(keydata::storeKey(table.Record(ROW, COLUMN), kind, bytes), keydata::KEYTABLE_OK);
        view = CRecordingKeyView {};
        presenter = std::make_unique<CKeyProgrammingPresenter>(view, services, table);
        presenter->SetTitle("Editing Key 27");
        presenter->SetPosition(ROW, COLUMN);
        presenter->Open();
    }
    keydata::KeyRecord& Record() { return table.Record(ROW, COLUMN); }
    Bytes Stored() { return { Record().Bytes().begin(), Record().Bytes().end() }; }
    void Click(std::initializer_list<int> ids)
    {
        for (const int id : ids)
            presenter->OnKeyClicked(id);
    }
    bool PressOk()
    {
        view.closed.reset();
        presenter->OnOk();
        return view.closed == true;
    }
    // A key message of "Key Data": virtual key, extended flag.
    bool Down(int virtualKey, bool extended = false, bool shifted = false)
    {
        return presenter->OnKeyDataKeyDown(
            { virtualKey, extended, false, KeyMessage::KeyDown, false }, shifted);
    }
    bool Up(int virtualKey, bool extended = false)
    {
        return presenter->OnKeyDataKeyUp({ virtualKey, extended, false, KeyMessage::KeyUp, false });
    }
    void Tap(int virtualKey)
    {
        Down(virtualKey);
        Up(virtualKey);
    }
    int MessageCount(const char* text) const
    {
        return int(
            std::ranges::count_if(services.messages, [&](const Message& m) { return m.text == text; }));
    }

    keydata::KeyTable table;
    CRecordingKeyView view;
    CScriptedServices services;
    std::unique_ptr<CKeyProgrammingPresenter> presenter;
};

} // namespace

TEST_F(KeyProgrammingPresenterTest, OpensWithItsTitleStripsAndFields)
{
    Open();
    EXPECT_EQ(view.title, "Editing Key 27");
    EXPECT_EQ(view.checked, ID_STRING_MODE);
    EXPECT_EQ(view.fields[ID_DELAY], "0");
    EXPECT_EQ(view.fields[ID_LAYER], "0");
    EXPECT_EQ(view.fields[ID_CONTENT_USE], "0 of 255 bytes");
    EXPECT_EQ(view.focused, ID_KEY_DATA);
    EXPECT_EQ(view.strips[KEY_KEYPAD_ENTER].tip, "Enter");
    EXPECT_EQ(view.strips[KEY_KEYPAD_ENTER].bitmap, resources::BITMAP_KEYPAD_ENTER);
    EXPECT_EQ(view.strips[ID_DELETE].tip, "Delete key data");
    EXPECT_EQ(view.strips[KEY_LEFT_SHIFT].tip, "Shift Released!");
    EXPECT_EQ(view.strips[KEY_RIGHT_CTRL].bitmap, resources::BITMAP_CTRL_RELEASED);
    EXPECT_FALSE(view.enabled[ID_SWITCH_LAYER]);
    EXPECT_FALSE(view.enabled[ID_UNDO]);
}

TEST_F(KeyProgrammingPresenterTest, StringModeCharactersFollowCaptionAndShift)
{
    Open();
    Click({ Q, DIGIT_1, KEY_SPACE, KEYPAD_7 });
    EXPECT_EQ(view.keyData, "q1 7");
    Click({ KEY_LEFT_SHIFT });
    EXPECT_EQ(view.strips[KEY_RIGHT_SHIFT].tip, "Shift Pushed!"); // one shift lock for both
    Click({ Q, DIGIT_1, KEY_SPACE, KEYPAD_7, DIGIT_7, KEY_RIGHT_SHIFT, DIGIT_7, KEY_ENTER, KEY_TAB,
        KEY_KEYPAD_ENTER });
    EXPECT_EQ(view.keyData, "q1 7Q! 7&7[Enter][Tab][Enter]");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_STRING);
    EXPECT_EQ(
        Stored(), Bytes({ 0x71, 0x31, 0x20, 0x37, 0x51, 0x21, 0x20, 0x37, 0x26, 0x37, 0x0D, 0x09, 0x0D }));
}

TEST_F(KeyProgrammingPresenterTest, FunctionModeCodes)
{
    Open();
    presenter->OnModeClicked(Mode::Function);
    Click({ KEY_LEFT_SHIFT, A, KEY_LEFT_SHIFT });
    EXPECT_EQ(view.keyData, "SHT(A)0F0SHT");
    Click({ KEY_RIGHT_ALT });
    EXPECT_EQ(view.strips[KEY_RIGHT_ALT].tip, "Alt Pushed!");
    EXPECT_EQ(view.strips[KEY_RIGHT_ALT].bitmap, resources::BITMAP_ALT_PUSHED);
    EXPECT_EQ(view.strips[KEY_LEFT_ALT].tip, "Alt Released!");
    Click({ KEY_RIGHT_ALT, INSERT, KEYPAD_DIVIDE, KEY_KEYPAD_ENTER, KEY_ENTER, KEY_PRINT_SCREEN, KEY_PAUSE,
        1118 });
    EXPECT_EQ(view.strips[KEY_RIGHT_ALT].tip, "Alt Released!");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_FUNCTION);
    EXPECT_EQ(Stored(),
        Bytes({ 0x12, 0x1C, 0xE1, 0x12, 0xE0, 0x11, 0xE1, 0x11, 0xE0, 0x70, 0xE0, 0x4A, 0xE0, 0x5A, 0x5A,
            0xE0, 0x12, 0xE0, 0x7C, 0xE4, 0x83 }));
}

TEST_F(KeyProgrammingPresenterTest, PadStatesEnableTheControls)
{
    Open();
    // String keys: no Backspace key, function row, editing block or Caps.
    for (const int id : { 1015, 1030, 1058, 1062, 1064, 1075, 1090, 1110, 1124, 1126 })
        EXPECT_FALSE(view.enabled[id]) << id;
    for (const int id : { A, KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, KEY_SPACE, KEYPAD_7, 1106, KEY_KEYPAD_ENTER })
        EXPECT_TRUE(view.enabled[id]) << id;

    presenter->OnModeClicked(Mode::Function);
    for (const OnScreenKey& key : onScreenKeys())
        EXPECT_TRUE(view.enabled[key.id]) << key.id;
    Click({ A });
    EXPECT_FALSE(view.enabled[KEY_CAPS]);
    EXPECT_FALSE(view.enabled[KEY_SCROLL_LOCK]);
    EXPECT_TRUE(view.enabled[KEY_PAUSE]);

    presenter->OnModeClicked(Mode::LayerSwitch);
    EXPECT_TRUE(view.enabled[ID_SWITCH_LAYER]);
    for (const int id : { A, ID_KEY_DATA, ID_DELETE, ID_DELAY_SPIN, ID_DELAY, ID_LAYER, ID_LAYER_SPIN })
        EXPECT_FALSE(view.enabled[id]) << id;
}

TEST_F(KeyProgrammingPresenterTest, LockKeysReplaceTheContentAndTheirDeletionStoresNothing)
{
    Open();
    presenter->OnModeClicked(Mode::Function);
    view.focused = 0;
    Click({ KEY_CAPS });
    EXPECT_EQ(view.keyData, "Caps.");
    EXPECT_TRUE(view.enabled[ID_KEY_DATA]);
    EXPECT_EQ(view.focused, ID_KEY_DATA);
    std::vector<int> enabled;
    for (const OnScreenKey& key : onScreenKeys())
        if (view.enabled[key.id])
            enabled.push_back(key.id);
    std::ranges::sort(enabled);
    EXPECT_EQ(enabled, std::vector<int>({ KEY_CAPS, KEY_NUM_LOCK, KEY_SCROLL_LOCK }));
    EXPECT_TRUE(view.enabled[ID_DELETE]);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_SWITCH);
    EXPECT_EQ(Stored(), Bytes({ 0x58 }));

    Open(keydata::KIND_SWITCH, { 0x77 });
    EXPECT_EQ(view.checked, ID_FUNCTION_MODE);
    EXPECT_EQ(view.keyData, "Num.");
    EXPECT_FALSE(view.enabled[ID_KEY_DATA]);
    presenter->OnDeleteClicked();
    EXPECT_TRUE(view.keyData.empty());
    EXPECT_TRUE(view.enabled[KEY_CAPS]);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(KeyProgrammingPresenterTest, LayersAreEditedOneAtATime)
{
    Open();
    Click({ A });
    presenter->OnLayerStep(+1);
    presenter->OnLayerStep(+1);
    EXPECT_EQ(view.fields[ID_LAYER], "2");
    EXPECT_TRUE(view.keyData.empty());
    Click({ B });
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE2, 0xE2, 'b' }));

    // Opening again shows layer 0; the steps walk through the others.
    presenter = std::make_unique<CKeyProgrammingPresenter>(view, services, table);
    presenter->SetPosition(ROW, COLUMN);
    presenter->Open();
    EXPECT_EQ(view.keyData, "a");
    presenter->OnLayerStep(+1);
    EXPECT_TRUE(view.keyData.empty());
    presenter->OnLayerStep(+1);
    EXPECT_EQ(view.keyData, "b");
    for (int i = 0; i < 20; ++i)
        presenter->OnLayerStep(+1);
    EXPECT_EQ(view.fields[ID_LAYER], "14");

    // A typed layer is shown when its field is left.
    view.fields[ID_LAYER] = "0";
    presenter->OnFieldLeft(ID_LAYER);
    EXPECT_EQ(view.keyData, "a");
}

TEST_F(KeyProgrammingPresenterTest, LayerSwitchStoresTheSelectedLayer)
{
    Open(keydata::KIND_STRING, { 'x' });
    presenter->OnModeClicked(Mode::LayerSwitch);
    EXPECT_EQ(view.switchLayer, 0);
    EXPECT_EQ(view.keyData, "<M1>");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_SWITCH);
    EXPECT_EQ(Stored(), Bytes({ 0x01 }));

    Open(keydata::KIND_SWITCH, { 12 });
    EXPECT_EQ(view.switchLayer, 11);
    presenter->OnSwitchLayerChosen(4);
    EXPECT_EQ(view.keyData, "<M5>");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 5 }));

    // A switch byte that names no layer selects nothing and is kept.
    Open(keydata::KIND_SWITCH, { 0x30 });
    EXPECT_EQ(view.switchLayer, -1);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 0x30 }));
}

TEST_F(KeyProgrammingPresenterTest, DelayIsInsertedWhenItsFieldIsLeftAndOnOk)
{
    Open();
    // Nothing to delay yet: Delay goes back to 0.
    view.fields[ID_DELAY] = "3";
    presenter->OnFieldLeft(ID_DELAY);
    EXPECT_EQ(view.fields[ID_DELAY], "0");
    EXPECT_TRUE(view.keyData.empty());

    Click({ A, 1032 });
    view.fields[ID_DELAY] = "3";
    presenter->OnFieldLeft(ID_DELAY);
    EXPECT_EQ(view.fields[ID_DELAY], "0");
    EXPECT_EQ(view.keyData, "as[D1S][D1S][D1S]");

    // Typed or stepped and never left: OK inserts it.
    view.fields[ID_DELAY] = "1";
    presenter->OnDelayStep(+1);
    EXPECT_EQ(view.fields[ID_DELAY], "2");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 's', 0xE3, 0xE3, 0xE3, 0xE3, 0xE3 }));
}

TEST_F(KeyProgrammingPresenterTest, SpinStepsStayWithinTheirRanges)
{
    Open();
    presenter->OnDelayStep(-1);
    EXPECT_EQ(view.fields[ID_DELAY], "0");
    view.fields[ID_DELAY] = "255";
    presenter->OnDelayStep(+1);
    presenter->OnDelayStep(+1);
    EXPECT_EQ(view.fields[ID_DELAY], "256");
    presenter->OnLayerStep(-1);
    EXPECT_EQ(view.fields[ID_LAYER], "0");
}

TEST_F(KeyProgrammingPresenterTest, InvalidFieldsAreReportedAndNothingIsStored)
{
    Open(keydata::KIND_STRING, { 'k' });
    Click({ A });
    const struct {
        int field;
        const char* text;
        const char* message;
    } cases[] = {
        { ID_DELAY, "abc", "Please enter a positive integer." },
        { ID_DELAY, "-1", "Please enter a positive integer." },
        { ID_DELAY, "257", "Please enter an integer between 0 and 256." },
        { ID_DELAY, "99999999999999999999", "Please enter an integer between 0 and 256." },
        { ID_LAYER, "15", "Please enter an integer between 0 and 14." },
        { ID_LAYER, "", "Please enter a positive integer." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        view.fields[c.field] = c.text;
        EXPECT_FALSE(PressOk());
        EXPECT_EQ(services.LastText(), c.message);
        EXPECT_EQ(services.messages.back().icon, MessageIcon::Warning);
        EXPECT_EQ(view.focused, c.field);
        EXPECT_TRUE(view.selected);
        EXPECT_EQ(Stored(), Bytes({ 'k' }));
        view.fields[c.field] = "0";
    }
    view.fields[ID_DELAY] = " 0 ";
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'k', 'a' }));
}

TEST_F(KeyProgrammingPresenterTest, DeletingTakesACodeWithItsPrefix)
{
    Open();
    presenter->OnModeClicked(Mode::Function);
    Click({ A, KEY_PRINT_SCREEN });
    presenter->OnDeleteClicked();
    EXPECT_EQ(view.keyData, "(A)0E0SHT");
    presenter->OnDeleteClicked();
    EXPECT_EQ(view.keyData, "(A)");
    EXPECT_FALSE(view.enabled[KEY_CAPS]);
    presenter->OnDeleteClicked();
    EXPECT_TRUE(view.enabled[KEY_CAPS]); // an empty layer takes lock keys again
    presenter->OnDeleteClicked();
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
    EXPECT_TRUE(
        std::all_of(Record().content.begin(), Record().content.begin() + 255, [](auto b) { return b == 0; }));
}

TEST_F(KeyProgrammingPresenterTest, FullContentIsRefusedWithAMessage)
{
    Open(keydata::KIND_FUNCTION, Bytes(254, 0x1C));
    Click({ INSERT });
    EXPECT_EQ(MessageCount(TEXT_KEY_STRING_FULL), 1);
    EXPECT_EQ(services.messages.back().icon, MessageIcon::Stop);
    Click({ A, KEY_LEFT_SHIFT }); // refused, but the toggle flips
    EXPECT_EQ(MessageCount(TEXT_KEY_STRING_FULL), 2);
    EXPECT_EQ(view.strips[KEY_LEFT_SHIFT].tip, "Shift Pushed!");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes(255, 0x1C));

    // At 255 bytes even a physical Shift is refused.
    Open(keydata::KIND_STRING, Bytes(255, 'x'));
    Down(VK_SHIFT);
    EXPECT_EQ(services.LastText(), TEXT_KEY_STRING_FULL);
}

TEST_F(KeyProgrammingPresenterTest, CancelAndModeClicksLeaveTheRecord)
{
    Open(keydata::KIND_STRING, { 'a', 0xE2, 'b' });
    const keydata::KeyRecord before = Record();
    presenter->OnModeClicked(Mode::Function);
    Click({ A, KEY_CAPS });
    presenter->OnCancel();
    EXPECT_EQ(view.closed, false);
    EXPECT_EQ(Record(), before);

    // A mode click drops the content but keeps the fields.
    Open(keydata::KIND_FUNCTION, { 0x12, 0xE2, 0x1C });
    view.fields[ID_LAYER] = "1";
    view.fields[ID_DELAY] = "4";
    presenter->OnModeClicked(Mode::Function); // also when already checked
    EXPECT_TRUE(view.keyData.empty());
    EXPECT_EQ(view.fields[ID_LAYER], "1");
    EXPECT_EQ(view.fields[ID_DELAY], "4");
    presenter->OnModeClicked(Mode::String);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Record().kind, keydata::KIND_EMPTY);
}

// A mode click wipes every layer; Undo brings the key back, one action at
// a time, and the byte count follows.
TEST_F(KeyProgrammingPresenterTest, UndoTakesBackAModeClickAndTheKeysBeforeIt)
{
    Open(keydata::KIND_STRING, { 'a', 0xE2, 'b' });
    EXPECT_EQ(view.fields[ID_CONTENT_USE], "3 of 255 bytes");
    Click({ Q });
    EXPECT_EQ(view.fields[ID_CONTENT_USE], "4 of 255 bytes");
    presenter->OnModeClicked(Mode::Function);
    EXPECT_EQ(view.fields[ID_CONTENT_USE], "0 of 255 bytes");
    EXPECT_TRUE(view.enabled[ID_UNDO]);
    presenter->OnUndo();
    EXPECT_EQ(view.checked, ID_STRING_MODE);
    EXPECT_EQ(view.keyData, "aq");
    presenter->OnUndo();
    EXPECT_EQ(view.keyData, "a");
    EXPECT_FALSE(view.enabled[ID_UNDO]);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(), Bytes({ 'a', 0xE2, 'b' }));
}

// The user's guide's second walkthrough, step by step as it tells it: a
// function key with Ctrl+C, a delay of 3 and Ctrl+V on layer 1.
TEST_F(KeyProgrammingPresenterTest, TheGuidesFunctionKeyWithADelayOnLayer1)
{
    Open();
    presenter->OnModeClicked(Mode::Function);
    presenter->OnLayerStep(+1);
    Click({ KEY_LEFT_CTRL, C, KEY_LEFT_CTRL });
    EXPECT_EQ(view.keyData, "CTL(C)0F0CTL");
    view.fields[ID_DELAY] = "3";
    presenter->OnFieldLeft(ID_DELAY);
    Click({ KEY_LEFT_CTRL, V, KEY_LEFT_CTRL });
    EXPECT_EQ(view.keyData, "CTL(C)0F0CTLD1SD1SD1SCTL(V)0F0CTL");
    EXPECT_EQ(view.fields[ID_CONTENT_USE], "12 of 255 bytes");
    ASSERT_TRUE(PressOk());
    std::string text;
    keydata::renderKeyText(Record(), text);
    EXPECT_EQ(text, "Se/CTL(C)0F0CTLD1SD1SD1SCTL(V)0F0CTL");
}

// Physical modifiers: each side by the extended flag, a held key's repeats
// append nothing, a release appends its release code (none in String Mode,
// where Shift gives capitals while it is down).
TEST_F(KeyProgrammingPresenterTest, PhysicalModifiersByHand)
{
    Open();
    Click({ KEY_LEFT_SHIFT });
    Down(VK_SHIFT);
    Tap('A');
    Up(VK_SHIFT);
    Tap('A');
    EXPECT_EQ(view.keyData, "Aa");
    EXPECT_EQ(view.strips[KEY_LEFT_SHIFT].tip, "Shift Released!");

    presenter->OnModeClicked(Mode::Function);
    Down(VK_CONTROL);
    Down(VK_CONTROL);
    Tap('C');
    Up(VK_CONTROL);
    Down(VK_CONTROL, true);
    Up(VK_CONTROL, true);
    Down(VK_SHIFT, true);
    Up(VK_SHIFT, true);
    // Alt is a system key: Alt+A and the right Alt.
    const auto system = [&](int vk, KeyMessage message, bool extended = false) {
        const keycomposition::PhysicalKey key { vk, extended, false, message, false };
        EXPECT_TRUE(message == KeyMessage::SysKeyDown ? presenter->OnKeyDataKeyDown(key, false)
                                                      : presenter->OnKeyDataKeyUp(key));
    };
    system(VK_MENU, KeyMessage::SysKeyDown);
    system('A', KeyMessage::SysKeyDown);
    system('A', KeyMessage::SysKeyUp);
    system(VK_MENU, KeyMessage::SysKeyUp);
    system(VK_MENU, KeyMessage::SysKeyDown, true);
    system(VK_MENU, KeyMessage::SysKeyUp, true);
    // After the release the on-screen key presses again.
    Click({ KEY_LEFT_CTRL });
    EXPECT_EQ(view.strips[KEY_LEFT_CTRL].tip, "Control Pushed!");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(Stored(),
        Bytes({ 0x14, 0x21, 0xE1, 0x14, 0xE0, 0x14, 0xE1, 0x14, 0x59, 0xE1, 0x59, 0x11, 0x1C, 0xE1, 0x11,
            0xE0, 0x11, 0xE1, 0x11, 0x14 }));
}

// Outside Function Mode, system keys are the dialog's mnemonics.
TEST_F(KeyProgrammingPresenterTest, SystemKeysOutsideFunctionModeAreMnemonics)
{
    Open();
    EXPECT_FALSE(presenter->TakesShortcut(true));
    EXPECT_TRUE(presenter->TakesShortcut(false));
    EXPECT_FALSE(presenter->OnKeyDataKeyDown({ 'F', false, false, KeyMessage::SysKeyDown, false }, false));
    EXPECT_FALSE(presenter->OnKeyDataUnknownKey(true));
    EXPECT_TRUE(presenter->OnKeyDataUnknownKey(false));
    presenter->OnModeClicked(Mode::Function);
    EXPECT_TRUE(presenter->TakesShortcut(true));
    EXPECT_FALSE(Up('X')); // other key-ups get the standard handling
    EXPECT_TRUE(presenter->OnModeButtonKey(ID_STRING_MODE, VK_RETURN));
    EXPECT_EQ(view.focused, ID_KEY_DATA);
    EXPECT_FALSE(presenter->OnModeButtonKey(ID_LAYER_SWITCH, VK_RETURN));
    EXPECT_FALSE(presenter->OnModeButtonKey(ID_FUNCTION_MODE, VK_SPACE));
}

// Backspace, Tab, Enter and Esc: a second press within a second acts, one
// a second or more after an unanswered press enters the key itself, any
// other key between makes the second press a first one.
TEST_F(KeyProgrammingPresenterTest, TheDoublePressRule)
{
    Open();
    presenter->OnModeClicked(Mode::Function);
    Tap('A');
    Tap('C');
    Tap(VK_BACK);
    services.ticks += 400;
    Tap(VK_BACK);
    EXPECT_EQ(view.keyData, "(A)");
    services.ticks += 5000;
    Tap(VK_BACK);
    services.ticks += 2000;
    Tap(VK_BACK);
    EXPECT_EQ(view.keyData, "(A)BKS");
    Tap(VK_BACK);
    Tap('C');
    services.ticks += 100;
    Tap(VK_BACK);
    EXPECT_EQ(view.keyData, "(A)BKS(C)");
    for (const int vk : { VK_RETURN, VK_ESCAPE }) {
        Tap(vk);
        services.ticks += 1500;
        Tap(vk);
    }
    EXPECT_EQ(view.keyData, "(A)BKS(C)CR.ESC");
    Down(VK_TAB, false, true);
    services.ticks += 200;
    Down(VK_TAB, false, true);
    EXPECT_EQ(view.focusMoves, -1); // Shift+Tab: backwards

    // String Mode deletes at every press.
    presenter->OnModeClicked(Mode::String);
    Tap('A');
    Tap('A');
    Tap(VK_BACK);
    EXPECT_EQ(view.keyData, "a");

    // Enter twice is OK, Escape twice Cancel.
    Tap(VK_RETURN);
    EXPECT_FALSE(view.closed.has_value());
    services.ticks += 300;
    Tap(VK_RETURN);
    EXPECT_EQ(view.closed, true);
    EXPECT_EQ(Stored(), Bytes({ 'a' }));
    Open();
    Tap('A');
    Tap(VK_ESCAPE);
    services.ticks += 300;
    Tap(VK_ESCAPE);
    EXPECT_EQ(view.closed, false);
    EXPECT_TRUE(Stored().empty());
}

// A message box takes the keyboard: a Shift released while it is up never
// sends its key-up to "Key Data"; the platform says it is up.
TEST_F(KeyProgrammingPresenterTest, AModifierReleasedWhileAMessageIsUpIsReleased)
{
    Open(keydata::KIND_STRING, Bytes(255, 'x'));
    services.modifiersDown.shift = false; // released by the time the box has gone
    Down(VK_SHIFT);
    ASSERT_EQ(services.LastText(), TEXT_KEY_STRING_FULL);
    presenter->OnDeleteClicked();
    Tap('A');
    EXPECT_EQ(view.keyData.substr(view.keyData.size() - 2), "xa");
    for (const int id : { KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT })
        EXPECT_EQ(view.strips[id].tip, "Shift Released!");
}
