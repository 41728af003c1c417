#pragma once

// CKeyProgrammingDialog: "Programing key" (template 129) of the Win32 front
// end, the view of presenters::CKeyProgrammingPresenter: the on-screen
// keyboard (strip buttons for the modifiers and keypad Enter), "Key Data"
// taking the physical keyboard (left and right modifiers told apart by the
// key messages' extended flag and scan code), the fields with their spin
// controls, the modes, the layer list, OK and Cancel.

#include "widgets/CColorFont_win32.h"
#include "widgets/CDialog_win32.h"
#include "widgets/CSkinnedButton_win32.h"
#include "widgets/CTipButton_win32.h"

#include <presenters/CKeyProgrammingPresenter.h>

#include <functional>
#include <map>
#include <memory>

namespace win32 {

class CKeyProgrammingDialog : public CDialog, private presenters::CKeyProgrammingView {
public:
    CKeyProgrammingDialog(keydata::KeyTable& table, presenters::CFrontEndServices& services);
    ~CKeyProgrammingDialog() override;

    // The title the dialog shows once it opens.
    void SetKeyTitle(const std::string& title) { m_presenter.SetTitle(title); }
    void SetPosition(int row, int column) { m_presenter.SetPosition(row, column); }
    // Told the dialog's window once it is made (boxes then stand over it).
    void SetShownHandler(std::function<void(HWND)> shown) { m_shown = std::move(shown); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int notification) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool PreTranslateMessage(MSG& message) override;

private:
    // presenters::CKeyProgrammingView
    void SetTitle(const std::string& title) override;
    void ShowKeyData(const std::string& latin1Text) override;
    void SetFieldText(int id, const std::string& text) override;
    std::string FieldText(int id) const override;
    void CheckRadio(int id) override;
    void SelectSwitchLayer(int index) override;
    void EnableControl(int id, bool enabled) override;
    void ShowStrip(int id, int bitmap, const std::string& tip) override;
    void FocusControl(int id, bool selectAll) override;
    void MoveFocus(bool forward) override;
    void Close(bool accepted) override;

    bool OnKeyDataMessage(const MSG& message);

    presenters::CKeyProgrammingPresenter m_presenter;
    std::function<void(HWND)> m_shown;
    std::map<int, std::unique_ptr<CStripButton>> m_strips;
    CSkinnedButton m_ok;
    CSkinnedButton m_cancel;
    std::unique_ptr<CColorFont> m_keyDataFont;
    HBRUSH m_keyDataBrush = nullptr;
};

} // namespace win32
