#include "config/config.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "fileops/copy_data.h"
#include "fileops/copy_status.h"
#include "foundation/time_stamp.h"
#include "tests/screen/screen_fixture.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int ctrl(char letter)
{
    return KEY_CTRL_A + letter - 'A';
}
constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}
constexpr int ShiftF(int n)
{
    return KEY_SHIFT_F1 + n - 1;
}

// Two directories under a scratch directory of a fixed length in /tmp:
// src (left panel) and dst (right panel). Rows are compared with the
// scratch directory's random part masked, so they hold wherever the
// tests run.
class CopyMoveScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        t.dir("src");
        t.dir("dst");
        t.file("src/a.txt", 1000);
        t.file("src/b.txt", 2000);
        t.dir("src/tree");
        t.file("src/tree/inner", 300);
    }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {})
    {
        std::string l = t.sys("src"), r = t.sys("dst");
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
    }
    // Row y, cells x .. x + w - 1, the scratch directory masked.
    std::string at(int y, int x = 0, int w = 80) const
    {
        std::string s = screen_text(console, y, x, w);
        size_t p;
        while ((p = s.find(t.path)) != std::string::npos)
            s.replace(p, t.path.size(), "/tmp/pxfileops.XXXXXX");
        return s;
    }
    // Keeps rows y1 .. y2 of the screen as they are now.
    std::function<void()> keep(std::vector<std::string>& rows, int y1, int y2, int x = 0, int w = 80)
    {
        return [this, &rows, y1, y2, x, w] {
            for (int y = y1; y <= y2; y++)
                rows.push_back(at(y, x, w));
        };
    }
    static void dump(const std::vector<std::string>& rows)
    {
        for (const std::string& r : rows)
            std::printf("%s|\n", r.c_str());
    }

    PanelTree t{"/tmp"};
};

}

using Rows = std::vector<std::string>;

TEST_F(CopyMoveScreen, CopyDialogs)
{
    Rows single, tagged;
    // ".." tree a.txt b.txt: the cursor on a.txt.
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), CHECK(keep(single, 5, 11, 2, 76)), KEYS({KEY_ESC}),
         KEYS({KEY_INS, F(6)}), CHECK(keep(tagged, 5, 13, 2, 76)), KEYS({KEY_ESC})});
    EXPECT_EQ(single, (Rows{
        "╔══════════════════════════════════════════════════════════════════════════╗",
        "║Copy \"a.txt\" to                                                           ║",
        "║ /tmp/pxfileops.XXXXXX/dst/a.txt                                         ↓║",
        "║                                                                          ║",
        "║                                                                          ║",
        "║              [ OK ]  [ Cancel ]  [ F10-Tree ]  [ Dir Hist ]              ║",
        "╚══════════════════════════════════════════════════════════════════════════╝",
    }));
    // One tagged entry: "file" and a blank, so two blanks before "to".
    EXPECT_EQ(tagged, (Rows{
        "╔══════════════════════════════════════════════════════════════════════════╗",
        "║Move 1 file  to                                                           ║",
        "║ /tmp/pxfileops.XXXXXX/dst/                                              ↓║",
        "║                                                                          ║",
        "║ Overwrite (•) Ask    ( ) Always ( ) Never  ( ) If Older                  ║",
        "║                                                                          ║",
        "║                                                                          ║",
        "║              [ OK ]  [ Cancel ]  [ F10-Tree ]  [ Dir Hist ]              ║",
        "╚══════════════════════════════════════════════════════════════════════════╝",
    }));
}

TEST_F(CopyMoveScreen, CopyDialogKeys)
{
    // Alt+D takes the directory away and puts it back; Alt+\ only beeps
    // for now; the copy lands in the other panel.
    std::string cut, back;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5), KEY_ALT_D}), CHECK([&] { cut = at(7, 4, 40); }),
         KEYS({F(5), KEY_ALT_BACKSLASH}), CHECK([&] { back = at(7, 4, 40); }), KEYS({KEY_RETURN}),
         CHECK([&] {})});
    EXPECT_EQ(cut, "a.txt" + std::string(35, ' '));
    EXPECT_EQ(back, "/tmp/pxfileops.XXXXXX/dst/a.txt         ");
    EXPECT_TRUE(t.exists("dst/a.txt"));
}

