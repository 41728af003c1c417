// The composing rules without the widgets: layers, the content bound on
// every path, deleting, modifiers and the double-press rule.
#include <keycomposition/CKeyComposer.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keydata/KeyTable.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace dialoglayout;
using namespace keycomposition;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int KEY_A = dialoglayout::onScreenKeyId("A");
constexpr int KEY_INSERT = dialoglayout::onScreenKeyId("Ins");

keydata::KeyRecord recordOf(std::uint8_t kind, const Bytes& bytes)
{
    keydata::KeyRecord record;
    EXPECT_EQ(keydata::storeKey(record, kind, bytes), keydata::KEYTABLE_OK);
    return record;
}

Bytes layer(const CKeyComposer& composer, unsigned index)
{
    const auto bytes = composer.LayerBytes(index);
    return { bytes.begin(), bytes.end() };
}

// A composer in the given mode whose shown layer holds length copies of
// byte (other layers empty).
CKeyComposer filled(Mode mode, std::size_t length, std::uint8_t byte = 0x1C)
{
    CKeyComposer composer;
    composer.Open(recordOf(
        mode == Mode::Function ? keydata::KIND_FUNCTION : keydata::KIND_STRING, Bytes(length, byte)));
    return composer;
}

} // namespace

TEST(KeyComposer, LayersSplitOnOpenAndJoinOnStore)
{
    CKeyComposer composer;
    composer.Open(recordOf(keydata::KIND_STRING, { 'a', 0xE2, 0xE2, 'b' }));
    EXPECT_EQ(composer.GetMode(), Mode::String);
    EXPECT_EQ(layer(composer, 0), Bytes({ 'a' }));
    EXPECT_TRUE(layer(composer, 1).empty());
    EXPECT_EQ(layer(composer, 2), Bytes({ 'b' }));
    EXPECT_EQ(composer.Text(), "a");
    EXPECT_EQ(composer.Content(), Bytes({ 'a', 0xE2, 0xE2, 'b' }));

    // Trailing empty layers are not stored.
    composer.Open(recordOf(keydata::KIND_FUNCTION, { 0x1C, 0xE2, 0xE2 }));
    EXPECT_EQ(composer.Content(), Bytes({ 0x1C }));
    keydata::KeyRecord stored;
    ASSERT_EQ(composer.Store(stored), COMPOSE_OK);
    EXPECT_EQ(stored.kind, keydata::KIND_FUNCTION);
    EXPECT_EQ(Bytes(stored.Bytes().begin(), stored.Bytes().end()), Bytes({ 0x1C }));
}

TEST(KeyComposer, MoreSeparatorsThanLayersStayInTheLastLayer)
{
    // 20 layers' worth of separators: layers 0..13 get one byte each and
    // layer 14 keeps the rest, separators included, so nothing is lost.
    Bytes content;
    for (std::uint8_t i = 0; i < 20; ++i) {
        if (i > 0)
            content.push_back(0xE2);
        content.push_back(static_cast<std::uint8_t>('a' + i));
    }
    CKeyComposer composer;
    composer.Open(recordOf(keydata::KIND_STRING, content));
    EXPECT_EQ(layer(composer, 13), Bytes({ 'n' }));
    EXPECT_EQ(layer(composer, 14), Bytes({ 'o', 0xE2, 'p', 0xE2, 'q', 0xE2, 'r', 0xE2, 's', 0xE2, 't' }));
    EXPECT_EQ(composer.Content(), content);

    // 255 separators alone.
    composer.Open(recordOf(keydata::KIND_FUNCTION, Bytes(255, 0xE2)));
    EXPECT_EQ(composer.LayerBytes(14).size(), 255u - 14u);
    EXPECT_EQ(composer.ContentLength(), 255u);
    EXPECT_EQ(composer.Content(), Bytes(255, 0xE2));
}

