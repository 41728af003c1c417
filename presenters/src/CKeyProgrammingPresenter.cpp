#include <presenters/CKeyProgrammingPresenter.h>

#include <presenters/PresenterTexts.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keycomposition/KeyMap.h>
#include <lodemar/Format.h>

#include <string_view>

namespace presenters {

using namespace dialoglayout;
using namespace keycomposition;
using lodemar::format;

namespace {

// The six modifier strips in the order of the presenter's strip states.
constexpr int MODIFIER_IDS[]
    = { KEY_LEFT_SHIFT, KEY_RIGHT_SHIFT, KEY_LEFT_CTRL, KEY_RIGHT_CTRL, KEY_LEFT_ALT, KEY_RIGHT_ALT };
constexpr int STRIP_RELEASED = 1;
constexpr int STRIP_PUSHED = 2;

// The controls besides the on-screen keys whose enabling the pad state decides.
constexpr int PAD_CONTROLS[]
    = { ID_KEY_DATA, ID_DELETE, ID_DELAY, ID_DELAY_SPIN, ID_LAYER, ID_LAYER_SPIN, ID_SWITCH_LAYER };

struct StripLook {
    int released;
    int pushed;
    const char* releasedTip;
    const char* pushedTip;
};

StripLook stripLookOf(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Ctrl:
        return { resources::BITMAP_CTRL_RELEASED, resources::BITMAP_CTRL_PUSHED, TIP_CTRL_RELEASED,
            TIP_CTRL_PUSHED };
    case Modifier::Alt:
        return { resources::BITMAP_ALT_RELEASED, resources::BITMAP_ALT_PUSHED, TIP_ALT_RELEASED,
            TIP_ALT_PUSHED };
    case Modifier::Shift:
    case Modifier::None:
        break;
    }
    return { resources::BITMAP_SHIFT_RELEASED, resources::BITMAP_SHIFT_PUSHED, TIP_SHIFT_RELEASED,
        TIP_SHIFT_PUSHED };
}

enum class FieldCheck { Ok, NotUnsigned, OutOfRange };

// An unsigned decimal number, blanks around it allowed, as the field
// exchange reads it.
FieldCheck readUnsigned(std::string_view text, unsigned maximum, unsigned& value)
{
    constexpr std::string_view BLANKS = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(BLANKS);
    if (first == std::string_view::npos)
        return FieldCheck::NotUnsigned;
    const std::string_view digits = text.substr(first, text.find_last_not_of(BLANKS) - first + 1);
    unsigned long long number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return FieldCheck::NotUnsigned;
        if (number <= maximum)
            number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > maximum)
        return FieldCheck::OutOfRange;
    value = static_cast<unsigned>(number);
    return FieldCheck::Ok;
}

} // namespace

CKeyProgrammingPresenter::CKeyProgrammingPresenter(
    CKeyProgrammingView& view, CFrontEndServices& services, keydata::KeyTable& table)
    : m_view(view)
    , m_services(services)
    , m_table(table)
{
}

void CKeyProgrammingPresenter::SetPosition(int row, int column)
{
    m_row = row;
    m_column = column;
}

keydata::KeyRecord* CKeyProgrammingPresenter::Record() const
{
    if (!keydata::isTableSlot(m_row, m_column))
        return nullptr;
    return &m_table.Record(m_row, m_column);
}

void CKeyProgrammingPresenter::Open()
{
    m_open = true;
    if (!m_title.empty())
        m_view.SetTitle(m_title);
    m_view.ShowStrip(KEY_KEYPAD_ENTER, KEYPAD_ENTER_STRIP, TIP_KEYPAD_ENTER);
    m_view.ShowStrip(ID_DELETE, DELETE_STRIP, TIP_DELETE);
    if (const keydata::KeyRecord* record = Record())
        m_composer.Open(*record);
    else
        m_composer.Open(keydata::KeyRecord {});
    ShowSwitchLayer();
    m_stripShown.fill(0);
    ShowFields();
    m_view.FocusControl(ID_KEY_DATA, false);
}

bool CKeyProgrammingPresenter::ReadFields()
{
    const auto read = [this](int id, unsigned maximum, unsigned& value) {
        const FieldCheck check = readUnsigned(m_view.FieldText(id), maximum, value);
        if (check == FieldCheck::Ok)
            return true;
        Tell(check == FieldCheck::NotUnsigned ? std::string(TEXT_NOT_UNSIGNED)
                                              : format(TEXT_OUT_OF_RANGE, 0u, maximum),
            MessageIcon::Warning);
        m_view.FocusControl(id, true);
        return false;
    };
    unsigned delay = 0;
    if (!read(ID_DELAY, MAX_DELAY, delay))
        return false;
    m_composer.SetDelay(delay);
    unsigned layer = 0;
    if (!read(ID_LAYER, MAX_LAYER, layer))
        return false;
    m_composer.SetLayer(layer);
    return true;
}

