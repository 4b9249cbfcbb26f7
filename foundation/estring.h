#ifndef PANNEX_FOUNDATION_ESTRING_H
#define PANNEX_FOUNDATION_ESTRING_H

#include "foundation/string_base.h"

// A string of 8-bit characters: configuration values, command lines, archive
// header fields and text in the console's code page. Never holds a NUL byte.
// All comparisons ignore the case of ASCII letters.
class Estring : public TStringBase<Estring, char>
{
public:
    Estring() = default;
    Estring(const char* s) : TStringBase(s) {}
    // Empty, with room for n characters.
    explicit Estring(unsigned n) { allocate(static_cast<int>(n)); }

    Estring& operator=(const char* s)
    {
        assign(s ? s : "", s ? length_of(s) : 0);
        return *this;
    }

    using TStringBase::operator+=;

    // strcasecmp order: ASCII letters folded, other bytes by value.
    int compare(const char* s) const;
    bool operator==(const Estring& o) const { return compare(o.c_str()) == 0; }
    bool operator==(const char* s) const { return compare(s) == 0; }
    bool operator<(const Estring& o) const { return compare(o.c_str()) < 0; }
    bool operator<(const char* s) const { return compare(s) < 0; }
    bool operator>(const Estring& o) const { return compare(o.c_str()) > 0; }
    bool operator>(const char* s) const { return compare(s) > 0; }
    bool operator<=(const Estring& o) const { return compare(o.c_str()) <= 0; }
    bool operator<=(const char* s) const { return compare(s) <= 0; }
    bool operator>=(const Estring& o) const { return compare(o.c_str()) >= 0; }
    bool operator>=(const char* s) const { return compare(s) >= 0; }
};

Estring operator+(const Estring& a, const Estring& b);
Estring operator+(const Estring& a, const char* b);
Estring operator+(const char* a, const Estring& b);
Estring operator+(const Estring& a, char c);

// n copies of c; empty for a negative n.
Estring String(char c, int n);
// Decimal, as "%ld".
Estring IntToStr(long v);
// Digits of v in base (2..36), capital letters above 9, a leading "-" when negative.
Estring IntToStr(long long v, int base);
// printf into a 1024-byte work buffer; longer output is cut at 1023 bytes.
Estring esprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Exactly n bytes of a fixed-width field, trailing white space removed.
Estring FromBStr(const char* p, int n);
// Expands tabs: a tab at column c becomes width - c % width spaces, up to the
// next multiple of width (the rule of every other place that shows tabs).
Estring ExpandTabs(const Estring& text, int width);

#endif