TEST(KeyComposer, KindsOpenInTheirModes)
{
    CKeyComposer composer;
    composer.Open(recordOf(keydata::KIND_SWITCH, { 5 }));
    EXPECT_EQ(composer.GetMode(), Mode::LayerSwitch);
    EXPECT_EQ(composer.GetPadState(), PadState::LayerSelect);
    EXPECT_EQ(composer.SwitchLayerIndex(), 4);
    EXPECT_EQ(composer.Text(), "<M5>");

    composer.Open(recordOf(keydata::KIND_SWITCH, { 0x20 }));
    EXPECT_EQ(composer.SwitchLayerIndex(), -1);
    EXPECT_EQ(composer.Content(), Bytes({ 0x20 })); // kept as it is

    composer.Open(recordOf(keydata::KIND_SWITCH, { 0x7E }));
    EXPECT_EQ(composer.GetMode(), Mode::Function);
    EXPECT_TRUE(composer.IsLocked());
    EXPECT_EQ(composer.GetPadState(), PadState::LockKey);
    EXPECT_EQ(composer.Text(), "Scroll.");
    EXPECT_FALSE(composer.IsControlEnabled(ID_KEY_DATA)); // only after a lock key is clicked

    composer.Open(recordOf(keydata::KIND_FUNCTION, { 0x12 }));
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeysInUse);
    keydata::KeyRecord emptyFunction;
    emptyFunction.kind = keydata::KIND_FUNCTION;
    composer.Open(emptyFunction);
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeys);
}

TEST(KeyComposer, OnlyLayeredKindsBecomeLayers)
{
    // A lock key deleted after opening is gone: its byte does not come back
    // as function content.
    CKeyComposer composer;
    composer.Open(recordOf(keydata::KIND_SWITCH, { 0x58 }));
    EXPECT_TRUE(composer.Delete());
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeys);
    EXPECT_EQ(composer.Kind(), keydata::KIND_EMPTY);
    EXPECT_TRUE(composer.Content().empty());

    // An empty or unknown kind shows nothing and stores nothing.
    keydata::KeyRecord unknown;
    unknown.kind = 9;
    unknown.content[0] = 'x';
    composer.Open(unknown);
    EXPECT_EQ(composer.GetMode(), Mode::String);
    EXPECT_TRUE(composer.Text().empty());
    keydata::KeyRecord stored = unknown;
    ASSERT_EQ(composer.Store(stored), COMPOSE_OK);
    EXPECT_EQ(stored.kind, keydata::KIND_EMPTY);
    EXPECT_EQ(stored.content[0], 0);
}

TEST(KeyComposer, LockKeyReplacesTheContentAndItsDeletionShowsTheLayersAgain)
{
    CKeyComposer composer;
    composer.SelectMode(Mode::Function);
    ASSERT_EQ(composer.Append(KEY_A), COMPOSE_OK);
    composer.SetLayer(1);
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeysInUse);
    EXPECT_EQ(composer.Append(KEY_CAPS), COMPOSE_E_DISABLED);

    // On an empty layer, after deleting down to it, the lock keys return.
    composer.SetLayer(0);
    ASSERT_TRUE(composer.Delete());
    ASSERT_EQ(composer.Append(KEY_NUM_LOCK), COMPOSE_OK);
    EXPECT_EQ(composer.Content(), Bytes({ 0x77 }));
    EXPECT_EQ(composer.Kind(), keydata::KIND_SWITCH);
    EXPECT_TRUE(composer.IsControlEnabled(ID_KEY_DATA));

    // Codes in layer 0; layer 1 emptied again, which frees the lock keys.
    composer.SelectMode(Mode::Function);
    ASSERT_EQ(composer.Append(KEY_A), COMPOSE_OK);
    composer.SetLayer(1);
    ASSERT_EQ(composer.Append(KEY_A), COMPOSE_OK);
    ASSERT_TRUE(composer.Delete());
    ASSERT_EQ(composer.Append(KEY_CAPS), COMPOSE_OK);
    composer.SetLayer(0);
    ASSERT_TRUE(composer.Delete());
    EXPECT_FALSE(composer.IsLocked());
    EXPECT_EQ(composer.Text(), "(A)");
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeysInUse);
    EXPECT_EQ(composer.Content(), Bytes({ 0x1C }));
}

