#include "entries/locale_facts.h"
#include "menus/menu_codes.h"
#include "tests/screen/screen_helpers.h"

#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int KEY_CTRL_SHIFT_F5 = CtrlF(5) | KEY_SHIFT_FLAG;
constexpr time_t Nov14 = 1700000000;  // 2023-11-14 22:13:20 UTC

// The first column of row y where text starts, or -1.
int column_of(int y, const std::string& text)
{
    for (int x = 0; x < 80; x++)
        if (cells(y, x, 1) == text.substr(0, 1) && screen_text(console, y, x).rfind(text, 0) == 0)
            return x;
    return -1;
}

// L holds a.txt, b.txt and the script prog.sh; the right panel shows R.
class FileCommands : public PanelsScreen
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        PanelsScreen::SetUp();
        left_dir = "L";
        right_dir = "R";
        t.dir("L");
        t.dir("R");
        t.file("L/a.txt", 1234, Nov14);
        t.file("L/b.txt", 5, Nov14);
        t.file("L/prog.sh", 10, Nov14);
        chmod(t.sys("L/prog.sh").c_str(), 0755);
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
};

}

TEST_F(FileCommands, MakeDirectoryPutsTheCursorOnIt)
{
    run({KEYS({F(7)}), CHECK([] {
             EXPECT_EQ(screen_rows(9, 14, 2, 76),
                       framed(74, {"Create the directory", "", "", pad("", 28) + "[ OK ]  [ Cancel ]"}));
         }),
         KEYS(type_keys("newdir")), KEYS({KEY_RETURN}), CHECK([&] {
             EXPECT_TRUE(t.exists("L/newdir"));
             EXPECT_EQ(left_status(), "newdir");
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
    run({KEYS({KEY_DOWN, KEY_DOWN, KEY_CTRL_SHIFT_F5}), CHECK([&] {
             EXPECT_EQ(rows_at(9, 15, 2, 76),
                       framed(74, {"Make symbolic link to \"b.txt\" as", "", pad(" /tmp/pxfileops.XXXXXX/R/b.txt", 73) + "↓", "",
                                   pad("", 14) + "[ OK ]  [ Cancel ]  [ F10-Tree ]  [ Dir Hist ]"}));
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
    // Each link holds its entry's absolute path.
    for (const char* name : {"b.txt", "a.txt"}) {
        char target[4096] = {};
        ASSERT_GT(readlink(t.sys(std::string("R/") + name).c_str(), target, sizeof target - 1), 0) << name;
        EXPECT_EQ(std::string(target), t.sys(std::string("L/") + name));
    }
}

TEST_F(FileCommands, LauncherDialogOffersTheTerminalOnlyForPrograms)
{
    const std::string object = "            Make an object for", buttons = "            [ OK ]  [ Cancel ]";
    run({KEYS({KEY_DOWN, KEY_DOWN, AltF(6)}), CHECK([&] {
             EXPECT_EQ(screen_rows(8, 15, 18, 44), framed(42, {object, "                  b.txt", "", " Title: B", "", buttons}));
         }),
         KEYS({KEY_ESC, KEY_DOWN, AltF(6)}), CHECK([&] {
             EXPECT_EQ(screen_rows(7, 16, 18, 44), framed(42, {object, "                 prog.sh", "", " Title: Prog", "",
                                                               "        [ ]  Terminal session", "", buttons}));
         }),
         KEYS({KEY_ALT_F}), CHECK([] { EXPECT_EQ(cells(13, 27, 3), "[X]"); }), KEYS({KEY_RETURN}),
         CHECK([&] {
             std::string text = read_file(px_home() + "/Desktop/Prog.desktop");
             EXPECT_NE(text.find("\nExec=\"" + t.sys("L/prog.sh") + "\"\nTerminal=true\n"), std::string::npos) << text;
         }),
         // The same title again: asked before it is replaced.
         KEYS({AltF(6), KEY_RETURN}),
         CHECK([] { EXPECT_GE(screen_row_of("File already exists, Overwrite?"), 0); }), KEYS({KEY_RETURN})});
}

TEST_F(FileCommands, AttributesOfOneEntryAndOfTagged)
{
    run({KEYS({KEY_DOWN, KEY_CTRL_A}), KEYS(type_keys("750")), CHECK([] {
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
    run({KEYS({KEY_DOWN, ctrl('C')}), CHECK([] {
             EXPECT_EQ(screen_rows(4, 20, 22, 36),
                       framed(34, {"          Change case of", "              Atree", "", "  Name         Extension", "",
                                   "  (•) Lower    (•) Lower", "  ( ) Upper    ( ) Upper", "  ( ) Mixed    ( ) Mixed",
                                   "  ( ) None     ( ) None", "", "  [ ]  Recurse into directories",
                                   "  [X]  Change directories", "  [X]  Change files", "", "        [ OK ]  [ Cancel ]"}));
         }),
         // Upper case for both, recursing: "x" meets "X" below.
         KEYS({KEY_ALT_U, KEY_ALT_P, KEY_ALT_R, KEY_RETURN}), CHECK([] {
             EXPECT_GE(screen_row_of("File exists (17)"), 0);
             int y = screen_row_of("Processing files in /");
             ASSERT_GE(y, 0);
             EXPECT_EQ(y, 12);
             EXPECT_EQ(cells(14, 10, 60), "╚" + repeat("═", 58) + "╝");
         }),
         KEYS({'s'}),
         // Tagged: the bar window; b.txt meets B.TXT.
         KEYS({KEY_HOME, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_INS, KEY_INS, ctrl('C')}), CHECK([] {
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
    EXPECT_TRUE(t.exists("L/ATREE/SUB/X"));
    EXPECT_TRUE(t.exists("L/ATREE/SUB/x"));   // skipped: never replaced "X"
    EXPECT_EQ(t.read("L/ATREE/SUB/X").size(), 2u);
    EXPECT_TRUE(t.exists("L/A.TXT"));
    EXPECT_TRUE(t.exists("L/b.txt"));
}

TEST_F(FileCommands, DateDialogFollowsClockAndDateOrder)
{
    // 12-hour clock, month first (the "C" locale's order).
    run({KEYS({KEY_DOWN, MENU_FILE_DATE}), CHECK([] {
             EXPECT_EQ(screen_rows(4, 15, 23, 33),
                       framed(31, {"Change date of", "a.txt", "", "      Mon   Day   Year", "      11    14    2023", "",
                                   "   Hour  Min   Sec   ( ) AM", "   10    13    20    (•) PM", "",
                                   "  [ OK ]  [ Cancel ]  [ Now ]"}));
         }),
         // 31 November is no date.
         KEYS({KEY_TAB}), KEYS(type_keys("31")), KEYS({KEY_RETURN}),
         CHECK([] { EXPECT_GE(screen_row_of("Invalid date"), 0); }), KEYS({KEY_ESC}),
         CHECK([] { EXPECT_GE(screen_row_of("Change date of"), 0); }), KEYS({KEY_ESC})});

    // 24-hour clock, day first: the fields move and 2040 is set.
    run({KEYS({KEY_DOWN, MENU_FILE_DATE}), CHECK([] {
             EXPECT_EQ(screen_rows(8, 12, 23, 33), (Rows{"║      Day   Mon   Year         ║", "║      14    11    2023         ║",
                                                        "║                               ║", "║      Hour  Min   Sec          ║",
                                                        "║      22    13    20           ║"}));
         }),
         KEYS(type_keys("1")), KEYS({KEY_TAB}), KEYS(type_keys("6")), KEYS({KEY_TAB}), KEYS(type_keys("2040")),
         KEYS({KEY_RETURN})},
        [] {
            config.TimeMode = 24;
            date_fmt = 1;
        });
    struct stat st;
    ASSERT_EQ(stat(t.sys("L/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 2222201600);  // 2040-06-01 22:13:20 UTC
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
        run({KEYS(keys), CHECK([&] {
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
    }
}
