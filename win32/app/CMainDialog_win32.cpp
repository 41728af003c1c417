#include "app/CMainDialog_win32.h"

#include "widgets/Win32Text_win32.h"

#include <dialoglayout/AboutDialogLayout.h>
#include <presenters/PresenterTexts.h>
#include <resources/ResourceIds.h>

#include <commctrl.h>
#include <shellapi.h>

namespace win32 {

using namespace dialoglayout;

namespace {

// The window's own messages: the presenter is told the window is shown
// once the first message is handled after the window appears.
inline constexpr UINT WM_SHOWN = WM_APP + 1;

// Context menu commands (ours): undo, redo, the recent files.
inline constexpr UINT MENU_UNDO_ID = 1;
inline constexpr UINT MENU_REDO_ID = 2;
inline constexpr UINT MENU_RECENT_FIRST_ID = 100;

bool isCommandButton(int id)
{
    for (const CommandButton& button : COMMAND_BUTTONS)
        if (button.id == id)
            return true;
    return false;
}

} // namespace

CMainDialog::CMainDialog(std::unique_ptr<driverchannel::CDriverChannel> channel)
    : CDialog(IDD_MAIN_DIALOG)
    , m_channel(std::move(channel))
{
}

CMainDialog::~CMainDialog()
{
    // The presenter's channel removes the driver.
    m_presenter.reset();
    if (m_tips && IsWindow(m_tips))
        DestroyWindow(m_tips);
}

bool CMainDialog::OnInitDialog()
{
    SetMainWindow(Handle());
    m_services.SetOwner(Handle());

    // "&About Me..." at the end of the system menu, after a separator.
    char about[64] = {};
    if (HMENU system = GetSystemMenu(Handle(), FALSE);
        system && LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, int(sizeof about)) > 0) {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about);
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    m_icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resources::ICON_PROGRAM), IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resources::ICON_PROGRAM),
        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));

    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id) {
        CSkinnedButton& cap = m_keyCaps[std::size_t(id - 1000)];
        cap.Attach(Handle(), id);
        cap.LoadFace(id <= IDC_KEY_LAST_MAIN ? KEY_FACE : SMALL_KEY_FACE);
    }
    for (std::size_t i = 0; i < std::size(COMMAND_BUTTONS); ++i) {
        m_commands[i].Attach(Handle(), COMMAND_BUTTONS[i].id);
        m_commands[i].LoadFace(COMMAND_FACE);
        m_commands[i].SetCaptionColor(COLOR_COMMAND_CAPTION);
    }
    m_decoration.Attach(Handle(), IDC_DECORATION);
    m_decoration.LoadPicture(resources::BITMAP_DECORATION);
    m_dataArea.Attach(Handle(), IDC_DATA_AREA);
    m_tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, instance, nullptr);
    DragAcceptFiles(Handle(), TRUE);

    m_presenter = std::make_unique<presenters::CMainDialogPresenter>(
        static_cast<presenters::CMainView&>(*this), m_services, std::move(m_channel), false);
    m_presenter->SetLoadFailureReason(m_loadFailureReason);
    m_presenter->Initialize();
    PostMessageA(Handle(), WM_SHOWN, 0, 0);
    return true;
}

bool CMainDialog::OnCommand(int id, int notification)
{
    if (notification == BN_CLICKED && (isKeyCapId(id) || isCommandButton(id)))
        return m_presenter->OnCommand(id);
    return false;
}

void CMainDialog::OnOK()
{
    // Enter is the grid's (PreTranslateMessage); a default button has none.
}

void CMainDialog::OnCancel()
{
    m_presenter->OnCancel();
}

bool CMainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_SHOWN:
        m_presenter->OnShown();
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_PAINT:
        if (!IsIconic(Handle()))
            return false;
        PaintIcon();
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_icon);
        return true;
    case WM_CONTEXTMENU:
        OnContextMenu(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return true;
    case WM_CLOSE:
        m_presenter->OnCancel();
        return true;
    default:
        return false;
    }
}

bool CMainDialog::OnSysCommand(WPARAM command)
{
    const int id = int(command & SYSTEM_COMMAND_MASK);
    if (m_presenter->IsBusy())
        return true; // ignored while the keyboard is read or written
    if (id == IDM_ABOUTBOX || id == SC_CLOSE_COMMAND) {
        m_presenter->OnSysCommand(id);
        return true;
    }
    return false; // minimise, restore, move: the system's own handling
}

void CMainDialog::PaintIcon()
{
    PAINTSTRUCT paint {};
    HDC dc = BeginPaint(Handle(), &paint);
    SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client {};
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(Handle(), &paint);
}

