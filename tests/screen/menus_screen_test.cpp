#include "config/command_history.h"
#include "foundation/program_name.h"
#include "tests/screen/screen_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Expects the rows from y on, starting at column x, to read as lines.
void expect_rows(int y, int x, const Rows& lines)
{
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_EQ(cells(y + static_cast<int>(i), x, Westring(lines[i].c_str()).strlen()), lines[i]) << "row " << y + i;
}

// A dropped column: the double frame around its items, " " or the check
// mark before each, "-" a separator line.
Rows framed_column(int width, Rows items)
{
    for (std::string& it : items)
        if (it == "-")
            it = repeat("─", width);
    return framed(width, items);
}

const std::string Bar = "    Left    Files    Commands    Options    Right  ";

std::vector<std::string> side_items(bool right)
{
    return {" Brief       AlSh-F1", "√Full        AlSh-F2", " Wide        AlSh-F3", " Brief-Wide  AlSh-F4",
            " Unix detail AlSh-F5", " Info        Ctrl-L", " Tree",
            right ? " On/Off      Ctrl-F2" : " On/Off      Ctrl-F1", "-", "√Name        Ctrl-F3",
            " Extension   Ctrl-F4", " Time        Ctrl-F5", " Size        Ctrl-F6", " Unsorted    Ctrl-F7",
            " Reverse     Ctrl-F8", "-", " Re-Read     Ctrl-R", " Filter",
            right ? " Drive       Alt-F2" : " Drive       Alt-F1"};
}

const std::vector<std::string> FilesItems = {
    " Manual       Shift-F1", " User Menu          F2", " View               F3", " Edit               F4",
    " Copy               F5", " Rename or Move     F6", " Make Directory     F7", " Delete             F8", "-",
    " File Attributes    Ctrl-A", " File Case          Ctrl-C", " File Date/Time", " File Information   Ctrl-I", "-",
    " Select Group       Grey +", " Unselect Group     Grey -", " Invert Sel'n       Grey *",
    " Restore Sel'n  Alt-Grey +", "-", " Quit               F10"};
const std::vector<std::string> CommandsItems = {
    " Tree                 Alt-F10", " File Find            Alt-F7", " History              Alt-F8",
    " EGA Lines            Alt-F9", " Directory History    Alt-\\", " Stored Paths         Alt-F5", "-",
    " Swap Panels          Ctrl-U", " Panels On/Off        Ctrl-O", " Compare Directories  Ctrl-K",
    " Calculate Dir Size   Ctrl-Q", " Open GUI File Window Ctrl-W", "-", " Edit Associations", " Edit User Menu"};
const std::vector<std::string> OptionsItems = {
    " Configuration", " Colours", " Confirmations", "-", " Hidden Files    Ctrl-H", "√Path Prompt", "√Full Screen",
    " Clock", " Tag Directories", " Thousand Separator", " Retain Dir Count", "-", " Save Setup      Shft-F9"};

// The whole screen, characters and attributes, with the cursor and title.
Rows whole_screen()
{
    Rows s;
    for (int y = 0; y < console.Lines(); y++)
        s.push_back(row(y) + "|" + screen_attr_hex(console, y));
    s.push_back(cursor_at() + " " + console.GetTitle().ToUTF8().c_str());
    return s;
}

}

