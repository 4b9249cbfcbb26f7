#ifndef PANNEX_FOUNDATION_UNICODE_CASE_FOLD_H
#define PANNEX_FOUNDATION_UNICODE_CASE_FOLD_H

#include <cstdint>

// Upper-casing of Unicode code points by one table lookup: entry c holds the
// simple upper-case form of c inside the Basic Multilingual Plane.
// The table is built on the first Get() and only read afterwards, so any
// number of threads may fold characters concurrently.
class CUnicodeCaseFold
{
public:
    // Built on the first call (a function-local static, so the check is
    // inline and thread-safe) and freed at exit.
    static const CUnicodeCaseFold& Get()
    {
        static const CUnicodeCaseFold instance;
        return instance;
    }

    // Code points from U+8000 up are returned unchanged, so the table's
    // fullwidth-form entries never take effect and wide wildcard sets never
    // fold characters they cannot hold.
    static wchar_t toupper(wchar_t c)
    {
        if (static_cast<uint32_t>(c) >= 0x8000)
            return c;
        return static_cast<wchar_t>(Get().table[c]);
    }
    // Upper-cases a NUL-terminated wide string in place.
    static void strupr(wchar_t* s);

private:
    CUnicodeCaseFold();
    uint16_t table[65536];
};

#endif
