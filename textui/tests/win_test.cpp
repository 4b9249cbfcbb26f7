#include "textui/win.h"

#include "console/console.h"
#include "console/console_test_support.h"

#include <gtest/gtest.h>

TEST(Win, PlacementCodes)
{
    console.SetSize(80, 25, Estring(), 0);
    const struct { int x1, y1, x2, y2; int ex1, ey1, ex2, ey2; } rows[] = {
        {-1, -2, 40, 10, 20, 7, 59, 16},   // centred both ways
        {-1, -3, 20, 5, 30, 6, 49, 10},    // a third of the way down
        {-1, -4, 21, 5, 29, 5, 49, 9},     // a quarter; odd widths round left
        {-1, -1, 10, 3, 35, 22, 44, 24},   // -1: at the bottom
        {3, 4, 10, 8, 3, 4, 10, 8},
    };
    for (const auto& r : rows) {
        Win w(r.x1, r.y1, r.x2, r.y2, 0x70);
        EXPECT_EQ(w.x1, r.ex1) << r.x1 << "," << r.y1;
        EXPECT_EQ(w.y1, r.ey1) << r.x1 << "," << r.y1;
        EXPECT_EQ(w.x2, r.ex2) << r.x1 << "," << r.y1;
        EXPECT_EQ(w.y2, r.ey2) << r.x1 << "," << r.y1;
    }
}

TEST(Win, ParagraphsWrapAtBlanks)
{
    console.SetSize(80, 25, Estring(), 0);
    console.Clear(0, 0, 80, 25, 0x07);
    // A framed window 14 wide: 12 columns inside, lines of at most 11.
    Win w(0, 0, 13, 6, 0x07, 0x07, 1);
    w.PutParagraph(3, 0, "one two three fourteenchars x");
    EXPECT_EQ(screen_text(console, 1, 1, 12), "   one two  ");
    EXPECT_EQ(screen_text(console, 2, 1, 12), "three       ");
    EXPECT_EQ(screen_text(console, 3, 1, 12), "fourteencha ");
    EXPECT_EQ(screen_text(console, 4, 1, 12), "rs x        ");
    // No room left on the first line: the text starts on the next one.
    w.Clear();
    w.PutParagraph(20, 0, "late");
    EXPECT_EQ(screen_text(console, 2, 1, 12), "late        ");
}

TEST(Win, ShadowColours)
{
    const struct { unsigned char attr, shadow; } rows[] = {
        {0x1B, 0x03},  // bright foreground loses its bright bit
        {0x70, 0x08},  // a dark one becomes dark grey
        {0x4F, 0x07},
        {0x07, 0x08},
    };
    CellString cells;
    for (const auto& r : rows)
        cells += ScreenCell(L'x', r.attr);
    cells += ScreenCell(L'y', 0x1B);
    modcolours(cells, 4);
    for (size_t i = 0; i < std::size(rows); i++) {
        EXPECT_EQ(cells[static_cast<int>(i)].attr, rows[i].shadow) << std::hex << int(rows[i].attr);
        EXPECT_EQ(cells[static_cast<int>(i)].ch, L'x');
    }
    EXPECT_EQ(cells[4].attr, 0x1B) << "only the first n cells";
}
