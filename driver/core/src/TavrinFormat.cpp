#include "TavrinTrace.h"

namespace {

// Appends c while room remains for the terminator.
inline void put(char* out, uint32_t capacity, uint32_t& length, char c)
{
    if (length + 1 < capacity)
        out[length++] = c;
}

void putNumber(char* out, uint32_t capacity, uint32_t& length, uint32_t magnitude, uint32_t base)
{
    static const char DIGITS[] = "0123456789abcdef";
    char reversed[12];
    uint32_t count = 0;
    do {
        reversed[count++] = DIGITS[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    while (count > 0)
        put(out, capacity, length, reversed[--count]);
}

} // namespace

uint32_t tavrinFormat(char* out, uint32_t capacity, const char* format, int32_t value)
{
    if (capacity == 0)
        return 0;
    uint32_t length = 0;
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%' || f[1] == '\0') {
            put(out, capacity, length, *f);
            continue;
        }
        ++f;
        if (*f == 'd') {
            uint32_t magnitude = static_cast<uint32_t>(value);
            if (value < 0) {
                put(out, capacity, length, '-');
                magnitude = 0u - magnitude;
            }
            putNumber(out, capacity, length, magnitude, 10);
        } else if (*f == 'x') {
            // Like the kernel's %x: the 32-bit pattern, so -1 shows as ffffffff.
            putNumber(out, capacity, length, static_cast<uint32_t>(value), 16);
        } else {
            if (*f != '%')
                put(out, capacity, length, '%');
            put(out, capacity, length, *f);
        }
    }
    out[length] = '\0';
    return length;
}

void tavrinTrace(const TavrinPlatform* platform, const char* format, int32_t value)
{
    if (platform->trace == nullptr)
        return;
    char line[64];
    tavrinFormat(line, sizeof line, format, value);
    platform->trace(platform->context, line);
}
