#include "fileops/copy_data.h"
#include "fileops/copy_status.h"
#include "foundation/time_stamp.h"
#include "tests/screen/screen_fixture.h"
#include "tests/screen/screen_helpers.h"

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// src (left panel: ".." tree a.txt b.txt) and dst (right panel) in a
// scratch directory in /tmp.
class CopyMoveScreen : public PanelsScreen
{
protected:
    void SetUp() override
    {
        PanelsScreen::SetUp();
        t.dir("src");
        t.dir("dst");
        t.file("src/a.txt", 1000);
        t.file("src/b.txt", 2000);
        t.dir("src/tree");
        t.file("src/tree/inner", 300);
        copyTestHooks = CopyTestHooks();
    }
    void TearDown() override { copyTestHooks = CopyTestHooks(); }
    static std::string current()
    {
        const PANEL& p = panel_base[0];
        return p.Count() ? std::string(FileNameToSys(Westring(p.Current()->name)).c_str()) : "";
    }
    // Whether dir is on another file system than the scratch directory.
    bool other_fs(const TempDir& dir) const
    {
        struct stat x, y;
        return dir.ok() && stat(t.path.c_str(), &x) == 0 && stat(dir.path.c_str(), &y) == 0 && x.st_dev != y.st_dev;
    }
    // Rewrites the first byte of src/a.txt in place until the run ends: its
    // size stays and its ctime moves.
    PX_RUN run_while_written(const std::string& right, std::vector<ScreenStep> steps)
    {
        t.write("src/a.txt", std::string(1 << 20, 'w'));
        copyTestHooks.delayMs = 2;
        std::atomic<bool> writing{true};
        std::thread writer([&] {
            int fd = open(t.sys("src/a.txt").c_str(), O_WRONLY);
            while (writing && fd >= 0 && pwrite(fd, "w", 1, 0) == 1)
                std::this_thread::yield();
            if (fd >= 0)
                close(fd);
        });
        PX_RUN r = run_in(left_dir, right, std::move(steps));
        writing = false;
        writer.join();
        return r;
    }
};

}

TEST_F(CopyMoveScreen, CopyDialogs)
{
    Rows single, tagged;
    // ".." tree a.txt b.txt: the cursor on a.txt.
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), CHECK(keep(single, 5, 11, 2, 76)), KEYS({KEY_ESC}),
         KEYS({KEY_INS, F(6)}), CHECK(keep(tagged, 5, 13, 2, 76)), KEYS({KEY_ESC})});
    const std::string buttons = pad("", 14) + "[ OK ]  [ Cancel ]  [ F10-Tree ]  [ Dir Hist ]";
    EXPECT_EQ(single, framed(74, {"Copy \"a.txt\" to", pad(" /tmp/pxfileops.XXXXXX/dst/a.txt", 73) + "↓", "", "",
                                  buttons}));
    // One tagged entry: "file" and a blank, so two blanks before "to".
    EXPECT_EQ(tagged, framed(74, {"Move 1 file  to", pad(" /tmp/pxfileops.XXXXXX/dst/", 73) + "↓", "",
                                  " Overwrite (•) Ask    ( ) Always ( ) Never  ( ) If Older", "", "", buttons}));
}

TEST_F(CopyMoveScreen, CopyDialogKeys)
{
    // Alt+D takes the directory away and puts it back; Alt+\ only beeps
    // for now; the copy lands in the other panel.
    std::string cut, back;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5), KEY_ALT_D}), CHECK([&] { cut = at(7, 4, 40); }),
         KEYS({F(5), KEY_ALT_BACKSLASH}), CHECK([&] { back = at(7, 4, 40); }), KEYS({KEY_RETURN}), CHECK([] {})});
    EXPECT_EQ(cut, pad("a.txt", 40));
    EXPECT_EQ(back, pad("/tmp/pxfileops.XXXXXX/dst/a.txt", 40));
    EXPECT_TRUE(t.exists("dst/a.txt"));
}

TEST_F(CopyMoveScreen, OverwriteQuestion)
{
    t.file("dst/a.txt", 5);
    Rows box;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}), CHECK(keep(box, 6, 10, 7, 66)), KEYS({'s'})});
    EXPECT_EQ(box, framed(64, {"                File already exists, Overwrite?",
                               "                /tmp/pxfileops.XXXXXX/dst/a.txt",
                               " [ OK ]  [ Cancel ]  [ Skip ]  [ All ]  [ None ]  [ All Older ]"}));
    EXPECT_EQ(t.read("dst/a.txt").size(), 5u) << "Skip kept the target";
}

