#include "config/config.h"
#include "console/colours.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "menus/menu_codes.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"
#include "tools/help_file.h"
#include "tools/tree.h"
#include "tools/tree_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int CtrlK = KEY_CTRL_A + 'K' - 'A';
constexpr int CtrlQ = KEY_CTRL_A + 'Q' - 'A';

std::string cells(int y, int x, int width)
{
    return screen_text(console, y, x, width);
}

// Prints the screen, for a test being written.
[[maybe_unused]] void dump()
{
    for (int y = 0; y < console.Lines(); y++)
        std::printf("%2d|%s|\n", y, row(y).c_str());
}

// Two directories to compare: l (left) and r (right).
class CompareScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        t.dir("l");
        t.dir("r");
        t.file("l/newer.txt", 10, 1700000600);
        t.file("r/newer.txt", 10, 1700000000);
        t.file("l/same.txt", 10);
        t.file("r/same.txt", 10);
        t.file("r/only.txt", 5);
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        std::string l = t.sys("l"), r = t.sys("r");
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
    }
    PanelTree t;
};

}

TEST_F(CompareScreen, TheDialogOnADirectory)
{
    // 46 x 14, a third of the way down, in the "Messages" colour.
    const char* want[] = {
        "╔════════════ Directory Compare ═════════════╗",
        "║                                            ║",
        "║ Date/Time              Size                ║",
        "║                                            ║",
        "║ ( ) Ignore Date        (•) Ignore Size     ║",
        "║ (•) Tag Newer          ( ) Tag Larger      ║",
        "║ ( ) Tag Older          ( ) Tag Smaller     ║",
        "║ ( ) Tag Different      ( ) Tag Different   ║",
        "║                                            ║",
        "║ [X]  Tag Unmatched     Mask *             ↓║",
        "║ [ ]  Compare Contents                      ║",
        "║                                            ║",
        "║        [ OK ]  [ Cancel ]  [ Help ]        ║",
        "╚════════════════════════════════════════════╝",
    };
    run({KEYS({CtrlK}), CHECK([&] {
             for (int y = 0; y < 14; y++)
                 EXPECT_EQ(cells(3 + y, 17, 46), want[y]) << "row " << 3 + y;
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
         KEYS({CtrlK}), CHECK([] {
             EXPECT_EQ(cells(10, 17, 46), "║ (•) Tag Different      ( ) Tag Different   ║");
             EXPECT_EQ(cells(9, 17, 46), "║ ( ) Tag Older          (•) Tag Smaller     ║");
             EXPECT_EQ(cells(13, 17, 46), "║ [X]  Compare Contents                      ║");
         }),
         KEYS({KEY_ESC})});
}

TEST_F(CompareScreen, TagsAndTheMessageWhenNothingDiffers)
{
    // Tag Newer and Tag Unmatched, as at first: the newer file on the
    // left, the unmatched one on the right.
    run({KEYS({CtrlK, KEY_RETURN}), CHECK([] {
             EXPECT_EQ(cells(21, 0, 80), "║     10 bytes in 1 selected file      ║║      5 bytes in 1 selected file      ║");
             EXPECT_TRUE(panel_base[0].entries[1]->tagged) << "newer.txt";
             EXPECT_TRUE(panel_base[1].entries[2]->tagged) << "only.txt";
         }),
         // Ignoring dates and unmatched files, nothing is left to tag.
         KEYS({CtrlK, KEY_ALT_I, KEY_ALT_U, KEY_RETURN}), CHECK([] {
             EXPECT_EQ(cells(6, 19, 42), "╔════════════════════════════════════════╗");
             EXPECT_EQ(cells(7, 19, 42), "║ No files meet the specified conditions ║");
             EXPECT_EQ(cells(9, 19, 42), "║                 [ OK ]                 ║");
             EXPECT_EQ(panel_base[0].tagged_count + panel_base[1].tagged_count, 0);
         }),
         KEYS({KEY_RETURN})});
}

TEST_F(CompareScreen, HelpOpensTopicNineAndComesBack)
{
    // A help file of one topic, in place of the program's own.
    auto help_file = [] {
        std::string body = std::string("compare help") + '\0';
        int len = static_cast<int>(body.size()) + 4;
        std::string file = std::string{9, 0, static_cast<char>(len), 0} + body;
        std::string path = px_home() + "/test.pxh";
        std::ofstream(path, std::ios::binary) << file;
        ASSERT_EQ(load_help_file(FileNameFromSys(path.c_str())), 0);
    };
    run({KEYS({CtrlK, KEY_ALT_H}), CHECK([] { EXPECT_GE(screen_row_of("compare help"), 0); }),
         KEYS({KEY_ESC}), CHECK([] {
             EXPECT_EQ(screen_row_of("compare help"), -1);
             EXPECT_EQ(cells(3, 17, 46), "╔════════════ Directory Compare ═════════════╗");
         }),
         KEYS({KEY_ESC})},
        help_file);
    helptext.reset();
}

namespace {

// A tree data file for px's home, as the tree fixture of the pop-up tests
// makes it: the way from the root down to home, then a few directories.
void tree_panel_settings()
{
    std::string home = px_home();
    for (const char* d : {"/alpha", "/beta", "/beta/one", "/gamma"})
        ASSERT_EQ(mkdir((home + d).c_str(), 0755), 0);
    config.TreeDir = FileNameFromSys((home + "/trees").c_str());
    TreeSet.Clear();
    Westring root;
    uint32_t device = 0;
    ASSERT_TRUE(tree_root_of(FileNameFromSys(home.c_str()), root, device));
    std::string root_bytes = FileNameToSys(root).c_str();
    std::string lines = "0" + root_bytes + "\n";
    std::string rest = home.substr(root_bytes == "/" ? 0 : root_bytes.size());
    int depth = 0;
    for (size_t at = 1; at < rest.size();) {
        size_t slash = rest.find('/', at);
        std::string name = rest.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        lines += std::string(1, static_cast<char>('0' + ++depth)) + name + "\n";
        at = slash == std::string::npos ? rest.size() : slash + 1;
    }
    auto level = [&](int d) { return std::string(1, static_cast<char>('0' + depth + d)); };
    lines += level(1) + "alpha\n" + level(1) + "beta\n" + level(2) + "one\n" + level(1) + "gamma\n";
    mkdir((home + "/trees").c_str(), 0700);
    std::ofstream(FileNameToSys(tree_data_file(device)).c_str(), std::ios::binary)
        << std::string(reinterpret_cast<const char*>(&device), 4) + lines;
}

}

TEST(TreeDetailScreen, APanelShowsTheTree)
{
    // The rows of the tree: the way down to home, then its directories.
    static std::vector<std::string> chain;
    auto expect_rows = [](const std::vector<std::string>& below, const std::string& status) {
        std::vector<std::string> want;
        std::string indent;
        for (size_t i = 0; i < chain.size(); i++) {
            want.push_back(i == 0 ? chain[0] : indent + "└─" + chain[i]);
            if (i > 0)
                indent += "  ";
        }
        for (const std::string& b : below)
            want.push_back(indent + b);
        for (int y = 1; y <= 19; y++) {
            std::string text = static_cast<size_t>(y - 1) < want.size() ? want[static_cast<size_t>(y - 1)] : "";
            int w = Westring(text.c_str()).strlen();
            EXPECT_EQ(cells(y, 0, 40), "║" + text + std::string(static_cast<size_t>(38 - w), ' ') + "║") << "row " << y;
        }
        int w = Westring(status.c_str()).strlen();
        EXPECT_EQ(cells(21, 0, 40), "║" + status + std::string(static_cast<size_t>(38 - w), ' ') + "║");
    };
    run_px({}, {CHECK([] {
                    // "/" and the names on the way from it to home.
                    chain = {"/"};
                    std::string home = px_home();
                    for (size_t at = 1; at < home.size();) {
                        size_t slash = home.find('/', at);
                        chain.push_back(home.substr(at, slash == std::string::npos ? slash : slash - at));
                        at = slash == std::string::npos ? home.size() : slash + 1;
                    }
                }),
                KEYS({MENU_LEFT_TREE}), CHECK([&] {
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
                KEYS({KEY_ALT_UP}), CHECK([] { EXPECT_NE(cells(21, 0, 40).find("/beta/one "), std::string::npos); }),
                KEYS({KEY_ALT_DOWN}), CHECK([] { EXPECT_NE(cells(21, 0, 40).find("/beta/one "), std::string::npos); }),
                KEYS({KEY_UP, KEY_ALT_DOWN}), CHECK([] { EXPECT_NE(cells(21, 0, 40).find("/gamma "), std::string::npos); }),
                KEYS({KEY_ALT_UP, KEY_ALT_UP}), CHECK([] { EXPECT_NE(cells(21, 0, 40).find("/alpha "), std::string::npos); }),
                // Enter sends the other panel there.
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_STREQ(panel_base[1].path.c_str(), FileNameFromSys((px_home() + "/alpha").c_str()).c_str());
                    EXPECT_EQ(panel_base[0].detail, DetailTree);
                })},
           [] { tree_panel_settings(); });
    TreeSet.Clear();
}

TEST(DirectorySizeScreen, TheWindowWaitsWithTheTotals)
{
    constexpr int CtrlR = KEY_CTRL_A + 'R' - 'A';
    // The files below d, sizes as find sees them.
    static long long find_total = -1;
    run_px({}, {KEYS({CtrlR, KEY_DOWN, CtrlQ}), CHECK([] {
                    // 54 x 8, a third of the way down: columns 13-66, rows 5-12.
                    std::string bar;
                    for (int i = 0; i < 15; i++)
                        bar += "═";
                    EXPECT_EQ(cells(5, 13, 54), "╔" + bar + " Reading Directories " + bar + "═╗");
                    std::string path = px_home() + "/d/e/f";
                    EXPECT_EQ(cells(6, 13, 54), "║ " + path + std::string(50 - path.size(), ' ') + " ║");
                    // The link counts as a file, but not its target's size.
                    EXPECT_EQ(cells(8, 13, 54), "║ Directories: 2   Files: 4" + std::string(26, ' ') + "║");
                    EXPECT_EQ(cells(9, 13, 54), "║ Total Size: 1,234,567" + std::string(30, ' ') + "║");
                    EXPECT_EQ(cells(11, 13, 54), "║" + std::string(22, ' ') + "[ OK ]" + std::string(24, ' ') + "║");
                    if (FILE* f = popen(("find '" + px_home() + "/d' -type f -printf '%s\\n'").c_str(), "r")) {
                        long long n;
                        find_total = 0;
                        while (std::fscanf(f, "%lld", &n) == 1)
                            find_total += n;
                        pclose(f);
                    }
                }),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(find_total, 1234567);
                    const entry* d = panel_base[0].Current();
                    EXPECT_EQ(static_cast<long long>(d->size), find_total);
                    // The tree keeps it, for every directory below too.
                    CTree* tree = TreeSet.GetTree(FileNameFromSys(px_home().c_str()));
                    ASSERT_NE(tree, nullptr);
                    TREENODE* node = tree->Find(FileNameFromSys((px_home() + "/d").c_str()).c_str(), false);
                    ASSERT_NE(node, nullptr);
                    EXPECT_EQ(node->size, find_total);
                    TREENODE* e = tree->Find(FileNameFromSys((px_home() + "/d/e").c_str()).c_str(), false);
                    ASSERT_NE(e, nullptr);
                    EXPECT_EQ(e->size, 234567);
                    // With RetainCount a new read shows the size known.
                    config.RetainCount = true;
                }),
                KEYS({CtrlR}), CHECK([] {
                    EXPECT_EQ(panel_base[0].Current()->depth, 1);
                    EXPECT_EQ(panel_base[0].Current()->size, 1234567u);
                })},
           [] {
               std::string home = px_home();
               mkdir((home + "/d").c_str(), 0755);
               mkdir((home + "/d/e").c_str(), 0755);
               mkdir((home + "/d/e/f").c_str(), 0755);
               std::ofstream(home + "/d/a") << std::string(1000000, 'x');
               std::ofstream(home + "/d/e/b") << std::string(234000, 'x');
               std::ofstream(home + "/d/e/f/c") << std::string(567, 'x');
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
class TreeUpkeepScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        t.dir("l");
        t.dir("r");
        t.dir("l/x");
        t.dir("l/x/inner");
        t.dir("l/gone");
    }
    PX_RUN run(std::vector<ScreenStep> steps)
    {
        std::string l = t.sys("l"), r = t.sys("r");
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), [this] {
            config.TreeDir = t.wide("trees");
            TreeSet.Clear();
            tree = TreeSet.GetTree(t.wide("l"));
            ASSERT_NE(tree, nullptr);
            for (const char* d : {"l/x/inner", "l/gone", "r"})
                ASSERT_NE(tree->AddPath(t.wide(d).c_str()), nullptr);
        });
    }
    bool known(const char* dir) const { return tree->Find(t.wide(dir).c_str(), false) != nullptr; }

    PanelTree t;
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
    run({CHECK([&] { go_to("x"); }), KEYS({KEY_F1 + 5, KEY_RETURN}), CHECK([&] {
             EXPECT_FALSE(known("l/x"));
             EXPECT_TRUE(known("r/x/inner")) << "F6 takes the branch along";
         }),
         KEYS({KEY_F1 + 6}), KEYS(type_keys("made")), KEYS({KEY_RETURN}),
         CHECK([&] { EXPECT_TRUE(known("l/made")) << "F7"; go_to("gone"); }),
         KEYS({KEY_F1 + 7, KEY_RETURN}), CHECK([&] { EXPECT_FALSE(known("l/gone")) << "F8"; }),
         // A typed cd to a name not here finds it in the tree.
         KEYS(type_keys("cd inner")), KEYS({KEY_RETURN}),
         CHECK([&] { EXPECT_STREQ(panel_base[0].path.c_str(), t.wide("r/x/inner").c_str()); })});
    TreeSet.Clear();
}

TEST(TreeDetailScreen, F10InTheCopyDialogPicksTheTarget)
{
    constexpr int CtrlR = KEY_CTRL_A + 'R' - 'A';
    std::string field, want;
    // The pop-up opens on the panel's directory; typing finds gamma.
    run_px({}, {KEYS({CtrlR, KEY_END, KEY_F1 + 4, KEY_F10}),
                CHECK([] { EXPECT_GE(screen_row_of(" Directory Tree "), 0); }), KEYS(type_keys("g")), KEYS({KEY_RETURN}),
                CHECK([&] {
                    want = px_home() + "/gamma/ ";
                    EXPECT_EQ(screen_row_of(" Directory Tree "), -1);
                    int y = screen_row_of("Copy \"f.txt\" to");
                    ASSERT_GE(y, 0);
                    field = row(y + 1);
                }),
                KEYS({KEY_ESC})},
           [] {
               tree_panel_settings();
               std::ofstream(px_home() + "/f.txt") << "x";
           });
    EXPECT_NE(field.find(want), std::string::npos) << field;
    TreeSet.Clear();
}
