#include "dialogs/CKeyProgrammingDialog_win32.h"

#include "widgets/Win32Text_win32.h"

#include <dialoglayout/KeyDialogLayout.h>
#include <dialoglayout/MainDialogLayout.h>
#include <lodemar/Format.h>

#include <commctrl.h>

namespace win32 {

using namespace dialoglayout;
using keycomposition::Mode;

namespace {

// The spin controls' own ranges; the values are the presenter's.
inline constexpr int DELAY_SPIN_MAX = 100;
inline constexpr int LAYER_SPIN_MAX = 15;
inline constexpr int SPIN_START = 1;
inline constexpr int BOLD_FONT_HEIGHT = 0; // the field's own size
inline constexpr LPARAM KEY_EXTENDED_BIT = LPARAM(1) << 24;
inline constexpr LPARAM KEY_REPEAT_BIT = LPARAM(1) << 30;

} // namespace

CKeyProgrammingDialog::CKeyProgrammingDialog(
    keydata::KeyTable& table, presenters::CFrontEndServices& services)
    : CDialog(IDD_KEY_PROGRAMMING)
    , m_presenter(static_cast<presenters::CKeyProgrammingView&>(*this), services, table)
{
}

CKeyProgrammingDialog::~CKeyProgrammingDialog()
{
    if (m_keyDataBrush)
        DeleteObject(m_keyDataBrush);
}

bool CKeyProgrammingDialog::OnInitDialog()
{
    if (m_shown)
        m_shown(Handle());
    for (const OnScreenKey& key : onScreenKeys())
        if (isStripKey(key.id)) {
            auto strip = std::make_unique<CStripButton>();
            strip->Attach(Handle(), key.id);
            m_strips[key.id] = std::move(strip);
        }
    auto deleteKey = std::make_unique<CStripButton>();
    deleteKey->Attach(Handle(), ID_DELETE);
    m_strips[ID_DELETE] = std::move(deleteKey);
    for (auto [button, id] : { std::pair { &m_ok, ID_OK }, std::pair { &m_cancel, ID_CANCEL } }) {
        button->Attach(Handle(), id);
        button->LoadFace(COMMAND_FACE);
        button->SetCaptionColor(COLOR_COMMAND_CAPTION);
    }
    for (int number = 1; number <= SWITCH_LAYER_COUNT; ++number)
        SendDlgItemMessageA(Handle(), ID_SWITCH_LAYER, CB_ADDSTRING, 0,
            reinterpret_cast<LPARAM>(lodemar::format(TEXT_SWITCH_LAYER_ITEM, number).c_str()));
    SendDlgItemMessageA(Handle(), ID_DELAY_SPIN, UDM_SETRANGE32, 0, DELAY_SPIN_MAX);
    SendDlgItemMessageA(Handle(), ID_DELAY_SPIN, UDM_SETPOS32, 0, SPIN_START);
    SendDlgItemMessageA(Handle(), ID_LAYER_SPIN, UDM_SETRANGE32, 0, LAYER_SPIN_MAX);
    SendDlgItemMessageA(Handle(), ID_LAYER_SPIN, UDM_SETPOS32, 0, SPIN_START);
    ShowWindow(GetDlgItem(Handle(), ID_COMBINE_KEY), SW_HIDE);

    // "Key Data" in a bold font made from its own.
    LOGFONTA description {};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(Handle(), ID_KEY_DATA, WM_GETFONT, 0, 0)),
        sizeof description, &description);
    m_keyDataFont = std::make_unique<CColorFont>(description);
    m_keyDataFont->SetHeight(BOLD_FONT_HEIGHT);
    m_keyDataFont->SetBold(true);
    SendDlgItemMessageA(
        Handle(), ID_KEY_DATA, WM_SETFONT, reinterpret_cast<WPARAM>(m_keyDataFont->Handle()), FALSE);

    m_presenter.Open();
    return false; // the presenter has set the focus
}

bool CKeyProgrammingDialog::OnCommand(int id, int notification)
{
    if (notification == BN_CLICKED) {
        if (findOnScreenKey(id)) {
            m_presenter.OnKeyClicked(id);
            return true;
        }
        switch (id) {
        case ID_DELETE:
            m_presenter.OnDeleteClicked();
            return true;
        case ID_UNDO:
            m_presenter.OnUndo();
            return true;
        case ID_STRING_MODE:
            m_presenter.OnModeClicked(Mode::String);
            return true;
        case ID_FUNCTION_MODE:
            m_presenter.OnModeClicked(Mode::Function);
            return true;
        case ID_LAYER_SWITCH:
            m_presenter.OnModeClicked(Mode::LayerSwitch);
            return true;
        default:
            return false;
        }
    }
    if (id == ID_SWITCH_LAYER && notification == CBN_SELCHANGE) {
        m_presenter.OnSwitchLayerChosen(
            int(SendDlgItemMessageA(Handle(), ID_SWITCH_LAYER, CB_GETCURSEL, 0, 0)));
        return true;
    }
    if ((id == ID_DELAY || id == ID_LAYER) && notification == EN_KILLFOCUS && m_presenter.IsOpen()) {
        m_presenter.OnFieldLeft(id);
        return true;
    }
    return false;
}

void CKeyProgrammingDialog::OnOK()
{
    m_presenter.OnOk();
}

