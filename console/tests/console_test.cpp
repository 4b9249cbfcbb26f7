#include "console/console.h"

#include "console/console_test_support.h"
#include "foundation/program_name.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Area = CRecordingDisplay::Area;

class ConsoleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        con.SetDisplay(&display);
        display.paints.clear();
    }
    void TearDown() override { con.SetDisplay(nullptr); }

    CConsole con;
    CRecordingDisplay display;
};

std::vector<int> scrolled_off;
void record_scroll_back(int line)
{
    scrolled_off.push_back(line);
}

}

TEST_F(ConsoleTest, WritesPaintOnlyWhatChanged)
{
    con.PutStringAt(2, 1, L"hello", 0x1B);
    EXPECT_EQ(display.paints, (std::vector<Area>{{2, 1, 6, 1}}));
    con.PutStringAt(2, 1, L"hello", 0x1B);
    EXPECT_EQ(display.paints.size(), 1u) << "the same text again paints nothing";
    con.PutStringAt(2, 1, L"help", 0x1B);
    EXPECT_EQ(display.paints.back(), (Area{5, 1, 5, 1})) << "only the changed cell";
    con.FillAttr(3, 1, 2, 0x1B);
    EXPECT_EQ(display.paints.size(), 2u);

    // Output is clipped at the right edge.
    con.PutStringAt(78, 2, "abcd", 0x07);
    EXPECT_EQ(screen_text(con, 2, 76), "  ab");
    EXPECT_EQ(display.paints.back(), (Area{78, 2, 79, 2}));
}

TEST_F(ConsoleTest, PaintsAreMergedBetweenBeginAndEnd)
{
    con.EndPaint();  // unmatched: nothing
    EXPECT_TRUE(display.paints.empty());
    con.BeginPaint();
    con.BeginPaint();
    con.PutStringAt(10, 3, L"x", 0x07);
    con.PutStringAt(2, 5, L"y", 0x07);
    con.EndPaint();
    EXPECT_TRUE(display.paints.empty());
    con.EndPaint();
    EXPECT_EQ(display.paints, (std::vector<Area>{{2, 3, 10, 5}}));
    con.BeginPaint();
    con.EndPaint();
    EXPECT_EQ(display.paints.size(), 1u) << "nothing changed, nothing painted";
}

TEST_F(ConsoleTest, ControlCharactersAreStoredAsPictures)
{
    con.PutStringAt(0, 0, L"\x01\x1f\x7f\x9f\xe4", 0x07);
    EXPECT_EQ(screen_text(con, 0, 0, 5), "\u263a\u25bc\u2302\u2302\u00e4");
    con.FillCell(0, 1, 2, ScreenCell(0x7F, 0x07));  // FillCell maps 1-31 only
    EXPECT_EQ(con.Cell(0, 1).ch, 0x7F);
    // A file-name byte that is not UTF-8 stays in the cell and is painted
    // as the replacement glyph.
    con.PutStringAt(0, 2, L"a\xdce9", 0x07);
    EXPECT_EQ(con.Cell(1, 2).ch, 0xDCE9);
    EXPECT_EQ(screen_text(con, 2, 0, 2), "a\ufffd");
}

TEST_F(ConsoleTest, RectanglesAndScrolling)
{
    con.PutStringAt(0, 0, L"abc", 0x1B);
    con.PutStringAt(0, 1, L"def", 0x1B);
    auto saved = con.GetRect(0, 0, 3, 2);
    con.Clear(0, 0, 3, 2, 0x07);
    EXPECT_EQ(screen_text(con, 0, 0, 3), "   ");
    con.PutRect(0, 0, 3, 2, saved.get());
    EXPECT_EQ(screen_text(con, 1, 0, 3), "def");
    EXPECT_EQ(screen_attr_hex(con, 1, 0, 3), "1b1b1b");

    display.paints.clear();
    con.ScrollUp(0, 0, 3, 2, 1, 0x30);
    EXPECT_EQ(screen_text(con, 0, 0, 3), "def");
    EXPECT_EQ(screen_attr_hex(con, 1, 0, 3), "303030");
    ASSERT_EQ(display.moves.size(), 1u);
    EXPECT_EQ(display.moves[0].area, (Area{0, 0, 2, 1}));
    EXPECT_EQ(display.moves[0].dy, -1);
    EXPECT_EQ(display.paints, (std::vector<Area>{{0, 1, 2, 1}})) << "only the freed line is painted";
    con.ScrollDown(0, 0, 3, 2, 1, 0x07);
    EXPECT_EQ(screen_text(con, 1, 0, 3), "def");
}

