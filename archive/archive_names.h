#ifndef PANNEX_ARCHIVE_ARCHIVE_NAMES_H
#define PANNEX_ARCHIVE_ARCHIVE_NAMES_H

#include <vector>

// Decoding of stored member names into code points. Archives come from
// everywhere: zip's flag bit 11, tar, 7z and RAR's Unicode names are UTF-8
// or UTF-16 by definition; other 8-bit names are taken as UTF-8 when they
// are valid UTF-8 (what current tools write) and otherwise in the
// configured code page (what DOS tools wrote). Every "\" becomes "/".

// Decodes len bytes into out (replacing its contents). utf8: the format
// says UTF-8; bytes that are not valid UTF-8 then become the raw-byte code
// points U+DC80..U+DCFF of the file-name codec, so nothing is lost. A NUL
// ends the name.
void DecodeArchiveName(const char* bytes, int len, bool utf8, int codepage, std::vector<wchar_t>& out);

// RAR's Unicode name field of length bytes: without a zero byte it is
// UTF-8; otherwise the 8-bit name, a zero, and the compressed wide form
// whose runs copy from the 8-bit name. 0, or -1 when the encoded form
// reaches past its field or a run past the 8-bit name (a damaged header).
[[nodiscard]] int DecodeRarUnicode(const unsigned char* field, int length, std::vector<wchar_t>& out);

// True for a name no path may be built from: absolute, or with an empty,
// "." or ".." or all-dots component once a leading "./" and one trailing
// "/" (a directory's mark) are set aside. "." alone (the root) is safe.
bool IsUnsafeArchiveName(const wchar_t* name, int len);

#endif
