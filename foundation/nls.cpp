#include "foundation/nls.h"

#include "foundation/unicode_case_fold.h"

#include <cctype>
#include <cstdio>
#include <cwchar>
#include <cwctype>

unsigned short codepage = 850;
int textcodepage = 0;
namespace {

constexpr std::array<unsigned char, 256> ascii_case_table(bool up)
{
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; c++) {
        int r = c;
        if (up && c >= 'a' && c <= 'z')
            r = c - 'a' + 'A';
        if (!up && c >= 'A' && c <= 'Z')
            r = c - 'A' + 'a';
        t[c] = static_cast<unsigned char>(r);
    }
    return t;
}

}

std::array<unsigned char, 256> upcase = ascii_case_table(true);
std::array<unsigned char, 256> downcase = ascii_case_table(false);
bool HasSingleDoubleJoins = false;

int DefaultTextCodePage()
{
    return textcodepage ? textcodepage : 819;
}

char* CPName(int cp, char* out)
{
    if (cp == 819)
        std::snprintf(out, 16, "ISO-8859-1");
    else if (cp == 878 || cp == 20866)
        std::snprintf(out, 16, "KOI8-R");
    else if (cp == 21866)
        std::snprintf(out, 16, "KOI8-U");
    // The numbers under which other systems know the ISO 8859 parts.
    else if ((cp >= 28591 && cp <= 28599) || cp == 28603 || cp == 28605)
        std::snprintf(out, 16, "ISO-8859-%d", cp - 28590);
    else
        std::snprintf(out, 16, "CP%d", cp);
    return out;
}

void nls_init()
{
    for (int c = 0; c < 256; c++) {
        upcase[c] = static_cast<unsigned char>(std::toupper(c));
        downcase[c] = static_cast<unsigned char>(std::tolower(c));
    }
    HasSingleDoubleJoins = true;
}

void nls_strupr(char* s)
{
    for (; *s; s++)
        *s = static_cast<char>(upcase[static_cast<unsigned char>(*s)]);
}

void nls_strlwr(char* s)
{
    for (; *s; s++)
        *s = static_cast<char>(downcase[static_cast<unsigned char>(*s)]);
}

wchar_t nls_toupper(wchar_t c)
{
    return CUnicodeCaseFold::toupper(c);
}

wchar_t nls_tolower(wchar_t c)
{
    if (c >= 0 && c < 128)
        return static_cast<wchar_t>(std::tolower(c));
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

void nls_strupr(wchar_t* s)
{
    for (; *s; s++)
        *s = nls_toupper(*s);
}

void nls_strlwr(wchar_t* s)
{
    for (; *s; s++)
        *s = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*s)));
}

int nls_stricmp(const char* a, const char* b)
{
    return nls_strnicmp(a, b, static_cast<size_t>(-1));
}

int nls_strnicmp(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        int ca = upcase[static_cast<unsigned char>(a[i])];
        int cb = upcase[static_cast<unsigned char>(b[i])];
        if (ca != cb)
            return ca - cb;
        if (ca == 0)
            break;
    }
    return 0;
}

int nls_stricmp(const wchar_t* a, const wchar_t* b)
{
    return nls_strnicmp(a, b, static_cast<size_t>(-1));
}

int nls_strnicmp(const wchar_t* a, const wchar_t* b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        wchar_t ca = nls_toupper(a[i]);
        wchar_t cb = nls_toupper(b[i]);
        if (ca != cb)
            return static_cast<int>(ca - cb);
        if (ca == 0)
            break;
    }
    return 0;
}

int fncompare(const wchar_t* a, const wchar_t* b)
{
    return std::wcscmp(a, b);
}

int fncomparen(const wchar_t* a, const wchar_t* b, size_t n)
{
    return std::wcsncmp(a, b, n);
}

// Names are compared by their upper-cased code points, with "_" ranked
// before every other character. The whole code point takes part (not just
// its low byte), so names in non-Latin scripts keep a true order and two
// different names never compare equal merely by sharing low bytes.
int nls_fname_cmp(const wchar_t* a, const wchar_t* b)
{
    for (;; a++, b++) {
        long ca = nls_toupper(*a);
        long cb = nls_toupper(*b);
        if (ca != cb || ca == 0) {
            if (ca == '_')
                ca = 1;
            if (cb == '_')
                cb = 1;
            return ca < cb ? -1 : (ca > cb ? 1 : 0);
        }
    }
}
