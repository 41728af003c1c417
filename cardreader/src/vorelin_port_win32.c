/* The serial port on Windows: a COM device opened for synchronous I/O. The
   handle is the system HANDLE itself.

   Between reads the port keeps the time-outs it was opened with (a read
   returns at once with what the receive queue holds). A bounded wait is one
   read of a single byte under a total time-out of the wait's length; once a
   byte is in, the rest of what has arrived is taken at once. WaitCommEvent is
   not used: on a synchronous handle it cannot be bounded. */
#include "vorelin_port.h"

#include <windows.h>

enum { PORT_QUEUE_SIZE = 1024 };

static void setReturnAtOnce(HANDLE h)
{
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 0;
    (void)SetCommTimeouts(h, &t);
}

static BOOL setWaitTotal(HANDLE h, DWORD waitMs)
{
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = waitMs;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 0;
    return SetCommTimeouts(h, &t);
}

VorelinHandle vorelinPortOpen(const char* name)
{
    if (!name)
        return NULL;
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE || h == NULL)
        return NULL;
    // Only a serial device is a port: a file or NUL would take every request
    // and never answer.
    DCB current;
    ZeroMemory(&current, sizeof current);
    current.DCBlength = sizeof current;
    if (GetFileType(h) != FILE_TYPE_CHAR || !GetCommState(h, &current)) {
        CloseHandle(h);
        return NULL;
    }

    setReturnAtOnce(h);
    (void)SetCommMask(h, EV_RXCHAR);
    (void)SetupComm(h, PORT_QUEUE_SIZE, PORT_QUEUE_SIZE);

    // Every field not set here stays 0: no flow control, DTR and RTS
    // disabled, no parity checking, no character replacement, NUL bytes kept.
    DCB dcb;
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = 0;
    dcb.XoffLim = 0;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    (void)SetCommState(h, &dcb);

    (void)PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    return (VorelinHandle)h;
}

int vorelinPortClose(VorelinHandle port)
{
    if (!port)
        return 0;
    (void)CloseHandle((HANDLE)port);
    return 1;
}

int vorelinPortWrite(VorelinHandle port, const unsigned char* data, size_t count)
{
    if (!port)
        return -1;
    DWORD written = 0;
    if (!WriteFile((HANDLE)port, data, (DWORD)count, &written, NULL))
        return -1;
    return written == count ? 0 : -1;
}

unsigned vorelinPortClock(void* port)
{
    (void)port;
    return (unsigned)GetTickCount();
}

int vorelinPortRead(void* port, unsigned char* buffer, size_t max, int waitMs)
{
    if (!port)
        return -1;
    if (max == 0)
        return 0;
    HANDLE h = (HANDLE)port;
    if (!setWaitTotal(h, waitMs > 0 ? (DWORD)waitMs : 1))
        return -1;
    DWORD got = 0;
    const BOOL ok = ReadFile(h, buffer, 1, &got, NULL);
    setReturnAtOnce(h);
    if (!ok)
        return -1;
    if (got == 0)
        return 0;
    if (max > 1) {
        DWORD more = 0;
        if (!ReadFile(h, buffer + 1, (DWORD)(max - 1), &more, NULL))
            return -1;
        got += more;
    }
    return (int)got;
}