TEST_F(ConsoleTest, WriteActsAsATeletype)
{
    con.SetAttr(0x1E);
    con.SetCursorPos(0, 0);
    con.Write("a\tb\r\nxy\bz");
    EXPECT_EQ(screen_text(con, 0, 0, 10), "a       b ");
    EXPECT_EQ(screen_text(con, 1, 0, 3), "xz ");
    EXPECT_EQ(con.Cell(8, 0).attr, 0x1E);
    int x, y;
    con.GetCursorPos(x, y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 1);

    // The line wraps at the right edge.
    con.SetCursorPos(78, 2);
    con.Write("1234");
    EXPECT_EQ(screen_text(con, 2, 78), "12");
    EXPECT_EQ(screen_text(con, 3, 0, 2), "34");
    // Invalid UTF-8 shows the byte as Latin-1; control codes are dropped.
    con.SetCursorPos(0, 4);
    con.Write("\xe4\x01\x1b!");
    EXPECT_EQ(screen_text(con, 4, 0, 2), "\u00e4!");
}

TEST_F(ConsoleTest, WriteScrollsAtTheBottomAndHandsTheTopLineOn)
{
    scroll_back_sink = record_scroll_back;
    scrolled_off.clear();
    con.PutStringAt(0, 0, L"top line", 0x07);
    con.SetCursorPos(0, 24);
    con.Write("last\n");
    scroll_back_sink = nullptr;
    EXPECT_EQ(scrolled_off, std::vector<int>{0});
    EXPECT_EQ(screen_text(con, 23, 0, 4), "last");
    EXPECT_EQ(screen_text(con, 24, 0, 4), "    ");
    int x, y;
    con.GetCursorPos(x, y);
    EXPECT_EQ(y, 24);
}

TEST_F(ConsoleTest, WriteGoesToAnAttachedTerminal)
{
    struct Terminal : CConsoleTerminal
    {
        void Key(int code) override { keys.push_back(code); }
        void WriteOutput(const char* data, size_t length) override { output.append(data, length); }
        void Resized(int columns, int lines) override { sizes.push_back(columns * 1000 + lines); }
        std::vector<int> sizes;
        std::vector<int> keys;
        std::string output;
    };
    static Terminal* made = nullptr;
    terminal_factory = [](CConsole&, int) -> CConsoleTerminal* { return made = new Terminal; };
    con.SetPty(7);
    terminal_factory = nullptr;
    ASSERT_TRUE(made);
    con.Write("ls\r\n");
    con.Write("a\0b", 3);  // a child's NUL reaches the emulator
    con.SetSize(40, 10, Estring(), 0);
    EXPECT_EQ(made->sizes, std::vector<int>{40010});
    con.InputKey('q', 0, 24);
    con.InputButton(CConsole::EvButtonPress, 1, 5, 5, 0);  // not queued
    con.InputWheel(1, 5, 5, 0);                           // queued
    EXPECT_EQ(made->output, std::string("ls\r\na\0b", 7));
    EXPECT_EQ(made->keys, std::vector<int>{'q'});
    EXPECT_EQ(con.GetEventQueueLen(), 1);
    con.EndPty();
    EXPECT_FALSE(con.HasTerminal());
    EXPECT_EQ(screen_text(con, 0, 0, 2), "  ");
}

