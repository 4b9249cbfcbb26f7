#include "tests/screen/screen_helpers.h"

namespace {

// A directory of 60 files f00 .. f59 and two subdirectories, "one" holding
// "deep", listed in the left panel; the right panel shows "one".
class PanelKeys : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        left_dir = "";
        right_dir = "one";
        t.dir("one");
        t.dir("one/deep");
        t.dir("two");
        for (int i = 0; i < 60; i++)
            t.file((i < 10 ? "f0" : "f") + std::to_string(i), i);
    }
    static std::string prompt()
    {
        std::string s = row(23);
        return s.substr(0, s.find('>'));
    }
};

}

TEST_F(PanelKeys, CursorKeysMoveAndPage)
{
    // 19 rows a page; ".." one two f00 .. f59 are 63 entries.
    const struct { std::vector<int> keys; const char* current; int top; } rows[] = {
        {{KEY_DOWN}, "one", 0},
        {{KEY_END}, "f59", 44},
        {{KEY_END, KEY_HOME}, "..", 0},
        {{KEY_PGDN}, "f16", 19},                       // a page on, the row kept
        {{KEY_DOWN, KEY_PGDN, KEY_PGDN, KEY_PGDN}, "f55", 44},  // a page on, the list's end on the last row
        {{KEY_END, KEY_HOME, KEY_PGDN, KEY_PGDN, KEY_PGDN, KEY_PGDN}, "f59", 44},  // then to the last entry
        {{KEY_END, KEY_PGUP}, "f40", 25},
        {{KEY_PGDN, KEY_PGUP}, "..", 0},
        {{KEY_UP}, "..", 0},                           // nothing above the first
    };
    for (const auto& r : rows) {
        run({KEYS(r.keys), CHECK([&] {
            EXPECT_EQ(left_status(), r.current);
            EXPECT_EQ(panel_base[0].top, r.top);
            EXPECT_EQ(cells(1, 1, 1), r.top ? "f" : ".");
        })});
    }
}

TEST_F(PanelKeys, OneRowScrollPaintsOnlyWhatCameIntoView)
{
    CRecordingDisplay display;
    run({KEYS({KEY_PGDN, KEY_HOME}), CHECK([&] {
             for (int i = 0; i < 18; i++)
                 console.Queue().Put({CConsole::EvKey, KEY_DOWN, 0, 0, 0, 0});
         }),
         KEYS({}), CHECK([&] {
             ASSERT_EQ(left_status(), "f15");
             console.SetDisplay(&display);
             display.paints.clear();
         }),
         KEYS({KEY_DOWN}), CHECK([&] {
             EXPECT_EQ(left_status(), "f16");
             EXPECT_EQ(panel_base[0].top, 1);
             ASSERT_EQ(display.moves.size(), 1u);  // the rows moved, not repainted
             // Apart from the text cursor on the command line, only the row
             // that came into view (where the cursor bar now is) and the
             // status line were painted.
             for (const auto& a : display.paints) {
                 if (a.y1 == 23 && a.y2 == 23)
                     continue;
                 EXPECT_TRUE(a.y1 == a.y2 && (a.y1 == 19 || a.y1 == 21)) << a.x1 << "," << a.y1 << " "
                                                                          << a.x2 << "," << a.y2;
             }
             EXPECT_EQ(screen_text(console, 19, 1, 12), "f16         ");
             display.paints.clear();
             display.moves.clear();
         }),
         KEYS({KEY_PGDN}), CHECK([&] {
             EXPECT_TRUE(display.moves.empty());
             int rows = 0;
             for (const auto& a : display.paints)
                 rows += a.y2 - a.y1 + 1;
             EXPECT_GE(rows, 19);  // a repaint
             console.SetDisplay(nullptr);
         })});
}

TEST_F(PanelKeys, EnterAndBackUp)
{
    std::string root = t.path;
    run({KEYS({KEY_DOWN, KEY_RETURN}), CHECK([&] {
             EXPECT_EQ(prompt(), root + "/one");
             EXPECT_EQ(left_status(), "..");
             EXPECT_EQ(screen_text(console, 2, 1, 4), "deep");
         }),
         KEYS({KEY_CTRL_PGUP}), CHECK([&] {
             EXPECT_EQ(prompt(), root);
             EXPECT_EQ(left_status(), "one");  // on the directory just left
         }),
         KEYS({KEY_DOWN, KEY_CTRL_PGDN, KEY_CTRL_MINUS}), CHECK([&] {
             EXPECT_EQ(prompt(), root);   // Ctrl+-: back where the panel was
             EXPECT_EQ(left_status(), "two");
         }),
         KEYS({KEY_CTRL_BACKSLASH}), CHECK([] { EXPECT_EQ(prompt(), "/"); })});
}

