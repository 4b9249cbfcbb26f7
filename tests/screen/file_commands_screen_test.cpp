#include "config/config.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "entries/locale_facts.h"
#include "menus/menu_codes.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}
constexpr int KEY_CTRL_SHIFT_F5 = (KEY_CTRL_F1 + 4) | KEY_SHIFT_FLAG;
constexpr int KEY_ALT_F6 = KEY_ALT_F1 + 5;
constexpr int KEY_CTRL_C = KEY_CTRL_A + 'C' - 'A';
constexpr time_t Nov14 = 1700000000;  // 2023-11-14 22:13:20 UTC

// n cells of row y from column x.
std::string cells(int y, int x, int n)
{
    return screen_text(console, y, x, n);
}

std::string pad(const std::string& s, size_t n)
{
    return s + std::string(n > s.size() ? n - s.size() : 0, ' ');
}

// The first column of row y where text starts, or -1.
int column_of(int y, const std::string& text)
{
    for (int x = 0; x < 80; x++)
        if (cells(y, x, 1) == text.substr(0, 1) && screen_text(console, y, x).rfind(text, 0) == 0)
            return x;
    return -1;
}

// The name on the status line of the left panel.
std::string status()
{
    std::string s = screen_text(console, 21, 1, 38);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// L holds a.txt, b.txt and the script prog.sh; the right panel shows R.
class FileCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        ASSERT_TRUE(t.ok());
        t.dir("L");
        t.dir("R");
        t.file("L/a.txt", 1234, Nov14);
        t.file("L/b.txt", 5, Nov14);
        t.file("L/prog.sh", 10, Nov14);
        chmod(t.sys("L/prog.sh").c_str(), 0755);
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        std::string l = t.sys("L"), r = t.sys("R");
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
    }
    std::string mode_of(const std::string& name) const
    {
        struct stat st;
        if (lstat(t.sys(name).c_str(), &st) != 0)
            return "missing";
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04o", st.st_mode & 07777);
        return buf;
    }
    PanelTree t;
};

}

