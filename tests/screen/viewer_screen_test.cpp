#include "console/colours.h"
#include "editor/search_settings.h"
#include "editor/view_code_page.h"
#include "tests/screen/screen_helpers.h"

#include <sys/stat.h>

namespace {

std::string blank()
{
    return std::string(80, ' ');
}

// Row y of the text area (screen row y + 1).
std::string text_row(int y)
{
    return row(y + 1);
}

// One letter per colour of the elements a viewer page shows.
std::string colours(int y, int x = 0, int width = -1)
{
    const unsigned char* c = config.Colours;
    unsigned char viewer = c[ColourFileViewer];
    unsigned char more = static_cast<unsigned char>((c[ColourTagged] & 0x0F) | (viewer & 0xF0));
    return screen_attrs(console, y,
                        {{viewer, '.'}, {c[ColourMenu], 'm'}, {c[ColourHighlight], 'h'}, {more, 't'},
                         {c[ColourCommandLine], 'n'}, {c[ColourErrors], 'e'},
                         {c[ColourMessages], 'g'}, {0x1A, 'c'}},
                        x, width);
}

// The files of one test in a directory of their own under /tmp, with a
// px.ini of the test's settings apart from them (so that a panel lists
// only the files).
class ViewerScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.empty() || conf.path.empty());
        settings("");
        // What one run leaves for the next: the code-page list's place and
        // the search.
        viewCP = 0;
        viewCPPos = 0;
        word = L"";
        casesense = reverse = wholeWord = 0;
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        write_file(dir + "/" + name, bytes);
        return dir + "/" + name;
    }
    void settings(const std::string& lines) { write_file(ini, "[General Options]\n" + lines); }
    // px -v on the file, with the test's settings.
    PX_RUN view(const std::string& file, std::vector<ScreenStep> steps)
    {
        return run_px({ini.c_str(), "-v", file.c_str()}, std::move(steps));
    }

    ScratchDir files{"pxvs."}, conf{"pxvc."};
    std::string dir = files.path, ini = conf.sys("px.ini");
};

std::string numbered(int from, int to)
{
    std::string s;
    for (int i = from; i <= to; i++)
        s += "line " + std::to_string(i) + "\n";
    return s;
}

}

TEST_F(ViewerScreen, HeadingAndKeyBarCellExact)
{
    std::string file = write("notes.txt", numbered(1, 100));
    // A name too long for its room keeps its first directory and its tail.
    std::string deep = dir + "/" + repeat("d", 40);
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    std::string longName = write(repeat("d", 40) + "/" + repeat("n", 30) + ".txt", "x\n");
    view(file, {CHECK([&] {
             EXPECT_EQ(row(0), pad("View: " + file, 65) + pad("UTF-8", 8) + " 22.09%");
             EXPECT_EQ(colours(0), std::string(80, 'm'));
             EXPECT_EQ(row(24), "1Help   2Unwrap 3       4Hex    5       6       7Search 8Home   9End    10Quit  ");
             // The bar's labels in "Menu Bar", its numbers in "Command Line".
             EXPECT_EQ(screen_attrs(console, 24, {{config.Colours[ColourMenuBar], 'b'}, {config.Colours[ColourCommandLine], 'n'}}),
                       "nbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnbbbbbbnnnbbbbbb");
             EXPECT_EQ(text_row(0), pad("line 1", 80));
             EXPECT_EQ(text_row(22), pad("line 23", 80));
             EXPECT_EQ(colours(1), std::string(80, '.'));
         }),
         // The bottom line moves to the top; End shows the last page.
         KEYS({KEY_PGDN}), CHECK([] {
             EXPECT_EQ(text_row(0), pad("line 23", 80));
             EXPECT_EQ(cells(0, 73, 80 - 73), " 44.31%");
         }),
         KEYS({KEY_END}), CHECK([] {
             EXPECT_EQ(text_row(0), pad("line 78", 80));
             EXPECT_EQ(text_row(22), pad("line 100", 80));
             EXPECT_EQ(cells(0, 73, 80 - 73), "100.00%");
         }),
         KEYS({KEY_UP, KEY_UP}), CHECK([] { EXPECT_EQ(text_row(0), pad("line 76", 80)); }),
         KEYS({KEY_HOME, KEY_DOWN}), CHECK([] { EXPECT_EQ(text_row(0), pad("line 2", 80)); }),
         KEYS({KEY_F10}), EXITS()});
    view(longName, {CHECK([&] {
        std::string tail = longName.substr(longName.size() - 50);
        EXPECT_EQ(row(0), pad("View: /tmp/..." + tail, 65) + pad("UTF-8", 8) + "100.00%");
    })});
}

