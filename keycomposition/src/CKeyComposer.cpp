#include <keycomposition/CKeyComposer.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keydata/KeyText.h>

#include <algorithm>
#include <cassert>

namespace keycomposition {

using namespace dialoglayout;

namespace {

using keydata::DELAY_UNIT;
using keydata::EXTENSION_PREFIX;
using keydata::LAYER_SEPARATOR;
using keydata::MAX_CONTENT;
using keydata::RELEASE_MARKER;

bool isLockCode(std::uint8_t value)
{
    return value == keydata::LOCK_CAPS || value == keydata::LOCK_NUM || value == keydata::LOCK_SCROLL;
}

bool inRange(int id, int first, int last)
{
    return id >= first && id <= last;
}

// Keys that string keys cannot use: Backspace, Esc and the function row,
// the editing block, the arrows, Num, right Alt and Ctrl, left Ctrl and Alt,
// and Caps.
bool isDisabledForStrings(int id)
{
    return id == KEY_BACKSPACE || inRange(id, KEY_ESCAPE, KEY_PAUSE)
        || inRange(id, KEY_RIGHT_ALT, KEY_NUM_LOCK) || inRange(id, KEY_LEFT_CTRL, KEY_LEFT_ALT)
        || id == KEY_CAPS;
}

// A few bytes built for one append (a prefix, a code, Print Screen).
struct Codes {
    std::array<std::uint8_t, 4> bytes {};
    std::size_t count = 0;
    void Push(std::uint8_t b) { bytes[count++] = b; }
    std::span<const std::uint8_t> Span() const { return { bytes.data(), count }; }
};

// The on-screen buttons of Shift, Ctrl and Alt, in the order of Modifier.
struct ModifierButtons {
    int left;
    int right;
};
constexpr ModifierButtons MODIFIER_BUTTONS[MODIFIER_COUNT] = {
    { KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT },
    { KEY_LEFT_CTRL, KEY_RIGHT_CTRL },
    { KEY_LEFT_ALT, KEY_RIGHT_ALT },
};

// Shift, Ctrl and Alt are 0, 1 and 2; None counts as Shift, as it always did
// where a modifier was asked for (callers never pass it).
std::size_t modifierIndex(Modifier modifier)
{
    const int index = static_cast<int>(modifier) - static_cast<int>(Modifier::Shift);
    return index >= 0 && index < MODIFIER_COUNT ? static_cast<std::size_t>(index) : 0;
}

int modifierButton(Modifier modifier, bool rightHand)
{
    const ModifierButtons& buttons = MODIFIER_BUTTONS[modifierIndex(modifier)];
    return rightHand ? buttons.right : buttons.left;
}

} // namespace

CKeyComposer::CKeyComposer() = default;

void CKeyComposer::Reset()
{
    for (LayerBuffer& layer : m_layers) {
        layer.bytes.fill(0);
        layer.length = 0;
    }
    m_switch.fill(0);
    for (ModifierKeys& keys : m_modifiers)
        keys.state = 0;
}

void CKeyComposer::Open(const keydata::KeyRecord& record)
{
    Reset();
    m_undo.clear();
    m_locked = false;
    m_keyDataInLockState = false;
    const std::span<const std::uint8_t> content = record.Bytes();

    // Only layered kinds are split: the byte of a switch key, or whatever an
    // empty or unknown record carries, must not come back as layer content.
    if (record.kind == keydata::KIND_FUNCTION || record.kind == keydata::KIND_STRING) {
        unsigned layer = 0;
        for (const std::uint8_t b : content) {
            // Separators past the last layer stay in it as bytes, so that
            // storing the key again gives the same content.
            if (b == LAYER_SEPARATOR && layer < MAX_LAYER) {
                ++layer;
                continue;
            }
            LayerBuffer& buffer = m_layers[layer];
            buffer.bytes[buffer.length++] = b;
        }
    } else if (record.kind == keydata::KIND_SWITCH) {
        std::copy(content.begin(), content.end(), m_switch.begin());
    }

    switch (record.kind) {
    case keydata::KIND_SWITCH:
        if (isLockCode(m_switch[0])) {
            m_mode = Mode::Function;
            m_locked = true;
            m_padState = PadState::LockKey;
        } else {
            m_mode = Mode::LayerSwitch;
            m_padState = PadState::LayerSelect;
        }
        break;
    case keydata::KIND_FUNCTION:
        m_mode = Mode::Function;
        m_padState = JoinedLength(-1, 0) == 0 ? PadState::FunctionKeys : PadState::FunctionKeysInUse;
        break;
    default:
        m_mode = Mode::String;
        m_padState = PadState::StringKeys;
        break;
    }
}

void CKeyComposer::SelectMode(Mode mode)
{
    Reset();
    switch (mode) {
    case Mode::Function:
        m_padState = PadState::FunctionKeys;
        m_locked = false;
        break;
    case Mode::LayerSwitch:
        m_padState = PadState::LayerSelect;
        SelectSwitchLayer(0);
        m_locked = true;
        break;
    case Mode::String:
    case Mode::None:
        mode = Mode::String;
        m_padState = PadState::StringKeys;
        m_locked = false;
        break;
    }
    m_mode = mode;
}

void CKeyComposer::SelectSwitchLayer(int index)
{
    if (index >= 0 && index < SWITCH_LAYER_COUNT)
        m_switch[0] = static_cast<std::uint8_t>(index + 1);
}

int CKeyComposer::SwitchLayerIndex() const
{
    const int value = m_switch[0];
    return value >= 1 && value <= SWITCH_LAYER_COUNT ? value - 1 : -1;
}

int CKeyComposer::Append(int buttonId)
{
    if (!findOnScreenKey(buttonId) || !IsControlEnabled(buttonId))
        return COMPOSE_E_DISABLED;
    if (JoinedLength(-1, 0) >= static_cast<std::size_t>(MAX_CONTENT))
        return COMPOSE_E_FULL;
    if (m_mode == Mode::Function)
        return AppendFunction(buttonId);
    return AppendString(buttonId);
}

int CKeyComposer::AppendFunction(int buttonId)
{
    if (const std::uint8_t lock = lockCodeOf(buttonId)) {
        // A lock key replaces the content; the layers stay but are not stored.
        m_switch.fill(0);
        m_switch[0] = lock;
        m_locked = true;
        m_padState = PadState::LockKey;
        m_keyDataInLockState = true;
        return COMPOSE_OK;
    }
    Codes codes;
    if (const Modifier modifier = modifierOf(buttonId); modifier != Modifier::None) {
        if (KeysOf(modifier).state & modifierSideBit(buttonId))
            codes.Push(RELEASE_MARKER);
        else if (buttonId == KEY_RIGHT_ALT || buttonId == KEY_RIGHT_CTRL)
            codes.Push(EXTENSION_PREFIX);
    }
    if (isExtendedKey(buttonId))
        codes.Push(EXTENSION_PREFIX);
    if (buttonId == KEY_PRINT_SCREEN) {
        for (const std::uint8_t b : PRINT_SCREEN_SEQUENCE)
            codes.Push(b);
    } else {
        const std::uint8_t code = buttonCode(buttonId);
        if (code == 0)
            return COMPOSE_E_DISABLED;
        codes.Push(code);
    }
    if (const int result = AppendBytes(codes.Span()); result != COMPOSE_OK)
        return result;
    m_locked = false;
    m_padState = PadState::FunctionKeysInUse;
    return COMPOSE_OK;
}

int CKeyComposer::AppendString(int buttonId)
{
    const std::uint8_t character = stringModeCharacter(buttonId, ShiftState() != 0);
    if (character == 0)
        return COMPOSE_OK;
    return AppendBytes({ &character, 1 });
}

int CKeyComposer::AppendBytes(std::span<const std::uint8_t> bytes)
{
    if (JoinedLength(static_cast<int>(m_layer), bytes.size()) > static_cast<std::size_t>(MAX_CONTENT))
        return COMPOSE_E_FULL;
    LayerBuffer& layer = m_layers[m_layer];
    assert(layer.length + bytes.size() < layer.bytes.size());
    std::copy(bytes.begin(), bytes.end(), layer.bytes.begin() + static_cast<std::ptrdiff_t>(layer.length));
    layer.length += bytes.size();
    layer.bytes[layer.length] = 0;
    return COMPOSE_OK;
}

void CKeyComposer::ToggleModifier(int buttonId)
{
    const Modifier modifier = modifierOf(buttonId);
    if (modifier == Modifier::None)
        return;
    unsigned& state = KeysOf(modifier).state;
    if (modifier == Modifier::Shift && m_mode == Mode::LayerSwitch)
        return;
    if (modifier == Modifier::Shift && m_mode != Mode::Function)
        state = state == 0 ? 1 : 0; // one shift lock for both buttons
    else
        state ^= modifierSideBit(buttonId);
}

bool CKeyComposer::IsModifierPushed(int buttonId) const
{
    const Modifier modifier = modifierOf(buttonId);
    if (modifier == Modifier::Shift && m_mode == Mode::String)
        return ShiftState() != 0;
    return (ModifierState(modifier) & modifierSideBit(buttonId)) != 0;
}

bool CKeyComposer::Delete()
{
    if (Text().empty())
        return false;
    if (m_mode == Mode::LayerSwitch) {
        m_switch[0] = 0;
        return true;
    }
    LayerBuffer& layer = m_layers[m_layer];
    if (m_locked) {
        // The layers were kept under the lock key: show them again.
        m_switch[0] = 0;
        m_locked = false;
        m_padState = layer.length == 0 ? PadState::FunctionKeys : PadState::FunctionKeysInUse;
        return true;
    }
    if (layer.length == 0)
        return false;
    layer.bytes[--layer.length] = 0;
    // A prefix never stays without its code.
    if (m_mode == Mode::Function && layer.length > 0) {
        const std::uint8_t last = layer.bytes[layer.length - 1];
        if (last == EXTENSION_PREFIX || last == RELEASE_MARKER)
            layer.bytes[--layer.length] = 0;
    }
    if (m_mode == Mode::Function && layer.length == 0)
        m_padState = PadState::FunctionKeys;
    return true;
}

int CKeyComposer::InsertDelay()
{
    if (m_delay == 0)
        return COMPOSE_OK;
    // A delay cannot start a layer, and switch and lock keys have none.
    if (m_mode == Mode::LayerSwitch || m_locked || m_layers[m_layer].length == 0) {
        m_delay = 0;
        return COMPOSE_OK;
    }
    const std::vector<std::uint8_t> units(m_delay, DELAY_UNIT);
    if (const int result = AppendBytes(units); result != COMPOSE_OK)
        return result;
    m_delay = 0;
    return COMPOSE_OK;
}

int CKeyComposer::SetDelay(unsigned delay)
{
    if (delay > MAX_DELAY)
        return COMPOSE_E_RANGE;
    m_delay = delay;
    return COMPOSE_OK;
}

int CKeyComposer::SetLayer(unsigned layer)
{
    if (layer > MAX_LAYER)
        return COMPOSE_E_RANGE;
    m_layer = layer;
    return COMPOSE_OK;
}

void CKeyComposer::StepDelay(int delta)
{
    if (delta > 0 && m_delay < MAX_DELAY)
        ++m_delay;
    else if (delta < 0 && m_delay > 0)
        --m_delay;
}

void CKeyComposer::StepLayer(int delta)
{
    if (delta > 0 && m_layer < MAX_LAYER)
        ++m_layer;
    else if (delta < 0 && m_layer > 0)
        --m_layer;
}

int CKeyComposer::ModifierKeyDown(Modifier modifier, bool rightHand)
{
    ModifierKeys& keys = KeysOf(modifier);
    // A held Shift types shifted characters in String Mode; elsewhere the
    // press appends the make code of a released button.
    keys.state = modifier == Modifier::Shift && m_mode == Mode::String ? 1 : 0;
    if (keys.held)
        return COMPOSE_OK;
    keys.held = true;
    return Append(modifierButton(modifier, rightHand));
}

int CKeyComposer::ModifierKeyUp(Modifier modifier, bool rightHand)
{
    ModifierKeys& keys = KeysOf(modifier);
    keys.held = false;
    // The state names the released side so that the append writes its
    // release code; String Mode has no release codes and no shift lock then.
    keys.state = rightHand ? MODIFIER_RIGHT : MODIFIER_LEFT;
    if (modifier == Modifier::Shift && m_mode == Mode::String)
        keys.state = 0;
    const int result = Append(modifierButton(modifier, rightHand));
    // The key is up: the next press or click of either side starts released.
    keys.state = 0;
    return result;
}

void CKeyComposer::ForgetReleasedModifierKeys(bool shiftDown, bool ctrlDown, bool altDown)
{
    // No release code is made up: mostly the message was the refusal of a
    // full content, which would refuse the release code the same way.
    const bool down[MODIFIER_COUNT] = { shiftDown, ctrlDown, altDown };
    for (int i = 0; i < MODIFIER_COUNT; ++i) {
        if (m_modifiers[i].held && !down[i])
            m_modifiers[i] = {};
    }
}

CKeyComposer::ModifierKeys& CKeyComposer::KeysOf(Modifier modifier)
{
    return m_modifiers[modifierIndex(modifier)];
}

unsigned CKeyComposer::ModifierState(Modifier modifier) const
{
    return modifier == Modifier::None ? 0 : m_modifiers[modifierIndex(modifier)].state;
}

PressResult CKeyComposer::DoublePress(PressKey key, std::uint32_t now)
{
    std::uint32_t& last = m_lastPress[static_cast<int>(key)];
    // 0 means no press is waiting, whatever the tick count is.
    if (last != 0 && static_cast<std::uint32_t>(now - last) < DOUBLE_PRESS_MS) {
        last = 0;
        return PressResult::Act;
    }
    if (last != 0) {
        last = 0;
        return PressResult::AppendKey;
    }
    last = now;
    return PressResult::Wait;
}

void CKeyComposer::ClearPressTimes()
{
    m_lastPress.fill(0);
}

int CKeyComposer::LastUsedLayer() const
{
    for (int layer = LAYER_COUNT - 1; layer >= 0; --layer)
        if (m_layers[layer].length > 0)
            return layer;
    return -1;
}

std::size_t CKeyComposer::JoinedLength(int extraLayer, std::size_t extraBytes) const
{
    std::size_t total = extraBytes;
    for (const LayerBuffer& layer : m_layers)
        total += layer.length;
    int last = LastUsedLayer();
    if (extraBytes > 0)
        last = std::max(last, extraLayer);
    // One separator before each layer up to the last one in use.
    return total + static_cast<std::size_t>(std::max(last, 0));
}

std::size_t CKeyComposer::SwitchLength() const
{
    const auto end = std::find(m_switch.begin(), m_switch.end() - 1, std::uint8_t { 0 });
    return static_cast<std::size_t>(end - m_switch.begin());
}

std::size_t CKeyComposer::ContentLength() const
{
    if (m_mode == Mode::LayerSwitch || m_locked)
        return SwitchLength();
    return JoinedLength(-1, 0);
}

std::vector<std::uint8_t> CKeyComposer::Content() const
{
    if (m_mode == Mode::LayerSwitch || m_locked)
        return { m_switch.begin(), m_switch.begin() + static_cast<std::ptrdiff_t>(SwitchLength()) };
    std::vector<std::uint8_t> content;
    const int last = LastUsedLayer();
    for (int layer = 0; layer <= last; ++layer) {
        if (layer > 0)
            content.push_back(LAYER_SEPARATOR);
        const std::span<const std::uint8_t> bytes = LayerBytes(static_cast<unsigned>(layer));
        content.insert(content.end(), bytes.begin(), bytes.end());
    }
    return content;
}

std::uint8_t CKeyComposer::Kind() const
{
    if (ContentLength() == 0)
        return keydata::KIND_EMPTY;
    if (m_locked)
        return keydata::KIND_SWITCH;
    switch (m_mode) {
    case Mode::Function:
        return keydata::KIND_FUNCTION;
    case Mode::LayerSwitch:
        return keydata::KIND_SWITCH;
    case Mode::String:
    case Mode::None:
        break;
    }
    return keydata::KIND_STRING;
}

int CKeyComposer::Store(keydata::KeyRecord& record) const
{
    const std::vector<std::uint8_t> content = Content();
    return keydata::storeKey(record, Kind(), content);
}

std::string CKeyComposer::Text() const
{
    std::string text;
    if (m_mode == Mode::LayerSwitch || m_locked)
        keydata::renderSwitchText(m_switch[0], text);
    else if (m_mode == Mode::Function)
        keydata::renderFunctionText(LayerBytes(m_layer), text);
    else if (m_mode == Mode::String)
        keydata::renderStringText(LayerBytes(m_layer), text);
    return text;
}

std::span<const std::uint8_t> CKeyComposer::LayerBytes(unsigned layer) const
{
    if (layer > MAX_LAYER)
        return {};
    return { m_layers[layer].bytes.data(), m_layers[layer].length };
}

CKeyComposer::Snapshot CKeyComposer::Save() const
{
    std::array<unsigned, MODIFIER_COUNT> states {};
    for (int i = 0; i < MODIFIER_COUNT; ++i)
        states[i] = m_modifiers[i].state;
    return { m_mode, m_padState, m_locked, m_keyDataInLockState, m_layer, states, m_layers, m_switch };
}

void CKeyComposer::Restore(const Snapshot& snapshot)
{
    m_mode = snapshot.mode;
    m_padState = snapshot.padState;
    m_locked = snapshot.locked;
    m_keyDataInLockState = snapshot.keyDataInLockState;
    m_layer = snapshot.layer;
    for (int i = 0; i < MODIFIER_COUNT; ++i)
        m_modifiers[i].state = snapshot.modifierStates[i];
    m_layers = snapshot.layers;
    m_switch = snapshot.switchBytes;
}

CKeyComposer::UndoStep::UndoStep(CKeyComposer& composer)
    : m_composer(composer)
    , m_depth(0)
{
    if (composer.m_inStep)
        return;
    composer.m_inStep = true;
    composer.m_undo.push_back(composer.Save());
    m_depth = composer.m_undo.size();
}

CKeyComposer::UndoStep::~UndoStep()
{
    if (m_depth == 0)
        return;
    m_composer.m_inStep = false;
    std::vector<Snapshot>& undo = m_composer.m_undo;
    if (undo.size() != m_depth)
        return;
    // An action that changed nothing is no step.
    if (undo.back() == m_composer.Save())
        undo.pop_back();
    else if (undo.size() > UNDO_LIMIT)
        undo.erase(undo.begin());
}

bool CKeyComposer::Undo()
{
    if (m_undo.empty())
        return false;
    Restore(m_undo.back());
    m_undo.pop_back();
    return true;
}

bool CKeyComposer::IsControlEnabled(int id) const
{
    if (id == ID_SWITCH_LAYER)
        return m_padState == PadState::LayerSelect;
    if (!inRange(id, FIRST_PAD_ID, LAST_PAD_ID))
        return true; // the mode buttons, OK and Cancel
    switch (m_padState) {
    case PadState::StringKeys:
        return !isDisabledForStrings(id);
    case PadState::FunctionKeys:
        return true;
    case PadState::FunctionKeysInUse:
        return id != KEY_CAPS && id != KEY_NUM_LOCK && id != KEY_SCROLL_LOCK;
    case PadState::LayerSelect:
        return false;
    case PadState::LockKey:
        return id == KEY_CAPS || id == KEY_NUM_LOCK || id == KEY_SCROLL_LOCK || id == ID_DELETE
            || (id == ID_KEY_DATA && m_keyDataInLockState);
    }
    return false;
}

} // namespace keycomposition
