#include "config/config.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "fileops/copy_data.h"
#include "panels/panel.h"
#include "panels/tests/panel_tree.h"
#include "tests/screen/px_screen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int F(int n)
{
    return KEY_F1 + n - 1;
}
constexpr int ShiftF(int n)
{
    return KEY_SHIFT_F1 + n - 1;
}

// The number of names in dir, hidden ones included.
int names(const std::string& dir)
{
    int n = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        closedir(d);
    }
    return n;
}

ino_t inode(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// What the commands do to the files and the panels: src in the left
// panel (".." tree a.txt b.txt), dst in the right.
class PanelCommands : public ::testing::Test
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
        copyTestHooks = CopyTestHooks();
    }
    void TearDown() override { copyTestHooks = CopyTestHooks(); }
    PX_RUN run(std::vector<ScreenStep> steps, std::function<void()> settings = {}, std::string right = "")
    {
        std::string l = t.sys("src"), r = right.empty() ? t.sys("dst") : right;
        return run_px({"-l", l.c_str(), "-r", r.c_str()}, std::move(steps), std::move(settings));
    }
    static std::string current()
    {
        const PANEL& p = panel_base[0];
        return p.Count() ? std::string(FileNameToSys(Westring(p.Current()->name)).c_str()) : "";
    }
    // A directory on another file system, when /dev/shm is one.
    static bool other_fs(const TempDir& a, const TempDir& b)
    {
        struct stat x, y;
        return a.ok() && b.ok() && stat(a.path.c_str(), &x) == 0 && stat(b.path.c_str(), &y) == 0 &&
               x.st_dev != y.st_dev;
    }

    PanelTree t;
};

}

TEST_F(PanelCommands, TaggedCopyUntagsWhatItCopied)
{
    int tagged_after = -1;
    bool marked = false;
    run({KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(5)}), KEYS({KEY_RETURN}), CHECK([&] {
             tagged_after = panel_base[0].tagged_count;
             for (int i = 0; i < panel_base[0].Count(); i++)
                 marked |= panel_base[0].entries[i]->last_op != 0;
         })});
    EXPECT_EQ(t.read("dst/tree/inner").size(), 300u);
    EXPECT_EQ(t.read("dst/a.txt").size(), 1000u);
    EXPECT_FALSE(t.exists("dst/b.txt"));
    EXPECT_EQ(tagged_after, 0);
    EXPECT_TRUE(marked) << "the processed mark for Alt+Grey +";
}

TEST_F(PanelCommands, RenameInPlaceKeepsTheInodeAndTheCursor)
{
    ino_t before = inode(t.sys("src/a.txt"));
    std::string on;
    std::vector<int> keys{KEY_DOWN, KEY_DOWN, ShiftF(6)};
    for (int k : type_keys("z.txt"))
        keys.push_back(k);
    keys.push_back(KEY_RETURN);
    run({KEYS(keys), CHECK([&] { on = current(); })});
    EXPECT_EQ(on, "z.txt");
    EXPECT_EQ(inode(t.sys("src/z.txt")), before);
    EXPECT_FALSE(t.exists("src/a.txt"));
}

TEST_F(PanelCommands, MoveAcrossFileSystems)
{
    TempDir shm("/dev/shm");
    if (!other_fs(t, shm))
        GTEST_SKIP() << "/dev/shm is not another file system here";
    run({KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(6)}), KEYS({KEY_RETURN})}, {}, shm.path);
    EXPECT_EQ(shm.read("a.txt").size(), 1000u);
    EXPECT_EQ(shm.read("tree/inner").size(), 300u);
    EXPECT_FALSE(t.exists("src/a.txt"));
    EXPECT_FALSE(t.exists("src/tree")) << "the emptied source tree is gone";
    EXPECT_TRUE(t.exists("src/b.txt"));
}

TEST_F(PanelCommands, EscStopsAnOverwriteAndKeepsTheOldTarget)
{
    std::string big(4 << 20, 'n');
    t.write("src/a.txt", big);
    t.write("dst/a.txt", "OLD");
    copyTestHooks.delayMs = 5;
    // Overwrite, and the Esc already waiting when the copy starts.
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}), KEYS({'y', KEY_ESC})});
    EXPECT_EQ(t.read("dst/a.txt"), "OLD");
    EXPECT_EQ(names(t.sys("dst")), 1) << "no temporary is left";
    EXPECT_EQ(t.read("src/a.txt").size(), big.size());
}

TEST_F(PanelCommands, ConfirmationsOffAskNothing)
{
    run({KEYS({KEY_DOWN, KEY_INS, KEY_INS, F(8)}), CHECK([] {})},
        [] { config.Confirmations = 23 | ConfirmQuit; });
    EXPECT_FALSE(t.exists("src/tree"));
    EXPECT_FALSE(t.exists("src/a.txt"));
    EXPECT_TRUE(t.exists("src/b.txt"));
}

TEST_F(PanelCommands, UpDirIsNeverDeleted)
{
    run({KEYS({F(8)}), CHECK([] {})}, [] { config.Confirmations = 23 | ConfirmQuit; });
    EXPECT_TRUE(t.exists("src"));
    EXPECT_TRUE(t.exists("src/a.txt"));
}

TEST_F(PanelCommands, ASourceWrittenMeanwhileIsAskedAbout)
{
    t.write("src/a.txt", std::string(1 << 20, 'w'));
    copyTestHooks.delayMs = 2;
    std::atomic<bool> writing{true};
    // Rewrites one byte in place, so the size stays and ctime moves.
    std::thread writer([&] {
        int fd = open(t.sys("src/a.txt").c_str(), O_WRONLY);
        while (writing && fd >= 0) {
            if (pwrite(fd, "w", 1, 0) != 1)
                break;
            std::this_thread::yield();
        }
        if (fd >= 0)
            close(fd);
    });
    bool asked = false;
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN}),
         CHECK([&] { asked = screen_row_of("File is open for writing, copy anyway?") >= 0; }), KEYS({'s'})});
    writing = false;
    writer.join();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(t.exists("dst/a.txt")) << "Skip leaves no copy";
}

TEST_F(PanelCommands, ADeepTargetOf1500Characters)
{
    std::string deep = "dst";
    while (deep.size() < 1500) {
        deep += "/" + std::string(100, 'd');
        ASSERT_EQ(mkdir(t.sys(deep).c_str(), 0755), 0);
    }
    run({KEYS({KEY_DOWN, KEY_DOWN, F(5)}), KEYS({KEY_RETURN})}, {}, t.sys(deep));
    EXPECT_EQ(t.read(deep + "/a.txt").size(), 1000u);
}

TEST_F(PanelCommands, AMoveKeepsASourceWrittenMeanwhile)
{
    TempDir shm("/dev/shm");
    if (!other_fs(t, shm))
        GTEST_SKIP() << "/dev/shm is not another file system here";
    t.write("src/a.txt", std::string(1 << 20, 'w'));
    copyTestHooks.delayMs = 2;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        int fd = open(t.sys("src/a.txt").c_str(), O_WRONLY);
        while (writing && fd >= 0) {
            if (pwrite(fd, "w", 1, 0) != 1)
                break;
            std::this_thread::yield();
        }
        if (fd >= 0)
            close(fd);
    });
    // "Copy anyway": the copy is made, and the source stays.
    run({KEYS({KEY_DOWN, KEY_DOWN, F(6)}), KEYS({KEY_RETURN}), KEYS({'y'})}, {}, shm.path);
    writing = false;
    writer.join();
    EXPECT_EQ(shm.read("a.txt").size(), 1u << 20);
    EXPECT_TRUE(t.exists("src/a.txt"));
}