TEST_F(ViewerScreen, AnEmptyFileOrExactlyAPageIsAllAtTheEnd)
{
    view(write("empty", ""), {CHECK([&] {
             EXPECT_EQ(cells(0, 65, 80 - 65), "UTF-8   100.00%");
             for (int y = 0; y < 23; y++)
                 EXPECT_EQ(text_row(y), blank()) << y;
         })});
    std::string file = write("page", numbered(1, 23));
    auto same = [] {
        EXPECT_EQ(text_row(0), pad("line 1", 80));
        EXPECT_EQ(text_row(22), pad("line 23", 80));
        EXPECT_EQ(cells(0, 73, 80 - 73), "100.00%");
    };
    view(file, {CHECK(same), KEYS({KEY_PGDN}), CHECK(same), KEYS({KEY_END}), CHECK(same), KEYS({KEY_DOWN}),
                CHECK(same)});
}

TEST_F(ViewerScreen, UnwrappedLinesShowTheMarkAndScroll)
{
    settings("ViewerWrap=off\n");
    std::string digits = repeat("0123456789", 10);
    std::string file = write("wide", digits + "\nshort\n");
    view(file, {CHECK([&] {
                    EXPECT_EQ(text_row(0), digits.substr(0, 79) + "»");
                    EXPECT_EQ(colours(1), std::string(79, '.') + "t");
                    EXPECT_EQ(text_row(1), pad("short", 80));
                    EXPECT_EQ(cells(24, 8, 8), "2Wrap   ");
                }),
                KEYS({KEY_RIGHT}), CHECK([&] {
                    EXPECT_EQ(text_row(0), digits.substr(4, 79) + "»");
                    EXPECT_EQ(text_row(1), pad("t", 80));
                }),
                KEYS({KEY_CTRL_RIGHT}), CHECK([&] { EXPECT_EQ(text_row(0), pad(digits.substr(44), 80)); }),
                KEYS({KEY_CTRL_LEFT, KEY_LEFT, KEY_LEFT}), CHECK([&] {
                    EXPECT_EQ(text_row(0), digits.substr(0, 79) + "»");
                }),
                // F2 wraps: the line takes two rows, the key says so.
                KEYS({F(2)}), CHECK([&] {
                    EXPECT_EQ(text_row(0), digits.substr(0, 80));
                    EXPECT_EQ(text_row(1), pad(digits.substr(80), 80));
                    EXPECT_EQ(text_row(2), pad("short", 80));
                    EXPECT_EQ(cells(24, 8, 8), "2Unwrap ");
                })});
}

TEST_F(ViewerScreen, WrappedRowsScrollOneAtATime)
{
    std::string a = repeat("a", 80), b = repeat("b", 80);
    std::string file = write("rows", a + b + "cc\n" + numbered(1, 40));
    view(file, {CHECK([&] {
                    EXPECT_EQ(text_row(0), a);
                    EXPECT_EQ(text_row(1), b);
                    EXPECT_EQ(text_row(2), pad("cc", 80));
                    EXPECT_EQ(text_row(3), pad("line 1", 80));
                }),
                KEYS({KEY_DOWN}), CHECK([&] { EXPECT_EQ(text_row(0), b); }),
                KEYS({KEY_DOWN, KEY_DOWN}), CHECK([&] { EXPECT_EQ(text_row(0), pad("line 1", 80)); }),
                // Back into the long line at its last row.
                KEYS({KEY_UP}), CHECK([&] { EXPECT_EQ(text_row(0), pad("cc", 80)); }),
                // PgDn from the top: the bottom row's line, from its row shown.
                KEYS({KEY_HOME, KEY_PGDN}), CHECK([&] { EXPECT_EQ(text_row(0), pad("line 20", 80)); })});
}

