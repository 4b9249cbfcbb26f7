#include "viewer/xtoi.h"

long long xtoi(const char* text)
{
    long long v = 0;
    for (const char* p = text; *p; p++) {
        int d;
        if (*p >= '0' && *p <= '9')
            d = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            d = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            d = *p - 'A' + 10;
        else
            break;
        if (v < (1LL << 58))
            v = v * 16 + d;
    }
    return v;
}
