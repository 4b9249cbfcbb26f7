#include "menus/menu_codes.h"
#include "panels/info_panel.h"
#include "tests/screen/screen_helpers.h"

#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CtrlL = KEY_CTRL_A + 'L' - 'A';
constexpr int CtrlR = KEY_CTRL_A + 'R' - 'A';

// Fixed facts, so that every number on the panel is known: 24 GiB of
// memory with 8 free, a disk of 100 GiB with 50 free in units of 4 KiB.
class CFixedFacts : public CSystemFacts
{
public:
    unsigned long long TotalPhysicalMem() override { return 24ull << 30; }
    unsigned long long AvailPhysicalMem() override { return 8ull << 30; }
    int DiskSpace(const Westring&, unsigned long long& total, unsigned long long& free, unsigned long& block) override
    {
        if (fail)
            return EIO;
        total = 100ull << 30;
        free = 50ull << 30;
        block = 4096;
        return 0;
    }
    bool fail = false;
};

int cells_of(const std::string& s)
{
    return Westring(s.c_str()).strlen();
}

// A row of the info panel: text at column x inside the frame.
std::string line_at(int w, int x, const std::string& text)
{
    return "║" + std::string(static_cast<size_t>(x), ' ') + text +
           std::string(static_cast<size_t>(w - x - cells_of(text)), ' ') + "║";
}
std::string centre(int w, const std::string& text)
{
    return line_at(w, (w - cells_of(text)) / 2, text);
}

class InfoPanelScreen : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        set_system_facts(&facts);
    }
    void TearDown() override { set_system_facts(nullptr); }

    // px with both panels on the tree; Tab then makes the right panel
    // current, so that Ctrl+L turns the left one (which the clock leaves
    // alone) into the info panel.
    PX_RUN run(std::vector<ScreenStep> steps, int columns = 80, int lines = 25)
    {
        return run_in("", "", std::move(steps), [] { config.Hidden = false; }, columns, lines);
    }
    // Compares the left panel's rows from screen row 0 (frame included)
    // with expected; rows named "*" are not compared.
    static void expect_panel(int half, const std::vector<std::string>& expected, const char* what)
    {
        for (size_t y = 0; y < expected.size(); y++) {
            if (expected[y] != "*") {
                EXPECT_EQ(screen_text(console, static_cast<int>(y), 0, half), expected[y]) << what << ", row " << y;
            }
        }
    }
    // The banner: the name, version and a date in the compiler's form.
    static void expect_banner(int half)
    {
        std::string row = screen_text(console, 1, 0, half);
        EXPECT_TRUE(std::regex_match(row, std::regex("║ *Pannex 1\\.0, built [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} *║")))
            << row;
    }
    // The mount point and file-system lines of the right panel's
    // directory, left-aligned at the column that centres the longer.
    static std::vector<std::string> details(int w)
    {
        const PANEL& p = panel_base[1];
        std::vector<std::string> lines;
        if (!p.mount_point.empty())
            lines.push_back("Mount Point : " + std::string(p.mount_point.ToUTF8().c_str()));
        if (!p.fs_type.empty())
            lines.push_back("File System : " + std::string(p.fs_type.ToUTF8().c_str()));
        int longest = 0;
        for (const std::string& l : lines)
            longest = std::max(longest, cells_of(l));
        for (std::string& l : lines)
            l = line_at(w, (w - longest) / 2, l);
        return lines;
    }

    // The rows from the frame down to the directory's details: the banner
    // (not compared), the memory and disk lines, then the count.
    Rows head(int w, const Rows& numbers, const std::string& count) const
    {
        Rows rows = {"╔" + repeat("═", (w - 6) / 2) + " INFO " + repeat("═", (w - 6) / 2) + "╗", "*", line_at(w, 0, ""),
                     line_at(w, 0, ""), line_at(w, 0, ""), "║" + repeat("─", w) + "║", line_at(w, 0, numbers[0]), line_at(w, 0, numbers[1]),
                     line_at(w, 0, ""), line_at(w, 0, numbers[2]), line_at(w, 0, numbers[3]), centre(w, count), centre(w, t.path)};
        for (const std::string& d : details(w))
            rows.push_back(d);
        return rows;
    }

    CFixedFacts facts;
};

}

TEST_F(InfoPanelScreen, OneFileAt80x25)
{
    t.file("a.txt", 1234);
    run({KEYS({KEY_TAB, CtrlL}), CHECK([&] {
             const int w = 38;
             // One file, rounded up to its unit.
             Rows rows = head(w, {"25,165,824K total physical memory", " 8,388,608K free physical memory",
                                  "   102,400M total bytes", "52,428,800K bytes free"},
                              "1 file uses 4,096 bytes in");
             while (rows.size() < 22)
                 rows.push_back(line_at(w, 0, ""));  // no dirinfo, no Dir Info
             rows.push_back("╚" + repeat("═", w) + "╝");
             expect_panel(40, rows, "one file");
             expect_banner(40);
             // Numbers in "Tagged", labels in "Panel".
             EXPECT_EQ(screen_attrs(console, 6, {{0x1B, 'p'}, {0x1E, 't'}}, 1, 33),
                       "tttttttttttpppppppppppppppppppppp");
         })});
}