TEST_F(ViewerScreen, HexOfTwentyBytes)
{
    std::string bytes = "0123456789ABCDEFGHIJ";
    bytes[5] = '\0';
    std::string file = write("twenty", bytes);
    view(file, {KEYS({F(4)}), CHECK([] {
        EXPECT_EQ(text_row(0), "00000000 30 31 32 33 │ 34 00 36 37 │ 38 39 41 42 │ 43 44 45 46  01234.6789ABCDEF");
        EXPECT_EQ(text_row(1), "00000010 47 48 49 4A │" + std::string(42, ' ') + "GHIJ" + std::string(12, ' '));
        EXPECT_EQ(text_row(2), blank());
        EXPECT_EQ(cells(24, 24, 8), "4ASCII  ");
        EXPECT_EQ(cells(0, 73, 80 - 73), "100.00%");
    })});
}

TEST_F(ViewerScreen, SearchMarksTheMatchAndShiftF7FindsTheNext)
{
    std::string file = write("cats", "a cat\n" + numbered(1, 30) + "concatenate\nthe cat sat\n");
    view(file, {KEYS({F(7)}), KEYS(type_keys("cat")), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("a cat", 80));
                    EXPECT_EQ(colours(1, 0, 8), "..hhh...");
                }),
                KEYS({ShiftF(7)}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("concatenate", 80));
                    EXPECT_EQ(colours(1, 0, 12), "...hhh......");
                }),
                // Whole words only, from the dialog: the next "cat" alone.
                KEYS({F(7), KEY_ALT_W, KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("the cat sat", 80));
                    EXPECT_EQ(colours(1, 0, 12), "....hhh.....");
                }),
                // Backward, and any movement takes the mark away.
                KEYS({AltF(7)}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("a cat", 80));
                    EXPECT_EQ(colours(1, 0, 8), "..hhh...");
                }),
                KEYS({KEY_DOWN, KEY_UP}), CHECK([] { EXPECT_EQ(colours(1, 0, 8), "........"); }),
                KEYS({F(7)}), KEYS(type_keys("zebra")), KEYS({KEY_RETURN}),
                CHECK([] { EXPECT_GE(screen_row_of("String not found"), 0); }), KEYS({KEY_ESC}),
                CHECK([] { EXPECT_EQ(screen_row_of("String not found"), -1); })});
}

TEST_F(ViewerScreen, SearchInHexMarksBothColumns)
{
    std::string file = write("bin", std::string(40, '.') + "key" + std::string(10, '.'));
    view(file, {KEYS({F(4), F(7)}), KEYS(type_keys("key")), KEYS({KEY_RETURN}), CHECK([] {
        EXPECT_EQ(cells(1, 0, 9), "00000020 ");
        // Bytes 8 to 10 of the row: their digits and their characters.
        EXPECT_EQ(colours(1, 34, 12), "...hh.hh.hh.");
        EXPECT_EQ(colours(1, 64, 16), "........hhh.....");
    })});
}