TEST(KeyComposer, ModifierButtonsAppendMakeCodesWhileReleasedAndReleaseCodesWhilePushed)
{
    struct Case {
        int id;
        Bytes pushed, released;
    } cases[] = {
        { KEY_LEFT_SHIFT, { 0x12 }, { 0xE1, 0x12 } },
        { KEY_RIGHT_SHIFT, { 0x59 }, { 0xE1, 0x59 } },
        { KEY_LEFT_CTRL, { 0x14 }, { 0xE1, 0x14 } },
        { KEY_RIGHT_CTRL, { 0xE0, 0x14 }, { 0xE1, 0x14 } },
        { KEY_LEFT_ALT, { 0x11 }, { 0xE1, 0x11 } },
        { KEY_RIGHT_ALT, { 0xE0, 0x11 }, { 0xE1, 0x11 } },
    };
    for (const Case& c : cases) {
        CKeyComposer composer;
        composer.SelectMode(Mode::Function);
        ASSERT_EQ(composer.Append(c.id), COMPOSE_OK);
        composer.ToggleModifier(c.id);
        EXPECT_TRUE(composer.IsModifierPushed(c.id)) << c.id;
        ASSERT_EQ(composer.Append(c.id), COMPOSE_OK);
        composer.ToggleModifier(c.id);
        EXPECT_FALSE(composer.IsModifierPushed(c.id)) << c.id;
        Bytes expected = c.pushed;
        expected.insert(expected.end(), c.released.begin(), c.released.end());
        EXPECT_EQ(composer.Content(), expected) << c.id;
    }

    // In String Mode both Shift buttons share one shift lock.
    CKeyComposer composer;
    composer.SelectMode(Mode::String);
    composer.ToggleModifier(KEY_RIGHT_SHIFT);
    EXPECT_TRUE(composer.IsModifierPushed(KEY_LEFT_SHIFT));
    composer.ToggleModifier(KEY_LEFT_SHIFT);
    EXPECT_FALSE(composer.IsModifierPushed(KEY_RIGHT_SHIFT));
}

TEST(KeyComposer, DeletingRemovesACodeWithItsPrefix)
{
    CKeyComposer composer;
    composer.SelectMode(Mode::Function);
    for (const int id : { KEY_LEFT_SHIFT, KEY_PRINT_SCREEN, KEY_INSERT })
        ASSERT_EQ(composer.Append(id), COMPOSE_OK);
    composer.ToggleModifier(KEY_LEFT_SHIFT);
    ASSERT_EQ(composer.Append(KEY_LEFT_SHIFT), COMPOSE_OK);
    EXPECT_EQ(composer.Content(), Bytes({ 0x12, 0xE0, 0x12, 0xE0, 0x7C, 0xE0, 0x70, 0xE1, 0x12 }));

    const Bytes after[] = {
        { 0x12, 0xE0, 0x12, 0xE0, 0x7C, 0xE0, 0x70 },
        { 0x12, 0xE0, 0x12, 0xE0, 0x7C },
        { 0x12, 0xE0, 0x12 }, // Print Screen takes two deletions
        { 0x12 },
        {},
    };
    for (const Bytes& expected : after) {
        ASSERT_TRUE(composer.Delete());
        EXPECT_EQ(composer.Content(), expected);
    }
    EXPECT_EQ(composer.GetPadState(), PadState::FunctionKeys);
    EXPECT_FALSE(composer.Delete());

    // String content has no prefixes: one byte per deletion.
    composer.Open(recordOf(keydata::KIND_STRING, { 'a', 0xE0, 'b' }));
    ASSERT_TRUE(composer.Delete());
    EXPECT_EQ(composer.Content(), Bytes({ 'a', 0xE0 }));
}

