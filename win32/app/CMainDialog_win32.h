#pragma once

// CMainDialog: the program's main window (template 102) of the Win32 front
// end, a modal dialog whose loop is the program's life, as the view of
// presenters::CMainDialogPresenter. It takes over the template's key caps
// and command buttons (skinned), the decoration and our data area gauge,
// adds "&About Me..." to the system menu, draws the icon when minimised,
// forwards commands, system commands, the grid's keys, dropped files and
// its context menu (undo, redo, recent files) to the presenter, and shows
// what the presenter tells it.

#include "app/CDataAreaGauge_win32.h"
#include "app/CWin32Services_win32.h"
#include "widgets/CDialog_win32.h"
#include "widgets/CPicture_win32.h"
#include "widgets/CSkinnedButton_win32.h"

#include <dialoglayout/MainDialogLayout.h>
#include <presenters/CMainDialogPresenter.h>

#include <array>
#include <memory>

namespace win32 {

class CMainDialog : public CDialog, private presenters::CMainView {
public:
    explicit CMainDialog(std::unique_ptr<driverchannel::CDriverChannel> channel);
    ~CMainDialog() override;

    // Why a failed driver load failed, told under the system's text.
    void SetLoadFailureReason(presenters::LoadFailureReason reason)
    {
        m_loadFailureReason = std::move(reason);
    }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int notification) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool PreTranslateMessage(MSG& message) override;

private:
    // presenters::CMainView
    void SetTitle(const std::string& title) override;
    void SetControlText(int id, const std::string& text) override;
    void SetControlTip(int id, const std::string& tip) override;
    void ShowKeyCap(int id, const presenters::KeyCapLook& look) override;
    void ShowKeyContent(const std::string& latin1Text) override;
    void ShowDataArea(const presenters::DataAreaLook& look) override;
    void ShowEditActions(const presenters::EditActions& actions) override;
    bool FocusControl(int id) override;
    int LastFocusedKey() const override;
    void ReleaseMouseCapture() override;
    void Minimize() override;
    void Restore() override;
    void Close() override;

    void OnContextMenu(int x, int y);
    void OnDropFiles(HDROP drop);
    bool OnSysCommand(WPARAM command);
    void PaintIcon();

    CWin32Services m_services;
    std::unique_ptr<driverchannel::CDriverChannel> m_channel;
    presenters::LoadFailureReason m_loadFailureReason;
    std::unique_ptr<presenters::CMainDialogPresenter> m_presenter;
    // Element k is control 1000 + k for k = 1..100.
    std::array<CSkinnedButton, dialoglayout::KEY_CAP_SLOTS> m_keyCaps;
    std::array<CSkinnedButton, std::size(dialoglayout::COMMAND_BUTTONS)> m_commands;
    CPicture m_decoration;
    CDataAreaGauge m_dataArea;
    presenters::EditActions m_editActions;
    HWND m_tips = nullptr;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
};

} // namespace win32