TEST_F(ViewerScreen, DialogsCellExact)
{
    std::string file = write("plain", numbered(1, 3));
    settings("TranslateCP=1251,866\n");
    view(file, {KEYS({F(7)}), CHECK([] {
                    EXPECT_EQ(screen_rows(9, 15, 7, 65),
                              framed(63, {"", " Search for: " + pad("", 40) + "↓", pad("", 43) + "[ ]  Case Sensitive",
                                          "   [ OK ]  [ Cancel ]" + pad("", 22) + "[ ]  Reverse", pad("", 43) + "[ ]  Whole Word"}));
                    EXPECT_EQ(colours(9, 7, 65), repeat("g", 65));
                }),
                KEYS({KEY_ESC, KEY_ALT_L}), CHECK([] {
                    EXPECT_EQ(screen_rows(10, 14, 26, 27), framed(25, {"", " Line to go to: 0", ""}, "╔═══════ Goto Line ═══════╗"));
                }),
                KEYS({KEY_ESC, KEY_ALT_O}), CHECK([] {
                    EXPECT_EQ(screen_rows(10, 14, 22, 35),
                              framed(33, {"", " Offset to go to: 0x", ""}, "╔══════════ Goto Offset ══════════╗"));
                }),
                KEYS({KEY_ESC, KEY_ALT_C}), CHECK([] {
                    EXPECT_EQ(screen_rows(10, 14, 24, 32),
                              framed(30, {"", " Code Page List: 1251,866    ↓", ""}, "╔═══ Code Page Translation ════╗"));
                }),
                KEYS({KEY_ESC, KEY_ALT_E}), CHECK([] {
                    EXPECT_GE(screen_row_of("═════════════════ Select File Encoding ═════════════════"), 0);
                    EXPECT_GE(screen_row_of("File Format: ( ) Code Page       Code Page: 819"), 0);
                    EXPECT_GE(screen_row_of("(•) UTF-8"), 0);
                }),
                KEYS({KEY_ESC})});
}

TEST_F(ViewerScreen, GoToLineAndOffset)
{
    std::string file = write("three", "one\ntwo\nthree\n");
    view(file, {KEYS({KEY_ALT_L}), KEYS(type_keys("10")), KEYS({KEY_RETURN}),
                CHECK([] { EXPECT_GE(screen_row_of("Only 3 lines in this file"), 0); }), KEYS({KEY_ESC}),
                CHECK([] { EXPECT_EQ(text_row(0), pad("one", 80)); }),
                KEYS({KEY_ALT_L}), KEYS(type_keys("3")), KEYS({KEY_RETURN}),
                CHECK([] { EXPECT_EQ(text_row(0), pad("three", 80)); }),
                KEYS({KEY_ALT_L}), KEYS(type_keys("1")), KEYS({KEY_RETURN}),
                CHECK([] { EXPECT_EQ(text_row(0), pad("one", 80)); }),
                // Offset 9 is the "h" of "three": its line tops the page, the
                // character marked.
                KEYS({KEY_ALT_O}), KEYS(type_keys("9")), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("three", 80));
                    EXPECT_EQ(colours(1, 0, 5), ".h...");
                }),
                KEYS({KEY_ALT_O}), KEYS(type_keys("e")), KEYS({KEY_RETURN}),
                CHECK([] { EXPECT_GE(screen_row_of("Only 14 bytes in this file"), 0); }), KEYS({KEY_ESC})});
}

TEST_F(ViewerScreen, AltTWalksTheCodePageList)
{
    settings("TranslateCP=1251,866\n");
    // E9 before a blank is no UTF-8: the file is 8-bit text.
    std::string file = write("cyr", "\xE9 x\n");
    auto shows = [](const char* desc, const char* text) {
        return [=] {
            EXPECT_EQ(cells(0, 65, 8), pad(desc, 8));
            EXPECT_EQ(text_row(0), pad(text, 80));
        };
    };
    view(file, {CHECK(shows("CP819", "é x")), KEYS({KEY_ALT_T}), CHECK(shows("CP1251", "й x")),
                KEYS({KEY_ALT_T}), CHECK(shows("CP866", "щ x")), KEYS({KEY_ALT_T}), CHECK(shows("CP819", "é x")),
                KEYS({KEY_ALT_T}), CHECK(shows("CP1251", "й x"))});
}

