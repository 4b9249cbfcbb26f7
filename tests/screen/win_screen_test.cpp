#include "screen_fixture.h"

#include "textui/textui_settings.h"
#include "textui/win.h"

#include <memory>

TEST_F(ScreenTest, StackedWindowsLeaveTheScreenAsItWas)
{
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 80; x++)
            console.FillCell(x, y, 1, ScreenCell(static_cast<wchar_t>('a' + (x + y) % 26), (x * 7 + y) & 0xFF));
    std::vector<ScreenCell> before = grid();

    auto first = std::make_unique<Win>(5, 3, 40, 12, 0x1F, 0x1E);
    first->puts_at(0, 0, "first");
    auto second = std::make_unique<Win>(-1, -2, 30, 8, 0x70, 0x70);
    second->PutParagraph(0, 0, "a second window over the first one, wrapped");
    auto third = std::make_unique<Win>(20, 10, 79, 24, 0x4F);
    third->puts_at(3, 3, L"third, frameless and touching two edges");
    second->hide(1);
    second->hide(0);
    ASSERT_NE(grid(), before);

    third.reset();
    second.reset();
    first.reset();
    EXPECT_EQ(grid(), before);
}

TEST_F(ScreenTest, HiddenWindowShowsWhatWasUnderIt)
{
    std::vector<ScreenCell> before = grid();
    Win w(10, 5, 30, 9, 0x70, 0x70);
    w.puts_at(1, 1, "kept");
    std::vector<ScreenCell> shown = grid();
    w.hide(1);
    w.hide(1);  // already hidden: nothing happens
    EXPECT_EQ(grid(), before);
    w.hide(0);
    EXPECT_EQ(grid(), shown);
}

TEST_F(ScreenTest, ShadowsOnlyWhereTheyFit)
{
    const struct { int x1, y1, x2, y2, frame, no_shadow; bool setting, shadow; } rows[] = {
        {10, 5, 30, 10, 0x70, 0, true, true},
        {10, 5, 77, 10, 0x70, 0, true, true},    // two columns left of the edge
        {10, 5, 78, 10, 0x70, 0, true, false},
        {10, 5, 30, 23, 0x70, 0, true, true},    // the shadow line is the last line
        {10, 5, 30, 24, 0x70, 0, true, false},   // touching the bottom
        {10, 5, 30, 10, -1, 0, true, false},     // no frame
        {10, 5, 30, 10, 0x70, 1, true, false},
        {10, 5, 30, 10, 0x70, 0, false, false},  // Shadows off
    };
    for (const auto& r : rows) {
        SetUp();
        bool setting = r.setting;
        textui_settings.shadows = &setting;
        {
            Win w(r.x1, r.y1, r.x2, r.y2, 0x70, r.frame, r.no_shadow);
            EXPECT_EQ(w.shadow, r.shadow) << r.x2 << "," << r.y2;
            // A shadow darkens the two columns right of the window and the
            // line below it, shifted two columns right; the dots stay.
            for (int y = r.y1; y <= r.y2 + 1 && y < 25; y++) {
                std::string expect;
                for (int x = r.x2 + 1; x < std::min(r.x2 + 3, 80); x++)
                    expect += (r.shadow && y > r.y1) ? 's' : 'p';
                EXPECT_EQ(screen_attrs(console, y, {{Background, 'p'}, {0x03, 's'}}, r.x2 + 1, 2),
                          expect) << "line " << y << " of " << r.x2 << "," << r.y2;
            }
            if (r.y2 + 1 < 25) {
                std::string below = r.shadow ? "pp" + std::string(static_cast<size_t>(r.x2 - r.x1 + 1), 's')
                                             : std::string(static_cast<size_t>(r.x2 - r.x1 + 3), 'p');
                EXPECT_EQ(screen_attrs(console, r.y2 + 1, {{Background, 'p'}, {0x03, 's'}}, r.x1,
                                       r.x2 - r.x1 + 3),
                          below.substr(0, static_cast<size_t>(std::min(r.x2 + 3, 80) - r.x1)));
                EXPECT_EQ(screen_text(console, r.y2 + 1, r.x1, 3), "...");
            }
        }
        EXPECT_EQ(screen_attrs(console, r.y2, {{Background, 'p'}}, r.x1, r.x2 - r.x1 + 1),
                  std::string(static_cast<size_t>(r.x2 - r.x1 + 1), 'p'));
    }
}

TEST_F(ScreenTest, FrameAndCentredText)
{
    Win w(10, 2, 39, 6, 0x70, 0x1E);
    w.PutCentre(0, "0123456789");
    EXPECT_EQ(screen_text(console, 2, 9, 32), ".╔════════════════════════════╗.");
    EXPECT_EQ(screen_text(console, 3, 9, 32), ".║         0123456789         ║.");
    EXPECT_EQ(screen_text(console, 6, 9, 32), ".╚════════════════════════════╝.");
    EXPECT_EQ(screen_attrs(console, 3, {{Background, 'p'}, {0x70, 'w'}, {0x1E, 'f'}, {0x03, 's'}}, 9, 33),
              "pfwwwwwwwwwwwwwwwwwwwwwwwwwwwwfss");
    w.Goto(12, 1);
    w.clreol();
    w.Clear(2, 0);
    w.Scroll(0, 0, 28, 3, 1);
    EXPECT_EQ(screen_text(console, 3, 9, 32), ".║                            ║.");
}

TEST_F(ScreenTest, PutHotOnLightAndDarkBackgrounds)
{
    const struct { unsigned char attr, hot; } colours[] = {
        {0x1B, 0x1E},  // dark: yellow
        {0x1E, 0x1F},  // already yellow: bright white
        {0x30, 0x3E},  // cyan is dark enough for yellow
        {0x70, 0x79},  // light grey: bright blue
        {0x79, 0x7F},  // already bright blue on a normal background
        {0xF9, 0xF0},  // already bright blue on a bright one
        {0x6E, 0x69},  // brown counts as light
        {0xE0, 0xE9},  // and yellow
    };
    for (const auto& c : colours) {
        Win w(0, 0, 79, 0, c.attr);
        w.PutHot(2, 0, "Copy files", "fy", c.attr);
        EXPECT_EQ(screen_text(console, 0, 0, 12), "  Copy files");
        EXPECT_EQ(screen_attrs(console, 0, {{c.attr, 't'}, {c.hot, 'h'}}, 0, 12), "ttttththtttt")  // the y, then the f of "files"
            << std::hex << int(c.attr);
    }
    Win w(0, 1, 79, 1, 0x1B);
    w.PutHot(0, 0, "Copy files", "c");
    EXPECT_EQ(screen_attrs(console, 1, {{0x1B, 't'}, {0x1E, 'h'}}, 0, 10), "httttttttt");
}
