#ifndef PANNEX_TEXT_TEXT_DECODE_H
#define PANNEX_TEXT_TEXT_DECODE_H

#include "text/code_page_table.h"
#include "text/text_file.h"

#include <cstddef>

// The decoders under CTextFile, one character at a time but inline, so the
// block loops that call them compile to tight code per format. Internal to
// text/ (and its tests and fuzz targets).
namespace text_decode {

inline int raw(const unsigned char* p, int& c)
{
    c = RawByteBase + p[0];
    return 1;
}

// A valid UTF-8 sequence of two to four bytes at p (lead byte 0xC2 or
// above): its length and value; 0 when the bytes at p are no valid
// sequence, with need set when only the end of the bytes at hand cut it.
// Over-long forms, surrogates and values beyond U+10FFFF are not valid.
inline int utf8_sequence(const unsigned char* p, const unsigned char* end, int& c, bool& need)
{
    unsigned b0 = p[0];
    int n;
    unsigned lo = 0x80, hi = 0xBF;
    int v;
    if (b0 < 0xC2)
        return 0;
    if (b0 < 0xE0) {
        n = 2;
        v = b0 & 0x1F;
    } else if (b0 < 0xF0) {
        n = 3;
        v = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 < 0xF5) {
        n = 4;
        v = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F;
    } else
        return 0;
    for (int i = 1; i < n; i++) {
        if (p + i >= end) {
            need = true;
            return 0;
        }
        unsigned b = p[i];
        if (b < lo || b > hi)
            return 0;
        lo = 0x80;
        hi = 0xBF;
        v = v << 6 | (b & 0x3F);
    }
    c = v;
    return n;
}

// One character at p (p < end): the bytes it takes, or 0 when more bytes
// are needed and eof says there are more. phase is the offset from the
// text start, which tells where UTF-16 and UTF-32 units begin.
template <int F>
inline int decode(const unsigned char* p, const unsigned char* end, bool eof, long long phase, const wchar_t* cp,
                  int& c)
{
    if constexpr (F == FormatUTF8) {
        if (p[0] < 0x80) {
            c = p[0];
            return 1;
        }
        bool need = false;
        int n = utf8_sequence(p, end, c, need);
        if (n > 0)
            return n;
        if (need && !eof)
            return 0;
        return raw(p, c);
    } else if constexpr (F == FormatCodePage) {
        (void)end, (void)eof, (void)phase;
        c = cp[p[0]];
        return 1;
    } else if constexpr (F == FormatUTF16LE || F == FormatUTF16BE) {
        (void)cp;
        if (phase & 1)
            return raw(p, c);
        if (end - p < 2)
            return eof ? raw(p, c) : 0;
        unsigned u = F == FormatUTF16LE ? (p[0] | p[1] << 8) : (p[0] << 8 | p[1]);
        if (u < 0xD800 || u > 0xDFFF) {
            c = static_cast<int>(u);
            return 2;
        }
        if (u >= 0xDC00)
            return raw(p, c);
        if (end - p < 4)
            return eof ? raw(p, c) : 0;
        unsigned u2 = F == FormatUTF16LE ? (p[2] | p[3] << 8) : (p[2] << 8 | p[3]);
        if (u2 < 0xDC00 || u2 > 0xDFFF)
            return raw(p, c);
        c = static_cast<int>(0x10000 + ((u - 0xD800) << 10) + (u2 - 0xDC00));
        return 4;
    } else {
        static_assert(F == FormatUTF32LE || F == FormatUTF32BE);
        (void)cp;
        if (phase & 3)
            return raw(p, c);
        if (end - p < 4)
            return eof ? raw(p, c) : 0;
        unsigned v = F == FormatUTF32LE ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24)
                                        : (static_cast<unsigned>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
        if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
            return raw(p, c);
        c = static_cast<int>(v);
        return 4;
    }
}

// Calls f with the format as a compile-time constant (never FormatDetect).
template <class Fn>
inline auto dispatch(EFileFormat f, Fn&& fn)
{
    switch (f) {
    case FormatUTF32LE:
        return fn.template operator()<FormatUTF32LE>();
    case FormatUTF32BE:
        return fn.template operator()<FormatUTF32BE>();
    case FormatUTF16LE:
        return fn.template operator()<FormatUTF16LE>();
    case FormatUTF16BE:
        return fn.template operator()<FormatUTF16BE>();
    case FormatCodePage:
        return fn.template operator()<FormatCodePage>();
    default:
        return fn.template operator()<FormatUTF8>();
    }
}

// The first byte at or after p that is CR, LF or (with nul) NUL; end when
// there is none.
const unsigned char* find_line_byte(const unsigned char* p, const unsigned char* end, bool nul);
// The same over 16-bit units from p (an even offset from the text start):
// the first unit 0x000D, 0x000A or (with nul) 0x0000; the last whole unit's
// end when there is none.
const unsigned char* find_line_unit16(const unsigned char* p, const unsigned char* end, bool nul, bool bigEndian);

}

#endif