TEST_F(FileCommands, MakeDirectoryPutsTheCursorOnIt)
{
    PX_RUN r = run({KEYS({F(7)}), CHECK([] {
                        EXPECT_EQ(cells(9, 2, 76), "╔" + std::string() + [] {
                            std::string s;
                            for (int i = 0; i < 74; i++)
                                s += "═";
                            return s;
                        }() + "╗");
                        EXPECT_EQ(cells(10, 2, 76), "║" + pad("Create the directory", 74) + "║");
                        EXPECT_EQ(cells(11, 2, 76), "║" + pad("", 74) + "║");
                        EXPECT_EQ(cells(13, 2, 76), "║" + pad(std::string(28, ' ') + "[ OK ]  [ Cancel ]", 74) + "║");
                    }),
                    KEYS(type_keys("newdir")), KEYS({KEY_RETURN}), CHECK([&] {
                        EXPECT_EQ(mode_of("L/newdir").empty(), false);
                        EXPECT_EQ(status(), "newdir");
                    }),
                    // Names are used as typed, a trailing blank included.
                    KEYS({F(7)}), KEYS(type_keys("two ")), KEYS({KEY_RETURN}),
                    CHECK([&] { EXPECT_STREQ(panel_base[0].Current()->name, L"two "); }),
                    KEYS({F(7)}), KEYS(type_keys("newdir")), KEYS({KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("Directory already exists"), 0); }), KEYS({KEY_ESC}),
                    KEYS({F(7)}), KEYS(type_keys("a.txt")), KEYS({KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("File already exists named"), 0); }), KEYS({KEY_ESC}),
                    // A file system CaseFilter names gets upper-case names.
                    CHECK([] {
                        ASSERT_FALSE(panel_base[0].fs_type.empty());
                        config.CaseFilter = Westring(L"vfat,") + panel_base[0].fs_type.downcase();
                    }),
                    KEYS({F(7)}), KEYS(type_keys("Mixed")), KEYS({KEY_RETURN}),
                    CHECK([] { config.CaseFilter = Westring(); })});
    EXPECT_EQ(r.steps_left, 0);
    struct stat st;
    EXPECT_EQ(stat(t.sys("L/two ").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_FALSE(t.exists("L/two"));
    EXPECT_TRUE(t.exists("L/MIXED"));
    EXPECT_FALSE(t.exists("L/Mixed"));
}

TEST_F(FileCommands, LinkDialogsProposeTheOtherPanel)
{
    const std::string right = t.sys("R");
    PX_RUN r = run({KEYS({KEY_DOWN, KEY_DOWN, KEY_CTRL_SHIFT_F5}), CHECK([&] {
                        EXPECT_EQ(cells(10, 2, 76), "║" + pad("Make symbolic link to \"b.txt\" as", 74) + "║");
                        EXPECT_EQ(cells(12, 2, 76), "║ " + pad(right + "/b.txt", 72) + "↓║");
                        EXPECT_EQ(cells(14, 2, 76),
                                  "║" + pad(std::string(14, ' ') + "[ OK ]  [ Cancel ]  [ F10-Tree ]  [ Dir Hist ]", 74) + "║");
                    }),
                    // Alt+D cuts the text to its name, F5 puts the directory back.
                    KEYS({KEY_ALT_D}), CHECK([] { EXPECT_EQ(cells(12, 4, 6), "b.txt "); }),
                    KEYS({F(5)}), CHECK([&] { EXPECT_EQ(cells(12, 4, static_cast<int>(right.size()) + 6), right + "/b.txt"); }),
                    KEYS({KEY_RETURN}),
                    // Two tagged: a directory is asked for, and must be one.
                    KEYS({KEY_UP, KEY_INS, KEY_INS, KEY_CTRL_SHIFT_F5}), CHECK([&] {
                        EXPECT_EQ(cells(10, 2, 76), "║" + pad("Make symbolic links to 2 files in", 74) + "║");
                        EXPECT_EQ(cells(12, 2, 76), "║ " + pad(right + "/", 72) + "↓║");
                    }),
                    KEYS(type_keys("nowhere")), KEYS({KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("Destination must be a valid directory"), 0); }),
                    KEYS({KEY_ESC}), CHECK([] { EXPECT_GE(screen_row_of("Make symbolic links to 2 files in"), 0); }),
                    KEYS({KEY_ESC}),
                    // Into R, where b.txt is taken: Skip leaves b.txt tagged.
                    KEYS({KEY_CTRL_SHIFT_F5, KEY_RETURN}), CHECK([] { EXPECT_GE(screen_row_of("File exists (17)"), 0); }),
                    KEYS({'s'}), CHECK([] {
                        EXPECT_EQ(panel_base[0].tagged_count, 1);
                        EXPECT_STREQ(panel_base[0].entries[2]->name, L"b.txt");
                        EXPECT_TRUE(panel_base[0].entries[2]->tagged);
                    })});
    EXPECT_EQ(r.steps_left, 0);
    char target[4096] = {};
    ASSERT_GT(readlink(t.sys("R/b.txt").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), t.sys("L/b.txt"));  // the entry's absolute path
    char other[4096] = {};
    ASSERT_GT(readlink(t.sys("R/a.txt").c_str(), other, sizeof other - 1), 0);
    EXPECT_EQ(std::string(other), t.sys("L/a.txt"));
}