TEST_F(InfoPanelScreen, SeveralFilesAndDirInfoAt132x50)
{
    t.file("a.txt", 1);
    t.file("b.txt", 4097);
    t.file("empty", 0);
    t.dir("sub");
    t.write("dirinfo", "Notes\tfor\tthis\n" + std::string(100, '=') + "\nlast\n");
    run({KEYS({KEY_TAB, CtrlL}), CHECK([&] {
             const int w = 64;
             // dirinfo itself is a file: 4 files, 3 units + 1 for dirinfo.
             Rows rows = head(w, {"          25,769,803,776 total physical memory", "           8,589,934,592 free physical memory",
                                  "         107,374,182,400 total bytes", "          53,687,091,200 bytes free"},
                              "4 files use 16,384 bytes in");
             rows.push_back(centre(w, " Dir Info "));
             rows.push_back(line_at(w, 1, "Notes   for     this"));  // tabs to the next multiple of 8
             rows.push_back(line_at(w, 1, repeat("=", 63)));         // cut at the frame
             rows.push_back(line_at(w, 1, "last"));
             rows.push_back(line_at(w, 0, ""));
             expect_panel(66, rows, "several files");
             expect_banner(66);
             EXPECT_EQ(screen_text(console, 47, 0, 66), "╚" + repeat("═", w) + "╝");
         })},
        132, 50);
}

TEST_F(InfoPanelScreen, AVanishedDirectoryShowsItsError)
{
    t.dir("gone");
    std::string gone = t.sys("gone");
    run_in("", "gone",
           {KEYS({KEY_TAB, CtrlL}), CHECK([&] {
                EXPECT_NE(screen_text(console, 11, 0, 40).find("file"), std::string::npos);
                ASSERT_EQ(rmdir(gone.c_str()), 0);
            }),
            KEYS({CtrlR}), CHECK([&] {
                const int w = 38;
                expect_panel(40,
                             {"*", "*", line_at(w, 0, ""), line_at(w, 0, ""), line_at(w, 0, ""), "║" + repeat("─", w) + "║",
                              line_at(w, 0, ""), line_at(w, 0, ""),  // no memory, no totals
                              line_at(w, 0, "No such file or directory (2)"), line_at(w, 0, ""), line_at(w, 0, ""),
                              line_at(w, 0, ""), line_at(w, 0, "")},
                             "vanished");
                ASSERT_EQ(mkdir(gone.c_str(), 0755), 0);
            }),
            // Back again: the totals, not the old error.
            KEYS({CtrlR}), CHECK([&] {
                EXPECT_EQ(screen_text(console, 11, 0, 40), centre(38, "0 files use 0 bytes in"));
                EXPECT_EQ(screen_text(console, 8, 0, 40), line_at(38, 0, ""));
            })});
}

TEST_F(InfoPanelScreen, CannotReadDrive)
{
    facts.fail = true;
    run({KEYS({KEY_TAB, CtrlL}), CHECK([&] {
             const int w = 38;
             expect_panel(40,
                          {"*", "*", "*", "*", "*", "*", "*", "*", line_at(w, 0, ""), line_at(w, 0, ""),
                           centre(w, "Cannot read drive"), line_at(w, 0, ""), line_at(w, 0, ""), line_at(w, 0, "")},
                          "no disk facts");
         })});
}

TEST_F(InfoPanelScreen, FollowsTheDescribedPanel)
{
    t.file("a.txt", 10);
    run({KEYS({KEY_TAB, CtrlL}),
         CHECK([&] { EXPECT_EQ(screen_text(console, 11, 0, 40), centre(38, "1 file uses 4,096 bytes in")); }),
         // A file made behind px's back shows after a re-read.
         CHECK([&] { t.file("b.txt", 5000); }), KEYS({CtrlR}),
         CHECK([&] { EXPECT_EQ(screen_text(console, 11, 0, 40), centre(38, "2 files use 12,288 bytes in")); }),
         // Into a subdirectory: the info follows it.
         CHECK([&] { t.dir("sub"); }), KEYS({CtrlR, KEY_DOWN, KEY_RETURN}), CHECK([&] {
             EXPECT_NE(screen_text(console, 12, 0, 40).find("/sub"), std::string::npos) << screen_text(console, 12);
             EXPECT_EQ(screen_text(console, 11, 0, 40), centre(38, "0 files use 0 bytes in"));
         })});
}