TEST_F(PanelKeys, TabSortAndDetailKeys)
{
    std::string root = t.path;
    run({KEYS({KEY_TAB}), CHECK([&] {
             EXPECT_EQ(prompt(), root + "/one");
             // The active panel's title in "Highlight", the other's in "Panel".
             std::string title = " " + root + "/one ";
             int x = 40 + (40 - static_cast<int>(title.size())) / 2;
             EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'h'}, {0x1B, 'p'}}, x, 3), "hhh");
             EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'h'}, {0x1B, 'p'}}, 20, 1), "p");
         }),
         KEYS({KEY_TAB, KEY_CTRL_F1 + 5}), CHECK([] {
             // Ctrl+F6: by size, largest first, directories still first.
             EXPECT_EQ(screen_text(console, 4, 1, 3), "f59");
             EXPECT_EQ(config.LeftSort, SortSize);
         }),
         KEYS({KEY_CTRL_F1 + 7}), CHECK([] {
             // Ctrl+F8 reverses: smallest first, the groups kept.
             EXPECT_EQ(screen_text(console, 1, 1, 3), ".. ");
             EXPECT_EQ(screen_text(console, 4, 1, 3), "f00");
         }),
         KEYS({(KEY_ALT_F1) | KEY_SHIFT_FLAG, KEY_END}), CHECK([] {
             // Brief: 57 entries a page in three columns; the last entry
             // is on the last row of the third column.
             EXPECT_EQ(panel_base[0].detail, DetailBrief);
             EXPECT_EQ(screen_text(console, 19, 27, 3), "f59");
         }),
         KEYS({KEY_HOME, KEY_RIGHT}), CHECK([] { EXPECT_EQ(panel_base[0].CurrentIndex(), 19); }),
         KEYS({KEY_RIGHT, KEY_RIGHT}), CHECK([] {
             // Past the last column the page moves on by a column.
             EXPECT_EQ(panel_base[0].top, 19);
             EXPECT_EQ(panel_base[0].CurrentIndex(), 57);
         }),
         KEYS({KEY_LEFT, KEY_LEFT, KEY_LEFT}), CHECK([] {
             // Two columns back, then the page moves back under the cursor.
             EXPECT_EQ(panel_base[0].top, 0);
             EXPECT_EQ(panel_base[0].CurrentIndex(), 0);
         })});
}

TEST_F(PanelKeys, QuickSearchStaysWithStickyAlt)
{
    run({KEYS({KEY_ALT_F, '4', '2'}), CHECK([] {
             EXPECT_EQ(screen_text(console, 21, 1, 11), "Search: f42");
             EXPECT_EQ(panel_base[0].Current()->name, Westring(L"f42"));
         }),
         KEYS({'x'}), CHECK([] {
             // No name goes on with an x: the character is dropped.
             EXPECT_EQ(screen_text(console, 21, 1, 11), "Search: f42");
         }),
         KEYS({KEY_DOWN}), CHECK([] {
             // Any other key ends the search and then does its own work.
             EXPECT_EQ(screen_text(console, 21, 1, 3), "f43");
             EXPECT_TRUE(panel_base[0].search.empty());
         }),
         KEYS({KEY_ALT_T, KEY_ESC}), CHECK([] { EXPECT_EQ(panel_base[0].Current()->name, Westring(L"two")); })});
}

TEST_F(PanelKeys, PanelsOnOffAndSwap)
{
    std::string root = t.path;
    run({KEYS({ctrl('O')}), CHECK([] {
             EXPECT_FALSE(panel_base[0].showing || panel_base[1].showing);
             EXPECT_EQ(screen_text(console, 5, 1, 3), "   ");
         }),
         KEYS({ctrl('O'), ctrl('U')}), CHECK([&] {
             EXPECT_EQ(prompt(), root);           // the cursor went along
             EXPECT_EQ(currpanel, 1);
             EXPECT_EQ(screen_text(console, 2, 1, 4), "deep");
             EXPECT_EQ(screen_text(console, 2, 41, 3), "one");
         }),
         KEYS({KEY_CTRL_F1}), CHECK([] {
             EXPECT_FALSE(panel_base[0].showing);
             EXPECT_EQ(screen_text(console, 2, 1, 4), "    ");
         })});
}

TEST_F(PanelKeys, StoredPathsAndNamesIntoTheCommandLine)
{
    std::string root = t.path;
    const int ctrl_shift_3 = KEY_CTRL_DIGIT | KEY_SHIFT_FLAG | 3;
    run({KEYS({KEY_DOWN, KEY_CTRL_DIGIT + 3}), CHECK([&] {
             // An empty slot: Ctrl+3 enters the directory like Ctrl+PgDn.
             EXPECT_EQ(prompt(), root + "/one");
         }),
         KEYS({ctrl_shift_3, KEY_CTRL_PGUP, KEY_CTRL_DIGIT + 3}), CHECK([&] {
             EXPECT_EQ(dirstore[3].ToUTF8(), Estring((root + "/one").c_str()));
             EXPECT_EQ(prompt(), root + "/one");
         }),
         KEYS({KEY_DOWN, KEY_CTRL_RETURN, KEY_CTRL_RBRACKET}), CHECK([&] {
             EXPECT_EQ(row(23).substr(0, prompt().size() + 7), prompt() + ">deep " + root.substr(0, 1));
             EXPECT_NE(row(23).find(root + "/one/"), std::string::npos);
             // Ctrl+[ arrives as Escape with Control held: the left panel's
             // directory.
             console.Queue().Put({CConsole::EvKey, KEY_ESC, STATE_CONTROL, 0, 0, 0});
         }),
         KEYS({}), CHECK([&] {
             // Both directories end in "/", so no blank follows them.
             EXPECT_NE(row(23).find(root + "/one/" + root + "/one/"), std::string::npos) << row(23);
         })},
        [] { dirstore[3] = Westring(); });
}