TEST_F(FileCommands, LauncherDialogOffersTheTerminalOnlyForPrograms)
{
    PX_RUN r = run({KEYS({KEY_DOWN, KEY_DOWN, KEY_ALT_F6}), CHECK([] {
                        EXPECT_EQ(cells(9, 18, 44), "║" + pad("            Make an object for", 42) + "║");
                        EXPECT_EQ(cells(10, 18, 44), "║" + pad("                  b.txt", 42) + "║");
                        EXPECT_EQ(cells(12, 18, 44), "║" + pad(" Title: B", 42) + "║");
                        EXPECT_EQ(cells(14, 18, 44), "║" + pad("            [ OK ]  [ Cancel ]", 42) + "║");
                        EXPECT_EQ(screen_row_of("Terminal session"), -1);
                    }),
                    KEYS({KEY_ESC, KEY_DOWN, KEY_ALT_F6}), CHECK([] {
                        EXPECT_EQ(cells(8, 18, 44), "║" + pad("            Make an object for", 42) + "║");
                        EXPECT_EQ(cells(9, 18, 44), "║" + pad("                 prog.sh", 42) + "║");
                        EXPECT_EQ(cells(11, 18, 44), "║" + pad(" Title: Prog", 42) + "║");
                        EXPECT_EQ(cells(13, 18, 44), "║" + pad("        [ ]  Terminal session", 42) + "║");
                        EXPECT_EQ(cells(15, 18, 44), "║" + pad("            [ OK ]  [ Cancel ]", 42) + "║");
                    }),
                    KEYS({KEY_ALT_F}), CHECK([] { EXPECT_EQ(cells(13, 27, 3), "[X]"); }), KEYS({KEY_RETURN}),
                    CHECK([&] {
                        std::ifstream in(px_home() + "/Desktop/Prog.desktop");
                        std::stringstream text;
                        text << in.rdbuf();
                        EXPECT_NE(text.str().find("\nExec=\"" + t.sys("L/prog.sh") + "\"\nTerminal=true\n"), std::string::npos)
                            << text.str();
                    }),
                    // The same title again: asked before it is replaced.
                    KEYS({KEY_ALT_F6, KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("File already exists, Overwrite?"), 0); }), KEYS({KEY_RETURN})});
    EXPECT_EQ(r.steps_left, 0);
}

TEST_F(FileCommands, AttributesOfOneEntryAndOfTagged)
{
    PX_RUN r = run({KEYS({KEY_DOWN, KEY_CTRL_A}), KEYS(type_keys("750")), CHECK([] {
                        EXPECT_EQ(cells(7, 17, 45), "╔════════════ File  Attributes ═════════════╗");
                        EXPECT_EQ(cells(8, 17, 45), "║                   a.txt                   ║");
                        EXPECT_EQ(cells(10, 17, 45), "║         R   W   X   S                     ║");
                        EXPECT_EQ(cells(11, 17, 24), "║ User   [X] [X] [X] [ ]");
                        EXPECT_EQ(cells(12, 17, 24), "║ Group  [X] [ ] [X] [ ]");
                        EXPECT_EQ(cells(13, 17, 45), "║ Other  [ ] [ ] [ ] [ ]                    ║");
                        EXPECT_EQ(cells(15, 17, 45), "║       [ OK ]  [ Cancel ]  [ Help ]        ║");
                    }),
                    KEYS({KEY_RETURN}),
                    // Tagged: every cell starts at "unchanged"; 5 on the User
                    // row shows all three states.
                    KEYS({KEY_INS, KEY_INS, KEY_CTRL_A}), CHECK([] {
                        EXPECT_EQ(cells(8, 17, 45), "║                                           ║");
                        EXPECT_EQ(cells(11, 17, 24), "║ User   [·] [·] [·] [·]");
                        EXPECT_EQ(cells(11, 46, 14), "Owner         ");
                    }),
                    KEYS({'5'}), CHECK([] {
                        EXPECT_EQ(cells(11, 17, 24), "║ User   [X] [ ] [X] [·]");
                        EXPECT_EQ(cells(12, 17, 24), "║ Group  [·] [·] [·] [·]");
                    }),
                    // Two more rows, then the owner field: a name no one has.
                    KEYS({'0', '0'}), KEYS(type_keys("nosuchuser")), KEYS({KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("Invalid user"), 0); }), KEYS({KEY_ESC}),
                    CHECK([] { EXPECT_GE(screen_row_of(" File  Attributes "), 0); }), KEYS({KEY_ESC})});
    EXPECT_EQ(r.steps_left, 0);
    EXPECT_EQ(mode_of("L/a.txt"), "0750");
    EXPECT_EQ(mode_of("L/b.txt"), "0644");  // cancelled
}

