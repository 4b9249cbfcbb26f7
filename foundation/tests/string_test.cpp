#include "foundation/estring.h"
#include "foundation/nls.h"
#include "foundation/unicode_case_fold.h"
#include "foundation/westring.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

std::string bytes(const Estring& s)
{
    return std::string(s.c_str());
}

std::wstring wide(const Westring& s)
{
    return std::wstring(s.c_str());
}

}

TEST(Estring, PiecesClampTheirArguments)
{
    const Estring s("abcdef");
    const struct { Estring got; const char* want; } rows[] = {
        {s.left(3), "abc"},     {s.left(-1), ""},        {s.left(99), "abcdef"},
        {s.right(2), "ef"},     {s.right(99), "abcdef"}, {s.mid(2, 0), "cdef"},
        {s.mid(2, 2), "cd"},    {s.mid(10, 2), ""},      {s.mid(4, 9), "ef"},
        {s.chop(2), "abcd"},    {Estring("abc").chop(9), ""},
        {Estring("12345").lpad(3, ' '), "345"}, {Estring("12345").pad(3, ' '), "123"},
        {Estring("ab").pad(5, '.'), "ab..."},  {Estring("ab").lpad(4, '0'), "00ab"},
        {Estring("  x y \t").trim(), "x y"},   {Estring("  x ").ltrim(), "x "},
        {Estring(" x  ").rtrim(), " x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(bytes(r.got), r.want);
}

TEST(Estring, SlashRules)
{
    const struct { const char* in; const char* removed; const char* appended; } rows[] = {
        {"/", "", "/"},
        {"/usr/", "/usr", "/usr/"},
        {"", "", ""},
        {"//", "//", "//"},      // the network root keeps its slashes
        {"a/", "a/", "a/"},      // three-or-fewer with a slash second: unchanged
        {"/a/", "/a", "/a/"},
        {"usr", "usr", "usr/"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(bytes(Estring(r.in).RemoveBackslash()), r.removed) << r.in;
        EXPECT_EQ(bytes(Estring(r.in).AppendBackslash()), r.appended) << r.in;
    }
    // A backslash is an ordinary character on Unix.
    EXPECT_EQ(bytes(Estring("a\\").RemoveBackslash()), "a\\");
}

TEST(Estring, ComparesIgnoringAsciiCase)
{
    Estring abc("abc");
    EXPECT_TRUE(abc == "ABC");
    EXPECT_TRUE(abc == Estring("AbC"));
    EXPECT_FALSE(abc != "ABC");
    EXPECT_TRUE(abc < "abd");
    EXPECT_TRUE(Estring("B") > "a");
    EXPECT_TRUE(abc <= "ABC" && abc >= "ABC");
}

TEST(Estring, GrowthAndElementAccess)
{
    Estring s;
    EXPECT_EQ(s.capacity(), 21);
    for (int i = 0; i < 100; i++)
        s += static_cast<char>('a' + i % 26);
    EXPECT_EQ(s.strlen(), 100);
    EXPECT_EQ(s[99], 'v');
    // Past the capacity, access yields the buffer's last element rather than
    // memory beyond it.
    Estring shortone("abc");
    EXPECT_EQ(&shortone[100], &shortone[20]);
    EXPECT_EQ(&shortone[-5], &shortone[20]);
    // Appending a string to itself must survive the buffer moving.
    Estring self("0123456789abcdefghij");
    self += self;
    EXPECT_EQ(bytes(self), "0123456789abcdefghij0123456789abcdefghij");
    Estring moved(std::move(self));
    EXPECT_EQ(moved.strlen(), 40);
}

TEST(Estring, SearchingOutsideQuotes)
{
    Estring s("a\"b,c\",d");
    EXPECT_EQ(s.chr(','), 3);
    EXPECT_EQ(s.chrQuote(','), 6);
    EXPECT_EQ(s.rchr('"'), 5);
    EXPECT_EQ(s.chr(0), -1);
    EXPECT_EQ(s.rchr(0), -1);
    EXPECT_EQ(Estring("'x,y',z").chrQuote(',', '\''), 5);
}

TEST(FreeFunctions, Formatting)
{
    EXPECT_EQ(bytes(IntToStr(-255, 16)), "-FF");
    EXPECT_EQ(bytes(IntToStr(0, 10)), "0");
    EXPECT_EQ(bytes(IntToStr(35LL, 36)), "Z");
    EXPECT_EQ(bytes(IntToStr(-9223372036854775807LL - 1, 10)), "-9223372036854775808");
    EXPECT_EQ(bytes(IntToStr(-42L)), "-42");
    EXPECT_EQ(bytes(String('x', 3)), "xxx");
    EXPECT_EQ(bytes(String('x', -1)), "");
    EXPECT_EQ(wide(String(L'\x2500', 2)), L"\x2500\x2500");
    EXPECT_EQ(bytes(FromBStr("name    ext", 8)), "name");
    EXPECT_EQ(bytes(ExpandTabs("\tx", 4)), "    x");
    // A tab one column before a stop still reaches the stop: a dirinfo
    // written with tabs lines up with what an editor shows.
    EXPECT_EQ(bytes(ExpandTabs("1234567\tx", 8)), "1234567 x");
    EXPECT_EQ(bytes(ExpandTabs("12345678\tx", 8)), "12345678        x");
    // esprintf cuts output at 1023 bytes instead of overrunning its buffer.
    std::string longtext(3000, 'q');
    EXPECT_EQ(esprintf("%s", longtext.c_str()).strlen(), 1023);
    EXPECT_EQ(bytes(esprintf("%d-%s", 7, "x")), "7-x");
}

TEST(Westring, Utf8Decoding)
{
    const struct { const char* in; const wchar_t* want; bool valid; } rows[] = {
        {"", L"", true},
        {"plain", L"plain", true},
        {"\xC3\xA4", L"\x00E4", true},
        {"\xE4", L"\x00E4", false},                    // stray byte reads as Latin-1
        {"\xE2\x82\xAC", L"\x20AC", true},
        {"\xF0\x9F\x98\x80", L"\x1F600", true},
        {"a\xE2\x82", L"a\x00E2\x0082", false},          // cut-off sequence
        {"\x80x", L"\x0080x", false},                  // lone continuation byte
        {"\xFF", L"\x00FF", false},
        {"\xC0\x80", L"\xFFFFFFFF", false},            // over-long NUL never becomes 0
    };
    for (const auto& r : rows) {
        Westring w;
        EXPECT_EQ(w.FromUTF8(r.in), r.valid) << r.in;
        EXPECT_EQ(wide(w), r.want) << r.in;
    }
    // The invalid marker encodes back as the single byte 0xFF.
    EXPECT_EQ(bytes(Westring(L"\xFFFFFFFF").ToUTF8()), "\xFF");
    EXPECT_EQ(bytes(Westring(L"\x00E4\x20AC\x1F600").ToUTF8()), "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Westring, FileNamesRoundTripByteExactly)
{
    const char* names[] = {
        "\xE4.txt", "\xC3\xA4.txt", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "a\xE2\x82", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF\xFE", "plain",
        "\xED\xB2\x80",   // the UTF-8 form of U+DC80 itself is not a valid name sequence
    };
    for (const char* n : names)
        EXPECT_EQ(bytes(FileNameToSys(FileNameFromSys(n))), n) << n;

    Westring latin = FileNameFromSys("\xE4.txt");
    Westring utf = FileNameFromSys("\xC3\xA4.txt");
    EXPECT_FALSE(latin == utf);
    EXPECT_TRUE(IsRawNameByte(latin[0]));
    EXPECT_EQ(utf[0], 0xE4);

    // Each name opens its own file.
    TempDir dir;
    dir.write(FileNameToSys(latin).c_str(), "L");
    dir.write(FileNameToSys(utf).c_str(), "U");
    EXPECT_EQ(TempDir::read(dir.file("\xE4.txt")), "L");
    EXPECT_EQ(TempDir::read(dir.file("\xC3\xA4.txt")), "U");
}

TEST(Westring, CodePages)
{
    char name[16];
    EXPECT_STREQ(CPName(20866, name), "KOI8-R");
    EXPECT_STREQ(CPName(878, name), "KOI8-R");
    EXPECT_STREQ(CPName(819, name), "ISO-8859-1");
    EXPECT_STREQ(CPName(1251, name), "CP1251");
    EXPECT_STREQ(CPName(28592, name), "ISO-8859-2");
    EXPECT_STREQ(CPName(28605, name), "ISO-8859-15");
    EXPECT_STREQ(CPName(21866, name), "KOI8-U");

    // Every byte of these pages round-trips through Unicode.
    for (int cp : {850, 437, 866, 819, 20866}) {
        char all[256];
        for (int i = 1; i < 256; i++)
            all[i - 1] = static_cast<char>(i);
        all[255] = 0;
        Westring w;
        EXPECT_TRUE(w.FromCodePage(all, cp)) << cp;
        EXPECT_EQ(w.strlen(), 255) << cp;
        EXPECT_EQ(bytes(w.ToCodePage(cp)), all) << cp;
    }
    Westring box;
    EXPECT_TRUE(box.FromCodePage("\xC9\xCD\xBB", 850));
    EXPECT_EQ(wide(box), L"\x2554\x2550\x2557");

    // Undefined bytes of CP1253 become the house sign, one each.
    Westring greek;
    EXPECT_FALSE(greek.FromCodePage("a\xAA" "b\xD2", 1253));
    EXPECT_EQ(wide(greek), L"a\x2302" L"b\x2302");

    // Encoding stops at the first character the page cannot hold.
    EXPECT_EQ(bytes(Westring(L"ab\x4E2D" L"cd").ToCodePage(850)), "ab");

    Westring none;
    EXPECT_FALSE(none.FromCodePage("x", 99999));
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(Westring(L"x").ToCodePage(99999).empty());

    codepage = 850;
    EXPECT_EQ(wide(MkWestring(Estring("\x84"))), L"\x00E4");
    EXPECT_EQ(bytes(MkEstring(Westring(L"\x00E4"))), "\x84");
    EXPECT_EQ(bytes(Westring(L"\x0141\x00E4").ToAscii()), "A\xE4");
    EXPECT_EQ(wide(Westring(Estring("\xE4"))), L"\x00E4");
}

TEST(Westring, CaseFolding)
{
    EXPECT_TRUE(Westring(L"\x00C4") == Westring(L"\x00E4"));
    EXPECT_TRUE(Westring(L"stra\x00DF" L"e") == L"STRA\x00DF" L"E");
    EXPECT_TRUE(Westring(L"\x0434\x043E\x043C") == L"\x0414\x041E\x041C");
    EXPECT_NE(fncompare(L"a", L"A"), 0);
    EXPECT_EQ(fncomparen(L"abc", L"abd", 2), 0);
    // Code points from U+8000 up are never folded: fullwidth a and A differ.
    EXPECT_EQ(CUnicodeCaseFold::toupper(0xFF41), 0xFF41);
    EXPECT_FALSE(Westring(L"\xFF41") == L"\xFF21");
    EXPECT_EQ(CUnicodeCaseFold::toupper(0x1F600), 0x1F600);
    EXPECT_EQ(wide(Westring(L"\x00E9t\x00E9").upcase()), L"\x00C9T\x00C9");
    // Lower-casing follows the C library, as in the running program's locale.
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(wide(Westring(L"\x00C9T\x00C9").downcase()), L"\x00E9t\x00E9");
    EXPECT_LT(nls_stricmp(L"abc", L"ABD"), 0);
    EXPECT_EQ(nls_strnicmp(L"abcX", L"ABCY", 3), 0);
    nls_init();
    EXPECT_EQ(nls_stricmp("Hello", "hELLO"), 0);
    EXPECT_GT(nls_strnicmp("b", "A", 1), 0);
}

TEST(Westring, FileNameOrdering)
{
    EXPECT_LT(nls_fname_cmp(L"_x", L"ax"), 0);
    EXPECT_LT(nls_fname_cmp(L"_x", L"0x"), 0);
    EXPECT_GT(nls_fname_cmp(L"b", L"A"), 0);
    EXPECT_EQ(nls_fname_cmp(L"Readme", L"README"), 0);
    EXPECT_LT(nls_fname_cmp(L"ab", L"abc"), 0);
    // Names that share only the low byte of a code point are not equal.
    EXPECT_NE(nls_fname_cmp(L"\x0141", L"A"), 0);
    EXPECT_LT(nls_fname_cmp(L"\x0410", L"\x042F"), 0);
}

TEST(Westring, SearchAndReplace)
{
    Westring s(L"a/b/c.txt");
    EXPECT_EQ(s.chr(L'/', 2), 3);
    EXPECT_EQ(s.chr(L'/', 3), -1);
    EXPECT_EQ(s.chr(L'/', 0), -1);
    EXPECT_EQ(s.instr(L"/"), 1);
    EXPECT_EQ(s.instr(L"/", 2), 3);
    EXPECT_EQ(s.instr(L"x", 99), -1);
    EXPECT_EQ(Westring(L"Hello").instri(L"LL"), 2);
    EXPECT_EQ(Westring(L"x\"a,b\",c").chrQuote(L','), 6);

    Westring g(L"aXa");
    EXPECT_TRUE(g.gsubst(L"a", L"aa"));
    EXPECT_EQ(wide(g), L"aaXaa");
    EXPECT_FALSE(g.gsubst(L"q", L"r"));
    Westring one(L"x.x.x");
    EXPECT_TRUE(one.subst(L".", L"::"));
    EXPECT_EQ(wide(one), L"x::x.x");
}

TEST(Westring, PathPieces)
{
    const struct { const wchar_t* in; const wchar_t* file; const wchar_t* dir; } rows[] = {
        {L"/usr/bin/px", L"px", L"/usr/bin"},
        {L"px", L"px", L""},
        {L"c:/x", L"x", L"c:/"},
        {L"/usr", L"usr", L""},
        {L"dir/x\\y", L"x\\y", L"dir"},  // a backslash belongs to the name
    };
    for (const auto& r : rows) {
        EXPECT_EQ(wide(Westring(r.in).filename()), r.file) << r.in;
        EXPECT_EQ(wide(Westring(r.in).path()), r.dir) << r.in;
    }
}

TEST(Westring, BuildingAndCopying)
{
    Westring w;
    w += 'a';
    w += L'\x00E4';
    w += Westring(L"bc");
    w += static_cast<const wchar_t*>(nullptr);
    EXPECT_EQ(wide(w), L"a\x00E4" L"bc");
    Westring c;
    c.copy(L"abcdef", 3);
    EXPECT_EQ(wide(c), L"abc");
    Westring big;
    big.setup(40);
    EXPECT_TRUE(big.empty());
    EXPECT_GE(big.capacity(), 41);
    EXPECT_EQ(wide(Westring(static_cast<const char*>(nullptr))), L"");
    EXPECT_EQ(wide(L"<" + Westring(L"x") + L">"), L"<x>");
}
