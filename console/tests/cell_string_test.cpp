#include "console/cell_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring text(const CellString& s)
{
    std::wstring out;
    for (int i = 0; i < s.length(); i++)
        out += s[i].ch;
    return out;
}

}

TEST(CellString, GrowsOutOfTheInlineBufferByHalf)
{
    CellString s;
    for (int i = 0; i < 20; i++)
        s += wchar_t(L'a' + i);
    const ScreenCell* inline_cells = s.cells();
    EXPECT_EQ(s.capacity(), 20);
    s += L'u';
    EXPECT_EQ(s.capacity(), 31);
    EXPECT_NE(s.cells(), inline_cells);
    EXPECT_EQ(text(s), L"abcdefghijklmnopqrstu");
    // Replacing the whole content takes exactly what it needs.
    CellString big(L"", 0x07);
    big = std::wstring(40, L'x').c_str();
    EXPECT_EQ(big.capacity(), 40);
}

TEST(CellString, PiecesClampTheirArguments)
{
    const CellString s(L"abcdefg", 0x1B);
    const struct { CellString got; const wchar_t* want; } rows[] = {
        {s.mid(5, 10), L"fg"},  // runs past the end: the rest
        {s.mid(-3, 2), L"ab"},
        {s.mid(2, -1), L"cdefg"},
        {s.mid(9, 2), L""},
        {s.mid(2, 0), L""},
        {s.left(99), L"abcdefg"},
        {s.left(-1), L""},
        {s.pad(3), L"abcdefg"},  // never shortened
        {CellString(L"ab", 0x1B).pad(4), L"ab  "},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(text(r.got), r.want);
        EXPECT_EQ(r.got.Attr(), 0x1B) << "pieces keep the default attribute";
    }
    CellString padded = CellString(L"ab", 0x4F).pad(3);
    EXPECT_EQ(padded[2].attr, 0x4F);
    EXPECT_EQ(s.rchr(L'g'), 6);
    EXPECT_EQ(CellString().rchr(L'a'), -1);
}

TEST(CellString, AppendsCellsAndText)
{
    CellString s(L"ab", 0x07);
    s.SetAttr(0x30);
    s += L'c';
    s += L'd';
    s += ScreenCell(L'e', 0x4F);
    s.Append(L"xyz", 0x1E, 2);
    s.Append(L"!", 0x1E, 99);
    EXPECT_EQ(text(s), L"abcdexy!");
    EXPECT_EQ(s[1].attr, 0x07);
    EXPECT_EQ(s[2].attr, 0x30);
    EXPECT_EQ(s[4].attr, 0x4F);
    EXPECT_EQ(s[5].attr, 0x1E);

    ScreenCell zero_ended[] = {{L'p', 1}, {L'q', 2}, {0, 0}};
    s.Append(zero_ended, -1);
    EXPECT_EQ(text(s), L"abcdexy!pq");
    // Appending a string to itself past the inline buffer reads the old
    // cells, not freed memory.
    for (int i = 0; i < 3; i++)
        s += s;
    EXPECT_EQ(s.length(), 80);
    EXPECT_EQ(text(s.mid(70, -1)), L"abcdexy!pq");

    CellString bytes(L"", 0x07);
    bytes = "\xe4x";  // bytes are character codes, not UTF-8
    EXPECT_EQ(text(bytes), L"\u00e4x");
    EXPECT_EQ(text(CellString("\xc3\xa4", 0x07)), L"\u00e4");  // from a C string: UTF-8
}

TEST(ScreenCellString, CopiesLikeTheCLibrary)
{
    ScreenCell buf[16];
    strcpy(buf, "ab", 0x07);
    strcat(buf, L"c\u00e4", 0x1B);
    ASSERT_EQ(strlen(buf), 4);
    EXPECT_EQ(buf[3].ch, L'\u00e4');
    EXPECT_EQ(buf[3].attr, 0x1B);

    ScreenCell copy[16];
    strcpy(copy, buf);
    strcat(copy, buf);
    EXPECT_EQ(strlen(copy), 8);
    EXPECT_EQ(copy[4].attr, 0x07);

    // strncpy stops after the terminator, and writes none when n ends first.
    ScreenCell n[4] = {{L'x', 0}, {L'x', 0}, {L'x', 0}, {L'x', 0}};
    strncpy(n, "a", 0x07, 4);
    EXPECT_EQ(n[1].ch, 0);
    EXPECT_EQ(n[2].ch, L'x');
    strncpy(n, "abcdef", 0x07, 3);
    EXPECT_EQ(n[2].ch, L'c');
    EXPECT_EQ(n[3].ch, L'x');
}