TEST_F(FileCommands, CaseDialogAndItsProgressWindows)
{
    t.dir("L/Atree");
    t.dir("L/Atree/Sub");
    t.file("L/Atree/Sub/x", 1);
    t.file("L/Atree/Sub/X", 2);
    t.dir("L/B.TXT");  // a directory: listed apart from b.txt
    PX_RUN r = run({KEYS({KEY_DOWN, KEY_CTRL_C}), CHECK([] {
                        EXPECT_EQ(cells(5, 22, 36), "║          Change case of          ║");
                        EXPECT_EQ(cells(6, 22, 36), "║              Atree               ║");
                        EXPECT_EQ(cells(8, 22, 36), "║  Name         Extension          ║");
                        EXPECT_EQ(cells(10, 22, 36), "║  (•) Lower    (•) Lower          ║");
                        EXPECT_EQ(cells(11, 22, 36), "║  ( ) Upper    ( ) Upper          ║");
                        EXPECT_EQ(cells(12, 22, 36), "║  ( ) Mixed    ( ) Mixed          ║");
                        EXPECT_EQ(cells(13, 22, 36), "║  ( ) None     ( ) None           ║");
                        EXPECT_EQ(cells(15, 22, 36), "║  [ ]  Recurse into directories   ║");
                        EXPECT_EQ(cells(16, 22, 36), "║  [X]  Change directories         ║");
                        EXPECT_EQ(cells(17, 22, 36), "║  [X]  Change files               ║");
                        EXPECT_EQ(cells(19, 22, 36), "║        [ OK ]  [ Cancel ]        ║");
                    }),
                    // Upper case for both, recursing: "x" meets "X" below.
                    KEYS({KEY_ALT_U, KEY_ALT_P, KEY_ALT_R, KEY_RETURN}), CHECK([] {
                        EXPECT_GE(screen_row_of("File exists (17)"), 0);
                        int y = screen_row_of("Processing files in /");
                        ASSERT_GE(y, 0);
                        EXPECT_EQ(y, 12);
                        EXPECT_EQ(cells(14, 10, 60), "╚" + [] {
                            std::string s;
                            for (int i = 0; i < 58; i++)
                                s += "═";
                            return s;
                        }() + "╝");
                    }),
                    KEYS({'s'}),
                    // Tagged: the bar window; b.txt meets B.TXT.
                    KEYS({KEY_HOME, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS, KEY_CTRL_C}), CHECK([] {
                        EXPECT_EQ(cells(6, 22, 36), "║             2 files              ║");
                        EXPECT_EQ(config.CaseMod, "uu");  // kept from the last use
                    }),
                    KEYS({KEY_RETURN}), CHECK([] {
                        EXPECT_GE(screen_row_of("File exists (17)"), 0);
                        std::string bar = cells(13, 12, 56);
                        EXPECT_EQ(bar.find_first_not_of("█░"), std::string::npos) << bar;
                        EXPECT_EQ(console.GetCursorType(), 0);  // the text cursor is hidden
                    }),
                    KEYS({KEY_ESC})},
                   [] { config.CaseModRecurse = false; });
    EXPECT_EQ(r.steps_left, 0);
    EXPECT_TRUE(t.exists("L/ATREE/SUB/X"));
    EXPECT_TRUE(t.exists("L/ATREE/SUB/x"));   // skipped: never replaced "X"
    EXPECT_EQ(t.read("L/ATREE/SUB/X").size(), 2u);
    EXPECT_TRUE(t.exists("L/A.TXT"));
    EXPECT_TRUE(t.exists("L/b.txt"));
}