TEST(MenuScreen, EachColumnDropsBelowItsLabel)
{
    const struct { int x, width; std::vector<std::string> items; } columns[] = {
        {2, 21, side_items(false)}, {10, 27, FilesItems}, {19, 30, CommandsItems}, {31, 25, OptionsItems},
        {42, 21, side_items(true)},
    };
    std::vector<ScreenStep> steps{KEYS({F(9)}), CHECK([] {
                                      EXPECT_EQ(row(0), Bar + std::string(29, ' '));
                                      // The selected label in "Menu Highlight", the rest in "Menu Bar".
                                      EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'b'}, {0x0F, 'h'}}),
                                                "bbhhhhhhhh" + std::string(70, 'b'));
                                  }),
                                  KEYS({KEY_DOWN})};
    for (int c = 0; c < 5; c++) {
        steps.push_back(CHECK([&columns, c] {
            SCOPED_TRACE("column " + std::to_string(c));
            expect_rows(1, columns[c].x, framed_column(columns[c].width, columns[c].items));
            // Item 0 selected in "Menu Highlight" with its hot letter in
            // "Menu Quick Key", the others in "Menu".
            int x = columns[c].x + 1, last = x + columns[c].width - 1;
            EXPECT_EQ(screen_attr_hex(console, 2, x, 1) + screen_attr_hex(console, 2, last, 1), "0f0f");
            EXPECT_EQ(screen_attr_hex(console, 3, x, 1) + screen_attr_hex(console, 3, last, 1), "3f3f");
        }));
        steps.push_back(KEYS({KEY_RIGHT}));
    }
    // Opening from the right side starts on Right.
    steps.push_back(KEYS({KEY_ESC, KEY_ESC, KEY_TAB, F(9)}));
    steps.push_back(CHECK([] {
        EXPECT_EQ(screen_attrs(console, 0, {{0x30, 'b'}, {0x0F, 'h'}}, 40, 12), "bbhhhhhhhhhb");
        EXPECT_EQ(cells(1, 40, 3), "║..");  // nothing dropped: the panel shows
    }));
    steps.push_back(KEYS({KEY_DOWN}));
    steps.push_back(CHECK([] { expect_rows(1, 42, framed_column(21, side_items(true))); }));
    run_px({}, steps);
}

TEST(MenuScreen, HotLettersQuickKeyColourAndFileThenQuit)
{
    PX_RUN r = run_px({}, {KEYS({F(9), 'f'}), CHECK([] {
                    // Manual's hot letter is its "l" (column 10 + 1 + 1 + 5).
                    EXPECT_EQ(screen_attr_hex(console, 2, 17, 1), "0e");
                    EXPECT_EQ(screen_attr_hex(console, 3, 12, 1), "3e");  // "U" of User Menu
                    EXPECT_EQ(screen_attr_hex(console, 10, 12, 1), "30");  // separator in "Menu Bar"
                }),
                KEYS({'q'}), EXITS()});
    EXPECT_EQ(r.status, 0);
}

TEST(MenuScreen, EscapeTwiceRestoresEveryCellTheCursorAndTheTitle)
{
    Rows before;
    run_px({}, {KEYS(type_keys("ab")), CHECK([&] { before = whole_screen(); }), KEYS({F(9), KEY_DOWN, KEY_RIGHT}),
                CHECK([] { EXPECT_NE(row(0).substr(0, 12), "╔═════════ /"); }), KEYS({KEY_ESC, KEY_ESC}),
                CHECK([&] { EXPECT_EQ(whole_screen(), before); })});
}

TEST(MenuScreen, ShiftF10ReopensWhereTheMenuWasLeft)
{
    run_px({}, {KEYS({F(9), 'f', 'c'}), CHECK([] { EXPECT_EQ(cells(0, 0, 3), "╔══"); }), KEYS({ShiftF(10)}),
                CHECK([] {
                    EXPECT_EQ(cells(6, 11, 22), " Copy               F5");
                    EXPECT_EQ(screen_attr_hex(console, 6, 11, 1) + screen_attr_hex(console, 6, 30, 1), "0f0f");
                    EXPECT_EQ(screen_attr_hex(console, 2, 11, 1), "3f");
                }),
                KEYS({KEY_ESC, KEY_ESC, ctrl('N')}), CHECK([] {
                    // Ctrl+N opens on the current side with nothing dropped.
                    EXPECT_EQ(screen_attr_hex(console, 0, 2, 1), "0f");
                    EXPECT_NE(cells(1, 2, 1), "╔");
                }),
                KEYS({KEY_ESC})});
}

TEST(MenuScreen, ARightPressOnRowZeroOpensTheColumnUnderIt)
{
    auto press = [] {
        console.Queue().Put({CConsole::EvButtonPress, 2, 0, 0, 33, 0});
        console.Queue().Put({CConsole::EvButtonRelease, 2, 0, 0, 33, 0});
    };
    run_px({}, {CHECK(press), KEYS({}), CHECK([] {
                    EXPECT_EQ(screen_attr_hex(console, 0, 31, 1), "0f");
                    EXPECT_EQ(cells(2, 32, 14), " Configuration");
                }),
                KEYS({KEY_ESC, KEY_ESC})});
}

