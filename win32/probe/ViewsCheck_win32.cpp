// lodemar-views: shows one view of the Win32 front end over its presenter,
// for the checks under Wine, and prints what came of it.
//   lodemar-views config SYSTEM MCR   "Config" over the two bytes (hex); prints them after it closes
//   lodemar-views about               the About box
//   lodemar-views progress            the progress window of a write over an owner window; a step
//                                     every 100 ms while it pumps, until the last or a cancel;
//                                     prints how it ended
//   lodemar-views message TEXT        a stop box with the text
#include "app/CAboutDialog_win32.h"
#include "dialogs/CConfigDialog_win32.h"
#include "widgets/CPrivateProfile_win32.h"
#include "widgets/CProgressPopup_win32.h"
#include "widgets/Messages_win32.h"

#include <keydata/KeyTable.h>
#include <presenters/PresenterTexts.h>
#include <transfer/TransferTexts.h>

#include <commctrl.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

inline constexpr const char* OWNER_TITLE = "lodemar-views owner";
inline constexpr DWORD STEP_MS = 100;
inline constexpr int WRITE_STEPS = 128;

int runConfig(const char* system, const char* mcr)
{
    keydata::KeyTable table;
    table.systemConfig = std::uint8_t(std::strtoul(system, nullptr, 16));
    table.mcrConfig = std::uint8_t(std::strtoul(mcr, nullptr, 16));
    win32::CConfigDialog dialog(table);
    const INT_PTR result = dialog.DoModal(nullptr);
    std::printf(
        "config %02X %02X %s\n", table.systemConfig, table.mcrConfig, result == IDOK ? "ok" : "cancel");
    return result == -1 ? 1 : 0;
}

// Waits for up to milliseconds, handling messages meanwhile: through the
// progress window's pump, or, once that returns at once after a cancel,
// as an outer loop does (which handles the close request).
void waitHandlingMessages(win32::CProgressPopup& progress, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - (GetTickCount() - start), QS_ALLINPUT);
        progress.PumpMessages(true);
        MSG message {};
        while (progress.IsCancelled() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

int runProgress()
{
    HWND owner = CreateWindowExA(0, "STATIC", OWNER_TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
        300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    win32::SetMainWindow(owner);
    int steps = 0;
    bool ownerDisabled = false;
    {
        win32::CProgressPopup progress(owner, transfer::text::PROGRESS_TITLE, false);
        if (!progress.BeginModal(presenters::PROGRESS_DEFAULT_TITLE))
            return 1;
        progress.SetBounds(0, WRITE_STEPS, 1);
        // A cancel ends the steps here (the program's write goes on), and
        // the loop goes on handling messages until the close request is in.
        for (; steps < WRITE_STEPS && !progress.IsCancelled(); ++steps) {
            progress.SetStatus("programing %d key", steps);
            progress.Advance();
            progress.PumpMessages(true);
            ownerDisabled = ownerDisabled || !IsWindowEnabled(owner);
            waitHandlingMessages(progress, STEP_MS);
        }
        waitHandlingMessages(progress, STEP_MS);
        std::printf(
            "progress cancelled=%d window=%d\n", progress.IsCancelled() ? 1 : 0, progress.Handle() ? 1 : 0);
        progress.Close();
    }
    win32::CPrivateProfile profile;
    std::printf(
        "owner disabled=%d enabled after=%d\n", ownerDisabled ? 1 : 0, IsWindowEnabled(owner) ? 1 : 0);
    std::printf("profile %s X=%d Y=%d\n", win32::CPrivateProfile::Path().c_str(),
        profile.ReadInt(presenters::PROFILE_SETTINGS_SECTION, presenters::PROFILE_KEY_X, -1),
        profile.ReadInt(presenters::PROFILE_SETTINGS_SECTION, presenters::PROFILE_KEY_Y, -1));
    DestroyWindow(owner);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "config" && argc == 4)
        return runConfig(argv[2], argv[3]);
    if (command == "about")
        return win32::CAboutDialog().DoModal(nullptr) == -1 ? 1 : 0;
    if (command == "progress")
        return runProgress();
    if (command == "message" && argc == 3) {
        win32::ShowMessage(nullptr, argv[2], presenters::MessageIcon::Stop);
        return 0;
    }
    std::fprintf(stderr, "usage: lodemar-views config SYSTEM MCR | about | progress | message TEXT\n");
    return 2;
}