TEST_F(InfoPanelScreen, CtrlLTwiceWithTheOtherPanelHiddenAndShown)
{
    t.file("a.txt", 10);
    t.file("b.txt", 10);
    run({KEYS({KEY_TAB, KEY_CTRL_F1}), CHECK([] { EXPECT_FALSE(panel_base[0].showing); }),
         KEYS({CtrlL}), CHECK([] {
             EXPECT_TRUE(panel_base[0].showing);
             EXPECT_EQ(panel_base[0].type, PanelInfo);
             EXPECT_NE(screen_text(console, 0, 0, 40).find(" INFO "), std::string::npos);
         }),
         // Swapped to the right, the info panel still knows it was hidden.
         KEYS({ctrl('U'), CtrlL}), CHECK([] {
             EXPECT_FALSE(panel_base[1].showing);  // hidden again, as it was
             EXPECT_EQ(panel_base[1].type, PanelFiles);
             EXPECT_TRUE(panel_base[0].showing);
         }),
         KEYS({ctrl('U')}), CHECK([] { EXPECT_FALSE(panel_base[0].showing); }),
         // Shown before: Ctrl+L twice gives the list back where it was.
         KEYS({KEY_CTRL_F1, KEY_TAB, KEY_DOWN, KEY_DOWN, KEY_TAB, CtrlL}), CHECK([] {
             EXPECT_EQ(panel_base[0].type, PanelInfo);
             EXPECT_EQ(panel_base[0].CurrentIndex(), 2);
         }),
         KEYS({CtrlL}), CHECK([] {
             EXPECT_TRUE(panel_base[0].showing);
             EXPECT_EQ(panel_base[0].type, PanelFiles);
             EXPECT_EQ(panel_base[0].CurrentIndex(), 2);
             EXPECT_EQ(screen_text(console, 3, 0, 14), "║b.txt        ");
         })});
}

TEST_F(InfoPanelScreen, TabOntoTheInfoPanelAndBackKeepsPositions)
{
    for (const char* name : {"a", "b", "c", "d"})
        t.file(name, 1);
    run({KEYS({KEY_TAB, KEY_DOWN, KEY_DOWN, KEY_DOWN, CtrlL, KEY_TAB}), CHECK([] {
             EXPECT_EQ(currpanel, 0);
             EXPECT_EQ(panel_base[1].CurrentIndex(), 3);
         }),
         // Keys that move a cursor do nothing on the info panel.
         KEYS({KEY_DOWN, KEY_END, KEY_TAB}), CHECK([] {
             EXPECT_EQ(currpanel, 1);
             EXPECT_EQ(panel_base[1].CurrentIndex(), 3);
             EXPECT_EQ(panel_base[0].type, PanelInfo);
             EXPECT_EQ(screen_text(console, 4, 41, 13), "c            ");
         }),
         // Ctrl+L on the info panel itself takes it back to its files.
         KEYS({KEY_TAB, CtrlL}), CHECK([] {
             EXPECT_EQ(panel_base[0].type, PanelFiles);
             EXPECT_EQ(panel_base[1].type, PanelFiles);
         })});
}

TEST_F(InfoPanelScreen, TheMenusInfoDoesWhatCtrlLDoes)
{
    t.file("a.txt", 10);
    // "Info" of the Left menu turns the left panel into an info panel
    // about the right; the Right menu's Info then moves it across.
    run({KEYS({KEY_TAB, MENU_LEFT_INFO}), CHECK([] {
             EXPECT_EQ(panel_base[0].type, PanelInfo);
             EXPECT_EQ(screen_text(console, 11, 0, 40), centre(38, "1 file uses 4,096 bytes in"));
         }),
         KEYS({MENU_RIGHT_INFO}), CHECK([] {
             EXPECT_EQ(panel_base[0].type, PanelFiles);
             EXPECT_EQ(panel_base[1].type, PanelInfo);
             EXPECT_NE(screen_text(console, 0, 40, 40).find(" INFO "), std::string::npos);
         }),
         KEYS({MENU_RIGHT_INFO}), CHECK([] { EXPECT_EQ(panel_base[1].type, PanelFiles); })});
}

// Inside an archive the panel shows the archive's totals, and only the
// compressed one when the uncompressed total is not known.
TEST_F(InfoPanelScreen, ArchiveTotals)
{
    INFO_ARCHIVE known{1000000, 250000, L"/data/a_very_long_archive_name_here.zip", L"ZIP"};
    INFO_ARCHIVE unknown{-1, 250000, L"/data/b.gz", L"GZIP"};
    run({KEYS({KEY_TAB, CtrlL}), CHECK([&] {
             const int w = 38;
             info_panel_draw(0, &known);
             expect_panel(40,
                          {"*", "*", "*", "*", "*", "*", "*", "*", line_at(w, 0, ""),
                           line_at(w, 0, "  1,000,000 total uncompressed"), line_at(w, 0, "    250,000 total compressed"),
                           line_at(w, 0, "      75.0% total compression"), centre(w, t.path),
                           line_at(w, 1, "Archive : a_very_long_archive_name►"), line_at(w, 1, "Type    : ZIP"),
                           line_at(w, 0, ""), line_at(w, 0, "")},
                          "known");
             info_panel_draw(0, &unknown);
             expect_panel(40,
                          {"*", "*", "*", "*", "*", "*", "*", "*", line_at(w, 0, ""), line_at(w, 0, "    250,000 total compressed"),
                           centre(w, t.path), line_at(w, 12, "Archive : b.gz"), line_at(w, 12, "Type    : GZIP"), line_at(w, 0, "")},
                          "unknown");
         })});
}

