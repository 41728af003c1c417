// CKeyComposer: what the key programming dialog composes for one key,
// without the widgets. It holds the mode, the pad state, the fifteen layers
// (or the one switch byte), the Delay and Layer values, the modifier states
// and the double-press times, and applies every rule that turns a button,
// a delete or a delay into content bytes. The dialog shows its state and
// feeds it the user's clicks and keys.
//
//   CKeyComposer composer;
//   composer.Open(table.Record(row, column));
//   if (composer.Append(buttonId) == COMPOSE_E_FULL) ...   // tell the user
//   composer.Store(table.Record(row, column));             // on OK
#pragma once

#include <keycomposition/KeyCodes.h>

#include <keydata/KeyTable.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace keycomposition {

enum class Mode : int { None = -1, String = 0, Function = 1, LayerSwitch = 2 };

// Which controls are enabled (see CKeyComposer::IsControlEnabled).
enum class PadState : int {
    StringKeys = 0,
    FunctionKeys = 1,
    LayerSelect = 2,
    FunctionKeysInUse = 3,
    LockKey = 4,
};

inline constexpr int LAYER_COUNT = 15;
inline constexpr unsigned MAX_LAYER = LAYER_COUNT - 1;
inline constexpr unsigned MAX_DELAY = 256;

// The pad state decides the enabling of the controls with these ids (the
// on-screen keys, "Key Data", "<--", Delay, Layer and their spin controls)
// and of the layer combo box.
inline constexpr int FIRST_PAD_ID = 1000;
inline constexpr int LAST_PAD_ID = 1150;

// Results of the composing operations.
inline constexpr int COMPOSE_OK = 0;
inline constexpr int COMPOSE_E_FULL = -1; // the content would pass 255 bytes; nothing changed
inline constexpr int COMPOSE_E_DISABLED = -2; // no such button, or disabled now; nothing changed
inline constexpr int COMPOSE_E_RANGE = -3; // a Delay or Layer value outside its range

// Modifier state bits: the left-hand and the right-hand button pushed.
inline constexpr unsigned MODIFIER_LEFT = 1;
inline constexpr unsigned MODIFIER_RIGHT = 2;
inline constexpr int MODIFIER_COUNT = 3; // Shift, Ctrl, Alt

// The keys with a double-press rule, and what a press amounts to.
enum class PressKey { Tab = 0, Escape = 1, Backspace = 2, Enter = 3 };
inline constexpr int PRESS_KEY_COUNT = 4;
enum class PressResult {
    Wait, // first press, remembered
    Act, // second press within DOUBLE_PRESS_MS: delete, move the focus, OK, Cancel
    AppendKey, // a press after an unanswered one: the key itself is entered
};
inline constexpr std::uint32_t DOUBLE_PRESS_MS = 1000;

class CKeyComposer {
public:
    CKeyComposer();

    // Takes a record's kind and content: kinds 2 and 3 are split into their
    // layers, kind 1 becomes the switch byte (or a lock key); anything else
    // opens empty in String Mode. Delay and Layer keep their values.
    void Open(const keydata::KeyRecord& record);

    // A click on a mode button: everything composed so far is dropped.
    // Layer Switch starts on "Layer 1".
    void SelectMode(Mode mode);

    // The combo box: index 0..14 makes the key switch to layer index + 1.
    void SelectSwitchLayer(int index);
    // The combo index the switch byte stands for, or -1.
    int SwitchLayerIndex() const;

    // The one entry for on-screen clicks and captured keys.
    // COMPOSE_E_FULL when the content (as it would be stored, separators
    // included) cannot take what the button appends; COMPOSE_E_DISABLED when
    // the button is missing or disabled.
    int Append(int buttonId);

    // The toggle of a modifier button, after its append.
    void ToggleModifier(int buttonId);

    // "<--" and Backspace: removes the last code of the shown layer (with
    // its prefix in Function Mode), or the switch or lock byte. False when
    // there was nothing to delete.
    bool Delete();

    // Appends Delay DELAY_UNIT bytes to the shown layer and sets Delay to 0.
    // A layer that is empty takes no delay (Delay becomes 0); a delay that
    // would not fit is refused with COMPOSE_E_FULL and Delay is kept.
    int InsertDelay();

    // The Delay (0..256) and Layer (0..14) fields.
    unsigned Delay() const { return m_delay; }
    unsigned Layer() const { return m_layer; }
    int SetDelay(unsigned delay);
    int SetLayer(unsigned layer);
    // A spin step: +1 or -1, kept within the range.
    void StepDelay(int delta);
    void StepLayer(int delta);

    // The physical modifier keys (Shift, Ctrl, Alt; the right-hand one or
    // the left). Auto-repeated presses append nothing; a release appends the
    // release code and leaves the modifier released.
    int ModifierKeyDown(Modifier modifier, bool rightHand);
    int ModifierKeyUp(Modifier modifier, bool rightHand);

