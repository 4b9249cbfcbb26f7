#include "console/colours.h"
#include "foundation/program_name.h"
#include "menus/menu_codes.h"
#include "panels/key_commands.h"
#include "tests/screen/screen_helpers.h"
#include "tools/help_file.h"
#include "tools/help_viewer.h"
#include "tools/tree.h"
#include "tools/tree_popup.h"
#include "tools/tree_set.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

void mouse(CConsole::EType type, int button, int x, int y)
{
    console.Queue().Put({type, button, 0, 0, x, y});
}

// Loads a help file of these topics (number and lines, in file order) in
// place of the program's own; no topics leaves no help loaded.
using TOPICS = std::vector<std::pair<int, Rows>>;
void load_topics(const TOPICS& topics)
{
    std::string file;
    for (const auto& [topic, lines] : topics) {
        std::string body;
        for (const std::string& l : lines)
            body += l + '\0';
        int len = static_cast<int>(body.size()) + 4;
        file += std::string{static_cast<char>(topic & 0xFF), static_cast<char>(topic >> 8),
                            static_cast<char>(len & 0xFF), static_cast<char>(len >> 8)} + body;
    }
    helptext.reset();
    if (file.empty())
        return;
    std::string path = px_home() + "/test.pxh";
    write_file(path, file);
    ASSERT_EQ(load_help_file(FileNameFromSys(path.c_str())), 0);
}

// "line 01" .. "line n".
Rows numbered(int n)
{
    Rows lines;
    for (int i = 1; i <= n; i++) {
        char text[16];
        std::snprintf(text, sizeof text, "line %02d", i);
        lines.push_back(text);
    }
    return lines;
}

// The help window at 80x25 spans columns 3..76 and rows 2..21; its text
// rows are 3..20.
void expect_help_page(int first, bool above, bool below)
{
    Rows lines = numbered(first + 17);
    for (int y = 3; y <= 20; y++) {
        std::string side = y == 3 && above ? "▲" : y == 20 && below ? "▼" : "║";
        EXPECT_EQ(cells(y, 3, 74), "║" + pad(lines[first + y - 4], 72) + side) << "row " << y;
    }
}

}

TEST(HelpScreen, TopMiddleAndEndOfATopicByKeysAndMouse)
{
    run_px({}, {KEYS({KEY_F1}), CHECK([] {
                    EXPECT_EQ(cells(2, 3, 74), "╔══ Help ══════════════════════ " PANNEX_NAME " " PANNEX_VERSION
                                               " ══════════════════════════════╗");
                    EXPECT_EQ(cells(21, 3, 74), "╚" + repeat("═", 57) + " Esc to Exit ══╝");
                    expect_help_page(1, false, true);
                    EXPECT_EQ(screen_attrs(console, 10, {{config.Colours[ColourMessages], 'm'}}, 3, 74),
                              std::string(74, 'm'));
                }),
                KEYS({KEY_PGDN}), CHECK([] { expect_help_page(19, true, true); }),
                KEYS({KEY_DOWN, KEY_DOWN}), CHECK([] { expect_help_page(21, true, true); }),
                KEYS({KEY_END}), CHECK([] { expect_help_page(23, true, false); }),
                KEYS({KEY_DOWN, KEY_PGDN}), CHECK([] { expect_help_page(23, true, false); }),
                KEYS({KEY_UP, KEY_PGUP}), CHECK([] { expect_help_page(4, true, true); }),
                // F1 in the contents stays there.
                KEYS({KEY_HOME, KEY_F1}), CHECK([] { expect_help_page(1, false, true); }),
                // Held still, a press scrolls until another event comes or
                // the text ends: here nothing else comes, so it runs to the end.
                CHECK([] { mouse(CConsole::EvButtonPress, 1, 30, 18); }), KEYS({}),
                CHECK([] { expect_help_page(23, true, false); }),
                CHECK([] { mouse(CConsole::EvButtonPress, 2, 30, 4); }), KEYS({}),
                CHECK([] { expect_help_page(1, false, true); }),
                // The middle third does not scroll; a release outside closes.
                CHECK([] { mouse(CConsole::EvButtonPress, 1, 30, 11); }), KEYS({}),
                CHECK([] { expect_help_page(1, false, true); }),
                CHECK([] { mouse(CConsole::EvButtonRelease, 1, 0, 0); }), KEYS({}),
                CHECK([] { EXPECT_EQ(screen_row_of("line 01"), -1); })},
           [] { load_topics({{0, numbered(40)}, {HelpTopicMissing, {"nothing here"}}}); });
    helptext.reset();
}