TEST_F(CopyMoveScreen, DeleteDialogs)
{
    Rows file, dir, tagged, second;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(8)}), CHECK(keep(file, 9, 14, 27, 26)), KEYS({KEY_ESC}),
         KEYS({KEY_UP, F(8)}), CHECK(keep(dir, 8, 15, 17, 46)), KEYS({KEY_ESC}),
         KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(8)}), CHECK(keep(tagged, 9, 10, 17, 46)), KEYS({KEY_RETURN}),
         CHECK(keep(second, 6, 11, 19, 42)), KEYS({KEY_ESC})});
    EXPECT_EQ(file, framed(24, {" Do you wish to delete", "         a.txt", "", "   [ OK ]  [ Cancel ]"}));
    EXPECT_EQ(dir, framed(44, {"           Do you wish to delete", "                    tree", "",
                               " Delete Read Only: (•) Ask ( ) All ( ) None", "", "             [ OK ]  [ Cancel ]"}));
    EXPECT_EQ(tagged, (Rows{"║         You have selected 2 files          ║",
                            "║                  Delete?                   ║"}));
    EXPECT_EQ(second, framed(40, {" You are deleting 2 selected files from", "       /tmp/pxfileops.XXXXXX/src", "",
                                  "           [ OK ]   [ Cancel ]"}));
    EXPECT_TRUE(t.exists("src/a.txt") && t.exists("src/b.txt") && t.exists("src/tree"));
}

TEST_F(CopyMoveScreen, TreeQuestions)
{
    Rows typed_yes, buttons;
    bool kept_after_yes = false;
    run({KEYS({KEY_DOWN, F(8)}), KEYS({KEY_RETURN}), CHECK(keep(typed_yes, 6, 12, 23, 34)),
         KEYS(type_keys("yes")), KEYS({KEY_RETURN}), CHECK([&] { kept_after_yes = t.exists("src/tree"); })});
    run({KEYS({KEY_DOWN, F(8)}), KEYS({KEY_RETURN}), CHECK(keep(buttons, 11, 11, 23, 34)), KEYS({'y'})},
        [] { config.Confirmations |= ConfirmYesPrompt; });
    EXPECT_EQ(typed_yes, framed(32, {"           Directory", " /tmp/pxfileops.XXXXXX/src/tree", "          is not empty",
                                     "          Delete tree?", "        Type \"YES\""}));
    EXPECT_TRUE(kept_after_yes) << "lower-case yes refuses";
    EXPECT_EQ(buttons, Rows{"║  [ OK ]  [ Cancel ]  [ All ]   ║"});
    EXPECT_FALSE(t.exists("src/tree")) << "OK deleted the tree";
}

TEST_F(CopyMoveScreen, DeleteTypedPath)
{
    Rows ask, confirm;
    run({KEYS({KEY_DOWN, KEY_DOWN, KEY_DOWN, ShiftF(8)}), CHECK(keep(ask, 6, 12, 2, 76)), KEYS({KEY_RETURN}),
         CHECK(keep(confirm, 6, 11, 22, 36)), KEYS({KEY_RETURN})});
    EXPECT_EQ(ask, framed(74, {"Delete the file:", "", " b.txt", "", pad("", 28) + "[ OK ]  [ Cancel ]"}));
    EXPECT_EQ(confirm, framed(34, {"      Do you wish to delete", " /tmp/pxfileops.XXXXXX/src/b.txt", "",
                                   "        [ OK ]  [ Cancel ]"}));
    EXPECT_FALSE(t.exists("src/b.txt"));
    EXPECT_TRUE(t.exists("src/a.txt"));
}

// What the commands do to the files and the panels.

TEST_F(CopyMoveScreen, TaggedCopyUntagsWhatItCopiedAndAltGreyPlusTagsItAgain)
{
    auto tagged = [] {
        std::string s;
        for (int i = 0; i < panel_base[0].Count(); i++)
            if (panel_base[0].entries[i]->tagged)
                s += std::string(FileNameToSys(Westring(panel_base[0].entries[i]->name)).c_str()) + " ";
        return s;
    };
    run({KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(5)}), KEYS({KEY_RETURN}), CHECK([&] { EXPECT_EQ(tagged(), ""); }),
         // Restore selection: what the last operation processed.
         KEYS({KEY_DOWN, KEY_INS, KEY_ALT_GREY_PLUS}), CHECK([&] { EXPECT_EQ(tagged(), "tree a.txt "); })});
    EXPECT_EQ(t.read("dst/tree/inner").size(), 300u);
    EXPECT_EQ(t.read("dst/a.txt").size(), 1000u);
    EXPECT_FALSE(t.exists("dst/b.txt"));
}

