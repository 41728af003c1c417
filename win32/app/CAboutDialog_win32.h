#pragma once

// CAboutDialog: "About tavrin" (template 118), the program icon, two lines
// and OK; OK or Escape closes it. It has nothing of its own beyond the
// template.

#include "widgets/CDialog_win32.h"

namespace win32 {

class CAboutDialog : public CDialog {
public:
    CAboutDialog();
};

} // namespace win32