TEST(KeyComposer, NoAppendTakesTheContentPast255Bytes)
{
    // At 254 one more byte fits, a prefixed code does not.
    CKeyComposer composer = filled(Mode::Function, 254);
    EXPECT_EQ(composer.Append(KEY_INSERT), COMPOSE_E_FULL);
    EXPECT_EQ(composer.Append(KEY_RIGHT_ALT), COMPOSE_E_FULL);
    EXPECT_EQ(composer.Append(KEY_PRINT_SCREEN), COMPOSE_E_FULL);
    EXPECT_EQ(composer.ContentLength(), 254u);
    EXPECT_EQ(composer.Append(KEY_A), COMPOSE_OK);
    EXPECT_EQ(composer.ContentLength(), 255u);
    // Full: every append is refused, even one that would add nothing.
    EXPECT_EQ(composer.Append(KEY_A), COMPOSE_E_FULL);
    EXPECT_EQ(composer.ModifierKeyDown(Modifier::Shift, false), COMPOSE_E_FULL);
    composer.ToggleModifier(KEY_LEFT_SHIFT); // the toggle still works
    EXPECT_TRUE(composer.IsModifierPushed(KEY_LEFT_SHIFT));

    // Print Screen needs four bytes.
    composer = filled(Mode::Function, 252);
    EXPECT_EQ(composer.Append(KEY_PRINT_SCREEN), COMPOSE_E_FULL);
    composer = filled(Mode::Function, 251);
    EXPECT_EQ(composer.Append(KEY_PRINT_SCREEN), COMPOSE_OK);
    EXPECT_EQ(composer.ContentLength(), 255u);

    // The delay as a whole, or not at all; Delay keeps its value.
    composer = filled(Mode::String, 250, 'a');
    ASSERT_EQ(composer.SetDelay(6), COMPOSE_OK);
    EXPECT_EQ(composer.InsertDelay(), COMPOSE_E_FULL);
    EXPECT_EQ(composer.Delay(), 6u);
    EXPECT_EQ(composer.ContentLength(), 250u);
    composer.StepDelay(-1);
    EXPECT_EQ(composer.InsertDelay(), COMPOSE_OK);
    EXPECT_EQ(composer.ContentLength(), 255u);
    EXPECT_EQ(composer.Delay(), 0u);

    // Separators count: a byte in layer 5 behind 250 bytes in layer 0 needs
    // five of them.
    composer = filled(Mode::String, 250, 'a');
    composer.SetLayer(5);
    EXPECT_EQ(composer.Append(KEY_A), COMPOSE_E_FULL);
    composer.SetLayer(4);
    EXPECT_EQ(composer.Append(KEY_A), COMPOSE_OK);
    EXPECT_EQ(composer.ContentLength(), 255u);
    keydata::KeyRecord stored;
    EXPECT_EQ(composer.Store(stored), COMPOSE_OK);
    EXPECT_EQ(stored.ContentLength(), 255u);
}

TEST(KeyComposer, DelayNeedsSomethingBeforeIt)
{
    CKeyComposer composer;
    composer.SelectMode(Mode::String);
    composer.SetDelay(3);
    EXPECT_EQ(composer.InsertDelay(), COMPOSE_OK);
    EXPECT_EQ(composer.Delay(), 0u);
    EXPECT_TRUE(composer.Content().empty());

    EXPECT_EQ(composer.SetDelay(MAX_DELAY + 1), COMPOSE_E_RANGE);
    EXPECT_EQ(composer.SetLayer(MAX_LAYER + 1), COMPOSE_E_RANGE);
    composer.SetDelay(MAX_DELAY);
    composer.StepDelay(+1);
    EXPECT_EQ(composer.Delay(), MAX_DELAY);
    composer.SetLayer(0);
    composer.StepLayer(-1);
    EXPECT_EQ(composer.Layer(), 0u);
}

TEST(KeyComposer, PhysicalModifiersAppendOnceAndEndReleased)
{
    CKeyComposer composer;
    composer.SelectMode(Mode::Function);
    EXPECT_EQ(composer.ModifierKeyDown(Modifier::Ctrl, false), COMPOSE_OK);
    EXPECT_EQ(composer.ModifierKeyDown(Modifier::Ctrl, false), COMPOSE_OK); // auto-repeat
    EXPECT_EQ(composer.Append(1048), COMPOSE_OK); // C
    EXPECT_EQ(composer.ModifierKeyUp(Modifier::Ctrl, false), COMPOSE_OK);
    EXPECT_EQ(composer.Content(), Bytes({ 0x14, 0x21, 0xE1, 0x14 }));
    // The key is up, so a click on the button presses it again.
    EXPECT_EQ(composer.ModifierState(Modifier::Ctrl), 0u);
    ASSERT_EQ(composer.Append(KEY_LEFT_CTRL), COMPOSE_OK);
    EXPECT_EQ(composer.Content().back(), 0x14);
    EXPECT_EQ(composer.Content().size(), 5u);

    composer.SelectMode(Mode::Function);
    composer.ModifierKeyDown(Modifier::Shift, true);
    composer.ModifierKeyUp(Modifier::Shift, true);
    composer.ModifierKeyDown(Modifier::Alt, true);
    composer.ModifierKeyUp(Modifier::Alt, true);
    EXPECT_EQ(composer.Content(), Bytes({ 0x59, 0xE1, 0x59, 0xE0, 0x11, 0xE1, 0x11 }));
    EXPECT_EQ(composer.ModifierState(Modifier::Shift), 0u);
    EXPECT_EQ(composer.ModifierState(Modifier::Alt), 0u);

    // String Mode: Shift held types capitals and appends nothing itself.
    composer.SelectMode(Mode::String);
    composer.ModifierKeyDown(Modifier::Shift, false);
    composer.Append(KEY_A);
    composer.ModifierKeyUp(Modifier::Shift, false);
    composer.Append(KEY_A);
    EXPECT_EQ(composer.Content(), Bytes({ 'A', 'a' }));
}