TEST_F(ViewerScreen, AFarJumpKeepsACommentOpenedAtTheTop)
{
    write_file(conf.sys("syntax.ini"), "[C:*.c]\nblockcomment : bright green : /* : */\n");
    std::string text = "/* opened on line 1\n";
    for (int i = 2; i <= 400; i++)
        text += "inside " + std::to_string(i) + "\n";
    text += "*/ closed\nafter\n";
    std::string file = write("long.c", text);
    view(file, {KEYS({KEY_ALT_L}), KEYS(type_keys("200")), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(text_row(0), pad("inside 200", 80));
                    EXPECT_EQ(colours(1, 0, 10), "cccccccccc");
                }),
                KEYS({KEY_END}), CHECK([] {
                    EXPECT_EQ(text_row(21), pad("*/ closed", 80));
                    EXPECT_EQ(colours(22, 0, 9), "cc.......");
                    EXPECT_EQ(colours(23, 0, 5), ".....");
                }),
                // Colouring off and on again.
                KEYS({KEY_ALT_H}), CHECK([] { EXPECT_EQ(colours(22, 0, 2), ".."); }),
                KEYS({KEY_ALT_H}), CHECK([] { EXPECT_EQ(colours(22, 0, 2), "cc"); })});
}

TEST_F(ViewerScreen, FollowModeShowsGrowthAndItsBox)
{
    std::string file = write("log", numbered(1, 3));
    view(file, {KEYS({KEY_ALT_F}), CHECK([&] {
                    EXPECT_EQ(cells(24, 24, 32), " Follow Mode ON - ESC to cancel ");
                    EXPECT_EQ(colours(24, 24, 32), std::string(32, 'e'));
                    std::ofstream(file, std::ios::app) << numbered(4, 30);
                }),
                // One wait without a key: the end comes into view.
                KEYS({}), CHECK([] {
                    EXPECT_EQ(text_row(22), pad("line 30", 80));
                    EXPECT_EQ(cells(0, 73, 80 - 73), "100.00%");
                }),
                // The first Escape ends follow mode only.
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_EQ(row(24), "1Help   2Unwrap 3       4Hex    5       6       7Search 8Home   9End    10Quit  ");
                }),
                KEYS({KEY_ESC}), EXITS()});
}

TEST_F(ViewerScreen, NoMoreFilesAfterTheOnlyFile)
{
    std::string file = write("only", "x\n");
    view(file, {KEYS({KEY_ALT_DOWN}), CHECK([] {
                    EXPECT_EQ(screen_rows(10, 14, 31, 18), framed(16, {"", " No more files", ""}));
                    EXPECT_EQ(colours(12, 31, 18), repeat("g", 18));
                }),
                KEYS({KEY_DOWN}), CHECK([] { EXPECT_EQ(screen_row_of("No more files"), -1); })});
}

TEST_F(ViewerScreen, AltDownStepsThroughThePanelsFiles)
{
    write("a.txt", "first\n");
    write("b.txt", "second\n");
    write("c.txt", "third\n");
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    auto showing = [this](const char* name, const char* text) {
        return [=, this] {
            EXPECT_EQ(cells(0, 0, 65), pad("View: " + dir + "/" + name, 65));
            EXPECT_EQ(text_row(0), pad(text, 80));
        };
    };
    run_px({ini.c_str(), "-l", dir.c_str(), "-r", dir.c_str()},
           {// "..", "sub", then the files: F3 on a directory views nothing.
            KEYS({KEY_DOWN, F(3)}), CHECK([] { EXPECT_EQ(screen_row_of("View: "), -1); }),
            KEYS({KEY_DOWN, F(3)}), CHECK(showing("a.txt", "first")),
            // Nothing before a.txt but directories.
            KEYS({KEY_ALT_UP}), CHECK([] { EXPECT_GE(screen_row_of("No more files"), 0); }),
            KEYS({KEY_ALT_DOWN}), CHECK(showing("b.txt", "second")),
            KEYS({KEY_ALT_DOWN}), CHECK(showing("c.txt", "third")),
            KEYS({KEY_ALT_DOWN}), CHECK([] { EXPECT_GE(screen_row_of("No more files"), 0); }),
            KEYS({KEY_HOME}), CHECK(showing("c.txt", "third")),
            // Back in the panel, the cursor is on the last file viewed.
            KEYS({KEY_ESC}), CHECK([] {
                EXPECT_EQ(screen_row_of("View: "), -1);
                int cursor = -1;
                for (int y = 1; y < 22; y++)
                    if (screen_attrs(console, y, {{config.Colours[ColourHighlight], 'h'}}, 1, 1) == "h")
                        cursor = y;
                ASSERT_GE(cursor, 0);
                EXPECT_EQ(cells(cursor, 1, 6), "c.txt ");
            })});
}

