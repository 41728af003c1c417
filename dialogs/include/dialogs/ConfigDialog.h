// CConfigDialog: the modal dialog "Config" that shows the key table's two
// settings bytes as seven check boxes and writes them back on OK.
//
//   CConfigDialog dialog(table);
//   widgets::RunModal(dialog);
//
// OK rebuilds systemConfig and mcrConfig from the boxes (every bit without
// a box becomes 0); Cancel changes nothing.
#pragma once

#include <QDialog>

#include <array>

class QCheckBox;

namespace keydata {
class KeyTable;
}
namespace widgets {
class CSkinnedButton;
}

class CConfigDialog : public QDialog {
    Q_OBJECT
public:
    explicit CConfigDialog(keydata::KeyTable& table, QWidget* parent = nullptr);

    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    keydata::KeyTable& m_table;
    std::array<QCheckBox*, 3> m_systemBoxes {};
    std::array<QCheckBox*, 4> m_mcrBoxes {};
    widgets::CSkinnedButton* m_ok = nullptr;
    widgets::CSkinnedButton* m_cancel = nullptr;
    bool m_open = false;
};
