#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// n cells of a snapshot row from cell x (UTF-8 in, UTF-8 out).
std::string cells(const std::string& row, int x, int n)
{
    size_t i = 0;
    auto skip = [&] {
        i++;
        while (i < row.size() && (static_cast<unsigned char>(row[i]) & 0xC0) == 0x80)
            i++;
    };
    for (int k = 0; k < x && i < row.size(); k++)
        skip();
    size_t from = i;
    for (int k = 0; k < n && i < row.size(); k++)
        skip();
    return row.substr(from, i - from);
}

bool shows(const CWindowHarness::Snapshot& s, const std::string& text)
{
    for (const std::string& r : s.rows)
        if (r.find(text) != std::string::npos)
            return true;
    return false;
}

// The name on the status line of a panel (x 0 or 40).
std::string status(const CWindowHarness::Snapshot& s, int x)
{
    std::string t = cells(s.rows[21], x + 1, 12);
    return t.substr(0, t.find_last_not_of(' ') + 1);
}

// A scratch tree: A (left panel) and B (right panel).
class CopyMoveWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxcopywin.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        ASSERT_EQ(mkdir((root + "/A").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((root + "/B").c_str(), 0755), 0);
    }
    void TearDown() override
    {
        unsetenv("PX_TEST_COPY_DELAY_MS");
        if (!mounted.empty())
            umount2(mounted.c_str(), MNT_DETACH);
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    void write(const std::string& name, const std::string& text, mode_t mode = 0644)
    {
        std::ofstream(root + name) << text;
        ASSERT_EQ(chmod((root + name).c_str(), mode), 0);
    }
    std::string read(const std::string& name) const
    {
        std::ifstream f(root + name);
        std::stringstream s;
        s << f.rdbuf();
        return f ? s.str() : "<missing>";
    }
    bool exists(const std::string& name) const
    {
        struct stat st;
        return lstat((root + name).c_str(), &st) == 0;
    }
    int count(const std::string& dir) const
    {
        int n = 0;
        if (DIR* d = opendir((root + dir).c_str())) {
            while (dirent* e = readdir(d))
                n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
            closedir(d);
        }
        return n;
    }
    bool start(const std::string& right = "/B")
    {
        if (!h.StartDisplay())
            return false;
        EXPECT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root + "/A", "-r", root + right}));
        EXPECT_TRUE(h.WaitWindow());
        return true;
    }
    // Presses keys, then waits until the snapshot satisfies pred.
    void step(const std::string& keys, const std::function<bool(const CWindowHarness::Snapshot&)>& pred,
              const char* what)
    {
        std::istringstream each(keys);
        std::string key;
        while (each >> key)
            ASSERT_TRUE(h.Key(key)) << what << ": " << key;
        EXPECT_TRUE(h.WaitSnapshot(pred, s)) << what << "\n" << dump();
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    void quit()
    {
        ASSERT_TRUE(h.Key("F10"));
        step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(10000), 0);
    }
    // A left click on the key bar's slot (0-9).
    void click_key_bar(int slot)
    {
        int x = (slot * 8 + 3) * h.CellWidth() + h.CellWidth() / 2;
        int y = 24 * h.CellHeight() + h.CellHeight() / 2;
        ASSERT_TRUE(h.Xdotool({"mousemove", "--window", std::to_string(h.Window()), "--sync", std::to_string(x),
                               std::to_string(y), "click", "1"}));
    }

    std::string root, mounted;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

