#ifndef PANNEX_TEXT_CODE_PAGE_TABLE_H
#define PANNEX_TEXT_CODE_PAGE_TABLE_H

#include <unordered_map>

// Raw bytes in decoded text: a byte that is no character of the file's
// encoding is kept as U+DC00 + byte (for bytes from 0x80 up the same
// values as the file-name codec's) and written back as that byte. Decoded
// text never holds these code points otherwise.
constexpr wchar_t RawByteBase = 0xDC00;
inline bool IsRawTextByte(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDCFF;
}

// One single-byte code page, both ways. Built once per code page from the
// system's converter (iconv, under the name CPName gives), so no table of
// our own has to be kept right.
struct CCodePageTable
{
    // The character of every byte. A byte the converter cannot decode, or
    // whose character an earlier byte already has, is a raw byte, so that
    // writing gives back the same byte.
    wchar_t chars[256];
    // The byte of every character that has one.
    std::unordered_map<wchar_t, unsigned char> bytes;
    // CR, LF and NUL are the bytes 0x0D, 0x0A and 0x00 (true but for
    // EBCDIC): line ends can then be found in the bytes themselves.
    bool asciiLineEnds = true;
    // Every byte below 0x80 is the ASCII character of the same value.
    bool asciiSame = true;

    // The byte for c, -1 when the code page has none (raw bytes have one).
    int ByteOf(wchar_t c) const
    {
        if (IsRawTextByte(c))
            return static_cast<int>(c - RawByteBase);
        auto it = bytes.find(c);
        return it == bytes.end() ? -1 : it->second;
    }
};

// The table of code page cp (0: DefaultTextCodePage()); null when the system
// does not know it or it is not a single-byte code page (932, say). Tables
// live for the run; any thread.
const CCodePageTable* GetCodePageTable(int cp);
// Stands in for an unusable code page: ASCII as itself and every byte from
// 0x80 up raw, so such a file still reads and saves unchanged.
const CCodePageTable& RawCodePageTable();

#endif
