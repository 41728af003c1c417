#pragma once

// The configuration dialog's rules: the key table's two settings bytes shown
// as the seven check boxes of template 130 and rebuilt from them on OK
// (every bit without a box becomes 0); Cancel changes nothing.
//
//   presenter.OnInitDialog();   // the boxes show the bytes
//   presenter.OnOk();           // the bytes from the boxes, then the dialog ends

#include <presenters/CConfigView.h>

namespace keydata {
class KeyTable;
}

namespace presenters {

class CConfigPresenter {
public:
    CConfigPresenter(keydata::KeyTable& table, CConfigView& view);

    void OnInitDialog();
    // Accepted before the dialog was initialised, the boxes first show the
    // bytes as they are.
    void OnOk();
    void OnCancel();

private:
    keydata::KeyTable& m_table;
    CConfigView& m_view;
    bool m_initialised = false;
};

} // namespace presenters