bool CMainDialog::PreTranslateMessage(MSG& message)
{
    if (message.message != WM_KEYDOWN || (message.hwnd != Handle() && GetParent(message.hwnd) != Handle()))
        return false;
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    // Undo and redo wherever the focus is in the window.
    if (ctrl && message.wParam == 'Z') {
        shift ? m_presenter->Redo() : m_presenter->Undo();
        return true;
    }
    if (ctrl && message.wParam == 'Y') {
        m_presenter->Redo();
        return true;
    }
    return m_presenter->OnKeyDown(GetDlgCtrlID(message.hwnd), int(message.wParam));
}

void CMainDialog::OnContextMenu(int x, int y)
{
    if (m_presenter->IsBusy())
        return;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | (m_editActions.canUndo ? 0 : MF_GRAYED), MENU_UNDO_ID,
        m_editActions.undoText.c_str());
    AppendMenuA(menu, MF_STRING | (m_editActions.canRedo ? 0 : MF_GRAYED), MENU_REDO_ID,
        m_editActions.redoText.c_str());
    HMENU recent = CreatePopupMenu();
    const std::vector<std::string> files = m_presenter->RecentFiles();
    for (std::size_t i = 0; i < files.size(); ++i)
        AppendMenuA(recent, MF_STRING, MENU_RECENT_FIRST_ID + UINT(i),
            presenters::recentFileMenuText(int(i), files[i]).c_str());
    AppendMenuA(menu, MF_POPUP | (files.empty() ? MF_GRAYED : 0), reinterpret_cast<UINT_PTR>(recent),
        presenters::MENU_RECENT);
    if (x == -1 && y == -1) { // from the keyboard: at the window's corner
        RECT frame {};
        GetWindowRect(Handle(), &frame);
        x = frame.left;
        y = frame.top;
    }
    const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
    DestroyMenu(menu);
    if (chosen == MENU_UNDO_ID)
        m_presenter->Undo();
    else if (chosen == MENU_REDO_ID)
        m_presenter->Redo();
    else if (chosen >= MENU_RECENT_FIRST_ID && chosen < MENU_RECENT_FIRST_ID + files.size())
        m_presenter->LoadFile(files[chosen - MENU_RECENT_FIRST_ID]);
}

void CMainDialog::OnDropFiles(HDROP drop)
{
    char file[MAX_PATH] = {};
    const bool one = DragQueryFileA(drop, 0, file, MAX_PATH) > 0;
    DragFinish(drop);
    if (one && !m_presenter->IsBusy())
        m_presenter->LoadFile(file);
}

void CMainDialog::SetTitle(const std::string& title)
{
    SetWindowTextA(Handle(), title.c_str());
}

void CMainDialog::SetControlText(int id, const std::string& text)
{
    SetDlgItemTextA(Handle(), id, text.c_str());
    InvalidateRect(GetDlgItem(Handle(), id), nullptr, FALSE);
}

void CMainDialog::SetControlTip(int id, const std::string& tip)
{
    HWND control = GetDlgItem(Handle(), id);
    if (!m_tips || !control)
        return;
    TOOLINFOA tool {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(tip.c_str());
    SendMessageA(m_tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (!tip.empty())
        SendMessageA(m_tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CMainDialog::ShowKeyCap(int id, const presenters::KeyCapLook& look)
{
    if (!isKeyCapId(id))
        return;
    CSkinnedButton& cap = m_keyCaps[std::size_t(id - 1000)];
    // The caption is key text: one ISO-8859-1 byte per character.
    SetWindowTextW(cap.Handle(), wideFromLatin1(look.caption).c_str());
    cap.SetCaptionColor(look.color);
    InvalidateRect(cap.Handle(), nullptr, FALSE);
}

void CMainDialog::ShowKeyContent(const std::string& latin1Text)
{
    SetWindowTextW(GetDlgItem(Handle(), IDC_KEY_CONTENT), wideFromLatin1(latin1Text).c_str());
}

void CMainDialog::ShowDataArea(const presenters::DataAreaLook& look)
{
    m_dataArea.Show(look);
    SetControlTip(IDC_DATA_AREA, look.tip);
}

void CMainDialog::ShowEditActions(const presenters::EditActions& actions)
{
    m_editActions = actions;
}

bool CMainDialog::FocusControl(int id)
{
    HWND control = GetDlgItem(Handle(), id);
    if (!control)
        return false;
    SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    return true;
}

int CMainDialog::LastFocusedKey() const
{
    return win32::LastFocusedKey();
}

void CMainDialog::ReleaseMouseCapture()
{
    ReleaseCapture();
}

void CMainDialog::Minimize()
{
    ShowWindow(Handle(), SW_MINIMIZE);
}

void CMainDialog::Restore()
{
    ShowWindow(Handle(), SW_RESTORE);
}

void CMainDialog::Close()
{
    EndDialog(IDCANCEL);
}

} // namespace win32
