/* Vorelin.dll keeps no per-process or per-thread state: loading and unloading
   need nothing. */
#include <windows.h>

/* The loader's entry, declared by no header. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
