#include "console/console.h"

#include "console/console_test_support.h"
#include "foundation/program_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
        void WriteOutput(const char* data) override { output += data; }
        std::vector<int> keys;
        std::string output;
    };
    static Terminal* made = nullptr;
    terminal_factory = [](CConsole&, int) -> CConsoleTerminal* { return made = new Terminal; };
    con.SetPty(7);
    terminal_factory = nullptr;
    ASSERT_TRUE(made);
    con.Write("ls\r\n");
    con.InputKey('q', 0, 24);
    con.InputButton(CConsole::EvButtonPress, 1, 5, 5, 0);  // not queued
    con.InputWheel(1, 5, 5, 0);                           // queued
    EXPECT_EQ(made->output, "ls\r\n");
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
    char path[] = "/tmp/px_dump_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    small.SetScreenDump(path);
    CConsole::TEvent ev;
    EXPECT_FALSE(small.GetEvent(ev, 1));
    auto read = [&] {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ");
    EXPECT_FALSE(small.GetEvent(ev, 1));
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ") << "unchanged: not rewritten";
    small.SetCursorType(0);
    EXPECT_FALSE(small.GetEvent(ev, 0));
    EXPECT_EQ(read().substr(0, 11), "PXSCREEN 1 ") << "a poll does not block";
    EXPECT_FALSE(small.GetEvent(ev, 1));
    EXPECT_EQ(read().substr(0, 24), "PXSCREEN 2 4 2 2 1 0\nTIT");
    std::remove(path);
}