void CKeyProgrammingPresenter::ShowFields()
{
    m_view.ShowKeyData(m_composer.Text());
    m_view.SetFieldText(ID_DELAY, std::to_string(m_composer.Delay()));
    m_view.SetFieldText(ID_LAYER, std::to_string(m_composer.Layer()));
    switch (m_composer.GetMode()) {
    case Mode::String:
        m_view.CheckRadio(ID_STRING_MODE);
        break;
    case Mode::Function:
        m_view.CheckRadio(ID_FUNCTION_MODE);
        break;
    case Mode::LayerSwitch:
        m_view.CheckRadio(ID_LAYER_SWITCH);
        break;
    case Mode::None:
        break;
    }
    for (const OnScreenKey& key : onScreenKeys())
        m_view.EnableControl(key.id, m_composer.IsControlEnabled(key.id));
    for (const int id : PAD_CONTROLS)
        m_view.EnableControl(id, m_composer.IsControlEnabled(id));
    ShowModifierStrips();
    m_view.SetFieldText(
        ID_CONTENT_USE, format(TEXT_CONTENT_USE, static_cast<int>(m_composer.ContentLength())));
    m_view.EnableControl(ID_UNDO, m_composer.CanUndo());
}

void CKeyProgrammingPresenter::ShowModifierStrips()
{
    for (std::size_t i = 0; i < std::size(MODIFIER_IDS); ++i) {
        const int id = MODIFIER_IDS[i];
        const int shown = m_composer.IsModifierPushed(id) ? STRIP_PUSHED : STRIP_RELEASED;
        if (m_stripShown[i] == shown)
            continue;
        const StripLook look = stripLookOf(modifierOf(id));
        const bool pushed = shown == STRIP_PUSHED;
        m_view.ShowStrip(
            id, pushed ? look.pushed : look.released, pushed ? look.pushedTip : look.releasedTip);
        m_stripShown[i] = shown;
    }
}

void CKeyProgrammingPresenter::ShowSwitchLayer()
{
    m_view.SelectSwitchLayer(m_composer.GetMode() == Mode::LayerSwitch && !m_composer.IsLocked()
            ? m_composer.SwitchLayerIndex()
            : -1);
}

void CKeyProgrammingPresenter::Tell(const std::string& text, MessageIcon icon)
{
    m_telling = true;
    m_services.ShowMessage(text, icon, MessageButtons::Ok);
    m_telling = false;
    // The box had the keyboard: a modifier key released meanwhile sent its
    // key-up there. The platform knows which keys are still down.
    const ModifierKeys down = m_services.ModifierKeysDown();
    m_composer.ForgetReleasedModifierKeys(down.shift, down.ctrl, down.alt);
    ShowModifierStrips();
}

void CKeyProgrammingPresenter::Report(int result)
{
    if (result == COMPOSE_E_FULL)
        Tell(TEXT_KEY_STRING_FULL);
}

void CKeyProgrammingPresenter::OnKeyClicked(int id)
{
    const CKeyComposer::UndoStep step(m_composer);
    Report(m_composer.Append(id));
    // The toggle runs after the append, refused or not.
    m_composer.ToggleModifier(id);
    ShowFields();
    if (lockCodeOf(id) && m_composer.IsLocked() && m_composer.GetPadState() == PadState::LockKey)
        m_view.FocusControl(ID_KEY_DATA, false);
}

void CKeyProgrammingPresenter::OnModeClicked(Mode mode)
{
    const CKeyComposer::UndoStep step(m_composer);
    ReadFields(); // Delay and Layer keep their values through a mode change
    m_composer.SelectMode(mode);
    if (mode == Mode::LayerSwitch)
        m_view.SelectSwitchLayer(0);
    ShowFields();
}

void CKeyProgrammingPresenter::OnSwitchLayerChosen(int index)
{
    const CKeyComposer::UndoStep step(m_composer);
    m_composer.SelectSwitchLayer(index);
    ShowFields();
}

void CKeyProgrammingPresenter::OnUndo()
{
    if (!m_open || m_telling || !m_composer.Undo())
        return;
    ShowSwitchLayer();
    ShowFields();
}

void CKeyProgrammingPresenter::OnDeleteClicked()
{
    const CKeyComposer::UndoStep step(m_composer);
    DeleteKeyData();
}

void CKeyProgrammingPresenter::DeleteKeyData()
{
    if (!ReadFields())
        return;
    m_composer.Delete();
    ShowFields();
}

void CKeyProgrammingPresenter::OnDelayStep(int delta)
{
    if (!ReadFields())
        return;
    m_composer.StepDelay(delta);
    ShowFields();
}

void CKeyProgrammingPresenter::OnLayerStep(int delta)
{
    if (!ReadFields())
        return;
    m_composer.StepLayer(delta);
    ShowFields();
}

bool CKeyProgrammingPresenter::InsertDelayFromField()
{
    if (!ReadFields())
        return false;
    const int result = m_composer.InsertDelay();
    Report(result);
    ShowFields();
    return result == COMPOSE_OK;
}

