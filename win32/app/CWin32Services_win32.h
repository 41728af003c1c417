#pragma once

// CWin32Services: what the presenters ask of the Win32 front end besides
// their windows: message boxes captioned with the program's name, the
// system's file choosers (GetSaveFileNameA, GetOpenFileNameA), the key
// programming, configuration and About dialogs, the progress window, the
// private profile, the modifier keys and the tick count.

#include "widgets/CPrivateProfile_win32.h"
#include "widgets/CProgressPopup_win32.h"

#include <presenters/CFrontEndServices.h>

#include <windows.h>

#include <memory>

namespace win32 {

class CWin32Services : public presenters::CFrontEndServices {
public:
    // Boxes and dialogs stand over owner (the main window), or over the key
    // programming dialog while it runs.
    void SetOwner(HWND owner) { m_owner = owner; }

    presenters::MessageAnswer ShowMessage(
        const std::string& text, presenters::MessageIcon icon, presenters::MessageButtons buttons) override;
    std::string ChooseSaveFile(const presenters::FileFilter& filter) override;
    std::string ChooseOpenFile(const std::vector<presenters::FileFilter>& filters) override;
    bool RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title) override;
    bool RunConfigDialog(keydata::KeyTable& table) override;
    void RunAboutDialog() override;
    void OpenProgress(const std::string& title, int steps) override;
    void StepProgress(const std::string& status) override;
    void CloseProgress() override;
    std::string ReadProfileString(const std::string& section, const std::string& key) override;
    bool WriteProfileString(
        const std::string& section, const std::string& key, const std::string& value) override;
    presenters::ModifierKeys ModifierKeysDown() override;
    std::uint32_t TickCount() override;

private:
    HWND m_owner = nullptr;
    CPrivateProfile m_profile;
    std::unique_ptr<CProgressPopup> m_progress;
};

} // namespace win32
