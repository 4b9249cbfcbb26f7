#include "console/cell_string.h"

#include <cassert>
#include <cstring>

CellString::CellString(int capacity)
{
    assert(capacity >= 0);
    allocate(capacity);
}

CellString::CellString(const wchar_t* s, unsigned char a) : attr(a)
{
    Append(s, a, -1);
}

CellString::CellString(const char* s, unsigned char a) : attr(a)
{
    Westring w(s);
    Append(w.c_str(), a, -1);
}

CellString::CellString(const CellString& o) : attr(o.attr)
{
    copy(o.data, o.len);
}

CellString::CellString(CellString&& o) noexcept : attr(o.attr)
{
    *this = static_cast<CellString&&>(o);
}

CellString::~CellString()
{
    release();
}

CellString& CellString::operator=(const CellString& o)
{
    if (this != &o) {
        attr = o.attr;
        copy(o.data, o.len);
    }
    return *this;
}

CellString& CellString::operator=(CellString&& o) noexcept
{
    if (this == &o)
        return *this;
    attr = o.attr;
    if (o.data == o.inline_cells) {
        copy(o.data, o.len);
        o.len = 0;
        return *this;
    }
    release();
    data = o.data;
    len = o.len;
    cap = o.cap;
    o.data = o.inline_cells;
    o.len = 0;
    o.cap = InlineSize;
    return *this;
}

CellString& CellString::operator=(const char* s)
{
    int n = s ? static_cast<int>(std::strlen(s)) : 0;
    allocate(n);
    for (int i = 0; i < n; i++)
        data[i] = ScreenCell(static_cast<unsigned char>(s[i]), attr);
    len = n;
    return *this;
}

CellString& CellString::operator=(const wchar_t* s)
{
    int n = s ? static_cast<int>(std::wcslen(s)) : 0;
    allocate(n);
    for (int i = 0; i < n; i++)
        data[i] = ScreenCell(s[i], attr);
    len = n;
    return *this;
}

CellString& CellString::operator+=(const CellString& s)
{
    if (&s == this) {
        CellString tmp(s);
        Append(tmp.data, tmp.len);
    } else {
        Append(s.data, s.len);
    }
    return *this;
}

CellString& CellString::operator+=(const Westring& s)
{
    Append(s.c_str(), attr, -1);
    return *this;
}

CellString& CellString::operator+=(ScreenCell c)
{
    reallocate(len + 1);
    data[len++] = c;
    return *this;
}

CellString& CellString::operator+=(wchar_t c)
{
    return *this += ScreenCell(c, attr);
}

ScreenCell& CellString::operator[](int i)
{
    assert(i >= 0 && i < len);
    return data[i];
}

const ScreenCell& CellString::operator[](int i) const
{
    assert(i >= 0 && i < len);
    return data[i];
}

void CellString::copy(const ScreenCell* s, int n)
{
    assert(n >= 0);
    if (n > cap) {
        // s may lie in the buffer that allocate drops.
        CellString tmp;
        tmp.allocate(n);
        std::memcpy(tmp.data, s, sizeof(ScreenCell) * n);
        tmp.len = n;
        tmp.attr = attr;
        *this = static_cast<CellString&&>(tmp);
        return;
    }
    std::memmove(data, s, sizeof(ScreenCell) * n);
    len = n;
}

CellString CellString::left(int n) const
{
    if (n < 0)
        n = 0;
    if (n > len)
        n = len;
    CellString r;
    r.attr = attr;
    r.copy(data, n);
    return r;
}

CellString CellString::mid(int start, int n) const
{
    if (start < 0)
        start = 0;
    if (start > len)
        start = len;
    if (n < 0 || n > len - start)
        n = len - start;
    CellString r;
    r.attr = attr;
    r.copy(data + start, n);
    return r;
}

CellString CellString::pad(int n) const
{
    CellString r(*this);
    while (r.len < n)
        r += L' ';
    return r;
}

int CellString::rchr(wchar_t c) const
{
    for (int i = len - 1; i >= 0; i--)
        if (data[i].ch == c)
            return i;
    return -1;
}

void CellString::Append(const ScreenCell* s, int n)
{
    if (n < 0)
        n = strlen(s);
    if (len + n > cap && s >= data && s < data + cap) {
        CellString tmp;
        tmp.copy(s, n);
        Append(tmp.data, n);
        return;
    }
    reallocate(len + n);
    std::memmove(data + len, s, sizeof(ScreenCell) * n);
    len += n;
}

void CellString::Append(const wchar_t* s, unsigned char a, int n)
{
    int avail = s ? static_cast<int>(std::wcslen(s)) : 0;
    if (n < 0 || n > avail)
        n = avail;
    reallocate(len + n);
    for (int i = 0; i < n; i++)
        data[len + i] = ScreenCell(s[i], a);
    len += n;
}

void CellString::SetLength(int n)
{
    assert(n >= 0);
    reallocate(n);
    len = n;
}

void CellString::allocate(int n)
{
    if (n <= cap)
        return;
    release();
    data = new ScreenCell[n];
    cap = n;
}

void CellString::reallocate(int n)
{
    if (n <= cap)
        return;
    int ncap = n + n / 2;
    ScreenCell* nd = new ScreenCell[ncap];
    std::memcpy(nd, data, sizeof(ScreenCell) * len);
    if (data != inline_cells)
        delete[] data;
    data = nd;
    cap = ncap;
}

void CellString::release()
{
    if (data != inline_cells)
        delete[] data;
    data = inline_cells;
    cap = InlineSize;
}

CellString operator+(const CellString& a, const CellString& b)
{
    CellString r(a);
    r += b;
    return r;
}

CellString operator+(const CellString& a, const Westring& b)
{
    CellString r(a);
    r += b;
    return r;
}