TEST_F(FileCommands, DateDialogFollowsClockAndDateOrder)
{
    // 12-hour clock, month first (the "C" locale's order).
    PX_RUN r = run({KEYS({KEY_DOWN, MENU_FILE_DATE}), CHECK([] {
                        EXPECT_EQ(cells(4, 23, 33), "╔═══════════════════════════════╗");
                        EXPECT_EQ(cells(5, 23, 33), "║Change date of                 ║");
                        EXPECT_EQ(cells(6, 23, 33), "║a.txt                          ║");
                        EXPECT_EQ(cells(8, 23, 33), "║      Mon   Day   Year         ║");
                        EXPECT_EQ(cells(9, 23, 33), "║      11    14    2023         ║");
                        EXPECT_EQ(cells(11, 23, 33), "║   Hour  Min   Sec   ( ) AM    ║");
                        EXPECT_EQ(cells(12, 23, 33), "║   10    13    20    (•) PM    ║");
                        EXPECT_EQ(cells(14, 23, 33), "║  [ OK ]  [ Cancel ]  [ Now ]  ║");
                    }),
                    // 31 November is no date.
                    KEYS({KEY_TAB}), KEYS(type_keys("31")), KEYS({KEY_RETURN}),
                    CHECK([] { EXPECT_GE(screen_row_of("Invalid date"), 0); }), KEYS({KEY_ESC}),
                    CHECK([] { EXPECT_GE(screen_row_of("Change date of"), 0); }), KEYS({KEY_ESC})});
    EXPECT_EQ(r.steps_left, 0);

    // 24-hour clock, day first: the fields move and 2040 is set.
    r = run({KEYS({KEY_DOWN, MENU_FILE_DATE}), CHECK([] {
                 EXPECT_EQ(cells(8, 23, 33), "║      Day   Mon   Year         ║");
                 EXPECT_EQ(cells(9, 23, 33), "║      14    11    2023         ║");
                 EXPECT_EQ(cells(11, 23, 33), "║      Hour  Min   Sec          ║");
                 EXPECT_EQ(cells(12, 23, 33), "║      22    13    20           ║");
             }),
             KEYS(type_keys("1")), KEYS({KEY_TAB}), KEYS(type_keys("6")), KEYS({KEY_TAB}), KEYS(type_keys("2040")),
             KEYS({KEY_RETURN})},
            [] {
                config.TimeMode = 24;
                date_fmt = 1;
            });
    EXPECT_EQ(r.steps_left, 0);
    struct stat st;
    ASSERT_EQ(stat(t.sys("L/a.txt").c_str(), &st), 0);
    struct tm want = {};
    want.tm_year = 2040 - 1900;
    want.tm_mon = 5;
    want.tm_mday = 1;
    want.tm_hour = 22;
    want.tm_min = 13;
    want.tm_sec = 20;
    EXPECT_EQ(st.st_mtime, timegm(&want));
    date_fmt = 0;
}

TEST_F(FileCommands, FileInformationOfEachKind)
{
    t.link("L/link", "a.txt");
    ASSERT_EQ(mkfifo(t.sys("L/fifo").c_str(), 0644), 0);
    t.dir("L/dir");
    const struct { int downs; std::vector<std::pair<std::string, std::string>> lines; } rows[] = {
        {2, {{"Size", "1,234"}, {"Mode", "rw-r--r--"}, {"Type", "Regular file"}}},
        {5, {{"Type", "Symbolic Link"}, {"Target", "a.txt"}}},
        {4, {{"Size", "0"}, {"Type", "Named Pipe (FIFO)"}, {"Hard Links", "1"}}},
        {1, {{"Type", "Directory"}, {"Mode", "rwxr-xr-x"}}},
    };
    for (const auto& row : rows) {
        std::vector<int> keys(static_cast<size_t>(row.downs), KEY_DOWN);
        keys.push_back(KEY_CTRL_I);
        PX_RUN r = run({KEYS(keys), CHECK([&] {
                            EXPECT_GE(screen_row_of(" File Information "), 0);
                            for (const auto& [label, value] : row.lines) {
                                std::string text = label + ": " + value + " ";
                                int y = screen_row_of(text);
                                EXPECT_GE(y, 0) << text;
                                // The colons line up under the widest label's.
                                if (y >= 0) {
                                    EXPECT_EQ(column_of(y, ":"), column_of(screen_row_of("Modified Time:"), ":")) << label;
                                }
                            }
                        }),
                        KEYS({KEY_ESC})});
        EXPECT_EQ(r.steps_left, 0);
    }
}
