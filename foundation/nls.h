#ifndef PANNEX_FOUNDATION_NLS_H
#define PANNEX_FOUNDATION_NLS_H

#include <array>
#include <cstddef>

// The program-wide 8-bit code page (setting CodePage, 850 when that is 0),
// set once at start-up before nls_init.
extern unsigned short codepage;
// The TextCodePage setting mirrored here for DefaultTextCodePage; 0 = unset.
extern int textcodepage;

// 8-bit case tables of the current locale, filled by nls_init; until then
// they hold the ASCII mapping of the "C" locale.
extern std::array<unsigned char, 256> upcase;
extern std::array<unsigned char, 256> downcase;
extern bool HasSingleDoubleJoins;

// The default code page for text files: TextCodePage, or 819 when unset.
int DefaultTextCodePage();
// The iconv name of code page cp into out (room for 16 bytes): 819 gives
// "ISO-8859-1", 878 and 20866 give "KOI8-R", 21866 "KOI8-U", 28591-28599,
// 28603 and 28605 the ISO 8859 part (28592 "ISO-8859-2"), any other n
// gives "CP<n>".
// Returns out.
char* CPName(int cp, char* out);

// Runs once at start-up, after the locale and codepage are set.
void nls_init();
void nls_strupr(char* s);
void nls_strlwr(char* s);
wchar_t nls_toupper(wchar_t c);
wchar_t nls_tolower(wchar_t c);
void nls_strupr(wchar_t* s);
void nls_strlwr(wchar_t* s);
// Case-insensitive comparisons returning the difference (a - b) of the first
// differing pair, 0 when equal. The wide forms fold through CUnicodeCaseFold;
// they are also the order behind Westring's == and the file-name sets.
int nls_stricmp(const char* a, const char* b);
int nls_stricmp(const wchar_t* a, const wchar_t* b);
int nls_strnicmp(const char* a, const char* b, size_t n);
int nls_strnicmp(const wchar_t* a, const wchar_t* b, size_t n);

// File names are case-sensitive: plain equality and prefix tests (0 = equal).
int fncompare(const wchar_t* a, const wchar_t* b);
int fncomparen(const wchar_t* a, const wchar_t* b, size_t n);
// Display order of file names: case-insensitive, "_" before everything else.
int nls_fname_cmp(const wchar_t* a, const wchar_t* b);

#endif
