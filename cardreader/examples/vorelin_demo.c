/* Walks through what an application does with a card reader: version, card
   presence, power, password, write and read back, power off.
   Usage: vorelin_demo PORT [PASSWORD_HEX]   (password default FFFFFF) */
#include <vorelin.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int parsePassword(const char* text, unsigned char* out)
{
    if (strlen(text) != 6)
        return -1;
    for (int i = 0; i < 3; ++i) {
        char pair[3] = { text[2 * i], text[2 * i + 1], 0 };
        char* end;
        const long v = strtol(pair, &end, 16);
        if (*end != 0)
            return -1;
        out[i] = (unsigned char)v;
    }
    return 0;
}

static int report(const char* step, int32_t result)
{
    printf("%-16s result %d\n", step, (int)result);
    return result == VORELIN_OK;
}

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: vorelin_demo PORT [PASSWORD_HEX]\n");
        return 2;
    }
    unsigned char password[3] = { 0xFF, 0xFF, 0xFF };
    if (argc == 3 && parsePassword(argv[2], password) != 0) {
        fprintf(stderr, "the password is three bytes in hex, such as FFFFFF\n");
        return 2;
    }
    VorelinHandle port = OpenComProt(argv[1]);
    if (!port) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    int ok = 1;
    unsigned char version[VORELIN_MAX_REPLY_DATA];
    uint32_t versionCount = 0;
    ok = ok && report("version", GetICVersion(port, version, &versionCount));
    if (ok)
        printf("  %.*s\n", (int)versionCount, (const char*)version);

    int32_t present = -1;
    ok = ok && report("card present", IsCardPresent(port, &present));
    if (ok)
        printf("  indication %d\n", (int)present);

    ok = ok && report("power on", PowerOn(port));
    ok = ok && report("check password", CheckPassword(port, password));

    const unsigned char pattern[4] = { 0xC0, 0xFF, 0xEE, 0x42 };
    ok = ok && report("write", WriteData(port, pattern, sizeof pattern, 0x40, 0));
    unsigned char back[VORELIN_MAX_REPLY_DATA];
    uint32_t backCount = 0;
    ok = ok && report("read", ReadData(port, back, sizeof pattern, 0x40, 0, &backCount));
    if (ok && (backCount != sizeof pattern || memcmp(back, pattern, sizeof pattern) != 0)) {
        printf("  read back differs from what was written\n");
        ok = 0;
    }
    if (ok)
        printf("  read back %02X %02X %02X %02X\n", back[0], back[1], back[2], back[3]);
    ok = ok && report("power off", PowerOff(port));
    CloseComProt(port);
    printf("%s\n", ok ? "all steps succeeded" : "a step failed");
    return ok ? 0 : 1;
}