TEST(HelpScreen, AShortTopicHasNoArrowsAndIgnoresScrolling)
{
    run_px({}, {KEYS({KEY_F1, KEY_DOWN, KEY_PGDN, KEY_END}), CHECK([] {
                    EXPECT_EQ(cells(3, 3, 74), "║" + pad("line 01", 72) + "║");
                    EXPECT_EQ(cells(5, 3, 74), "║" + pad("line 03", 72) + "║");
                    EXPECT_EQ(cells(6, 3, 74), "║" + pad("", 72) + "║");
                    EXPECT_EQ(cells(20, 3, 74), "║" + pad("", 72) + "║");
                })},
           [] { load_topics({{0, numbered(3)}}); });
    helptext.reset();
}

TEST(HelpScreen, WithoutHelpOrTopicAMessageSaysSo)
{
    const struct { const char* what; std::function<void()> help; const char* message; } rows[] = {
        {"no help file", [] { load_topics({}); }, "Help not loaded"},
        {"neither topic 0 nor the missing-topic record", [] { load_topics({{5, {"five"}}}); },
         "Help topic 0 not found"},
        {"no topic 0: the missing-topic record", [] { load_topics({{5, {"five"}}, {HelpTopicMissing, {"nothing here"}}}); },
         "nothing here"},
    };
    for (const auto& r : rows) {
        int at = -1;
        run_px({}, {KEYS({KEY_F1}), CHECK([&] { at = screen_row_of(r.message); }), KEYS({KEY_ESC}),
                    CHECK([&] { EXPECT_EQ(screen_row_of(r.message), -1) << r.what; })},
               r.help);
        EXPECT_GE(at, 0) << r.what;
    }
    helptext.reset();
}

namespace {

// A dialog's Help button opens its own topic; the test binds one to F12.
void help_topic_seven(int, PANEL_REQUEST&)
{
    help(7);
}

}

TEST(HelpScreen, F1InATopicOpensTheContentsOnTop)
{
    run_px({}, {KEYS({KEY_F12}), CHECK([] { EXPECT_GE(screen_row_of("seven"), 0); }),
                KEYS({KEY_F1}), CHECK([] {
                    EXPECT_GE(screen_row_of("line 01"), 0);
                    EXPECT_EQ(screen_row_of("seven"), -1);
                }),
                KEYS({KEY_ESC}), CHECK([] {
                    EXPECT_GE(screen_row_of("seven"), 0);
                    EXPECT_EQ(screen_row_of("line 01"), -1);
                }),
                KEYS({KEY_ESC}), CHECK([] { EXPECT_EQ(screen_row_of("seven"), -1); })},
           [] {
               load_topics({{0, {"line 01"}}, {7, {"seven"}}, {HelpTopicMissing, {"nothing here"}}});
               bind_key(KEY_F12, help_topic_seven);
           });
    helptext.reset();
}