TEST_F(ConsoleTest, MouseSelectionIsNormalisedAndCopied)
{
    con.PutStringAt(0, 0, L"first line  ", 0x07);
    con.PutStringAt(0, 1, L"second", 0x07);
    con.PutStringAt(0, 2, L"third line", 0x07);
    con.SetSelectionZone(0, 0, 80, 24);

    // Dragged from right to left and bottom to top.
    con.InputButton(CConsole::EvButtonPress, 1, 9, 2, 0);
    con.InputMotion(1, 3, 1, 0);
    con.InputMotion(1, 0, 0, 0);
    CConsole::Rect sel;
    ASSERT_TRUE(con.GetSelection(sel));
    EXPECT_EQ(sel.x1, 0);
    EXPECT_EQ(sel.y1, 0);
    EXPECT_EQ(sel.x2, 9);
    EXPECT_EQ(sel.y2, 2);
    EXPECT_EQ(con.GetEventQueueLen(), 0) << "a press and drag in the zone reach no one";
    con.InputButton(CConsole::EvButtonRelease, 1, 0, 0, 0);
    EXPECT_EQ(display.clipboard, "first line\nsecond\nthird line\n");
    EXPECT_FALSE(con.GetSelection(sel));
    EXPECT_EQ(con.GetEventQueueLen(), 1) << "the release is still queued";

    // One line: no newline.
    con.InputButton(CConsole::EvButtonPress, 1, 6, 0, 0);
    con.InputMotion(1, 11, 0, 0);
    con.InputButton(CConsole::EvButtonRelease, 1, 11, 0, 0);
    EXPECT_EQ(display.clipboard, "line");

    // Outside the zone the mouse reaches the program.
    con.ResetSelectionZone();
    CConsole::Rect zone;
    con.GetSelectionZone(zone);
    EXPECT_EQ(zone.x1 + zone.y1 + zone.x2 + zone.y2, 0);
    con.Queue().Clear();
    con.InputButton(CConsole::EvButtonPress, 3, 5, 5, 0x10C);
    con.InputMotion(2, 6, 5, 0x400);
    CConsole::TEvent ev;
    ASSERT_TRUE(con.GetEvent(ev, 0));
    EXPECT_EQ(ev.type, CConsole::EvButtonPress);
    EXPECT_EQ(ev.key, 2);
    EXPECT_EQ(ev.state, 0xCu) << "only Shift, Control and Alt";
    ASSERT_TRUE(con.GetEvent(ev, 0));
    EXPECT_EQ(ev.type, CConsole::EvMotion);
    EXPECT_EQ(ev.state, 0u);
}

TEST_F(ConsoleTest, ScreenSnapshot)
{
    CConsole small;
    small.SetSize(4, 2, Estring(), 0);
    small.PutStringAt(0, 0, L"a\u00e4", 0x1B);
    small.PutStringAt(0, 1, L"\x01", 0x4F);
    small.SetTitle(L"" PANNEX_NAME ": /tmp");
    small.SetCursorPos(2, 1);
    small.SetCursorType(15);
    EXPECT_EQ(small.ScreenDumpText(3),
              "PXSCREEN 3 4 2 2 1 15\n"
              "TITLE " PANNEX_NAME ": /tmp\n"
              "a\u00e4  \n"
              "\u263a   \n"
              "1b1b0707\n"
              "4f070707\n");

    // Written before the logic thread waits, only when something changed.
    TempDir dir;
    const std::string path = dir.file("dump");
    small.SetScreenDump(path.c_str());
    CConsole::TEvent ev;
    EXPECT_FALSE(small.GetEvent(ev, 1));
    auto read = [&] { return TempDir::read(path); };
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ");
    EXPECT_FALSE(small.GetEvent(ev, 1));
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ") << "unchanged: not rewritten";
    small.SetCursorType(0);
    EXPECT_FALSE(small.GetEvent(ev, 0));
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ") << "a poll does not block";
    EXPECT_FALSE(small.GetEvent(ev, 1));
    EXPECT_EQ(read().substr(0, 24), "PXSCREEN 2 4 2 2 1 0\nTIT");
}

