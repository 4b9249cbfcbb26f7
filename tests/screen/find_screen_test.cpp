#include "fileops/file_system.h"
#include "tests/screen/screen_helpers.h"
#include "tools/file_find.h"

#include <sys/stat.h>

namespace {

void write(const std::string& rel, const std::string& bytes)
{
    write_file(px_home() + "/" + rel, bytes);
}

std::string read(const std::string& rel)
{
    return read_file(px_home() + "/" + rel);
}

// The options the dialog starts with; the scan runs to its end before
// each key.
void find_settings()
{
    find_scan_synchronous = true;
    config.FFRootSearch = false;
    config.FFRecurse = true;
    config.FFFollowLinks = false;
    config.FFCase = false;
    config.FFWholeWord = false;
}

// A tree under px's home: two files with the needle, one without, in a
// directory and below it.
void make_tree()
{
    find_settings();
    config.Confirmations |= ConfirmDeleteFile | ConfirmDeleteTagged;
    mkdir((px_home() + "/sub").c_str(), 0755);
    mkdir((px_home() + "/dest").c_str(), 0755);
    write("a.txt", "a needle here\n");
    write("sub/b.txt", "NEEDLE\n");
    write("sub/c.txt", "nothing\n");
}

// The dialog at 80 x 25 spans rows 2..22 and columns 2..77; inside it the
// list takes rows 3..10, the status line is row 11.
constexpr int ListTop = 3, StatusRow = 11;

// The path cells of a result line: after 28 cells of size, date and time.
std::string path_of(int y)
{
    return cells(y, 3 + 28, 46);
}

// Where the panel is and its cursor's name.
std::string panel_at()
{
    const PANEL& p = panel_base[currpanel];
    return std::string(FileNameToSys(p.path).c_str()) + " " +
           (p.Current() ? FileNameToSys(Westring(p.Current()->name)).c_str() : "(none)");
}

}

TEST(FindScreen, TheEmptyDialog)
{
    run_px({}, {KEYS({AltF(7)}), CHECK([] {
                    EXPECT_EQ(cells(2, 2, 76), "╔" + repeat("═", 31) + " File Find " + repeat("═", 32) + "╗");
                    for (int y = ListTop; y <= StatusRow; y++)
                        EXPECT_EQ(cells(y, 2, 76), "║" + std::string(74, ' ') + "║") << y;
                    EXPECT_EQ(cells(14, 3, 74), pad(" File(s) to find:                      Containing:", 74));
                    EXPECT_EQ(cells(17, 3, 74), pad(" [ ]  Start at Root                    [ ]  Case sensitive", 74));
                    EXPECT_EQ(cells(18, 3, 74), pad(" [X]  Scan subdirectories              [ ]  Whole Word", 74));
                    EXPECT_EQ(cells(19, 3, 74), pad(" [ ]  Follow Directory Symlinks", 74));
                    EXPECT_EQ(cells(21, 3, 74),
                              pad("       [ Find ]  [ Cancel ]  [ Help ]  [ GoTo ]  [ View ]  [ Edit ]", 74));
                    EXPECT_EQ(cells(22, 2, 76), "╚" + repeat("═", 74) + "╝");
                })},
           find_settings);
}

TEST(FindScreen, FindsByContentAndGoesToTheFile)
{
    run_px({}, {KEYS({AltF(7)}), KEYS(type_keys("*.txt")), KEYS({KEY_TAB}),
                KEYS({KEY_ALT_T}), KEYS(type_keys("needle")), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(path_of(ListTop), pad(px_home() + "/a.txt", 46));
                    EXPECT_EQ(path_of(ListTop + 1), pad(px_home() + "/sub/b.txt", 46));
                    EXPECT_EQ(cells(ListTop, 3, 10), "        14");
                    EXPECT_EQ(cells(ListTop + 2, 3, 74), std::string(74, ' '));
                    EXPECT_EQ(cells(StatusRow, 3, 74), pad(" Search Complete: 2 matches use 21 bytes", 74));
                }),
                // Enter on the list: the panel goes to the file.
                KEYS({KEY_DOWN, KEY_RETURN}), CHECK([] { EXPECT_EQ(panel_at(), px_home() + "/sub b.txt"); }),
                // Reopened: the same results, the cursor on the second.
                KEYS({(AltF(7)) | KEY_SHIFT_FLAG}), CHECK([] {
                    EXPECT_EQ(path_of(ListTop + 1), pad(px_home() + "/sub/b.txt", 46));
                }),
                KEYS({KEY_HOME, KEY_RETURN}), CHECK([] { EXPECT_EQ(panel_at(), px_home() + " a.txt"); })},
           make_tree);
}