namespace {

// Directories below px's home and a tree data file that lists them, so that
// no test scans the machine's file system: the names on the way from the
// file system's root to the home, each a level deeper, then alpha, beta
// (one and, unless left out, two below it) and gamma.
struct TreeFixture
{
    void make(bool two = true)
    {
        std::string home = px_home();
        for (const char* d : {"/alpha", "/beta", "/beta/one", "/gamma"})
            ASSERT_EQ(mkdir((home + d).c_str(), 0755), 0);
        if (two) {
            ASSERT_EQ(mkdir((home + "/beta/two").c_str(), 0755), 0);
        }
        config.TreeDir = FileNameFromSys((home + "/trees").c_str());
        TreeSet.Clear();
        Westring root;
        uint32_t device = 0;
        ASSERT_TRUE(tree_root_of(FileNameFromSys(home.c_str()), root, device));
        root_name = FileNameToSys(root).c_str();
        std::string lines = "0" + root_name + "\n";
        std::string rest = home.substr(root_name == "/" ? 0 : root_name.size());
        chain.clear();
        for (size_t at = 1; at < rest.size();) {
            size_t slash = rest.find('/', at);
            chain.push_back(rest.substr(at, slash == std::string::npos ? std::string::npos : slash - at));
            lines += std::string(1, static_cast<char>('0' + chain.size())) + chain.back() + "\n";
            at = slash == std::string::npos ? rest.size() : slash + 1;
        }
        std::string d1(1, static_cast<char>('1' + chain.size())), d2(1, static_cast<char>('2' + chain.size()));
        lines += d1 + "alpha\n" + d1 + "beta\n" + d2 + "one\n" + (two ? d2 + "two\n" : "") + d1 + "gamma\n";
        mkdir((home + "/trees").c_str(), 0700);
        write_file(FileNameToSys(tree_data_file(device)).c_str(),
                   std::string(reinterpret_cast<const char*>(&device), 4) + lines);
    }
    // The rows of the tree, each padded to width cells: the way down to
    // home, then below, the branches under home as drawn.
    Rows rows(int width, const Rows& below = {"├─alpha", "├─beta", "│ ├─one", "│ └─two", "└─gamma"}) const
    {
        Rows r{pad(root_name, width)};
        std::string indent;
        for (const std::string& name : chain) {
            r.push_back(pad(indent + "└─" + name, width));
            indent += "  ";
        }
        for (const std::string& b : below)
            r.push_back(pad(indent + b, width));
        return r;
    }

    Rows chain;  // names from the root down to home
    std::string root_name;
};

TreeFixture tree_fixture;

// The pop-up is gone and the current panel shows dir.
void in(const std::string& dir)
{
    EXPECT_EQ(screen_row_of("Directory Tree"), -1);
    EXPECT_STREQ(panel_base[currpanel].path.c_str(), FileNameFromSys(dir.c_str()).c_str());
}

// The narrow pop-up, as the target dialogs open it: half the screen less 2.
void narrow_popup(int, PANEL_REQUEST&)
{
    Westring chosen;
    (void)tree_popup(&panel_base[currpanel], chosen, console.Columns() / 2 - 2);
}

void expect_popup(int x, int width, const std::string& selected)
{
    Rows want = tree_fixture.rows(width);
    for (int y = 0; y < 15; y++) {
        std::string line = y < static_cast<int>(want.size()) ? want[static_cast<size_t>(y)] : pad("", width);
        EXPECT_EQ(cells(3 + y, x, width + 2), "║" + line + "║") << "row " << 3 + y;
    }
    EXPECT_EQ(cells(18, x, width + 2), "║" + repeat("─", width) + "║");
    // The selected node is highlighted in its name field.
    int row = -1;
    for (size_t i = 0; i < want.size(); i++)
        if (want[i].find(selected + " ") != std::string::npos)
            row = static_cast<int>(i);
    ASSERT_GE(row, 0);
    const std::string& line = want[static_cast<size_t>(row)];
    size_t prefix = Westring(line.substr(0, line.find(selected + " ")).c_str()).strlen();
    EXPECT_EQ(screen_attrs(console, 3 + row, {{config.Colours[ColourMenuHighlight], 'h'}, {config.Colours[ColourMenu], 'm'}},
                           x + 1, width),
              std::string(prefix, 'm') + std::string(width - prefix, 'h'));
}

}

