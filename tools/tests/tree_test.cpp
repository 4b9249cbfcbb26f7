#include "tools/tree.h"
#include "tools/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The tree in pre-order, one "depth:name" per node joined by "|", the
// names as their bytes; the root shows as "0:<root>".
std::string shape(const CTree& t)
{
    std::string r;
    for (const TREENODE* n = t.Root(); n; n = next_in_tree(n)) {
        if (!r.empty())
            r += "|";
        Estring b = FileNameToSys(n->name);
        r += std::to_string(n->depth) + ":" + (n == t.Root() ? std::string("<root>") : std::string(b.c_str()));
    }
    return r;
}

// A tree over no directory on disk, grown with AddPath.
std::unique_ptr<CTree> paper_tree(const std::vector<const wchar_t*>& paths)
{
    auto t = std::make_unique<CTree>('/', 1, L"/r", L"");
    t->Load(true);
    for (const wchar_t* p : paths)
        EXPECT_NE(t->AddPath(p), nullptr) << Westring(p).ToUTF8().c_str();
    t->Sort();
    return t;
}

// The header and lines of a data file.
std::string data_file(uint32_t device, const std::string& lines)
{
    return std::string(reinterpret_cast<const char*>(&device), 4) + lines;
}

class StopAfter : public CTreeScanWatch
{
public:
    explicit StopAfter(long n) : limit(n) {}
    bool Continue(long directories) override { return directories < limit; }
    long limit;
};

}

TEST(Tree, WrittenNamesLoadBackExactly)
{
    ScratchDir dir;
    // Non-ASCII, a byte that is not UTF-8 beside the UTF-8 "ä", a newline
    // and a backslash (the file's line end and escape character), blanks.
    const char* names[] = {"\xC3\xA4rger", "\xE4", "\xC3\xA4", "new\nline", "back\\slash", "\\n", " lead", "plain"};
    for (const char* n : names)
        ASSERT_TRUE(dir.mkdirs(std::string("top/") + n)) << n;
    ASSERT_TRUE(dir.mkdirs("top/plain/inner"));
    CTree t('/', 77, dir.wide("top"), dir.wide("data/pxtree.dat"));
    t.Load(true);
    ASSERT_TRUE(t.Scan(nullptr, true));
    ASSERT_EQ(t.Write(), 0);
    struct stat st;
    ASSERT_EQ(stat(dir.sys("data").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the data directory is private";

    CTree back('/', 77, dir.wide("top"), dir.wide("data/pxtree.dat"));
    back.Load(false);
    EXPECT_EQ(shape(back), shape(t));
    EXPECT_EQ(shape(back),
              "0:<root>|1: lead|1:\\n|1:back\\slash|1:new\nline|1:plain|2:inner|1:\xC3\xA4|1:\xC3\xA4rger|1:\xE4");
    // Every name still reaches its directory.
    for (const TREENODE* n = back.Root(); n; n = next_in_tree(n))
        EXPECT_EQ(stat(FileNameToSys(back.FullPath(n)).c_str(), &st), 0) << FileNameToSys(n->name).c_str();
    EXPECT_TRUE(back.Root()->expanded);
    EXPECT_FALSE(back.Find(dir.wide("top/plain").c_str(), false)->expanded) << "Load(false) collapses";
    // No temporary file is left beside the data file.
    EXPECT_EQ(std::system(("test $(ls -A '" + dir.sys("data") + "' | wc -l) -eq 1").c_str()), 0);
}

TEST(Tree, LoadReadsWhatIsWholeAndStopsAtDamage)
{
    ScratchDir dir;
    const struct { const char* what; uint32_t header; std::string lines; const char* shape; } rows[] = {
        {"siblings and a climb", 5, "0/\n1a\n2x\n3deep\n1b\n", "0:<root>|1:a|2:x|3:deep|1:b"},
        {"another device's file", 6, "0/\n1a\n", "0:<root>"},
        {"a depth past \"o\" ends it", 5, "0/\n1a\np" "b\n1c\n", "0:<root>|1:a"},
        {"a jump of two levels ends it", 5, "0/\n1a\n3b\n", "0:<root>|1:a"},
        {"a last line without its newline", 5, "0/\n1a\n1b", "0:<root>|1:a"},
        {"a second root ends it", 5, "0/\n1a\n0/\n1b\n", "0:<root>|1:a"},
        {"an empty file", 5, "", "0:<root>"},
        {"escapes", 5, "0/\n1a\\nb\n1c\\\\d\n", "0:<root>|1:a\nb|1:c\\d"},
        {"an overlong line ends it", 5, "0/\n1a\n1" + std::string(9000, 'x') + "\n1b\n", "0:<root>|1:a"},
    };
    for (const auto& r : rows) {
        dir.write("t.dat", data_file(r.header, r.lines));
        CTree t('/', 5, L"/", dir.wide("t.dat"));
        t.Load(true);
        EXPECT_EQ(shape(t), r.shape) << r.what;
        EXPECT_EQ(t.written, std::string(r.shape) != "0:<root>") << r.what;
    }
    // A node at depth 63, the deepest the file can say ("o"), is read: ScanStopsAtDepth63.
}

TEST(Tree, ScanKeepsToOneFileSystemAndNeverFollowsLinks)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("top/a/b") && dir.mkdirs("top/c") && dir.mkdirs("elsewhere/e"));
    ASSERT_EQ(symlink("../elsewhere", dir.sys("top/link").c_str()), 0);
    ASSERT_EQ(symlink("a", dir.sys("top/c/loop").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.sys("top/fifo").c_str(), 0644), 0);
    dir.write("top/a/file", "x");
    ASSERT_TRUE(dir.mkdirs("top/locked/hidden"));
    ASSERT_EQ(chmod(dir.sys("top/locked").c_str(), 0), 0);
    bool as_root = geteuid() == 0;
    bool mounted = false;
    if (as_root) {
        ASSERT_TRUE(dir.mkdirs("top/mnt"));
        mounted = mount("tmpfs", dir.sys("top/mnt").c_str(), "tmpfs", 0, "size=64k") == 0;
        if (mounted) {
            EXPECT_TRUE(dir.mkdirs("top/mnt/inside"));
        }
    }
    CTree t('/', 1, dir.wide("top"), L"");
    t.Load(true);
    ASSERT_TRUE(t.Scan(nullptr, true));
    t.Sort();
    std::string want = "0:<root>|1:a|2:b|1:c|1:locked";
    if (as_root)
        want += "|2:hidden|1:mnt";  // root reads locked/ all the same; mnt is listed but not entered
    EXPECT_EQ(shape(t), want);
    if (mounted)
        EXPECT_EQ(umount(dir.sys("top/mnt").c_str()), 0);
    else if (as_root)
        GTEST_LOG_(INFO) << "tmpfs could not be mounted here: the mount case was not tried";
}

