#pragma once

// CConfigDialog: the modal dialog "Config" (template 130) of the Win32 front
// end, the view of presenters::CConfigPresenter: the template's seven check
// boxes, OK and Cancel skinned like every command button.
//
//   CConfigDialog dialog(table);
//   dialog.DoModal(MainWindow());

#include "widgets/CDialog_win32.h"
#include "widgets/CSkinnedButton_win32.h"

#include <presenters/CConfigPresenter.h>

namespace keydata {
class KeyTable;
}

namespace win32 {

class CConfigDialog : public CDialog, private presenters::CConfigView {
public:
    explicit CConfigDialog(keydata::KeyTable& table);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // presenters::CConfigView
    void SetChecked(int boxId, bool checked) override;
    bool IsChecked(int boxId) const override;
    void EndDialog(bool accepted) override;

    presenters::CConfigPresenter m_presenter;
    CSkinnedButton m_ok;
    CSkinnedButton m_cancel;
};

} // namespace win32
