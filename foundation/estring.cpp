#include "foundation/estring.h"

#include <cstdarg>
#include <cstdio>
#include <strings.h>

int Estring::compare(const char* s) const
{
    return strcasecmp(c_str(), s ? s : "");
}

Estring operator+(const Estring& a, const Estring& b)
{
    Estring r(a);
    r += b;
    return r;
}

Estring operator+(const Estring& a, const char* b)
{
    Estring r(a);
    r += b;
    return r;
}

Estring operator+(const char* a, const Estring& b)
{
    Estring r(a);
    r += b;
    return r;
}

Estring operator+(const Estring& a, char c)
{
    Estring r(a);
    r += c;
    return r;
}

Estring String(char c, int n)
{
    if (n <= 0 || c == 0)
        return Estring();
    Estring r(static_cast<unsigned>(n));
    char* p = r.buffer();
    for (int i = 0; i < n; i++)
        p[i] = c;
    p[n] = 0;
    return r;
}

Estring IntToStr(long v)
{
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%ld", v);
    return Estring(tmp);
}

Estring IntToStr(long long v, int base)
{
    assert(base >= 2 && base <= 36);
    char tmp[72];
    int i = sizeof tmp - 1;
    tmp[i] = 0;
    // Work on the magnitude as unsigned so that the most negative value has one.
    unsigned long long m = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
        int d = static_cast<int>(m % base);
        tmp[--i] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        m /= base;
    } while (m);
    if (v < 0)
        tmp[--i] = '-';
    return Estring(tmp + i);
}

Estring esprintf(const char* format, ...)
{
    char work[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(work, sizeof work, format, ap);
    va_end(ap);
    return Estring(work);
}

Estring FromBStr(const char* p, int n)
{
    Estring r;
    if (n <= 0)
        return r;
    // The field is not NUL-terminated, but a NUL inside it ends the text.
    int len = 0;
    while (len < n && p[len])
        len++;
    r.copy(p, len);
    return r.rtrim();
}

Estring ExpandTabs(const Estring& text, int width)
{
    Estring r;
    if (width <= 0)
        width = 1;
    int col = 0;
    for (const char* p = text.c_str(); *p; p++) {
        if (*p == '\t') {
            // To the next multiple of width, as the console, the terminal
            // and the highlighter do, so that text with tabs lines up the
            // same everywhere it is shown.
            int n = width - col % width;
            for (int i = 0; i < n; i++)
                r += ' ';
            col += n;
        } else {
            r += *p;
            col++;
        }
    }
    return r;
}