void CKeyProgrammingDialog::OnCancel()
{
    m_presenter.OnCancel();
}

bool CKeyProgrammingDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == UDN_DELTAPOS
            && (header->idFrom == ID_DELAY_SPIN || header->idFrom == ID_LAYER_SPIN)) {
            const int delta = reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta > 0 ? +1 : -1;
            if (header->idFrom == ID_DELAY_SPIN)
                m_presenter.OnDelayStep(delta);
            else
                m_presenter.OnLayerStep(delta);
            result = TRUE; // the spin's own position stays
            return true;
        }
    }
    // "Key Data" is read-only (every key is captured) and looks like a field.
    if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == ID_KEY_DATA) {
        if (!m_keyDataBrush)
            m_keyDataBrush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<INT_PTR>(m_keyDataBrush);
        return true;
    }
    return false;
}

bool CKeyProgrammingDialog::PreTranslateMessage(MSG& message)
{
    const bool keyMessage = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN
        || message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
    if (!keyMessage || !m_presenter.IsOpen())
        return false;
    const int focused = GetDlgCtrlID(message.hwnd);
    if (GetParent(message.hwnd) != Handle())
        return false;
    if (focused == ID_KEY_DATA)
        return OnKeyDataMessage(message);
    const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    if (down && (focused == ID_STRING_MODE || focused == ID_FUNCTION_MODE || focused == ID_LAYER_SWITCH))
        return m_presenter.OnModeButtonKey(focused, int(message.wParam));
    // Ctrl+Z undoes outside "Key Data", which takes it as keys.
    if (message.message == WM_KEYDOWN && message.wParam == 'Z' && (GetKeyState(VK_CONTROL) & 0x8000)) {
        m_presenter.OnUndo();
        return true;
    }
    return false;
}

// The key messages of "Key Data" as the capture rules take them.
bool CKeyProgrammingDialog::OnKeyDataMessage(const MSG& message)
{
    keycomposition::PhysicalKey key;
    const bool system = message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP;
    const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    key.message = down
        ? (system ? keycomposition::KeyMessage::SysKeyDown : keycomposition::KeyMessage::KeyDown)
        : (system ? keycomposition::KeyMessage::SysKeyUp : keycomposition::KeyMessage::KeyUp);
    key.autoRepeat = down && (message.lParam & KEY_REPEAT_BIT) != 0;
    const auto scanCode = std::uint32_t((message.lParam >> 16) & 0xFF);
    if (!keycomposition::decodeWin32Key(
            scanCode, std::uint32_t(message.wParam), std::uint32_t(message.lParam & KEY_EXTENDED_BIT), key))
        return down && m_presenter.OnKeyDataUnknownKey(system);
    if (!down)
        return m_presenter.OnKeyDataKeyUp(key);
    return m_presenter.OnKeyDataKeyDown(key, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
}

void CKeyProgrammingDialog::SetTitle(const std::string& title)
{
    SetWindowTextA(Handle(), title.c_str());
}

void CKeyProgrammingDialog::ShowKeyData(const std::string& latin1Text)
{
    HWND field = GetDlgItem(Handle(), ID_KEY_DATA);
    SetWindowTextW(field, wideFromLatin1(latin1Text).c_str());
    const LRESULT end = SendMessageW(field, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(field, EM_SETSEL, WPARAM(end), LPARAM(end));
    SendMessageW(field, EM_SCROLLCARET, 0, 0);
}

void CKeyProgrammingDialog::SetFieldText(int id, const std::string& text)
{
    SetDlgItemTextA(Handle(), id, text.c_str());
}

std::string CKeyProgrammingDialog::FieldText(int id) const
{
    char text[64] = {};
    GetDlgItemTextA(Handle(), id, text, int(sizeof text));
    return text;
}

void CKeyProgrammingDialog::CheckRadio(int id)
{
    CheckRadioButton(Handle(), ID_STRING_MODE, ID_LAYER_SWITCH, id);
}

void CKeyProgrammingDialog::SelectSwitchLayer(int index)
{
    SendDlgItemMessageA(Handle(), ID_SWITCH_LAYER, CB_SETCURSEL, WPARAM(index), 0);
}

void CKeyProgrammingDialog::EnableControl(int id, bool enabled)
{
    EnableWindow(GetDlgItem(Handle(), id), enabled ? TRUE : FALSE);
}

void CKeyProgrammingDialog::ShowStrip(int id, int bitmap, const std::string& tip)
{
    const auto found = m_strips.find(id);
    if (found == m_strips.end())
        return;
    found->second->LoadStrip(bitmap);
    found->second->SetTip(tip.c_str(), true);
    InvalidateRect(found->second->Handle(), nullptr, FALSE);
}

void CKeyProgrammingDialog::FocusControl(int id, bool selectAll)
{
    HWND control = GetDlgItem(Handle(), id);
    if (!control)
        return;
    SetFocus(control);
    if (selectAll)
        SendMessageA(control, EM_SETSEL, 0, -1);
}

void CKeyProgrammingDialog::MoveFocus(bool forward)
{
    SendMessageA(Handle(), WM_NEXTDLGCTL, forward ? 0 : 1, FALSE);
}

void CKeyProgrammingDialog::Close(bool accepted)
{
    m_presenter.OnClosed();
    EndDialog(accepted ? IDOK : IDCANCEL);
}

} // namespace win32