TEST(KeyComposer, DoublePressRule)
{
    CKeyComposer composer;
    EXPECT_EQ(composer.DoublePress(PressKey::Backspace, 5000), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Backspace, 5999), PressResult::Act);
    EXPECT_EQ(composer.DoublePress(PressKey::Backspace, 6100), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Backspace, 7100), PressResult::AppendKey);
    // Each key keeps its own time; other keys clear them all.
    EXPECT_EQ(composer.DoublePress(PressKey::Enter, 8000), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Escape, 8100), PressResult::Wait);
    composer.ClearPressTimes();
    EXPECT_EQ(composer.DoublePress(PressKey::Enter, 8200), PressResult::Wait);
    // Across the wrap of the 32-bit tick count.
    EXPECT_EQ(composer.DoublePress(PressKey::Tab, 0xFFFFFF00u), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Tab, 0x100u), PressResult::Act);
    // A first press is a first press even early after start.
    EXPECT_EQ(composer.DoublePress(PressKey::Escape, 0), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Escape, 500), PressResult::Wait);
    EXPECT_EQ(composer.DoublePress(PressKey::Escape, 900), PressResult::Act);
}

TEST(KeyComposer, PadStatesEnableTheTabledControls)
{
    const auto enabledKeys = [](const CKeyComposer& composer) {
        std::vector<int> ids;
        for (const OnScreenKey& key : onScreenKeys())
            if (composer.IsControlEnabled(key.id))
                ids.push_back(key.id);
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    const auto allKeysBut = [](const std::vector<int>& excluded) {
        std::vector<int> ids;
        for (const OnScreenKey& key : onScreenKeys())
            if (std::find(excluded.begin(), excluded.end(), key.id) == excluded.end())
                ids.push_back(key.id);
        std::sort(ids.begin(), ids.end());
        return ids;
    };

    CKeyComposer composer;
    composer.SelectMode(Mode::String);
    std::vector<int> stringExcluded = { 1015, 1030, 1058, 1060 };
    for (int id = 1062; id <= 1090; ++id)
        stringExcluded.push_back(id);
    for (int id = 1110; id <= 1126; ++id)
        stringExcluded.push_back(id);
    EXPECT_EQ(enabledKeys(composer), allKeysBut(stringExcluded));
    EXPECT_TRUE(composer.IsControlEnabled(ID_DELAY));
    EXPECT_FALSE(composer.IsControlEnabled(ID_SWITCH_LAYER));

    composer.SelectMode(Mode::Function);
    EXPECT_EQ(enabledKeys(composer), allKeysBut({}));
    composer.Append(KEY_A);
    EXPECT_EQ(enabledKeys(composer), allKeysBut({ KEY_CAPS, KEY_NUM_LOCK, KEY_SCROLL_LOCK }));

    composer.SelectMode(Mode::LayerSwitch);
    EXPECT_TRUE(enabledKeys(composer).empty());
    EXPECT_TRUE(composer.IsControlEnabled(ID_SWITCH_LAYER));
    for (const int id : { ID_KEY_DATA, ID_DELETE, ID_DELAY, ID_DELAY_SPIN, ID_LAYER, ID_LAYER_SPIN })
        EXPECT_FALSE(composer.IsControlEnabled(id)) << id;

    composer.SelectMode(Mode::Function);
    composer.Append(KEY_CAPS);
    EXPECT_EQ(enabledKeys(composer), std::vector<int>({ KEY_CAPS, KEY_NUM_LOCK, KEY_SCROLL_LOCK }));
    EXPECT_TRUE(composer.IsControlEnabled(ID_DELETE));
    EXPECT_FALSE(composer.IsControlEnabled(ID_DELAY));
}

// Random edits of random stored keys: the content never passes 255 bytes,
// storing always succeeds, and a stored key opens and stores unchanged.
TEST(KeyComposer, RandomEditingKeepsTheBoundsAndRoundTrips)
{
    std::mt19937 random(20240611);
    std::vector<int> ids;
    for (const OnScreenKey& key : onScreenKeys())
        ids.push_back(key.id);
    const auto pick
        = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };

    for (int round = 0; round < 300; ++round) {
        keydata::KeyRecord record;
        record.kind = static_cast<std::uint8_t>(pick(5));
        const int length = pick(256);
        for (int i = 0; i < length; ++i)
            record.content[static_cast<std::size_t>(i)]
                = pick(4) == 0 ? 0xE2 : static_cast<std::uint8_t>(1 + pick(255));
        record.content[static_cast<std::size_t>(length)] = 0;

        CKeyComposer composer;
        composer.Open(record);
        for (int step = 0; step < 200; ++step) {
            switch (pick(10)) {
            case 0:
                composer.SelectMode(static_cast<Mode>(pick(3)));
                break;
            case 1:
                composer.SetLayer(static_cast<unsigned>(pick(LAYER_COUNT)));
                break;
            case 2:
                composer.SetDelay(static_cast<unsigned>(pick(MAX_DELAY + 1)));
                composer.InsertDelay();
                break;
            case 3:
                composer.Delete();
                break;
            case 4:
                composer.SelectSwitchLayer(pick(SWITCH_LAYER_COUNT));
                break;
            case 5:
                composer.ModifierKeyDown(Modifier::Shift, pick(2) == 1);
                composer.ModifierKeyUp(Modifier::Shift, pick(2) == 1);
                break;
            default: {
                const int id = ids[static_cast<std::size_t>(pick(static_cast<int>(ids.size())))];
                composer.Append(id);
                composer.ToggleModifier(id);
                break;
            }
            }
            ASSERT_LE(composer.ContentLength(), 255u);
            ASSERT_EQ(composer.Content().size(), composer.ContentLength());
        }
        keydata::KeyRecord stored;
        ASSERT_EQ(composer.Store(stored), COMPOSE_OK);
        CKeyComposer reopened;
        reopened.Open(stored);
        keydata::KeyRecord again;
        ASSERT_EQ(reopened.Store(again), COMPOSE_OK);
        ASSERT_EQ(again, stored) << "round " << round;
    }
}