namespace {

// Paints into a grid of its own the way the window paints into its
// pixmap: a paint copies cells from the console, a move shifts what is
// there. After every EndPaint it must show exactly what the console holds.
class CPixmapDisplay : public CConsoleDisplay
{
public:
    explicit CPixmapDisplay(CConsole& c) : con(c) {}
    void Resize(int columns, int lines, const Estring&, int) override
    {
        w = columns;
        h = lines;
        pix.assign(static_cast<size_t>(w) * h, ScreenCell(L'?', 0));
    }
    void Paint(int x1, int y1, int x2, int y2) override
    {
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++)
                pix[y * w + x] = con.Cell(x, y);
    }
    void MoveRect(int x1, int y1, int x2, int y2, int dy) override
    {
        moves++;
        std::vector<ScreenCell> old = pix;
        for (int y = y1; y <= y2; y++)
            if (y - dy >= y1 && y - dy <= y2)
                for (int x = x1; x <= x2; x++)
                    pix[y * w + x] = old[(y - dy) * w + x];
    }
    void Lock() override { locks++; }
    void Unlock() override { locks--; }
    bool Matches() const
    {
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (pix[y * w + x] != con.Cell(x, y))
                    return false;
        return true;
    }

    CConsole& con;
    std::vector<ScreenCell> pix;
    int w = 0, h = 0;
    int moves = 0;
    int locks = 0;
};

}

TEST(ConsoleScroll, PixelsMoveOncePerPaintAndShowTheCells)
{
    CConsole con;
    CPixmapDisplay display(con);
    con.SetDisplay(&display);
    con.SetSize(20, 6, Estring(), 0);
    ASSERT_TRUE(display.Matches());

    // Lines written between BeginPaint and EndPaint: the pixels move once
    // for all their scrolls; a flood longer than the screen moves nothing
    // and paints the screen once.
    auto write_lines = [&](int from, int to) {
        con.BeginPaint();
        for (int i = from; i < to; i++) {
            char line[16];
            std::snprintf(line, sizeof line, "line %d\n", i);
            con.Write(line);
        }
        EXPECT_EQ(display.moves, 0);
        con.EndPaint();
    };
    write_lines(0, 100);
    EXPECT_EQ(display.moves, 0);
    EXPECT_TRUE(display.Matches());
    EXPECT_EQ(screen_text(con, 4, 0, 7), "line 99");
    write_lines(100, 103);
    EXPECT_EQ(display.moves, 1);
    EXPECT_EQ(display.locks, 0);
    EXPECT_TRUE(display.Matches());
    EXPECT_EQ(screen_text(con, 1, 0, 7), "line 99");
    display.moves = 0;

    // Random writes and scrolls of a few rectangles, up and down, so that
    // the dirty rectangle is carried along every kind of move.
    const struct { int x, y, w, h; } rects[] = {{0, 0, 20, 6}, {0, 1, 20, 4}, {3, 2, 10, 3}};
    unsigned seed = 12345;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 2000; round++) {
        con.BeginPaint();
        int steps = 1 + static_cast<int>(next(8));
        bool one_rect = next(2);
        auto& fixed = rects[next(3)];
        for (int i = 0; i < steps; i++) {
            if (next(3) == 0) {
                wchar_t text[2] = {static_cast<wchar_t>(L'a' + next(26)), 0};
                con.PutStringAt(static_cast<int>(next(20)), static_cast<int>(next(6)), text, 0x07);
            } else if (next(4) == 0) {
                con.SetCursorPos(static_cast<int>(next(20)), static_cast<int>(next(6)));
            } else {
                auto& r = one_rect ? fixed : rects[next(3)];
                int n = 1 + static_cast<int>(next(static_cast<unsigned>(r.h + 1)));
                if (next(2))
                    con.ScrollUp(r.x, r.y, r.w, r.h, n, static_cast<unsigned char>(next(256)));
                else
                    con.ScrollDown(r.x, r.y, r.w, r.h, n, static_cast<unsigned char>(next(256)));
            }
        }
        con.EndPaint();
        ASSERT_TRUE(display.Matches()) << "round " << round;
        ASSERT_EQ(display.locks, 0);
    }
    con.SetDisplay(nullptr);
}