TEST(TreeScreen, TheWidePopupTypesAndChoosesByKeysAndMouse)
{
    // Rows of the list: the root, the way down to home, then alpha, beta.
    auto row_of = [](int entry) { return 3 + static_cast<int>(tree_fixture.chain.size()) + entry; };
    run_px({}, {KEYS({AltF(10)}), CHECK([] {
                    EXPECT_EQ(cells(2, 4, 72), "╔" + repeat("═", 27) + " Directory Tree " + repeat("═", 27) + "╗");
                    expect_popup(4, 70, tree_fixture.chain.back());
                    EXPECT_EQ(cells(19, 4, 72), "║ " + pad(px_home(), 69) + "║");
                    EXPECT_EQ(cells(20, 4, 72), "║ Search: " + pad("", 34) + "Ctrl-Enter for next match  ║");
                    EXPECT_EQ(cells(21, 4, 72), "╚" + repeat("═", 70) + "╝");
                }),
                // Typing jumps to the next name that starts with the text.
                KEYS(type_keys("t")), CHECK([] {
                    expect_popup(4, 70, "two");
                    EXPECT_EQ(cells(20, 4, 20), "║ Search: t         ");
                }),
                KEYS({KEY_BACKSPACE}), KEYS(type_keys("g")), CHECK([] { expect_popup(4, 70, "gamma"); }),
                // Collapsing hides a branch and marks it with "+".
                KEYS({KEY_UP, KEY_UP, KEY_UP, KEY_GREY_MINUS}), CHECK([] {
                    int row = screen_row_of("beta");
                    ASSERT_GE(row, 0);
                    EXPECT_NE(cells(row, 5, 70).find("├+beta"), std::string::npos);
                    EXPECT_EQ(screen_row_of("one"), -1);
                }),
                KEYS({KEY_GREY_PLUS, KEY_ALT_DOWN, KEY_RETURN}), CHECK([] { in(px_home() + "/gamma"); }),
                // The mouse: a click selects, a double click chooses.
                KEYS({AltF(10)}), CHECK([&] {
                    mouse(CConsole::EvButtonPress, 1, 40, row_of(1));
                    mouse(CConsole::EvButtonRelease, 1, 40, row_of(1));
                }),
                KEYS({}), CHECK([] { expect_popup(4, 70, "alpha"); }),
                CHECK([&] { mouse(CConsole::EvDoubleClick, 1, 40, row_of(2)); }), KEYS({}),
                CHECK([] { in(px_home() + "/beta"); }),
                // A release outside the window leaves it as Escape does.
                KEYS({AltF(10)}), CHECK([] {
                    EXPECT_GE(screen_row_of("Directory Tree"), 0);
                    mouse(CConsole::EvButtonPress, 1, 1, 23);
                    mouse(CConsole::EvButtonRelease, 1, 1, 23);
                }),
                KEYS({}), CHECK([] { in(px_home() + "/beta"); })},
           [] { tree_fixture.make(); });
    TreeSet.Clear();
}

TEST(TreeScreen, TheNarrowPopupAndEscape)
{
    run_px({}, {KEYS({KEY_F12}), CHECK([] {
                    EXPECT_EQ(cells(2, 36, 40), "╔" + repeat("═", 11) + " Directory Tree " + repeat("═", 11) + "╗");
                    expect_popup(36, 38, tree_fixture.chain.back());
                    EXPECT_EQ(cells(20, 36, 40), "║ Search: " + pad("", 29) + "║");
                }),
                KEYS({KEY_HOME, KEY_END}), CHECK([] { expect_popup(36, 38, "gamma"); }),
                KEYS({KEY_ESC}), CHECK([] { in(px_home()); })},
           [] {
               tree_fixture.make();
               bind_key(KEY_F12, narrow_popup);
           });
    TreeSet.Clear();
}

