// CConfigDialog: the modal dialog "Config" of the Qt front end, the view of
// presenters::CConfigPresenter: seven check boxes for the key table's two
// settings bytes, OK and Cancel.
//
//   CConfigDialog dialog(table);
//   widgets::RunModal(dialog);
#pragma once

#include <presenters/CConfigPresenter.h>

#include <QDialog>

namespace keydata {
class KeyTable;
}
namespace widgets {
class CSkinnedButton;
}

class CConfigDialog : public QDialog, private presenters::CConfigView {
    Q_OBJECT
public:
    explicit CConfigDialog(keydata::KeyTable& table, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // presenters::CConfigView
    void SetChecked(int boxId, bool checked) override;
    bool IsChecked(int boxId) const override;
    void EndDialog(bool accepted) override;

    presenters::CConfigPresenter m_presenter;
    widgets::CSkinnedButton* m_ok = nullptr;
    widgets::CSkinnedButton* m_cancel = nullptr;
    bool m_open = false;
};