TEST_F(CopyMoveScreen, RenameInPlaceKeepsTheInodeAndTheCursor)
{
    struct stat before, after;
    ASSERT_EQ(lstat(t.sys("src/a.txt").c_str(), &before), 0);
    std::string on;
    run({KEYS(typed({KEY_DOWN, KEY_DOWN, ShiftF(6)}, "z.txt", {KEY_RETURN})), CHECK([&] { on = current(); })});
    EXPECT_EQ(on, "z.txt");
    ASSERT_EQ(lstat(t.sys("src/z.txt").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_FALSE(t.exists("src/a.txt"));
}

TEST_F(CopyMoveScreen, MoveAcrossFileSystems)
{
    TempDir shm("/dev/shm");
    if (!other_fs(shm))
        GTEST_SKIP() << "/dev/shm is not another file system here";
    run_in(left_dir, shm.path, {KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(6)}), KEYS({KEY_RETURN})});
    EXPECT_EQ(shm.read("a.txt").size(), 1000u);
    EXPECT_EQ(shm.read("tree/inner").size(), 300u);
    EXPECT_FALSE(t.exists("src/a.txt"));
    EXPECT_FALSE(t.exists("src/tree")) << "the emptied source tree is gone";
    EXPECT_TRUE(t.exists("src/b.txt"));
}

TEST_F(CopyMoveScreen, EscStopsAnOverwriteAndKeepsTheOldTarget)
{
    std::string big(4 << 20, 'n');
    t.write("src/a.txt", big);
    t.write("dst/a.txt", "OLD");
    copyTestHooks.delayMs = 5;
    // Overwrite, and the Esc already waiting when the copy starts.
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}), KEYS({'y', KEY_ESC})});
    EXPECT_EQ(t.read("dst/a.txt"), "OLD");
    EXPECT_EQ(names_in(t.sys("dst")), "a.txt") << "no temporary is left";
    EXPECT_EQ(t.read("src/a.txt").size(), big.size());
}

TEST_F(CopyMoveScreen, ConfirmationsOffAskNothingAndUpDirIsNeverDeleted)
{
    auto unasked = [] { config.Confirmations = 23 | ConfirmQuit; };
    run({KEYS({F(8)}), CHECK([] {})}, unasked);
    EXPECT_TRUE(t.exists("src/a.txt"));
    run({KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(8)}), CHECK([] {})}, unasked);
    EXPECT_FALSE(t.exists("src/tree"));
    EXPECT_FALSE(t.exists("src/a.txt"));
    EXPECT_TRUE(t.exists("src/b.txt"));
}

TEST_F(CopyMoveScreen, ASourceWrittenMeanwhileIsAskedAbout)
{
    bool asked = false;
    run_while_written(right_dir, {KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}),
                              CHECK([&] { asked = screen_row_of("File is open for writing, copy anyway?") >= 0; }),
                              KEYS({'s'})});
    EXPECT_TRUE(asked);
    EXPECT_FALSE(t.exists("dst/a.txt")) << "Skip leaves no copy";
}

TEST_F(CopyMoveScreen, AMoveKeepsASourceWrittenMeanwhile)
{
    TempDir shm("/dev/shm");
    if (!other_fs(shm))
        GTEST_SKIP() << "/dev/shm is not another file system here";
    // "Copy anyway": the copy is made, and the source stays.
    run_while_written(shm.path, {KEYS({KEY_DOWN, KEY_DOWN, F(6)}), KEYS({KEY_RETURN}), KEYS({'y'})});
    EXPECT_EQ(shm.read("a.txt").size(), 1u << 20);
    EXPECT_TRUE(t.exists("src/a.txt"));
}

TEST_F(CopyMoveScreen, ADeepTargetOf1500Characters)
{
    std::string deep = "dst";
    while (deep.size() < 1500) {
        deep += "/" + std::string(100, 'd');
        ASSERT_EQ(mkdir(t.sys(deep).c_str(), 0755), 0);
    }
    run_in(left_dir, deep, {KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN})});
    EXPECT_EQ(t.read(deep + "/a.txt").size(), 1000u);
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
    EXPECT_EQ(rows, framed(42, {"                 Copying", "            /home/u/src/a.txt", "                    to",
                                "            /home/u/dst/a.txt", "                 (2 of 5)",
                                " " + repeat("█", 10) + repeat("░", 30), "   Time: 0:04  BPS:      62  ETA: 0:12"}));
    EXPECT_EQ(screen_text(console, 8, 18, 44), std::string(44, '.')) << "closed, the screen is restored";
}