TEST(TreeDetailScreen, APanelShowsTheTree)
{
    // The left panel's rows 1..19: the tree with below under home; its
    // status line names the current directory.
    auto expect_rows = [](const Rows& below, const std::string& status) {
        Rows want = tree_fixture.rows(38, below);
        for (int y = 1; y <= 19; y++) {
            std::string text = static_cast<size_t>(y - 1) < want.size() ? want[static_cast<size_t>(y - 1)] : pad("", 38);
            EXPECT_EQ(cells(y, 0, 40), "║" + text + "║") << "row " << y;
        }
        EXPECT_EQ(cells(21, 0, 40), "║" + pad(status, 38) + "║");
    };
    auto status_ends = [](const std::string& tail) {
        return CHECK([tail] { EXPECT_NE(cells(21, 0, 40).find(tail + " "), std::string::npos); });
    };
    run_px({}, {KEYS({MENU_LEFT_TREE}), CHECK([&] {
                    EXPECT_EQ(cells(0, 0, 40), "╔════════════════ TREE ════════════════╗");
                    expect_rows({"├─alpha", "├─beta", "│ └─one", "└─gamma"}, px_home());
                }),
                // Grey - closes a branch and shows "+", Grey + opens it.
                KEYS({KEY_DOWN, KEY_DOWN, KEY_GREY_MINUS}),
                CHECK([&] { expect_rows({"├─alpha", "├+beta", "└─gamma"}, px_home() + "/beta"); }),
                KEYS({KEY_GREY_PLUS, KEY_DOWN}),
                CHECK([&] { expect_rows({"├─alpha", "├─beta", "│ └─one", "└─gamma"}, px_home() + "/beta/one"); }),
                // Alt+Up and Alt+Down keep to the depth, within the
                // parent's branch: none leaves "one", beta's only child.
                KEYS({KEY_ALT_UP}), status_ends("/beta/one"), KEYS({KEY_ALT_DOWN}), status_ends("/beta/one"),
                KEYS({KEY_UP, KEY_ALT_DOWN}), status_ends("/gamma"), KEYS({KEY_ALT_UP, KEY_ALT_UP}),
                status_ends("/alpha"),
                // Enter sends the other panel there.
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_STREQ(panel_base[1].path.c_str(), FileNameFromSys((px_home() + "/alpha").c_str()).c_str());
                    EXPECT_EQ(panel_base[0].detail, DetailTree);
                })},
           [] { tree_fixture.make(false); });
    TreeSet.Clear();
}

TEST(TreeDetailScreen, F10InTheCopyDialogPicksTheTarget)
{
    // The pop-up opens on the panel's directory; typing finds gamma.
    run_px({}, {KEYS({ctrl('R'), KEY_END, F(5), KEY_F10}),
                CHECK([] { EXPECT_GE(screen_row_of(" Directory Tree "), 0); }), KEYS(type_keys("g")), KEYS({KEY_RETURN}),
                CHECK([&] {
                    EXPECT_EQ(screen_row_of(" Directory Tree "), -1);
                    int y = screen_row_of("Copy \"f.txt\" to");
                    ASSERT_GE(y, 0);
                    EXPECT_NE(row(y + 1).find(px_home() + "/gamma/ "), std::string::npos) << row(y + 1);
                }),
                KEYS({KEY_ESC})},
           [] {
               tree_fixture.make(false);
               write_file(px_home() + "/f.txt", "x");
           });
    TreeSet.Clear();
}