TEST_F(CopyMoveScreen, OverwriteQuestion)
{
    t.file("dst/a.txt", 5);
    Rows box;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}), CHECK(keep(box, 6, 10, 7, 66)), KEYS({'s'})});
    EXPECT_EQ(box, (Rows{
        "╔════════════════════════════════════════════════════════════════╗",
        "║                File already exists, Overwrite?                 ║",
        "║                /tmp/pxfileops.XXXXXX/dst/a.txt                 ║",
        "║ [ OK ]  [ Cancel ]  [ Skip ]  [ All ]  [ None ]  [ All Older ] ║",
        "╚════════════════════════════════════════════════════════════════╝",
    }));
    struct stat st;
    ASSERT_EQ(stat(t.sys("dst/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 5) << "Skip kept the target";
}

TEST_F(CopyMoveScreen, DeleteDialogs)
{
    Rows file, dir, tagged, second;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(8)}), CHECK(keep(file, 9, 14, 27, 26)), KEYS({KEY_ESC}),
         KEYS({KEY_UP, F(8)}), CHECK(keep(dir, 8, 15, 17, 46)), KEYS({KEY_ESC}),
         KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(8)}), CHECK(keep(tagged, 8, 15, 17, 46)), KEYS({KEY_RETURN}),
         CHECK(keep(second, 6, 11, 19, 42)), KEYS({KEY_ESC})});
    EXPECT_EQ(file, (Rows{
        "╔════════════════════════╗",
        "║ Do you wish to delete  ║",
        "║         a.txt          ║",
        "║                        ║",
        "║   [ OK ]  [ Cancel ]   ║",
        "╚════════════════════════╝",
    }));
    EXPECT_EQ(dir, (Rows{
        "╔════════════════════════════════════════════╗",
        "║           Do you wish to delete            ║",
        "║                    tree                    ║",
        "║                                            ║",
        "║ Delete Read Only: (•) Ask ( ) All ( ) None ║",
        "║                                            ║",
        "║             [ OK ]  [ Cancel ]             ║",
        "╚════════════════════════════════════════════╝",
    }));
    EXPECT_EQ(tagged[1], "║         You have selected 2 files          ║");
    EXPECT_EQ(tagged[2], "║                  Delete?                   ║");
    EXPECT_EQ(second, (Rows{
        "╔════════════════════════════════════════╗",
        "║ You are deleting 2 selected files from ║",
        "║       /tmp/pxfileops.XXXXXX/src        ║",
        "║                                        ║",
        "║           [ OK ]   [ Cancel ]          ║",
        "╚════════════════════════════════════════╝",
    }));
    EXPECT_TRUE(t.exists("src/a.txt") && t.exists("src/b.txt") && t.exists("src/tree"));
}

TEST_F(CopyMoveScreen, TreeQuestions)
{
    Rows typed, buttons;
    bool kept_after_yes = false;
    run({KEYS({KEY_DOWN, F(8)}), KEYS({KEY_RETURN}), CHECK(keep(typed, 6, 12, 23, 34)),
         KEYS(type_keys("yes")), KEYS({KEY_RETURN}), CHECK([&] { kept_after_yes = t.exists("src/tree"); })});
    run({KEYS({KEY_DOWN, F(8)}), KEYS({KEY_RETURN}), CHECK(keep(buttons, 6, 12, 23, 34)), KEYS({'y'})},
        [] { config.Confirmations |= ConfirmYesPrompt; });
    EXPECT_EQ(typed, (Rows{
        "╔════════════════════════════════╗",
        "║           Directory            ║",
        "║ /tmp/pxfileops.XXXXXX/src/tree ║",
        "║          is not empty          ║",
        "║          Delete tree?          ║",
        "║        Type \"YES\"              ║",
        "╚════════════════════════════════╝",
    }));
    EXPECT_TRUE(kept_after_yes) << "lower-case yes refuses";
    EXPECT_EQ(buttons[5], "║  [ OK ]  [ Cancel ]  [ All ]   ║");
    EXPECT_FALSE(t.exists("src/tree")) << "OK deleted the tree";
}