    // Physical modifier keys held (a key-down came) that are no longer down
    // although their key-up never came (a message box took it): they are
    // released without a release code.
    void ForgetReleasedModifierKeys(bool shiftDown, bool ctrlDown, bool altDown);

    // The double-press rule for one key at tick count now (milliseconds).
    PressResult DoublePress(PressKey key, std::uint32_t now);
    void ClearPressTimes();

    // What OK stores: the joined layers, or the switch or lock byte.
    std::vector<std::uint8_t> Content() const;
    std::uint8_t Kind() const;
    // Writes kind and content into the record (through keydata's storeKey).
    int Store(keydata::KeyRecord& record) const;

    // The number of bytes Content() has, separators included.
    std::size_t ContentLength() const;

    // The text "Key Data" shows: the shown layer, or the switch or lock
    // byte, as display text (bytes, to be read as ISO-8859-1).
    std::string Text() const;

    Mode GetMode() const { return m_mode; }
    PadState GetPadState() const { return m_padState; }
    bool IsLocked() const { return m_locked; }
    // MODIFIER_LEFT and MODIFIER_RIGHT bits of a modifier's buttons (0 for None).
    unsigned ModifierState(Modifier modifier) const;
    // Whether the modifier button shows pushed.
    bool IsModifierPushed(int buttonId) const;

    // Whether the control with this id (a key, 1127..1133, or the combo box)
    // is enabled in the current pad state.
    bool IsControlEnabled(int id) const;

    std::span<const std::uint8_t> LayerBytes(unsigned layer) const;

    // Undo of the user's actions, one action a step: an action runs with an
    // UndoStep alive, which keeps the state from before it when the action
    // changed what is composed, the mode, the shown layer or a modifier
    // toggle. Undo() goes back one step. Delay is not taken back (OK would
    // insert an undone delay again), nor are the physical keys held and the
    // double-press times.
    class UndoStep {
    public:
        explicit UndoStep(CKeyComposer& composer);
        ~UndoStep();
        UndoStep(const UndoStep&) = delete;
        UndoStep& operator=(const UndoStep&) = delete;

    private:
        CKeyComposer& m_composer;
        std::size_t m_depth;
    };
    bool CanUndo() const { return !m_undo.empty(); }
    bool Undo();
    // The most steps kept; older ones are forgotten.
    static constexpr std::size_t UNDO_LIMIT = 100;

private:
    struct LayerBuffer {
        std::array<std::uint8_t, keydata::CONTENT_SIZE> bytes {};
        std::size_t length = 0;
        friend bool operator==(const LayerBuffer&, const LayerBuffer&) = default;
    };
    // What an undo step takes back.
    struct Snapshot {
        Mode mode;
        PadState padState;
        bool locked;
        bool keyDataInLockState;
        unsigned layer;
        std::array<unsigned, MODIFIER_COUNT> modifierStates;
        std::array<LayerBuffer, LAYER_COUNT> layers;
        std::array<std::uint8_t, keydata::CONTENT_SIZE> switchBytes;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot Save() const;
    void Restore(const Snapshot& snapshot);

    void Reset();
    int AppendFunction(int buttonId);
    int AppendString(int buttonId);
    // Appends to the shown layer when the joined content stays within 255
    // bytes; COMPOSE_E_FULL otherwise.
    int AppendBytes(std::span<const std::uint8_t> bytes);
    std::size_t JoinedLength(int extraLayer, std::size_t extraBytes) const;
    int LastUsedLayer() const;
    std::size_t SwitchLength() const;
    // A modifier's buttons and whether its physical key is down.
    struct ModifierKeys {
        unsigned state = 0;
        bool held = false;
    };
    ModifierKeys& KeysOf(Modifier modifier);
    unsigned ShiftState() const { return ModifierState(Modifier::Shift); }

    Mode m_mode = Mode::None;
    PadState m_padState = PadState::StringKeys;
    bool m_locked = false;
    // In the lock-key pad state "Key Data" is enabled only after a lock key
    // was clicked, not when a lock key was opened.
    bool m_keyDataInLockState = false;
    unsigned m_delay = 0;
    unsigned m_layer = 0;
    std::array<ModifierKeys, MODIFIER_COUNT> m_modifiers {};
    std::array<std::uint32_t, PRESS_KEY_COUNT> m_lastPress {};
    std::array<LayerBuffer, LAYER_COUNT> m_layers {};
    // The switch byte of a switch key or a lock key, NUL-terminated.
    std::array<std::uint8_t, keydata::CONTENT_SIZE> m_switch {};
    std::vector<Snapshot> m_undo;
    // An UndoStep is alive: nested ones (an action that runs another) add
    // nothing of their own.
    bool m_inStep = false;
};

} // namespace keycomposition
