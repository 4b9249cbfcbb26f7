#ifndef PANNEX_FOUNDATION_WESTRING_H
#define PANNEX_FOUNDATION_WESTRING_H

#include "foundation/estring.h"
#include "foundation/string_base.h"

// A string of Unicode code points, one per element (wchar_t is 32 bits).
// File names, panel entries, editor lines and dialog texts are Westrings.
// == and != ignore case through CUnicodeCaseFold; there is no ordering.
//
// Text and file names are decoded differently. Text (configuration values,
// viewer and editor content) goes through FromUTF8, which reads a stray byte
// as the Latin-1 character of the same value. File names go through
// FileNameFromSys/FileNameToSys, which keep every byte sequence exactly, so
// a name that is not valid UTF-8 still reaches the file it names.
class Westring : public TStringBase<Westring, wchar_t>
{
public:
    Westring() = default;
    Westring(const wchar_t* s) : TStringBase(s) {}
    // Decodes UTF-8 text (FromUTF8); null gives an empty string.
    Westring(const char* utf8);
    // Widens each byte to the code point of the same value (Latin-1).
    Westring(const Estring& s);
    // Decodes bytes in code page cp (FromCodePage).
    Westring(const char* bytes, int cp);
    // Empty, with room for n elements.
    explicit Westring(unsigned n) { allocate(static_cast<int>(n)); }

    Westring& operator=(const wchar_t* s)
    {
        assign(s ? s : L"", s ? length_of(s) : 0);
        return *this;
    }
    Westring& operator=(const char* utf8)
    {
        FromUTF8(utf8);
        return *this;
    }

    using TStringBase::operator+=;
    // An ASCII character.
    Westring& operator+=(char c) { return *this += static_cast<wchar_t>(static_cast<unsigned char>(c)); }

    bool operator==(const Westring& o) const;
    bool operator==(const wchar_t* s) const;

    // Empty, with room for n elements (inline below 21).
    void setup(int n);

    [[nodiscard]] Westring upcase() const;
    [[nodiscard]] Westring downcase() const;
    // The text after the last "/" or "\"; the whole text when there is none.
    [[nodiscard]] Westring filename() const;
    // The text before the last separator ("c:/" keeps its separator); empty
    // when there is none.
    [[nodiscard]] Westring path() const;

    using TStringBase::chr;
    // Index of the n-th c (n from 1), or -1; -1 for n = 0.
    int chr(wchar_t c, int n) const;
    // First s, searching from index from; the result counts from the start.
    int instr(const Westring& s, int from = 0) const;
    // instr on the upcase() forms of both strings.
    int instri(const Westring& s) const;
    // Replaces the first find; false when there is none.
    bool subst(const Westring& find, const Westring& repl);
    // Replaces every find, resuming behind each inserted text; false when none.
    bool gsubst(const Westring& find, const Westring& repl);

    // Decodes UTF-8 text; see the rules at the definition. True when every
    // sequence was valid.
    bool FromUTF8(const char* utf8);
    [[nodiscard]] Estring ToUTF8() const;
    // Decodes bytes in code page cp; an undecodable byte becomes U+2302.
    // True when nothing was replaced; false and empty when cp is unknown.
    bool FromCodePage(const char* bytes, int cp);
    // Encodes in code page cp, up to the first character cp cannot hold.
    [[nodiscard]] Estring ToCodePage(int cp) const;
    // The low 8 bits of every character.
    [[nodiscard]] Estring ToAscii() const;
};

Westring operator+(const Westring& a, const Westring& b);
Westring operator+(const Westring& a, const wchar_t* b);
Westring operator+(const wchar_t* a, const Westring& b);
Westring operator+(const Westring& a, wchar_t c);

// n copies of c; empty for a negative n.
Westring String(wchar_t c, int n);

// The lossless file-name codec, used wherever a name crosses a system call.
// Bytes that are not part of a valid UTF-8 sequence become the lone
// surrogates U+DC80..U+DCFF (valid UTF-8 never yields those) and encode back
// to the same byte, so FileNameToSys(FileNameFromSys(b)) == b for any bytes.
Westring FileNameFromSys(const char* bytes);
Estring FileNameToSys(const Westring& name);
// True for a code point that stands for an undecodable file-name byte;
// displays show it as a replacement glyph.
inline bool IsRawNameByte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Conversions through the program-wide code page (global codepage).
Estring MkEstring(const Westring& s);
Westring MkWestring(const Estring& s);
inline Estring MkEstring(const Estring& s)
{
    return s;
}
inline Westring MkWestring(const Westring& s)
{
    return s;
}

#endif
