#include "foundation/westring.h"

#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <map>
#include <vector>

Westring::Westring(const char* utf8)
{
    FromUTF8(utf8);
}

Westring::Westring(const Estring& s)
{
    int n = s.strlen();
    setup(n);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.c_str());
    for (int i = 0; i < n; i++)
        data[i] = p[i];
    data[n] = 0;
}

Westring::Westring(const char* bytes, int cp)
{
    FromCodePage(bytes, cp);
}

bool Westring::operator==(const Westring& o) const
{
    return nls_stricmp(c_str(), o.c_str()) == 0;
}

bool Westring::operator==(const wchar_t* s) const
{
    return nls_stricmp(c_str(), s ? s : L"") == 0;
}

void Westring::setup(int n)
{
    assign(L"", 0);
    if (n >= InlineSize)
        allocate(n);
}

Westring Westring::upcase() const
{
    Westring r(*this);
    CUnicodeCaseFold::strupr(r.data);
    return r;
}

Westring Westring::downcase() const
{
    Westring r(*this);
    nls_strlwr(r.data);
    return r;
}

// Only "/" separates path components: on Unix a backslash is an ordinary
// character of a file name, and splitting at it would reach another file.
Westring Westring::filename() const
{
    int i = rchr(L'/');
    return i < 0 ? *this : mid(i + 1, 0);
}

Westring Westring::path() const
{
    int i = rchr(L'/');
    if (i < 0)
        return Westring();
    if (i == 2 && data[1] == L':')
        return left(3);
    return left(i);
}

int Westring::chr(wchar_t c, int n) const
{
    if (n <= 0 || c == 0)
        return -1;
    for (int i = 0; data[i]; i++)
        if (data[i] == c && --n == 0)
            return i;
    return -1;
}

int Westring::instr(const Westring& s, int from) const
{
    int len = strlen();
    if (from < 0)
        from = 0;
    if (from > len)
        return -1;
    const wchar_t* p = std::wcsstr(data + from, s.data);
    return p ? static_cast<int>(p - data) : -1;
}

int Westring::instri(const Westring& s) const
{
    return upcase().instr(s.upcase());
}

bool Westring::subst(const Westring& find, const Westring& repl)
{
    int i = instr(find);
    if (i < 0 || find.empty())
        return false;
    *this = left(i) + repl + mid(i + find.strlen(), 0);
    return true;
}

bool Westring::gsubst(const Westring& find, const Westring& repl)
{
    if (find.empty())
        return false;
    int flen = find.strlen(), rlen = repl.strlen();
    bool any = false;
    int from = 0;
    for (;;) {
        int i = instr(find, from);
        if (i < 0)
            break;
        *this = left(i) + repl + mid(i + flen, 0);
        from = i + rlen;
        any = true;
    }
    return any;
}

