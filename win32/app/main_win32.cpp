// Lodemar.exe: the keyboard programming tool as a Windows program.
#include "app/CProgrammerApp_win32.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return win32::CProgrammerApp().Run();
}