// One run shows each key reaching its command: F5 with its proposal and a
// faithful copy, a tagged tree with links, Shift+F6 in place, Ctrl+Q, the
// key bar's F8, and the typed YES of a tree deletion.
TEST_F(CopyMoveWindow, CopyMoveAndDeleteByKey)
{
    write("/A/c.txt", std::string(3000, 'c'), 0640);
    struct timespec ts[2] = {{2000000000, 123456789}, {2000000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (root + "/A/c.txt").c_str(), ts, 0), 0);
    ASSERT_EQ(mkdir((root + "/A/tree").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root + "/A/tree/private").c_str(), 0750), 0);
    write("/A/tree/private/f", "inside");
    ASSERT_EQ(symlink("private/f", (root + "/A/tree/rel").c_str()), 0);
    ASSERT_EQ(symlink("/nowhere/at/all", (root + "/A/tree/dangling").c_str()), 0);
    if (!start())
        GTEST_SKIP() << h.Missing();
    // ".." tree c.txt
    step("", [](const auto& s) { return status(s, 0) == ".."; }, "start");
    step("End F5", [](const auto& s) { return shows(s, "Copy \"c.txt\" to"); }, "F5");
    EXPECT_TRUE(shows(s, root + "/B/c.txt")) << "the proposal names the other panel";
    step("Return", [](const auto& s) { return cells(s.rows[2], 41, 5) == "c.txt"; }, "copied");
    struct stat st;
    ASSERT_EQ(stat((root + "/B/c.txt").c_str(), &st), 0);
    EXPECT_EQ(read("/B/c.txt"), std::string(3000, 'c'));
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 2000000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);

    // The tree, tagged.
    step("Up Insert F5", [](const auto& s) { return shows(s, "Copy 1 file  to"); }, "F5 tagged");
    step("Return", [](const auto& s) { return cells(s.rows[2], 41, 4) == "tree"; }, "tree copied");
    char buf[256];
    ssize_t n = readlink((root + "/B/tree/rel").c_str(), buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "private/f");
    n = readlink((root + "/B/tree/dangling").c_str(), buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "/nowhere/at/all");
    ASSERT_EQ(stat((root + "/B/tree/private").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(read("/B/tree/private/f"), "inside");

    // Shift+F6 renames in place; the cursor follows the name.
    ASSERT_EQ(stat((root + "/A/c.txt").c_str(), &st), 0);
    ino_t inode = st.st_ino;
    step("End shift+F6", [](const auto& s) { return shows(s, "Move/Rename \"c.txt\" to"); }, "Shift+F6");
    ASSERT_TRUE(h.Type("d.txt"));
    step("Return", [](const auto& s) { return status(s, 0) == "d.txt"; }, "renamed");
    ASSERT_EQ(stat((root + "/A/d.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_mtim.tv_sec, 2000000000);

    // Ctrl+Q: the directory shows what it holds.
    step("Up ctrl+q", [](const auto& s) { return cells(s.rows[2], 15, 8) == "       6"; }, "Ctrl+Q");

    // The key bar's slot 8 is F8; Esc keeps the tree, YES deletes it.
    click_key_bar(7);
    step("", [](const auto& s) { return shows(s, "Do you wish to delete"); }, "key-bar F8");
    step("Escape", [](const auto& s) { return !shows(s, "Do you wish to delete"); }, "kept");
    EXPECT_TRUE(exists("/A/tree"));
    step("F8", [](const auto& s) { return shows(s, "Do you wish to delete"); }, "F8");
    step("Return", [](const auto& s) { return shows(s, "Delete tree?"); }, "tree question");
    ASSERT_TRUE(h.Type("yes"));
    step("Return", [](const auto& s) { return !shows(s, "Delete tree?"); }, "yes refused");
    EXPECT_TRUE(exists("/A/tree"));
    step("F8", [](const auto& s) { return shows(s, "Do you wish to delete"); }, "F8 again");
    step("Return", [](const auto& s) { return shows(s, "Delete tree?"); }, "tree question again");
    ASSERT_TRUE(h.Type("YES"));
    step("Return", [](const auto& s) { return cells(s.rows[2], 1, 5) == "d.txt"; }, "YES deletes");
    EXPECT_FALSE(exists("/A/tree"));
    EXPECT_TRUE(exists("/B/tree/private/f"));
    quit();
}

// Esc while an overwrite is in flight (slowed by the byte mover's test
// hook): the old target stays and no temporary is left.
TEST_F(CopyMoveWindow, EscDuringAnOverwrite)
{
    write("/A/big", std::string(8 << 20, 'n'));
    write("/B/big", "OLD");
    setenv("PX_TEST_COPY_DELAY_MS", "40", 1);
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("End F5", [](const auto& s) { return shows(s, "Copy \"big\" to"); }, "F5");
    step("Return", [](const auto& s) { return shows(s, "File already exists, Overwrite?"); }, "question");
    ASSERT_TRUE(h.Key("y"));
    ASSERT_TRUE(h.Key("Escape"));
    step("", [](const auto& s) { return !shows(s, "Overwrite?") && !shows(s, "Copying"); }, "stopped");
    EXPECT_EQ(read("/B/big"), "OLD");
    EXPECT_EQ(count("/B"), 1) << "no temporary";
    quit();
}

// A full file system: "No room for" with Retry, Skip and Cancel; after
// Skip the old target and the source are intact and nothing else is there.
TEST_F(CopyMoveWindow, NoRoomOnASmallFileSystem)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a 64 KiB tmpfs needs the superuser";
    ASSERT_EQ(mkdir((root + "/small").c_str(), 0755), 0);
    if (mount("tmpfs", (root + "/small").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    mounted = root + "/small";
    write("/A/big", std::string(1 << 20, 'b'));
    write("/A/move", std::string(1 << 20, 'm'));
    write("/small/big", "OLD");
    if (!start("/small"))
        GTEST_SKIP() << h.Missing();
    // ".." big move
    step("Down F5", [](const auto& s) { return shows(s, "Copy \"big\" to"); }, "F5");
    step("Return", [](const auto& s) { return shows(s, "File already exists, Overwrite?"); }, "question");
    step("y", [](const auto& s) { return shows(s, "No room for"); }, "full");
    EXPECT_TRUE(shows(s, "[ Retry ]  [ Skip ]  [ Cancel ]"));
    EXPECT_TRUE(shows(s, root + "/small/big"));
    step("s", [](const auto& s) { return !shows(s, "No room for"); }, "skipped");
    EXPECT_EQ(read("/small/big"), "OLD");
    EXPECT_EQ(read("/A/big").size(), 1u << 20);
    EXPECT_EQ(count("/small"), 1);

    step("Down F6", [](const auto& s) { return shows(s, "Move/Rename \"move\" to"); }, "F6");
    step("Return", [](const auto& s) { return shows(s, "No room for"); }, "full again");
    step("s", [](const auto& s) { return !shows(s, "No room for"); }, "skipped again");
    EXPECT_EQ(read("/A/move").size(), 1u << 20) << "a failed move keeps its source";
    EXPECT_EQ(count("/small"), 1) << "nothing else is there";
    quit();
}