TEST(FindScreen, ABadExpressionIsRefusedBeforeAnySearch)
{
    run_px({}, {KEYS({AltF(7)}), KEYS(type_keys("(*.txt")), KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_GE(screen_row_of("Syntax error in search expression"), 0);
                }),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(screen_row_of("Syntax error in search expression"), -1);
                    EXPECT_EQ(cells(ListTop, 3, 74), std::string(74, ' '));
                    EXPECT_EQ(cells(StatusRow, 3, 74), std::string(74, ' '));
                }),
                KEYS({KEY_ESC})},
           make_tree);
}

TEST(FindScreen, MovingAllResultsEmptiesTheList)
{
    run_px({}, {KEYS({AltF(7)}), KEYS(type_keys("*.txt")), KEYS({KEY_ALT_T}), KEYS(type_keys("n")),
                KEYS({KEY_RETURN}), CHECK([] { EXPECT_EQ(path_of(ListTop + 2), pad(px_home() + "/sub/c.txt", 46)); }),
                KEYS({KEY_F1 + 5, KEY_RETURN}), CHECK([] {
                    EXPECT_EQ(cells(ListTop, 3, 74), std::string(74, ' '));
                    EXPECT_EQ(read("dest/c.txt"), "nothing\n");
                    struct stat st;
                    EXPECT_NE(stat((px_home() + "/sub/c.txt").c_str(), &st), 0);
                }),
                KEYS({KEY_ESC})},
           [] {
               make_tree();
               // The other panel is the destination the move proposes.
               panel_base[1 - currpanel].path = FileNameFromSys((px_home() + "/dest").c_str());
           });
}

TEST(FindScreen, ReplaceAcrossTheResults)
{
    run_px({}, {KEYS({AltF(7)}), KEYS(type_keys("*.txt")), KEYS({KEY_ALT_T}), KEYS(type_keys("needle")),
                KEYS({KEY_RETURN}), KEYS({0x12}), CHECK([] {
                    int y = screen_row_of("Multi-file search & replace");
                    ASSERT_GE(y, 0);
                    EXPECT_EQ(cells(y, 10, 60),
                              "║" + pad("               Multi-file search & replace", 58) + "║");
                    EXPECT_EQ(cells(y + 2, 10, 60), "║" + pad(" Replace with:", 58) + "║");
                }),
                KEYS(type_keys("pin")), KEYS({KEY_RETURN}), CHECK([] {
                    int y = screen_row_of("Are you sure you want to replace");
                    ASSERT_GE(y, 0);
                    EXPECT_EQ(cells(y + 1, 10, 60), "║" + pad("                         \"needle\"", 58) + "║");
                    EXPECT_EQ(cells(y + 2, 10, 60), "║" + pad("                           with", 58) + "║");
                    EXPECT_EQ(cells(y + 3, 10, 60), "║" + pad("                          \"pin\"", 58) + "║");
                    EXPECT_EQ(cells(y + 4, 10, 60), "║" + pad("                        in 2 files", 58) + "║");
                }),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_GE(screen_row_of("Replaced 2 occurrences in 2 files"), 0);
                    EXPECT_EQ(read("a.txt"), "a pin here\n");
                    EXPECT_EQ(read("sub/b.txt"), "pin\n");
                    EXPECT_EQ(read("sub/c.txt"), "nothing\n");
                }),
                KEYS({KEY_RETURN, KEY_ESC})},
           make_tree);
}