// Decoding of UTF-8 text:
//  - a byte below 0x80 is stored unchanged;
//  - a lead byte with enough continuation bytes gives the code point of the
//    two-, three- or four-byte form (over-long forms are not checked);
//  - any other byte from 0x80 up is stored as the code point of the same
//    value (Latin-1), and the result is marked invalid;
//  - a sequence that decodes to 0 (over-long NUL) is stored as 0xFFFFFFFF and
//    marked invalid, so the text never holds a NUL.
bool Westring::FromUTF8(const char* utf8)
{
    assign(L"", 0);
    if (!utf8)
        return true;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    int len = static_cast<int>(std::strlen(utf8));
    // A code point never takes more elements than its bytes.
    allocate(len);
    bool valid = true;
    int o = 0;
    for (int i = 0; i < len;) {
        unsigned b = p[i];
        int need;
        uint32_t cp;
        if (b < 0x80) {
            data[o++] = static_cast<wchar_t>(b);
            i++;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            need = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            need = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            need = 3;
            cp = b & 0x07;
        } else {
            need = -1;
            cp = 0;
        }
        bool ok = need > 0;
        for (int k = 1; ok && k <= need; k++) {
            if (i + k >= len || (p[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (!ok) {
            data[o++] = static_cast<wchar_t>(b);
            valid = false;
            i++;
            continue;
        }
        if (cp == 0) {
            data[o++] = static_cast<wchar_t>(0xFFFFFFFF);
            valid = false;
        } else {
            data[o++] = static_cast<wchar_t>(cp);
        }
        i += need + 1;
    }
    data[o] = 0;
    return valid;
}

namespace {

// Appends the UTF-8 form of c at out and returns the new end. The test is
// signed, so the decoder's invalid marker 0xFFFFFFFF becomes the byte 0xFF.
inline char* put_utf8(char* out, wchar_t wc)
{
    int32_t c = static_cast<int32_t>(wc);
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Each element takes at most four bytes.
Estring encode_utf8(const wchar_t* s, int len, bool raw_bytes)
{
    Estring r;
    r.allocate(len * 4);
    char* out = r.buffer();
    for (int i = 0; i < len; i++) {
        if (raw_bytes && IsRawNameByte(s[i]))
            *out++ = static_cast<char>(s[i] - 0xDC00);
        else
            out = put_utf8(out, s[i]);
    }
    *out = 0;
    return r;
}

// One cached conversion descriptor per direction and code page and thread,
// since opening one costs far more than converting a file name.
// The descriptors of one thread, closed when the thread ends.
struct IconvCache
{
    std::map<int, iconv_t> by_cp[2];
    ~IconvCache()
    {
        for (auto& m : by_cp)
            for (auto& [cp, cd] : m)
                if (cd != reinterpret_cast<iconv_t>(-1))
                    iconv_close(cd);
    }
};

iconv_t cached_iconv(int cp, bool to_unicode)
{
    thread_local IconvCache cache;
    auto& m = cache.by_cp[to_unicode ? 1 : 0];
    auto it = m.find(cp);
    if (it != m.end())
        return it->second;
    char name[16];
    CPName(cp, name);
    iconv_t cd = to_unicode ? iconv_open("UCS-4LE", name) : iconv_open(name, "UCS-4LE");
    m[cp] = cd;
    return cd;
}

}

Estring Westring::ToUTF8() const
{
    return encode_utf8(data, strlen(), false);
}

bool Westring::FromCodePage(const char* bytes, int cp)
{
    assign(L"", 0);
    iconv_t cd = cached_iconv(cp, true);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    if (!bytes)
        return true;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t inleft = std::strlen(bytes);
    char* in = const_cast<char*>(bytes);
    std::vector<unsigned char> out(inleft * 4 + 4);
    char* op = reinterpret_cast<char*>(out.data());
    size_t outleft = out.size();
    bool valid = true;
    while (inleft > 0) {
        if (iconv(cd, &in, &inleft, &op, &outleft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            break;
        // Skip the byte that cannot be converted and show a house sign instead.
        in++;
        inleft--;
        valid = false;
        const unsigned char house[4] = {0x02, 0x23, 0, 0};
        if (outleft < 4)
            break;
        std::memcpy(op, house, 4);
        op += 4;
        outleft -= 4;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    int n = static_cast<int>((out.size() - outleft) / 4);
    allocate(n);
    for (int i = 0; i < n; i++) {
        const unsigned char* q = out.data() + 4 * i;
        data[i] = static_cast<wchar_t>(q[0] | q[1] << 8 | q[2] << 16 | static_cast<uint32_t>(q[3]) << 24);
    }
    data[n] = 0;
    return valid;
}

Estring Westring::ToCodePage(int cp) const
{
    iconv_t cd = cached_iconv(cp, false);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return Estring();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    int len = strlen();
    std::vector<unsigned char> in(static_cast<size_t>(len) * 4);
    for (int i = 0; i < len; i++) {
        uint32_t c = static_cast<uint32_t>(data[i]);
        in[4 * i] = c & 0xFF;
        in[4 * i + 1] = (c >> 8) & 0xFF;
        in[4 * i + 2] = (c >> 16) & 0xFF;
        in[4 * i + 3] = (c >> 24) & 0xFF;
    }
    Estring r;
    r.allocate(len);
    char* ip = reinterpret_cast<char*>(in.data());
    size_t inleft = in.size();
    char* op = r.buffer();
    size_t outleft = static_cast<size_t>(len);
    // Converts once: the result ends at the first character the code page
    // cannot represent.
    iconv(cd, &ip, &inleft, &op, &outleft);
    *op = 0;
    return r;
}

Estring Westring::ToAscii() const
{
    int len = strlen();
    Estring r;
    r.allocate(len);
    char* out = r.buffer();
    for (int i = 0; i < len; i++)
        out[i] = static_cast<char>(data[i] & 0xFF);
    out[len] = 0;
    return r;
}

Westring operator+(const Westring& a, const Westring& b)
{
    Westring r(a);
    r += b;
    return r;
}

Westring operator+(const Westring& a, const wchar_t* b)
{
    Westring r(a);
    r += b;
    return r;
}

Westring operator+(const wchar_t* a, const Westring& b)
{
    Westring r(a);
    r += b;
    return r;
}

Westring operator+(const Westring& a, wchar_t c)
{
    Westring r(a);
    r += c;
    return r;
}

Westring String(wchar_t c, int n)
{
    Westring r;
    if (n <= 0 || c == 0)
        return r;
    r.setup(n);
    wchar_t* p = r.buffer();
    for (int i = 0; i < n; i++)
        p[i] = c;
    p[n] = 0;
    return r;
}

namespace {

// Length of the strictly valid UTF-8 sequence at p (shortest form, no
// surrogates, at most U+10FFFF), or 0 when the byte at p starts none.
inline int valid_utf8_length(const unsigned char* p)
{
    unsigned b = p[0];
    if (b >= 0xC2 && b <= 0xDF)
        return (p[1] & 0xC0) == 0x80 ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        return p[1] >= lo && p[1] <= hi && (p[2] & 0xC0) == 0x80 ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        return p[1] >= lo && p[1] <= hi && (p[2] & 0xC0) == 0x80 && (p[3] & 0xC0) == 0x80 ? 4 : 0;
    }
    return 0;
}

}

Westring FileNameFromSys(const char* bytes)
{
    Westring r;
    if (!bytes)
        return r;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    int len = static_cast<int>(std::strlen(bytes));
    r.setup(len);
    wchar_t* out = r.buffer();
    // The terminating NUL fails every continuation test, so the look-ahead
    // of valid_utf8_length never passes the end of the text.
    for (int i = 0; i < len;) {
        unsigned b = p[i];
        if (b < 0x80) {
            *out++ = static_cast<wchar_t>(b);
            i++;
            continue;
        }
        int n = valid_utf8_length(p + i);
        if (n == 0) {
            *out++ = static_cast<wchar_t>(0xDC00 + b);
            i++;
            continue;
        }
        uint32_t cp = n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; k < n; k++)
            cp = (cp << 6) | (p[i + k] & 0x3F);
        *out++ = static_cast<wchar_t>(cp);
        i += n;
    }
    *out = 0;
    return r;
}

Estring FileNameToSys(const Westring& name)
{
    return encode_utf8(name.c_str(), name.strlen(), true);
}

Estring MkEstring(const Westring& s)
{
    return s.ToCodePage(codepage);
}

Westring MkWestring(const Estring& s)
{
    return Westring(s.c_str(), codepage);
}
