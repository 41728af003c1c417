#include "app/CAboutDialog_win32.h"

#include <dialoglayout/AboutDialogLayout.h>

namespace win32 {

CAboutDialog::CAboutDialog()
    : CDialog(dialoglayout::IDD_ABOUTBOX)
{
}

} // namespace win32