TEST_F(CopyMoveScreen, DeleteTypedPath)
{
    Rows ask, confirm;
    run({KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, ShiftF(8)}), CHECK(keep(ask, 6, 12, 2, 76)), KEYS({KEY_RETURN}),
         CHECK(keep(confirm, 6, 11, 22, 36)), KEYS({KEY_RETURN})});
    EXPECT_EQ(ask, (Rows{
        "╔══════════════════════════════════════════════════════════════════════════╗",
        "║Delete the file:                                                          ║",
        "║                                                                          ║",
        "║ b.txt                                                                    ║",
        "║                                                                          ║",
        "║                            [ OK ]  [ Cancel ]                            ║",
        "╚══════════════════════════════════════════════════════════════════════════╝",
    }));
    EXPECT_EQ(confirm, (Rows{
        "╔══════════════════════════════════╗",
        "║      Do you wish to delete       ║",
        "║ /tmp/pxfileops.XXXXXX/src/b.txt  ║",
        "║                                  ║",
        "║        [ OK ]  [ Cancel ]        ║",
        "╚══════════════════════════════════╝",
    }));
    EXPECT_FALSE(t.exists("src/b.txt"));
    EXPECT_TRUE(t.exists("src/a.txt"));
}

TEST_F(CopyMoveScreen, ReadingDirectories)
{
    Rows box;
    std::string size;
    run({KEYS({KEY_DOWN, ctrl('Q')}), CHECK(keep(box, 5, 12, 13, 54)), KEYS({KEY_RETURN}),
         CHECK([&] { size = at(2, 15, 8); })},
        [] { config.SizeCountPause = true; });
    EXPECT_EQ(box, (Rows{
        "╔═══════════════ Reading Directories ════════════════╗",
        "║ /tmp/pxfileops.XXXXXX/src/tree                     ║",
        "║                                                    ║",
        "║ Directories: 0   Files: 1                          ║",
        "║ Total Size: 300                                    ║",
        "║                                                    ║",
        "║                      [ OK ]                        ║",
        "╚════════════════════════════════════════════════════╝",
    }));
    EXPECT_EQ(size, "     300") << "the directory shows its size";
}

namespace {

double fixed_clock()
{
    return 104.0;
}

class ProgressWindow : public ScreenTest
{
};

}

TEST_F(ProgressWindow, DrawsNamesCounterBarAndTimes)
{
    copy_status::clock = fixed_clock;
    Rows rows;
    {
        copy_status status;
        status.ShowItem(L"Copying", L"/home/u/src/a.txt", L"/home/u/dst/a.txt", 2, 5);
        status.total = 1000;
        status.done = 250;
        status.start_time = 100.0;
        status.ProgressUpdate();
        for (int y = 4; y <= 12; y++)
            rows.push_back(screen_text(console, y, 18, 44));
        // The same texts again write nothing.
        display.paints.clear();
        status.ProgressUpdate();
        EXPECT_TRUE(display.paints.empty());
        // A moved item's names are cut to their ends.
        status.ShowItem(L"Moving", L"/x/" + String(L'n', 100), L"/y/b", 1, 1);
        status.ProgressUpdate();
        EXPECT_EQ(screen_text(console, 5, 1, 78).find("Moving"), 38u);
        EXPECT_EQ(screen_text(console, 6, 1, 78), "..║ " + std::string(70, 'n') + " ║..");
    }
    copy_status::clock = GetRelativeTime;
    EXPECT_EQ(rows, (Rows{
        "╔══════════════════════════════════════════╗",
        "║                 Copying                  ║",
        "║            /home/u/src/a.txt             ║",
        "║                    to                    ║",
        "║            /home/u/dst/a.txt             ║",
        "║                 (2 of 5)                 ║",
        "║ ██████████░░░░░░░░░░░░░░░░░░░░░░░░░░░░░░ ║",
        "║   Time: 0:04  BPS:      62  ETA: 0:12    ║",
        "╚══════════════════════════════════════════╝",
    }));
    EXPECT_EQ(screen_text(console, 8, 18, 44), std::string(44, '.')) << "closed, the screen is restored";
}