TEST(Tree, AnUnreadableDirectoryIsListedEmpty)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("top/a") && dir.mkdirs("top/locked/inside"));
    ASSERT_EQ(chmod(dir.sys("top/locked").c_str(), 0), 0);
    // Permissions do not stop the superuser: the scan then runs in a child
    // that has become an ordinary user.
    bool as_child = geteuid() == 0;
    pid_t pid = as_child ? fork() : 0;
    if (pid == 0) {
        if (as_child && (chmod(dir.path.c_str(), 0755) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        CTree t('/', 1, dir.wide("top"), L"");
        t.Load(true);
        bool ok = t.Scan(nullptr, true);
        t.Sort();
        ok = ok && shape(t) == "0:<root>|1:a|1:locked";
        if (as_child)
            _exit(ok ? 0 : 1);
        EXPECT_TRUE(ok) << shape(t);
    } else {
        int status = -1;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

TEST(Tree, ScanStopsAtDepth63AndCanBeStopped)
{
    ScratchDir dir;
    std::string chain;
    for (int d = 1; d <= TreeMaxDepth + 2; d++)
        chain += (d > 1 ? "/" : "") + std::string("d");
    ASSERT_TRUE(dir.mkdirs("top/" + chain));
    CTree t('/', 1, dir.wide("top"), dir.wide("t.dat"));
    t.Load(true);
    ASSERT_TRUE(t.Scan(nullptr, true));
    const TREENODE* n = t.Root();
    while (n->child)
        n = n->child;
    EXPECT_EQ(n->depth, TreeMaxDepth) << "nothing deeper than the file can hold";
    ASSERT_EQ(t.Write(), 0);
    CTree back('/', 1, dir.wide("top"), dir.wide("t.dat"));
    back.Load(true);
    EXPECT_EQ(shape(back), shape(t)) << "the whole tree loads back";

    // Stopped, a scan leaves the tree it had.
    std::string before = shape(t);
    ASSERT_TRUE(dir.mkdirs("top/more"));
    StopAfter stop(64);
    EXPECT_FALSE(t.Scan(&stop, true));
    EXPECT_EQ(shape(t), before);
}

TEST(Tree, FindSearchAndChangesByPath)
{
    auto t = paper_tree({L"/r/usr/local/bin", L"/r/usr/share", L"/r/home/ann/src", L"/r/Home"});
    const struct { const wchar_t* path; bool ignore_case; const char* found; } finds[] = {
        {L"/r", false, "<root>"}, {L"/r/usr/local", false, "local"}, {L"/r/usr/local/", false, "local"},
        {L"/r/home", false, "home"}, {L"/r/HOME", true, "Home"},  // the first in name order
        {L"/r/usr/LOCAL", false, "-"}, {L"/r/usr/lib", false, "-"}, {L"/other", false, "-"},
        {L"/rx/usr", false, "-"},  // not below the root
    };
    for (const auto& f : finds) {
        TREENODE* n = t->Find(f.path, f.ignore_case);
        std::string got = !n ? "-" : n == t->Root() ? "<root>" : n->name.ToUTF8().c_str();
        EXPECT_EQ(got, f.found) << Westring(f.path).ToUTF8().c_str();
    }
    Westring result;
    EXPECT_TRUE(t->Search(L"ann/src", result, false));
    EXPECT_STREQ(result.c_str(), L"/r/home/ann/src");
    EXPECT_TRUE(t->Search(L"LOCAL", result, true));
    EXPECT_STREQ(result.c_str(), L"/r/usr/local");
    EXPECT_FALSE(t->Search(L"ann/bin", result, false));
    EXPECT_STREQ(t->FindNearest(L"/r/usr/local/lib/x")->name.c_str(), L"local");

    // Moving a branch carries its depths; a node never moves below itself.
    TREENODE* ann = t->Find(L"/r/home/ann", false);
    TREENODE* bin = t->Find(L"/r/usr/local/bin", false);
    EXPECT_FALSE(t->Move(t->Find(L"/r/usr", false), bin));
    EXPECT_TRUE(t->Move(ann, bin));
    EXPECT_EQ(t->Find(L"/r/usr/local/bin/ann/src", false)->depth, 5);
    t->Remove(t->Find(L"/r/usr/local", false));
    EXPECT_EQ(t->Find(L"/r/usr/local/bin/ann", false), nullptr);
    EXPECT_EQ(shape(*t), "0:<root>|1:Home|1:home|1:usr|2:share");
}

TEST(Tree, SeekWrapsAroundTheTree)
{
    auto t = paper_tree({L"/r/alpha/beta", L"/r/alpha/Bravo", L"/r/bin", L"/r/boot/grub"});
    // Pre-order after Sort: alpha, Bravo, beta, bin, boot, grub.
    const struct { const wchar_t* from; const wchar_t* prefix; const char* found; } rows[] = {
        {L"/r", L"b", "Bravo"}, {L"/r/alpha/Bravo", L"b", "beta"}, {L"/r/alpha/beta", L"b", "bin"},
        {L"/r/boot", L"b", "Bravo"},  // past the last node, on from the root
        {L"/r/boot/grub", L"al", "alpha"}, {L"/r/alpha", L"zz", "-"}, {L"/r/bin", L"BOO", "boot"},
        {L"/r/alpha", L"al", "alpha"},  // only itself matches
    };
    for (const auto& r : rows) {
        TREENODE* n = tree_seek(t->Root(), t->Find(r.from, false), r.prefix);
        EXPECT_EQ(n ? std::string(n->name.ToUTF8().c_str()) : std::string("-"), r.found)
            << Westring(r.from).ToUTF8().c_str() << " " << Westring(r.prefix).ToUTF8().c_str();
    }
    expand_branch(t->Root(), false);
    EXPECT_FALSE(t->Find(L"/r/boot/grub", false)->expanded);
    expand_branch(t->Find(L"/r/alpha", false), true);
    EXPECT_TRUE(t->Find(L"/r/alpha/beta", false)->expanded);
    EXPECT_FALSE(t->Find(L"/r/boot", false)->expanded) << "a sibling branch is left alone";
}

TEST(Tree, AFailedWriteLeavesTheOldFile)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.mkdirs("data"));
    dir.write("data/pxtree.dat", data_file(3, "0/r\n1old\n"));
    auto t = std::make_unique<CTree>('/', 3, L"/r", dir.wide("data/pxtree.dat"));
    t->Load(true);
    t->AddPath(L"/r/new");
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(dir.sys("data").c_str(), 0500), 0);
        EXPECT_EQ(t->Write(), EACCES);
        EXPECT_EQ(dir.read("data/pxtree.dat"), data_file(3, "0/r\n1old\n"));
        ASSERT_EQ(chmod(dir.sys("data").c_str(), 0700), 0);
    }
    EXPECT_EQ(t->Write(), 0);
    EXPECT_EQ(dir.read("data/pxtree.dat"), data_file(3, "0/r\n1new\n1old\n"));
    EXPECT_FALSE(t->changed);
}
