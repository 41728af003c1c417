/* Runs operations one after another on one open port and prints each result:
   OPERATION RESULT [DATA]. For trying a reader by hand and for scripted checks.
   Usage: vorelin_probe PORT OPERATION...
   Operations: version present poweron poweroff beep0 beep1 beep2
               check=HEX6 change=HEX6 read=AREA,ADDR,COUNT write=AREA,ADDR,HEX
               sleep=MS */
#include <vorelin.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
static void sleepMs(long ms)
{
    Sleep((DWORD)ms);
}
#else
#include <time.h>
static void sleepMs(long ms)
{
    struct timespec ts = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&ts, NULL);
}
#endif

/* Hex digits to bytes; -1 when malformed or longer than max. */
static int parseHex(const char* text, unsigned char* out, size_t max)
{
    const size_t digits = strlen(text);
    if (digits % 2 != 0 || digits / 2 > max)
        return -1;
    for (size_t i = 0; i < digits / 2; ++i) {
        char pair[3] = { text[2 * i], text[2 * i + 1], 0 };
        char* end;
        const long v = strtol(pair, &end, 16);
        if (*end != 0)
            return -1;
        out[i] = (unsigned char)v;
    }
    return (int)(digits / 2);
}

static void printBytes(const unsigned char* bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        printf("%s%02X", i ? "" : " ", bytes[i]);
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: vorelin_probe PORT OPERATION...\n");
        return 2;
    }
    VorelinHandle port = OpenComProt(argv[1]);
    if (!port) {
        printf("open failed\n");
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const char* op = argv[i];
        const char* arg = strchr(op, '=');
        arg = arg ? arg + 1 : "";
        unsigned char bytes[VORELIN_MAX_REPLY_DATA];
        uint32_t count = 0;
        int32_t result;
        int haveBytes = 0;
        if (strcmp(op, "version") == 0) {
            result = GetICVersion(port, bytes, &count);
            haveBytes = 1;
        } else if (strcmp(op, "present") == 0) {
            int32_t indication = 0;
            result = IsCardPresent(port, &indication);
            if (result == VORELIN_OK)
                printf("present %d %d\n", (int)result, (int)indication);
            else
                printf("present %d\n", (int)result);
            fflush(stdout);
            continue;
        } else if (strcmp(op, "poweron") == 0) {
            result = PowerOn(port);
        } else if (strcmp(op, "poweroff") == 0) {
            result = PowerOff(port);
        } else if (strncmp(op, "beep", 4) == 0) {
            result = MakeBeep(port, atoi(op + 4));
        } else if (strncmp(op, "check=", 6) == 0 || strncmp(op, "change=", 7) == 0) {
            if (parseHex(arg, bytes, 3) != 3) {
                printf("%s bad-argument\n", op);
                continue;
            }
            result = strncmp(op, "check=", 6) == 0 ? CheckPassword(port, bytes) : ChangePassword(port, bytes);
        } else if (strncmp(op, "read=", 5) == 0) {
            int area, address, want;
            if (sscanf(arg, "%i,%i,%i", &area, &address, &want) != 3) {
                printf("%s bad-argument\n", op);
                continue;
            }
            result = ReadData(port, bytes, want, address, area, &count);
            haveBytes = 1;
        } else if (strncmp(op, "write=", 6) == 0) {
            int area, address, used = 0;
            if (sscanf(arg, "%i,%i,%n", &area, &address, &used) != 2 || used == 0) {
                printf("%s bad-argument\n", op);
                continue;
            }
            const int n = parseHex(arg + used, bytes, sizeof bytes);
            if (n < 0) {
                printf("%s bad-argument\n", op);
                continue;
            }
            result = WriteData(port, bytes, (uint32_t)n, address, area);
        } else if (strncmp(op, "sleep=", 6) == 0) {
            sleepMs(atol(arg));
            continue;
        } else {
            printf("%s unknown\n", op);
            continue;
        }
        printf("%s %d", op, (int)result);
        if (haveBytes && result == VORELIN_OK)
            printBytes(bytes, count);
        printf("\n");
        fflush(stdout);
    }
    CloseComProt(port);
    return 0;
}