TEST(MenuScreen, SideMenusActOnTheirSide)
{
    run_px({}, {KEYS({F(9), KEY_LEFT, KEY_DOWN, 'a'}), CHECK([] {
                    // Right menu, Unix detail: the right panel, though the left is current.
                    EXPECT_EQ(config.RightStyle, DetailUnix);
                    EXPECT_EQ(config.LeftStyle, DetailFull);
                }),
                KEYS({F(9), KEY_DOWN, 'm', F(9), KEY_DOWN, 'v'}),
                CHECK([] { EXPECT_EQ(config.LeftSort, SortTime + SortReversed); })});
}

TEST(MenuScreen, UncheckingQuitMakesF10QuitUnasked)
{
    PX_RUN r = run_px({}, {KEYS({F(9), 'o', 'n'}), CHECK([] {
                               expect_rows(5, 18, framed(42, {"", " [X]  Delete File/Empty Directory", " [X]  Delete Tagged Files",
                                                              " [X]  Delete Non-empty Directory", " [X]  Quit Pannex",
                                                              " [X]  \"YES\" prompt for Non-Empty Directory", "",
                                                              "       [ OK ]  [ Cancel ]  [ Help ]"},
                                                         "╔═════════════ Confirmations ══════════════╗"));
                           }),
                           KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, ' ', KEY_RETURN}),
                           CHECK([] { EXPECT_EQ(config.Confirmations, ConfirmQuit); }), KEYS({KEY_F10}), EXITS(),
                           KEYS({'x'})},
                  [] { config.Confirmations = 0; });
    EXPECT_EQ(r.steps_left, 1);
}

TEST(ConfigScreen, TheDialogAndCancel)
{
    run_px({}, {KEYS({F(9), 'o', 'c'}), CHECK([] {
                    expect_rows(2, 2, {
                        "╔═════════════════════════════ Configuration ══════════════════════════════╗",
                        "║                                                                          ║",
                        "║                    Viewer:                        [ ]  Auto Save         ║",
                        "║          Alternate Viewer: pager                  [X]  Use X clipboard   ║",
                        "║                    Editor:                        [ ]  ESC Panel Switch  ║",
                        "║          Alternate Editor: editor                 [ ]  Size Count Pause  ║",
                        "║                                                                          ║",
                        "║    Left Startup Directory:                                Lines 0        ║",
                        "║   Right Startup Directory:                              Columns 0        ║",
                        "║                                                    Scroll Delay 10       ║",
                    });
                    expect_rows(13, 2, {
                        "║       Tree Data Directory:                       Time Mode  (•) 12 HR    ║",
                        "║  Case Filter File Systems:                                  ( ) 24 HR    ║",
                        "║            Path Extension:                                               ║",
                    });
                    expect_rows(19, 2, {"║                       [ OK ]  [ Cancel ]  [ Help ]                       ║",
                                        "╚══════════════════════════════════════════════════════════════════════════╝"});
                }),
                KEYS(type_keys("less")), CHECK([] { EXPECT_STREQ(config.Viewer.c_str(), L"less"); }),
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_STREQ(config.Viewer.c_str(), L"");
                    EXPECT_EQ(screen_row_of("Configuration"), -1);
                })});
}

TEST(ConfigScreen, LinesFortyResizesTheConsole)
{
    run_px({}, {KEYS({F(9), 'o', 'c', KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB}), KEYS(type_keys("40")),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(config.Lines, 40);
                    EXPECT_EQ(console.Lines(), 40);
                    EXPECT_EQ(row(39).substr(0, 16), "1Help   2Menu   ");
                })});
}

