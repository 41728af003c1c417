#include "app/CProgrammerApp_win32.h"

#include "app/CMainDialog_win32.h"
#include "widgets/Win32Text_win32.h"

#include <app/CSingleInstance.h>
#include <app/ProgramChannel.h>
#include <transfer/CKeyboardTransfer.h>

#include <commctrl.h>

namespace win32 {
namespace {

// The reasons the other front ends give, naming this program file.
std::string loadFailureReason(const driverchannel::CDriverChannel& channel, int result)
{
    return transfer::loadFailureReason(channel, {}, result, applicationName().c_str());
}

} // namespace

int CProgrammerApp::Run()
{
    app::CSingleInstance instance;
    if (instance.Acquire() == app::InstanceState::AlreadyRunning)
        return 0;
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    {
        CMainDialog dialog(app::CreateProgramChannel({}));
        dialog.SetLoadFailureReason(loadFailureReason);
        dialog.DoModal(nullptr);
    }
    instance.Release();
    return 0;
}

} // namespace win32