void CKeyProgrammingPresenter::OnFieldLeft(int id)
{
    // Not while a message is up or the field's own handling moves the focus.
    if (!m_open || m_telling || m_leavingField)
        return;
    m_leavingField = true;
    if (id == ID_DELAY) {
        const CKeyComposer::UndoStep step(m_composer);
        InsertDelayFromField();
    } else if (id == ID_LAYER && ReadFields()) {
        // The typed layer is shown at once, as a spin step shows it.
        ShowFields();
    }
    m_leavingField = false;
}

void CKeyProgrammingPresenter::OnOk()
{
    if (m_telling)
        return;
    if (!m_open)
        Open(); // OK without being shown: the key as it is
    // An invalid field keeps the dialog open after the delay went in.
    const CKeyComposer::UndoStep step(m_composer);
    // A value shown in Delay counts however it got there: typed (OK with a
    // click takes the focus from the field, Enter in the field does not) or
    // set with the spin arrows, which never take the focus.
    if (!InsertDelayFromField() || !ReadFields())
        return;
    if (keydata::KeyRecord* record = Record()) {
        if (m_composer.Store(*record) != keydata::KEYTABLE_OK) {
            Tell(TEXT_KEY_STRING_FULL);
            return;
        }
    }
    m_view.Close(true);
}

void CKeyProgrammingPresenter::OnCancel()
{
    m_view.Close(false);
}

bool CKeyProgrammingPresenter::OnModeButtonKey(int id, int virtualKey)
{
    if (virtualKey != VK_RETURN || (id != ID_STRING_MODE && id != ID_FUNCTION_MODE))
        return false;
    m_view.FocusControl(ID_KEY_DATA, false);
    return true;
}

// System keys outside Function Mode keep their mnemonics.
bool CKeyProgrammingPresenter::TakesShortcut(bool systemKey) const
{
    return !systemKey || m_composer.GetMode() == Mode::Function;
}

bool CKeyProgrammingPresenter::OnKeyDataUnknownKey(bool systemKey)
{
    if (!TakesShortcut(systemKey))
        return false;
    m_composer.ClearPressTimes();
    return true;
}

bool CKeyProgrammingPresenter::OnKeyDataKeyDown(const PhysicalKey& key, bool shifted)
{
    const CKeyComposer::UndoStep step(m_composer);
    const int mapped = buttonOfVirtualKey(key.virtualKey);
    if (key.message == KeyMessage::SysKeyDown) {
        if (m_composer.GetMode() != Mode::Function)
            return false; // mnemonics
        if (key.virtualKey == VK_MENU)
            Report(m_composer.ModifierKeyDown(Modifier::Alt, key.extended));
        // Alt with a letter: the letter's code after the Alt code.
        if (m_composer.ModifierState(Modifier::Alt) == 0 && mapped != 0)
            Report(m_composer.Append(mapped));
        ShowFields();
        return true;
    }
    switch (key.virtualKey) {
    case VK_BACK:
        if (m_composer.GetMode() == Mode::String) {
            DeleteKeyData();
            Report(m_composer.Append(mapped)); // the on-screen Backspace: disabled here
        } else {
            OnDoublePress(PressKey::Backspace, KEY_BACKSPACE, [this] { DeleteKeyData(); });
        }
        break;
    case VK_TAB:
        OnDoublePress(PressKey::Tab, KEY_TAB, [this, shifted] { m_view.MoveFocus(!shifted); });
        return true;
    case VK_RETURN:
        OnDoublePress(PressKey::Enter, KEY_ENTER, [this] { OnOk(); });
        return true;
    case VK_ESCAPE:
        OnDoublePress(PressKey::Escape, KEY_ESCAPE, [this] { OnCancel(); });
        return true;
    case VK_SHIFT:
        Report(m_composer.ModifierKeyDown(Modifier::Shift, key.extended));
        break;
    case VK_CONTROL:
        Report(m_composer.ModifierKeyDown(Modifier::Ctrl, key.extended));
        break;
    default:
        m_composer.ClearPressTimes();
        if (mapped != 0)
            Report(m_composer.Append(mapped));
        break;
    }
    ShowFields();
    return true;
}

bool CKeyProgrammingPresenter::OnKeyDataKeyUp(const PhysicalKey& key)
{
    const CKeyComposer::UndoStep step(m_composer);
    if (key.message == KeyMessage::SysKeyUp) {
        if (key.virtualKey == VK_MENU) {
            Report(m_composer.ModifierKeyUp(Modifier::Alt, key.extended));
            ShowFields();
        }
        return true; // every system key-up
    }
    if (key.virtualKey == VK_SHIFT)
        Report(m_composer.ModifierKeyUp(Modifier::Shift, key.extended));
    else if (key.virtualKey == VK_CONTROL)
        Report(m_composer.ModifierKeyUp(Modifier::Ctrl, key.extended));
    else
        return false;
    ShowFields();
    return true;
}

void CKeyProgrammingPresenter::OnDoublePress(PressKey key, int buttonId, const std::function<void()>& action)
{
    switch (m_composer.DoublePress(key, m_services.TickCount())) {
    case PressResult::Act:
        action();
        break;
    case PressResult::AppendKey:
        Report(m_composer.Append(buttonId));
        ShowFields();
        break;
    case PressResult::Wait:
        break;
    }
}

} // namespace presenters
