#include "command/scroll_back.h"

#include "command/ansi_terminal.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string text_of(const CellString& line)
{
    std::string out;
    for (int i = 0; i < line.length(); i++)
        out += static_cast<char>(line[i].ch);
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

std::string lines_of(const CScrollBackBuffer& b)
{
    std::string out;
    for (int i = 0; i < b.Count(); i++)
        out += (i ? "," : "") + text_of(b.Line(i));
    return out;
}

void add(CScrollBackBuffer& b, const wchar_t* text)
{
    CellString line(text, 0x07);
    b.Add(line.cells(), line.length());
}

class ScrollBackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetDisplay(nullptr);
        console.SetSize(20, 6, Estring(), 0);
        console.SetAttr(0x07);
        console.SetCursorPos(0, 0);
        console.Queue().Clear();
        ScrollBack.Clear();
        SetScrollBackOptions(true, CScrollBackBuffer::DefaultLines);
    }
    void TearDown() override
    {
        console.idle_hook = nullptr;
        console.Queue().SetFallbackKey(0);
        ScrollBack.Clear();
        SetScrollBackOptions(true, CScrollBackBuffer::DefaultLines);
    }

    // Output of `seq -f 'L%03g' 1 count` through a terminal on the pty.
    static void seq(int count, const char* before = "")
    {
        CAnsiTerminalEmulator t(console, -1);
        std::string out = before;
        for (int i = 1; i <= count; i++) {
            char line[16];
            std::snprintf(line, sizeof line, "L%03d\r\n", i);
            out += line;
        }
        t.WriteOutput(out.data(), out.size());
    }

    // Runs the viewer on keys, then Escape; returns the top screen line.
    static std::string show(CScrollBackViewer& v, std::initializer_list<int> keys)
    {
        script_keys(console, keys, KEY_ESC);
        v.Show();
        return screen_text(console, 0, 0, 4);
    }
};

}

TEST_F(ScrollBackTest, TheBufferKeepsTheNewestLinesUpToItsCapacity)
{
    CScrollBackBuffer b(3);
    for (const wchar_t* t : {L"a", L"b", L"c", L"d", L"e"})
        add(b, t);
    EXPECT_EQ(lines_of(b), "c,d,e");
    b.SetCapacity(2);
    EXPECT_EQ(lines_of(b), "d,e");
    b.SetCapacity(4);
    for (const wchar_t* t : {L"f", L"g", L"h"})
        add(b, t);
    EXPECT_EQ(lines_of(b), "e,f,g,h");
    b.Clear();
    add(b, L"i");
    EXPECT_EQ(lines_of(b), "i");
}

TEST_F(ScrollBackTest, TheTerminalCollectsLinesScrolledOffTheNormalScreen)
{
    seq(200);
    EXPECT_EQ(ScrollBack.Count(), 195);
    EXPECT_EQ(text_of(ScrollBack.Line(0)), "L001");
    EXPECT_EQ(text_of(ScrollBack.Line(194)), "L195");

    // ScrollbackLines=100 keeps the last 100.
    ScrollBack.Clear();
    SetScrollBackOptions(true, 100);
    seq(200);
    EXPECT_EQ(ScrollBack.Count(), 100);
    EXPECT_EQ(text_of(ScrollBack.Line(0)), "L096");

    // ConsoleScrollback=off collects nothing, and there is nothing to show.
    ScrollBack.Clear();
    SetScrollBackOptions(false, 100);
    seq(50);
    console.Write("\n\n\n\n\n\n\n", 7);
    EXPECT_EQ(ScrollBack.Count(), 0);
    EXPECT_EQ(ShowScrollBack(), -1);
    SetScrollBackOptions(true, 100);

    // A full-screen program (less) adds nothing, nor does a region that
    // leaves the top line in place.
    seq(50, "\x1b[?1049h");
    seq(50, "\x1b[2;6r\x1b[6;1H");
    EXPECT_EQ(ScrollBack.Count(), 0);
}

TEST_F(ScrollBackTest, TheConsolesOwnWriteHandsItsLinesOn)
{
    install_scroll_back();
    console.Write("one\ntwo\nthree\nfour\nfive\nsix\nseven\n");
    scroll_back_sink = nullptr;
    EXPECT_EQ(lines_of(ScrollBack), "one,two");
}

TEST_F(ScrollBackTest, TheViewerPagesExactlyToTheEnds)
{
    seq(200);
    console.PutStringAt(0, 4, L"command line", 0x07);
    console.PutStringAt(0, 5, L"key bar", 0x07);
    CConsole::Rect zone_inside = {-1, -1, -1, -1};
    console.idle_hook = [&] { console.GetSelectionZone(zone_inside); };
    // The screen's lines but the last two follow the buffer: L196 .. L199.
    {
        std::vector<CellString> tail(4);
        for (int y = 0; y < 4; y++)
            GetConsoleLine(tail[y], y);
        CScrollBackViewer v(ScrollBack, std::move(tail));
        EXPECT_EQ(v.Total(), 199);
        EXPECT_EQ(screen_text(console, 5, 0, 4), "L199") << "it opens on the last page";
        EXPECT_EQ(show(v, {KEY_HOME}), "L001");
        EXPECT_EQ(show(v, {KEY_PGUP}), "L001") << "PgUp at the top stays";
        EXPECT_EQ(show(v, {KEY_PGDN}), "L005") << "a page is the height less 2";
        EXPECT_EQ(show(v, {KEY_DOWN, KEY_DOWN, KEY_UP}), "L006");
        EXPECT_EQ(screen_text(console, 5, 0, 4), "L011");
        EXPECT_EQ(show(v, {KEY_END}), "L194");
        EXPECT_EQ(show(v, {KEY_PGDN, KEY_DOWN, 'x', KEY_F1}), "L194") << "nothing follows the end";
        EXPECT_EQ(show(v, {KEY_PGUP}), "L190");
        for (int i = 0; i < 48; i++)
            (void)show(v, {KEY_PGDN});
        EXPECT_EQ(v.FirstShown(), 193) << "PgDn stops exactly at the last page";
        EXPECT_EQ(screen_text(console, 5, 0, 4), "L199");
        EXPECT_EQ(zone_inside.x1, 0);
        EXPECT_EQ(zone_inside.x2, 19);
        EXPECT_EQ(zone_inside.y2, 5);
    }
    EXPECT_EQ(screen_text(console, 4, 0, 12), "command line") << "leaving restores the screen";
    EXPECT_EQ(ScrollBack.Count(), 195);
    CConsole::Rect zone;
    console.GetSelectionZone(zone);
    EXPECT_EQ(zone.x2, 0) << "the selection zone is given back";

    script_keys(console, {KEY_HOME}, KEY_ESC);
    EXPECT_EQ(ShowScrollBack(), 0);
    EXPECT_EQ(ScrollBack.Count(), 195) << "the screen's lines were only visiting";
}

TEST_F(ScrollBackTest, AShortBufferShowsFromItsFirstLine)
{
    add(ScrollBack, L"first");
    std::vector<CellString> tail;
    tail.emplace_back(L"second", 0x07);
    CScrollBackViewer v(ScrollBack, std::move(tail));
    EXPECT_EQ(show(v, {KEY_END, KEY_PGDN, KEY_DOWN}), "firs");
    EXPECT_EQ(screen_text(console, 1), "second              ");
    EXPECT_EQ(screen_text(console, 5), std::string(20, ' '));
    EXPECT_EQ(v.FirstShown(), 0);
}