TEST(DirectorySizeScreen, TheWindowWaitsWithTheTotals)
{
    run_px({}, {KEYS({ctrl('R'), KEY_DOWN, ctrl('Q')}), CHECK([] {
                    // 54 x 8, a third of the way down: columns 13-66, rows 5-12.
                    // The link counts as a file, but not its target's size.
                    EXPECT_EQ(screen_rows(5, 12, 13, 54),
                              framed(52, {" " + px_home() + "/d/e/f", "", " Directories: 2   Files: 4", " Total Size: 1,234,567", "",
                                          pad("", 22) + "[ OK ]"},
                                     "╔" + repeat("═", 15) + " Reading Directories " + repeat("═", 16) + "╗"));
                }),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(cells(2, 0, 23), "║d            │ 1234567");
                    // The tree keeps it, for every directory below too.
                    CTree* tree = TreeSet.GetTree(FileNameFromSys(px_home().c_str()));
                    ASSERT_NE(tree, nullptr);
                    for (auto [dir, size] : {std::pair{"/d", 1234567}, std::pair{"/d/e", 234567}}) {
                        TREENODE* node = tree->Find(FileNameFromSys((px_home() + dir).c_str()).c_str(), false);
                        ASSERT_NE(node, nullptr) << dir;
                        EXPECT_EQ(node->size, size) << dir;
                    }
                    // With RetainCount a new read shows the size known.
                    config.RetainCount = true;
                }),
                KEYS({ctrl('R')}), CHECK([] {
                    EXPECT_EQ(panel_base[0].Current()->depth, 1);
                    EXPECT_EQ(panel_base[0].Current()->size, 1234567u);
                })},
           [] {
               std::string home = px_home();
               for (const char* d : {"/d", "/d/e", "/d/e/f"})
                   mkdir((home + d).c_str(), 0755);
               write_file(home + "/d/a", std::string(1000000, 'x'));
               write_file(home + "/d/e/b", std::string(234000, 'x'));
               write_file(home + "/d/e/f/c", std::string(567, 'x'));
               // A link is counted as itself, never followed.
               symlink("/etc", (home + "/d/link").c_str());
               config.SizeCountPause = true;
               config.TreeDir = FileNameFromSys((home + "/trees").c_str());
               TreeSet.Clear();
           });
    TreeSet.Clear();
}

namespace {

// The directory tree kept in step by the file commands: l and r side by
// side, the tree cache in memory (its data file in trees/).
class TreeUpkeepScreen : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        for (const char* d : {"l", "r", "l/x", "l/x/inner", "l/gone"})
            t.dir(d);
        left_dir = "l";
        right_dir = "r";
    }
    bool known(const char* dir) const { return tree->Find(t.wide(dir).c_str(), false) != nullptr; }

    CTree* tree = nullptr;
};

}

TEST_F(TreeUpkeepScreen, MoveMakeAndDeleteKeepTheTreeInStep)
{
    auto go_to = [](const char* name) {
        PANEL& p = panel_base[0];
        for (int i = 0; i < p.Count(); i++)
            if (Westring(p.entries[i]->name) == Westring(name)) {
                p.top = 0;
                p.cursor = i;
            }
    };
    run({CHECK([&] { go_to("x"); }), KEYS({F(6), KEY_RETURN}), CHECK([&] {
             EXPECT_FALSE(known("l/x"));
             EXPECT_TRUE(known("r/x/inner")) << "F6 takes the branch along";
         }),
         KEYS(typed({F(7)}, "made", {KEY_RETURN})), CHECK([&] {
             EXPECT_TRUE(known("l/made")) << "F7";
             go_to("gone");
         }),
         KEYS({F(8), KEY_RETURN}), CHECK([&] { EXPECT_FALSE(known("l/gone")) << "F8"; }),
         // A typed cd to a name not here finds it in the tree.
         KEYS(typed({}, "cd inner", {KEY_RETURN})),
         CHECK([&] { EXPECT_STREQ(panel_base[0].path.c_str(), t.wide("r/x/inner").c_str()); })},
        [this] {
            config.TreeDir = t.wide("trees");
            TreeSet.Clear();
            tree = TreeSet.GetTree(t.wide("l"));
            ASSERT_NE(tree, nullptr);
            for (const char* d : {"l/x/inner", "l/gone", "r"})
                ASSERT_NE(tree->AddPath(t.wide(d).c_str()), nullptr);
        });
    TreeSet.Clear();
}