TEST(HistoryScreen, TheBoxSearchAndDelete)
{
    run_px({}, {KEYS(type_keys("make all")), KEYS({KEY_RETURN}), KEYS(type_keys("ls -l")), KEYS({KEY_RETURN}),
                KEYS(type_keys("make test")), KEYS({KEY_RETURN}),
                // Enter took the line away; Ctrl+E brings the newest back, Esc clears it.
                CHECK([] { EXPECT_EQ(row(23).find("make"), std::string::npos) << row(23); }), KEYS({ctrl('E')}),
                CHECK([] { EXPECT_NE(row(23).find(">make test "), std::string::npos) << row(23); }),
                KEYS({KEY_ESC, AltF(8)}), CHECK([] {
                    expect_rows(6, 33, {"╔═ History ══╗", "║make all    ║", "║ls -l       ║", "║make test   ║",
                                        "╚════════════╝"});
                    // The newest selected.
                    EXPECT_EQ(screen_attr_hex(console, 9, 34, 1), "0f");
                    EXPECT_EQ(screen_attr_hex(console, 7, 34, 1), "3f");
                }),
                KEYS({KEY_F1 + 6}), CHECK([] { EXPECT_GE(screen_row_of("Search:"), 0); }), KEYS(type_keys("MAKE")),
                KEYS({KEY_RETURN}), CHECK([] { EXPECT_EQ(screen_attr_hex(console, 9, 34, 1), "0f"); }),
                KEYS({KEY_SHIFT_F1 + 6}), CHECK([] { EXPECT_EQ(screen_attr_hex(console, 7, 34, 1), "0f"); }),
                KEYS({KEY_SHIFT_F1 + 6}), CHECK([] { EXPECT_GE(screen_row_of("String not found"), 0); }),
                KEYS({KEY_RETURN}), CHECK([] { EXPECT_EQ(screen_attr_hex(console, 7, 34, 1), "0f"); }),
                KEYS({KEY_DEL}), CHECK([] { EXPECT_GE(screen_row_of("Remove command from history?"), 0); }),
                KEYS({KEY_RETURN}), CHECK([] {
                    ASSERT_EQ(history.count, 2);
                    EXPECT_STREQ(history.At(0)->c_str(), L"ls -l");
                }),
                KEYS({KEY_CTRL_RETURN}), CHECK([] {
                    EXPECT_EQ(screen_row_of("History"), -1);
                    EXPECT_NE(row(23).find(">ls -l "), std::string::npos);
                })});
}

TEST(StoredPathsScreen, StoreShowAndGo)
{
    run_px({}, {KEYS({(KEY_CTRL_DIGIT + 3 + KEY_SHIFT_FLAG), AltF(5)}), CHECK([] {
                    std::string home = px_home();
                    std::string line = "3 - " + home;
                    int width = static_cast<int>(std::max<size_t>(home.size(), 16));
                    width += width & 1;
                    width += 6;
                    int x = (80 - width - 2) / 2;
                    EXPECT_EQ(cells(3, x, 3), "╔══");
                    EXPECT_EQ(cells(4, x + 1, 9), "0 - Empty");
                    EXPECT_EQ(cells(7, x + 1, static_cast<int>(line.size())), line);
                }),
                KEYS({KEY_DOWN, KEY_INS, KEY_DEL, KEY_ESC}),
                CHECK([] { EXPECT_TRUE(dirstore[1].empty()); })});
}

TEST(DirectoryHistoryScreen, OffersTheDirectoryLeftAndGoesThere)
{
    auto box = [] {
        int y = screen_row_of("Directory History");
        ASSERT_GE(y, 0);
        EXPECT_NE(row(y + 1).find(px_home()), std::string::npos) << row(y + 1) << "\n" << row(y + 2);
    };
    run_px({}, {CHECK([] { mkdir((px_home() + "/sub").c_str(), 0755); }), KEYS({ctrl('R')}),
                KEYS({KEY_DOWN, KEY_RETURN}), KEYS({KEY_CTRL_PGUP}), KEYS({(AltF(8) | KEY_SHIFT_FLAG)}), CHECK(box),
                KEYS({KEY_ESC, KEY_ALT_BACKSLASH}), CHECK(box), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Directory History"), -1);
                    EXPECT_NE(row(23).find("/sub>"), std::string::npos) << row(23);
                })});
}

TEST(MenuScreen, TheMouseChoosesAnItemAndLeavesOutside)
{
    auto click = [](int x, int y) {
        console.Queue().Put({CConsole::EvButtonPress, 1, 0, 0, x, y});
        console.Queue().Put({CConsole::EvButtonRelease, 1, 0, 0, x, y});
    };
    run_px({}, {KEYS({F(9), KEY_DOWN}), CHECK([&] { click(6, 4); }), KEYS({}), CHECK([] {
                    // "Wide" of the Left column: the menu closed and the panel changed.
                    EXPECT_EQ(config.LeftStyle, DetailWide);
                    EXPECT_EQ(cells(0, 0, 1), "╔");
                }),
                KEYS({F(9)}), CHECK([&] { click(20, 0); }), KEYS({}), CHECK([] {
                    // A click on the bar drops the column under it.
                    EXPECT_EQ(cells(2, 20, 14), " Tree         ");
                }),
                CHECK([&] { click(70, 15); }), KEYS({}), CHECK([] { EXPECT_EQ(cells(0, 0, 1), "╔"); })});
}

