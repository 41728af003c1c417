#include "dialogs/CConfigDialog_win32.h"

#include <dialoglayout/ConfigDialogLayout.h>
#include <dialoglayout/MainDialogLayout.h>

namespace win32 {

CConfigDialog::CConfigDialog(keydata::KeyTable& table)
    : CDialog(dialoglayout::IDD_CONFIG)
    , m_presenter(table, *this)
{
}

bool CConfigDialog::OnInitDialog()
{
    for (auto [button, id] : { std::pair { &m_ok, dialoglayout::IDC_CONFIG_OK },
             std::pair { &m_cancel, dialoglayout::IDC_CONFIG_CANCEL } }) {
        button->Attach(Handle(), id);
        button->LoadFace(dialoglayout::COMMAND_FACE);
        button->SetCaptionColor(dialoglayout::COLOR_COMMAND_CAPTION);
    }
    m_presenter.OnInitDialog();
    return true;
}

void CConfigDialog::OnOK()
{
    m_presenter.OnOk();
}

void CConfigDialog::OnCancel()
{
    m_presenter.OnCancel();
}

void CConfigDialog::SetChecked(int boxId, bool checked)
{
    CheckDlgButton(Handle(), boxId, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool CConfigDialog::IsChecked(int boxId) const
{
    return IsDlgButtonChecked(Handle(), boxId) == BST_CHECKED;
}

void CConfigDialog::EndDialog(bool accepted)
{
    CDialog::EndDialog(accepted ? IDOK : IDCANCEL);
}

} // namespace win32