namespace {

// Two directories to compare: l (left) and r (right).
class CompareScreen : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        t.dir("l");
        t.dir("r");
        t.file("l/newer.txt", 10, 1700000600);
        t.file("r/newer.txt", 10, 1700000000);
        t.file("l/same.txt", 10);
        t.file("r/same.txt", 10);
        t.file("r/only.txt", 5);
        left_dir = "l";
        right_dir = "r";
    }
};

}

TEST_F(CompareScreen, TheDialogOnADirectory)
{
    // 46 x 14, a third of the way down, in the "Messages" colour.
    const Rows want = framed(44, {"", " Date/Time              Size", "", " ( ) Ignore Date        (•) Ignore Size",
                                  " (•) Tag Newer          ( ) Tag Larger", " ( ) Tag Older          ( ) Tag Smaller",
                                  " ( ) Tag Different      ( ) Tag Different", "", " [X]  Tag Unmatched     Mask *             ↓",
                                  " [ ]  Compare Contents", "", "        [ OK ]  [ Cancel ]  [ Help ]"},
                             "╔════════════ Directory Compare ═════════════╗");
    run({KEYS({ctrl('K')}), CHECK([&] {
             EXPECT_EQ(screen_rows(3, 16, 17, 46), want);
             EXPECT_EQ(screen_attrs(console, 5, {{config.Colours[ColourMessages], 'm'}}, 17, 46),
                       std::string(46, 'm'));
         }),
         // Alt+letters choose; the options are kept for the next time.
         KEYS({KEY_ALT_D, KEY_ALT_S, KEY_ALT_U, KEY_ALT_C, KEY_RETURN, KEY_ESC}), CHECK([] {
             EXPECT_EQ(config.CMPTime, 3);
             EXPECT_EQ(config.CMPSize, 2);
             EXPECT_FALSE(config.CMPUnmatched);
             EXPECT_TRUE(config.CMPContents);
         }),
         KEYS({ctrl('K')}), CHECK([] {
             EXPECT_EQ(cells(10, 17, 46), "║ (•) Tag Different      ( ) Tag Different   ║");
             EXPECT_EQ(cells(9, 17, 46), "║ ( ) Tag Older          (•) Tag Smaller     ║");
             EXPECT_EQ(cells(13, 17, 46), "║ [X]  Compare Contents                      ║");
         }),
         // Alt+H: topic 9, in place of the program's help; Esc comes back.
         KEYS({KEY_ALT_H}), CHECK([] { EXPECT_GE(screen_row_of("compare help"), 0); }), KEYS({KEY_ESC}), CHECK([&] {
             EXPECT_EQ(screen_row_of("compare help"), -1);
             EXPECT_EQ(cells(3, 17, 46), want[0]);
         }),
         KEYS({KEY_ESC})},
        [] { load_topics({{9, {"compare help"}}}); });
    helptext.reset();
}

TEST_F(CompareScreen, TagsAndTheMessageWhenNothingDiffers)
{
    // Tag Newer and Tag Unmatched, as at first: the newer file on the
    // left, the unmatched one on the right.
    run({KEYS({ctrl('K'), KEY_RETURN}), CHECK([] {
             EXPECT_EQ(cells(21, 0, 80), "║     10 bytes in 1 selected file      ║║      5 bytes in 1 selected file      ║");
             EXPECT_TRUE(panel_base[0].entries[1]->tagged) << "newer.txt";
             EXPECT_TRUE(panel_base[1].entries[2]->tagged) << "only.txt";
         }),
         // Ignoring dates and unmatched files, nothing is left to tag.
         KEYS({ctrl('K'), KEY_ALT_I, KEY_ALT_U, KEY_RETURN}), CHECK([] {
             EXPECT_EQ(screen_rows(6, 10, 19, 42),
                       framed(40, {" No files meet the specified conditions", "", "                 [ OK ]"}));
             EXPECT_EQ(panel_base[0].tagged_count + panel_base[1].tagged_count, 0);
         }),
         KEYS({KEY_RETURN})});
}