TEST(UserMenuScreen, ChooseWithSubmenusAndHotKeys)
{
    auto write_menu = [] {
        std::ofstream(px_home() + "/px.mnu") << "a: Archive\n  echo archived > archived.out\nF12: Tools\n{\nt: Tests\n  make test\n}\n";
        chmod((px_home() + "/px.mnu").c_str(), 0644);
    };
    run_px({}, {CHECK(write_menu), KEYS({KEY_F1 + 1}), CHECK([] {
                    // Key texts padded to the longest plus one; ">" at the
                    // right edge of an entry with a submenu.
                    int y = screen_row_of(" User Menu ");
                    ASSERT_GE(y, 0);
                    EXPECT_NE(row(y + 1).find("║a   Archive  ║"), std::string::npos) << row(y + 1);
                    EXPECT_NE(row(y + 2).find("║F12 Tools   >║"), std::string::npos) << row(y + 2);
                }),
                KEYS({KEY_F12}), CHECK([] {
                    // The submenu opens to the right of its parent.
                    int y = screen_row_of("═ Tools ═");
                    ASSERT_GE(y, 0);
                    EXPECT_NE(row(y + 1).find("║a   Archive  ║║t Tests  ║"), std::string::npos) << row(y + 1);
                }),
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_EQ(screen_row_of("═ Tools ═"), -1);
                    EXPECT_GE(screen_row_of(" User Menu "), 0);
                }),
                // "A" chooses the entry keyed "a", which runs at once.
                KEYS({'A'}), CHECK([] {
                    EXPECT_EQ(screen_row_of(" User Menu "), -1);
                    std::ifstream out(px_home() + "/archived.out");
                    std::string line;
                    EXPECT_TRUE(std::getline(out, line) && line == "archived");
                })});
}

TEST(UserMenuScreen, EntriesRunPerTaggedFileAndFollowTheirCd)
{
    // Three files, two of them tagged; a subdirectory to cd into.
    auto setup = [] {
        std::string h = px_home();
        std::ofstream(h + "/px.mnu") << "t: Tagged\n  touch !t.mark\n  echo once >> once.out\n"
                                        "c: Into sub\n  cd sub\n  touch here\n"
                                        "n: Nowhere\n  cd nosuch\n  touch MARK\n";
        chmod((h + "/px.mnu").c_str(), 0644);
        mkdir((h + "/sub").c_str(), 0755);
        for (const char* n : {"a.txt", "b.txt", "c.txt"})
            std::ofstream(h + "/" + n) << n;
    };
    auto exists = [](const std::string& name) { return access((px_home() + "/" + name).c_str(), F_OK) == 0; };
    run_px({}, {CHECK(setup), KEYS({ctrl('R')}),  // re-read to list them
                // "..", "sub", then a.txt and c.txt tagged with Insert (which
                // moves on to the next entry).
                KEYS({KEY_HOME, KEY_DOWN, KEY_DOWN, KEY_INS, KEY_DOWN, KEY_INS}),
                KEYS({KEY_F1 + 1}), KEYS({'t'}), CHECK([&] {
                    // "!t" runs once per tagged file; the next line once.
                    EXPECT_TRUE(exists("a.txt.mark"));
                    EXPECT_FALSE(exists("b.txt.mark"));
                    EXPECT_TRUE(exists("c.txt.mark"));
                    std::ifstream once(px_home() + "/once.out");
                    std::string all((std::istreambuf_iterator<char>(once)), std::istreambuf_iterator<char>());
                    EXPECT_EQ(all, "once\n");
                }),
                // A cd line moves the rest of the entry and the panel.
                KEYS({KEY_F1 + 1}), KEYS({'c'}), CHECK([&] {
                    EXPECT_TRUE(exists("sub/here"));
                    EXPECT_NE(row(23).find("/sub>"), std::string::npos) << row(23);
                }),
                // A cd that names no directory stops the entry: nothing runs.
                KEYS({KEY_F1 + 1}), CHECK([] { EXPECT_GE(screen_row_of(" User Menu "), 0); }), KEYS({'n'}),
                CHECK([&] {
                    EXPECT_GE(screen_row_of("Invalid directory"), 0);
                    EXPECT_FALSE(exists("MARK"));
                    EXPECT_FALSE(exists("sub/MARK"));
                }),
                KEYS({KEY_RETURN})});
}