TEST(KeyComposer, UndoTakesBackOneActionAtATime)
{
    constexpr int KEY_Q = dialoglayout::onScreenKeyId("Q");
    CKeyComposer composer;
    composer.Open(recordOf(keydata::KIND_STRING, { 'a', 'b' }));
    const auto act = [&](auto&& action) {
        const CKeyComposer::UndoStep step(composer);
        action();
    };
    act([&] { composer.Append(KEY_Q); });
    act([&] { composer.Delete(); });
    act([&] { composer.Delete(); }); // "a"
    act([&] {
        composer.SetDelay(2);
        composer.InsertDelay();
    });
    act([&] { composer.SelectMode(Mode::LayerSwitch); }); // wipes the layers
    act([&] { composer.Delete(); }); // the switch byte

    // Each step back restores what the action changed; Delay stays 0, so
    // that OK does not insert an undone delay again.
    const std::vector<std::pair<Mode, Bytes>> expected = {
        { Mode::LayerSwitch, { 0x01 } },
        { Mode::String, { 'a', 0xE3, 0xE3 } },
        { Mode::String, { 'a' } },
        { Mode::String, { 'a', 'b' } },
        { Mode::String, { 'a', 'b', 'q' } },
        { Mode::String, { 'a', 'b' } },
    };
    for (const auto& [mode, content] : expected) {
        ASSERT_TRUE(composer.Undo());
        EXPECT_EQ(composer.GetMode(), mode);
        EXPECT_EQ(composer.Content(), content);
        EXPECT_EQ(composer.Delay(), 0u);
    }
    EXPECT_FALSE(composer.CanUndo());
    EXPECT_FALSE(composer.Undo());

    // An action that changes nothing (Delay alone counts as nothing) is no
    // step; a nested one is part of the outer step; the oldest steps go
    // beyond the limit.
    act([&] { composer.StepDelay(+1); });
    EXPECT_FALSE(composer.CanUndo());
    composer.StepDelay(-1);
    act([&] {
        composer.Append(KEY_Q);
        act([&] { composer.Append(KEY_Q); });
    });
    ASSERT_TRUE(composer.Undo());
    EXPECT_FALSE(composer.CanUndo());
    for (std::size_t i = 0; i < CKeyComposer::UNDO_LIMIT + 5; ++i)
        act([&] { composer.Append(KEY_Q); });
    std::size_t steps = 0;
    while (composer.Undo())
        ++steps;
    EXPECT_EQ(steps, CKeyComposer::UNDO_LIMIT);
}
