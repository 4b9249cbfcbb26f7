#include "console/screen_cell.h"

namespace {

template <class Ch>
ScreenCell* copy_text(ScreenCell* dst, const Ch* src, unsigned char attr, int n)
{
    for (int i = 0; i < n; i++) {
        wchar_t c = static_cast<wchar_t>(src[i]);
        if constexpr (sizeof(Ch) == 1)
            c = static_cast<unsigned char>(src[i]);
        dst[i] = ScreenCell(c, attr);
        if (c == 0)
            break;
    }
    return dst;
}

constexpr int unlimited = 0x7FFFFFFF;

}

ScreenCell* strcpy(ScreenCell* dst, const char* src, unsigned char attr)
{
    return copy_text(dst, src, attr, unlimited);
}

ScreenCell* strncpy(ScreenCell* dst, const char* src, unsigned char attr, int n)
{
    return copy_text(dst, src, attr, n);
}

ScreenCell* strcat(ScreenCell* dst, const char* src, unsigned char attr)
{
    copy_text(dst + strlen(dst), src, attr, unlimited);
    return dst;
}

ScreenCell* strcpy(ScreenCell* dst, const wchar_t* src, unsigned char attr)
{
    return copy_text(dst, src, attr, unlimited);
}

ScreenCell* strncpy(ScreenCell* dst, const wchar_t* src, unsigned char attr, int n)
{
    return copy_text(dst, src, attr, n);
}

ScreenCell* strcat(ScreenCell* dst, const wchar_t* src, unsigned char attr)
{
    copy_text(dst + strlen(dst), src, attr, unlimited);
    return dst;
}

ScreenCell* strcpy(ScreenCell* dst, const ScreenCell* src)
{
    int i = 0;
    do
        dst[i] = src[i];
    while (src[i++].ch != 0);
    return dst;
}

ScreenCell* strcat(ScreenCell* dst, const ScreenCell* src)
{
    strcpy(dst + strlen(dst), src);
    return dst;
}

int strlen(const ScreenCell* s)
{
    int n = 0;
    while (s[n].ch != 0)
        n++;
    return n;
}
