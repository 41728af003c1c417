#include "app/CWin32Services_win32.h"

#include "app/CAboutDialog_win32.h"
#include "dialogs/CConfigDialog_win32.h"
#include "dialogs/CKeyProgrammingDialog_win32.h"
#include "widgets/Messages_win32.h"

#include <presenters/PresenterTexts.h>

#include <commdlg.h>

#include <utility>

namespace win32 {
namespace {

// The filter string of the file choosers: label and patterns, each
// NUL-terminated, two NULs at the end. Patterns are blank-separated in the
// presenters and semicolon-separated here.
std::string filterOf(const std::vector<presenters::FileFilter>& filters)
{
    std::string text;
    for (const presenters::FileFilter& filter : filters) {
        std::string patterns = filter.patterns;
        for (char& c : patterns)
            if (c == ' ')
                c = ';';
        text += filter.label + '\0' + patterns + '\0';
    }
    return text + '\0';
}

OPENFILENAMEA chooser(HWND owner, const std::string& filter, char* file)
{
    OPENFILENAMEA dialog {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    return dialog;
}

} // namespace

presenters::MessageAnswer CWin32Services::ShowMessage(
    const std::string& text, presenters::MessageIcon icon, presenters::MessageButtons buttons)
{
    return win32::ShowMessage(m_owner, text, icon, buttons);
}

std::string CWin32Services::ChooseSaveFile(const presenters::FileFilter& filter)
{
    char file[MAX_PATH] = {};
    const std::string filters = filterOf({ filter });
    OPENFILENAMEA dialog = chooser(m_owner, filters, file);
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    return GetSaveFileNameA(&dialog) ? std::string(file) : std::string();
}

std::string CWin32Services::ChooseOpenFile(const std::vector<presenters::FileFilter>& filters)
{
    char file[MAX_PATH] = {};
    const std::string text = filterOf(filters);
    OPENFILENAMEA dialog = chooser(m_owner, text, file);
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&dialog) ? std::string(file) : std::string();
}

bool CWin32Services::RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title)
{
    CKeyProgrammingDialog dialog(table, *this);
    dialog.SetKeyTitle(title);
    dialog.SetPosition(row, column);
    const HWND owner = m_owner;
    dialog.SetShownHandler([this](HWND shown) { m_owner = shown; });
    const bool accepted = dialog.DoModal(owner) == IDOK;
    m_owner = owner;
    return accepted;
}

bool CWin32Services::RunConfigDialog(keydata::KeyTable& table)
{
    CConfigDialog dialog(table);
    return dialog.DoModal(m_owner) == IDOK;
}

void CWin32Services::RunAboutDialog()
{
    CAboutDialog about;
    about.DoModal(m_owner);
}

void CWin32Services::OpenProgress(const std::string& title, int steps)
{
    m_progress = std::make_unique<CProgressPopup>(m_owner, title.c_str(), false);
    // The window exists, so its title stays the one it was made with.
    m_progress->BeginModal(presenters::PROGRESS_DEFAULT_TITLE);
    m_progress->SetBounds(0, steps, 1);
}

void CWin32Services::StepProgress(const std::string& status)
{
    if (!m_progress)
        return;
    m_progress->SetStatus("%s", status.c_str());
    m_progress->Advance();
    m_progress->PumpMessages(true);
}

void CWin32Services::CloseProgress()
{
    if (m_progress)
        m_progress->Close();
    m_progress.reset();
}

std::string CWin32Services::ReadProfileString(const std::string& section, const std::string& key)
{
    return m_profile.ReadString(section, key);
}

bool CWin32Services::WriteProfileString(
    const std::string& section, const std::string& key, const std::string& value)
{
    return m_profile.WriteString(section, key, value);
}

presenters::ModifierKeys CWin32Services::ModifierKeysDown()
{
    const auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return { down(VK_SHIFT), down(VK_CONTROL), down(VK_MENU) };
}

std::uint32_t CWin32Services::TickCount()
{
    return GetTickCount();
}

} // namespace win32
