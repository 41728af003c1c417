#include "app/CProgrammerApp_win32.h"

#include "app/CMainDialog_win32.h"
#include "app/Win32Texts.h"

#include <app/ProgramChannel.h>
#include <app/SingleInstance.h>
#include <lodemar/Format.h>

#include <commctrl.h>

namespace win32 {
namespace {

std::string loadFailureReason(const driverchannel::CDriverChannel&, int result)
{
    switch (result) {
    case driverchannel::CHANNEL_DRIVER_FILE_NOT_FOUND:
        return lodemar::format(LOAD_NO_DRIVER_FILE, driverchannel::DriverHostFolder({}).c_str());
    case driverchannel::CHANNEL_OPEN_MANAGER_FAILED:
        return LOAD_NO_SERVICE_MANAGER;
    case driverchannel::CHANNEL_OPEN_SERVICE_FAILED:
        return LOAD_NO_SERVICE;
    case driverchannel::CHANNEL_START_FAILED:
        return LOAD_NOT_STARTED;
    case driverchannel::CHANNEL_NO_DEVICE:
        return LOAD_NO_DEVICE;
    case driverchannel::CHANNEL_OUT_OF_MEMORY:
        return LOAD_OUT_OF_MEMORY;
    case driverchannel::CHANNEL_DIRECTORY_FAILED:
        return LOAD_NO_DIRECTORY;
    default:
        return lodemar::format(LOAD_OTHER, result);
    }
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