TEST_F(ViewerScreen, NulTabsAndTabWidth)
{
    // UTF-16 shows a NUL as a blank; 8-bit text as "."; tabs reach the next
    // multiple of the tab width, which Alt+1 to Alt+8 set.
    std::string wide = "\xFF\xFE";
    for (char c : std::string("a\0b\tc\n", 6)) {
        wide += c;
        wide += '\0';
    }
    std::string narrow("a\0b\tc\xE9 \n", 8);
    view(write("wide", wide), {CHECK([] { EXPECT_EQ(text_row(0), pad("a b     c", 80)); }),
                               KEYS({KEY_ALT_1 + 3}), CHECK([] { EXPECT_EQ(text_row(0), pad("a b c", 80)); }),
                               KEYS({KEY_ALT_1 + 7})});
    view(write("narrow", narrow), {CHECK([] { EXPECT_EQ(text_row(0), pad("a.b     cé", 80)); })});
}

TEST_F(ViewerScreen, MouseScrollsByThirdsAndPressesTheKeyBar)
{
    settings("ViewerWrap=off\n");
    std::string file = write("mouse", repeat("0123456789", 10) + "\n" + numbered(2, 100));
    auto put = [](CConsole::EType type, int button, int x, int y) {
        return CHECK([=] { console.Queue().Put({type, button, 0, 0, x, y}); });
    };
    auto top = [](const std::string& text) { return CHECK([=] { EXPECT_EQ(text_row(0), pad(text, 80)); }); };
    // Each empty KEYS lets one scroll delay pass without an event: the step
    // held repeats.
    view(file, {// The lower third: a line down, again while held, until released.
                put(CConsole::EvButtonPress, 1, 40, 20), KEYS({}), top("line 2"), KEYS({}), top("line 3"),
                put(CConsole::EvButtonRelease, 1, 40, 20), KEYS({}), top("line 3"),
                // The upper third with the right button: a page up.
                put(CConsole::EvButtonPress, 2, 40, 2), KEYS({}), put(CConsole::EvButtonRelease, 2, 40, 2),
                KEYS({}), CHECK([] { EXPECT_EQ(text_row(0).substr(0, 10), "0123456789"); }),
                // The middle third's right part: four columns right.
                put(CConsole::EvButtonPress, 1, 70, 12), KEYS({}), put(CConsole::EvButtonRelease, 1, 70, 12),
                KEYS({}), CHECK([] { EXPECT_EQ(text_row(0).substr(0, 6), "456789"); }),
                // The wheel: three rows a notch (four columns still scrolled).
                put(CConsole::EvWheel, -1, 40, 12), KEYS({}), top(" 4"),
                // A press and a release on "9End" of the key bar.
                put(CConsole::EvButtonPress, 1, 66, 24), put(CConsole::EvButtonRelease, 1, 66, 24), KEYS({}),
                CHECK([] { EXPECT_EQ(text_row(22), pad(" 100", 80)); }),
                // Released elsewhere, a press does nothing: no "Home".
                put(CConsole::EvButtonPress, 1, 58, 24), put(CConsole::EvButtonRelease, 1, 2, 24), KEYS({}),
                CHECK([] { EXPECT_EQ(text_row(22), pad(" 100", 80)); })});
}