TEST_F(PanelKeys, MouseOnThePanels)
{
    auto press = [](CConsole::EType type, int button, int x, int y) {
        return CHECK([=] { console.InputButton(type, button, x, y, 0); });
    };
    run({KEYS({KEY_ALT_F1 | KEY_SHIFT_FLAG}),
         press(CConsole::EvButtonPress, 1, 16, 5), KEYS({}), CHECK([] {
             // Brief: the second column starts after 12 cells and a separator.
             EXPECT_EQ(panel_base[0].CurrentIndex(), 19 + 4);
         }),
         press(CConsole::EvButtonPress, 1, 14, 5), KEYS({}), CHECK([] {
             EXPECT_EQ(panel_base[0].CurrentIndex(), 23);  // a separator selects nothing
         }),
         CHECK([] { console.InputWheel(-1, 10, 10, 0); }), KEYS({}), CHECK([] {
             EXPECT_EQ(panel_base[0].CurrentIndex(), 26);
         }),
         press(CConsole::EvButtonPress, 1, 50, 2), KEYS({}), CHECK([] {
             EXPECT_EQ(currpanel, 1);  // the panel clicked becomes current
             EXPECT_EQ(panel_base[1].Current()->name, Westring(L"deep"));
         }),
         press(CConsole::EvDoubleClick, 1, 50, 2), KEYS({}), CHECK([&] {
             EXPECT_EQ(prompt(), t.path + "/one/deep");
         }),
         press(CConsole::EvButtonPress, 1, 5, 0), KEYS({}), CHECK([] {
             // Held on row 0: the left panel scrolls up to its first entry.
             EXPECT_EQ(currpanel, 0);
             EXPECT_EQ(panel_base[0].CurrentIndex(), 0);
         })});
}

TEST_F(PanelKeys, UndecodableNameShowsAndEntersAsItself)
{
    t.dir("caf\xE9");
    t.dir("caf\xC3\xA9");
    t.file("caf\xE9/raw", 1);
    run({KEYS({KEY_DOWN}), CHECK([] {
             EXPECT_EQ(screen_text(console, 2, 1, 4), "café");
             EXPECT_EQ(screen_text(console, 3, 1, 4), "caf\xEF\xBF\xBD");  // the replacement glyph
         }),
         KEYS({KEY_DOWN, KEY_RETURN}), CHECK([] { EXPECT_EQ(screen_text(console, 2, 1, 3), "raw"); })});
}

TEST_F(PanelKeys, MountChooserListsEjectsAndMoves)
{
    // The mounts are this machine's: the test reads back whatever the
    // chooser lists first.
    std::string first;
    run({KEYS({KEY_CTRL_M}), CHECK([&] {
             int heading = screen_row_of("File System");
             ASSERT_GE(heading, 0);
             EXPECT_GE(screen_row_of(" Mount Points "), 0);
             EXPECT_GE(screen_row_of(" Alt-E=Eject "), 0);
             for (int x = 0; x < 70 && first.empty(); x++)
                 if (screen_text(console, heading, x, 11) == "Mount Point") {
                     first = screen_text(console, heading + 1, x, 40);
                     first = first.substr(0, first.find(' '));
                 }
             ASSERT_FALSE(first.empty());
         }),
         KEYS({KEY_ALT_E}), CHECK([] {
             // Nothing here can be ejected: the service's answer is shown.
             EXPECT_GE(screen_row_of("Error ejecting"), 0);
         }),
         KEYS({KEY_ESC}), CHECK([] {
             EXPECT_LT(screen_row_of("Error ejecting"), 0);
             EXPECT_GE(screen_row_of(" Mount Points "), 0);
         }),
         KEYS({KEY_RETURN}), CHECK([&] {
             EXPECT_LT(screen_row_of(" Mount Points "), 0);
             EXPECT_EQ(prompt(), first);
         })});
}

TEST_F(PanelKeys, TheClockInTheCornerStaysWhenTheRightPanelRepaints)
{
    // The time itself changes; its shape and colour do not.
    auto clock = [] {
        std::string clock = screen_text(console, 0, 74);
        ASSERT_EQ(clock.size(), 6u);
        EXPECT_TRUE(clock[5] == 'a' || clock[5] == 'p') << clock;
        EXPECT_TRUE(clock[2] == ':' || clock[2] == ' ') << clock;
        EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'c'}}, 74), "cccccc");
    };
    run({CHECK([] {}), KEYS({' '}), CHECK(clock), KEYS({KEY_TAB, ctrl('R'), KEY_ALT_F1 | KEY_SHIFT_FLAG}), CHECK(clock)},
        [] { config.Clock = true; });
}
