#include "fileops/tree_walk.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <set>

namespace {

// Builds a tree from lines: "dir/", "file=content", "link->target", "fifo|".
void build(const TempDir& t, std::initializer_list<std::string> lines)
{
    for (const std::string& l : lines) {
        size_t arrow = l.find("->"), eq = l.find('=');
        if (l.back() == '/')
            ASSERT_EQ(mkdir(t.sys(l).c_str(), 0755), 0) << l;
        else if (l.back() == '|')
            ASSERT_EQ(mkfifo(t.sys(l.substr(0, l.size() - 1)).c_str(), 0640), 0) << l;
        else if (arrow != std::string::npos)
            ASSERT_EQ(symlink(l.substr(arrow + 2).c_str(), t.sys(l.substr(0, arrow)).c_str()), 0) << l;
        else
            t.write(l.substr(0, eq), eq == std::string::npos ? "" : l.substr(eq + 1));
    }
}

// The tree under dir as sorted lines in build's notation, a FIFO's mode
// after its "|".
std::string snapshot(const std::string& dir)
{
    static std::set<std::string>* lines;
    static size_t skip;
    std::set<std::string> found;
    lines = &found;
    skip = dir.size() + 1;
    nftw(dir.c_str(), [](const char* p, const struct stat* st, int, FTW*) {
        std::string rel = std::strlen(p) > skip ? std::string(p + skip) : std::string();
        if (rel.empty())
            return 0;
        if (S_ISDIR(st->st_mode)) {
            lines->insert(rel + "/");
        } else if (S_ISLNK(st->st_mode)) {
            char buf[4096];
            ssize_t n = readlink(p, buf, sizeof buf);
            lines->insert(rel + "->" + std::string(buf, n > 0 ? static_cast<size_t>(n) : 0));
        } else if (S_ISFIFO(st->st_mode)) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%o", st->st_mode & 07777);
            lines->insert(rel + "|" + mode);
        } else {
            std::ifstream f(p);
            std::stringstream s;
            s << f.rdbuf();
            lines->insert(rel + "=" + s.str());
        }
        return 0;
    }, 16, FTW_PHYS);
    std::string out;
    for (const std::string& l : found)
        out += l + "\n";
    return out;
}

std::string sorted_lines(const std::string& text)
{
    std::multiset<std::string> lines;
    size_t pos = 0, nl;
    while ((nl = text.find('\n', pos)) != std::string::npos) {
        lines.insert(text.substr(pos, nl - pos + 1));
        pos = nl + 1;
    }
    std::string out;
    for (const std::string& l : lines)
        out += l;
    return out;
}

// Events that record what they were told and answer from fields.
class CRecorder : public CCopyTreeEvents
{
public:
    std::string log;
    int existsAnswer = TreeSkip, changedAnswer = TreeSkip, failedAnswer = TreeSkip;
    int cancelAfter = -1;
    std::function<void()> onAdvance;
    std::string current;  // what is being copied

    void Copying(const TreeEntry& e, const std::string&) override { current = e.path->substr(e.relative); }
    int Failed(const TreeEntry& e, int code) override
    {
        log += "failed " + e.path->substr(e.relative) + " " + std::to_string(code) + "\n";
        return failedAnswer;
    }
    void MountPoint(const TreeEntry& e) override { log += "mount " + e.path->substr(e.relative) + "\n"; }
    int Exists(const TreeEntry& e, const std::string&) override
    {
        log += "exists " + e.path->substr(e.relative) + "\n";
        return existsAnswer;
    }
    int SourceChanged(const TreeEntry& e) override
    {
        log += "changed " + e.path->substr(e.relative) + "\n";
        return changedAnswer;
    }
    void Advance(long long) override
    {
        if (onAdvance)
            onAdvance();
    }
    bool Cancelled() override { return cancelAfter >= 0 && cancelAfter-- == 0; }
};

class CDeleteRecorder : public CDeleteEvents
{
public:
    std::string log, keepSuffix;
    int readOnlyAnswer = TreeRetry;
    int Failed(const TreeEntry& e, int code) override
    {
        log += "failed " + e.path->substr(e.relative) + " " + std::to_string(code) + "\n";
        return TreeSkip;
    }
    void MountPoint(const TreeEntry& e) override { log += "mount " + e.path->substr(e.relative) + "\n"; }
    bool Wanted(const TreeEntry& e) override
    {
        std::string n = e.name;
        return keepSuffix.empty() || n.size() < keepSuffix.size() ||
               n.compare(n.size() - keepSuffix.size(), keepSuffix.size(), keepSuffix) != 0;
    }
    int ReadOnly(const TreeEntry& e) override
    {
        log += "read-only " + e.path->substr(e.relative) + "\n";
        return readOnlyAnswer;
    }
};

class CUsage : public CUsageEvents
{
public:
    std::string log;
    void MountPoint(const TreeEntry& e) override { log += "mount " + e.path->substr(e.relative) + "\n"; }
};

// The swap the hook makes: "inner", once listed, becomes a link to the
// directory outside the tree.
std::string outside;
void swap_inner(int dir, const char* name)
{
    if (std::strcmp(name, "inner") != 0)
        return;
    ASSERT_EQ(renameat(dir, "inner", dir, "inner.moved"), 0);
    ASSERT_EQ(symlinkat(outside.c_str(), dir, "inner"), 0);
}

struct SwapHook
{
    SwapHook() { treeWalkTestHooks.afterListing = swap_inner; }
    ~SwapHook() { treeWalkTestHooks.afterListing = nullptr; }
};

using TreeWalk = TempDirTest;

}

TEST_F(TreeWalk, ADirectorySwappedForALinkLeavesTheOutsideAlone)
{
    build(t, {"outside/", "outside/keep=precious", "tree/", "tree/inner/", "tree/inner/f=x", "tree/g=y"});
    outside = t.sys("outside");
    const std::string before = snapshot(t.sys("outside"));
    {
        SwapHook hook;
        DirectoryUsage usage;
        CUsage counted;
        ASSERT_EQ(GetDirectoryUsage(t.wide("tree"), usage, counted), 0);
        EXPECT_EQ(usage.files, 2);  // g and the link; nothing outside
        EXPECT_EQ(usage.directories, 0);
    }
    auto restore = [&] {
        ASSERT_EQ(unlink(t.sys("tree/inner").c_str()), 0);
        ASSERT_EQ(rename(t.sys("tree/inner.moved").c_str(), t.sys("tree/inner").c_str()), 0);
    };
    restore();
    {
        SwapHook hook;
        CRecorder events;
        ASSERT_EQ(CopyTree(t.wide("tree"), t.wide("copy"), {}, events), 0) << events.log;
        EXPECT_EQ(snapshot(t.sys("copy")), "g=y\ninner->" + outside + "\n");
    }
    restore();
    {
        SwapHook hook;
        CDeleteRecorder events;
        EXPECT_EQ(DeleteTree(t.wide("tree"), events), StatusSomeLeft) << events.log;
        // The link went as a link; the moved directory was listed before
        // the swap, so it was never seen and stays.
        EXPECT_EQ(snapshot(t.sys("tree")), "inner.moved/\ninner.moved/f=x\n");
    }
    EXPECT_EQ(snapshot(t.sys("outside")), before);
}

TEST_F(TreeWalk, AMaskKeepsFilesAndTheirDirectories)
{
    build(t, {"d/", "d/a/", "d/a/x.txt=1", "d/a/y.c=2", "d/b/", "d/b/z.txt=3", "d/c/", "d/link.c->a",
              "d/a/descript.ion=x.txt gone\r\ny.c stays\r\n", "d/b/descript.ion=z.txt all gone\r\n"});
    CDeleteRecorder events;
    events.keepSuffix = ".c";
    EXPECT_EQ(DeleteTree(t.wide("d"), events), StatusSomeLeft);
    EXPECT_EQ(snapshot(t.sys("d")), "a/\na/descript.ion=y.c stays\r\n\na/y.c=2\nlink.c->a\n");
    EXPECT_EQ(events.log, "");

    events.keepSuffix.clear();
    EXPECT_EQ(DeleteTree(t.wide("d"), events), 0);
    EXPECT_FALSE(t.exists("d"));
    EXPECT_EQ(DeleteTree(t.wide("d"), events), ENOENT);
}

TEST_F(TreeWalk, ReadOnlyFilesAreAskedAbout)
{
    EXPECT_TRUE(t.as_ordinary_user([&] {
        build(t, {"d/", "d/ro=1", "d/rw=2", "d/sub/", "d/sub/ro2=3"});
        chmod(t.sys("d/ro").c_str(), 0444);
        chmod(t.sys("d/sub/ro2").c_str(), 0444);
        CDeleteRecorder events;
        events.readOnlyAnswer = TreeSkip;
        EXPECT_EQ(DeleteTree(t.wide("d"), events), StatusSomeLeft);
        EXPECT_EQ(snapshot(t.sys("d")), "ro=1\nsub/\nsub/ro2=3\n");
        events.readOnlyAnswer = TreeRetry;
        EXPECT_EQ(DeleteTree(t.wide("d"), events), 0);
        EXPECT_EQ(sorted_lines(events.log), "read-only ro\nread-only ro\nread-only sub/ro2\nread-only sub/ro2\n");
        EXPECT_FALSE(t.exists("d"));
        return !::testing::Test::HasFailure();
    }));
}

TEST_F(TreeWalk, CopyKeepsEverythingAsItIs)
{
    build(t, {"src/", "src/file=data", "src/empty=", "src/rel->file", "src/dangling->../nowhere", "src/pipe|",
              "src/private/", "src/private/deep/", "src/private/deep/f=deep", "src/DESCRIPT.ION=user's own",
              "src/descript.ion=file a file\r\nprivate a directory\r\nmissing no file\r\n",
              "src/private/descript.ion=deep below\r\n", "src/\xE4=latin1", "src/\xC3\xA4=utf8",
              "src/long->" + std::string(3000, 'x'), "src/odd->\xFF\xFE/not/utf8"});  // link texts past any buffer
    ASSERT_EQ(chmod(t.sys("src/private").c_str(), 0750), 0);
    const timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.sys("src/private").c_str(), times, 0), 0);
    CRecorder events;
    ASSERT_EQ(CopyTree(t.wide("src"), t.wide("dst"), {}, events), 0) << events.log;
    // The lines travel with their entries (in the order they were
    // copied); the file itself is never copied.
    auto without_top_descriptions = [](std::string s) {
        size_t at = s.find("\ndescript.ion=");
        return s.erase(at + 1, s.find("\n\n", at) - at + 1);
    };
    EXPECT_EQ(without_top_descriptions(snapshot(t.sys("dst"))), without_top_descriptions(snapshot(t.sys("src"))));
    std::string lines = t.read("dst/descript.ion");
    EXPECT_TRUE(lines == "file a file\r\nprivate a directory\r\n" || lines == "private a directory\r\nfile a file\r\n")
        << lines;
    struct stat st;
    ASSERT_EQ(stat(t.sys("dst/private").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);

    // Into itself, also through a link: refused before anything is made.
    ASSERT_EQ(symlink("src", t.sys("alias").c_str()), 0);
    EXPECT_EQ(CopyTree(t.wide("src"), t.wide("alias/private/new"), {}, events), StatusIntoItself);
    EXPECT_FALSE(t.exists("src/private/new"));
    // An existing target needs the merge.
    EXPECT_EQ(CopyTree(t.wide("src"), t.wide("dst"), {}, events), EEXIST);
}

TEST_F(TreeWalk, MergingAsksForEachExistingFile)
{
    build(t, {"src/", "src/a=new a", "src/b=new b", "src/sub/", "src/sub/c=new c", "dst/", "dst/a=old a",
              "dst/sub/", "dst/sub/c=old c"});
    ASSERT_EQ(link(t.sys("src/b").c_str(), t.sys("dst/b").c_str()), 0);
    CopyTreeOptions merge;
    merge.merge = true;
    CRecorder skip;
    EXPECT_EQ(CopyTree(t.wide("src"), t.wide("dst"), merge, skip), StatusSomeLeft);
    EXPECT_EQ(snapshot(t.sys("dst")), "a=old a\nb=new b\nsub/\nsub/c=old c\n");
    EXPECT_NE(skip.log.find("exists a\n"), std::string::npos) << skip.log;
    EXPECT_NE(skip.log.find("failed b " + std::to_string(StatusSameFile)), std::string::npos) << skip.log;

    CRecorder replace;
    replace.existsAnswer = TreeRetry;
    EXPECT_EQ(CopyTree(t.wide("src"), t.wide("dst"), merge, replace), StatusSomeLeft);
    EXPECT_EQ(snapshot(t.sys("dst")), "a=new a\nb=new b\nsub/\nsub/c=new c\n");
    EXPECT_EQ(snapshot(t.sys("src")), "a=new a\nb=new b\nsub/\nsub/c=new c\n");
}

TEST_F(TreeWalk, AMoveRemovesOnlyWhatItCopiedUnchanged)
{
    build(t, {"src/", "src/a=a", "src/grows=grows", "src/sub/", "src/sub/b=b", "src/sub/descript.ion=b bee\r\n",
              "src/descript.ion=a ay\r\ngrows still here\r\n"});
    CopyTreeOptions move;
    move.move = true;
    CRecorder events;
    events.onAdvance = [&] {
        // A writer appends to "grows" while it is copied.
        if (events.current != "grows")
            return;
        int fd = open(t.sys("src/grows").c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(write(fd, "+", 1), 1);
        close(fd);
        events.onAdvance = nullptr;
    };
    EXPECT_EQ(CopyTree(t.wide("src"), t.wide("dst"), move, events), StatusSomeLeft);
    EXPECT_EQ(events.log, "changed grows\n");
    // The grown source stays with its line; the rest moved, lines and all,
    // and the emptied directory went by rmdir.
    EXPECT_EQ(snapshot(t.sys("src")), "descript.ion=grows still here\r\n\ngrows=grows+\n");
    EXPECT_EQ(snapshot(t.sys("dst")), "a=a\ndescript.ion=a ay\r\n\nsub/\nsub/b=b\nsub/descript.ion=b bee\r\n\n");

    // A write that fails, or a stop part-way: nothing of that source goes.
    build(t, {"two/", "two/x=x", "two/y=y"});
    copyTestHooks = {.force = CopyMethod::ReadWrite, .failWriteAt = 0, .failWriteErrno = ENOSPC};
    CRecorder full;
    EXPECT_EQ(CopyTree(t.wide("two"), t.wide("full"), move, full), StatusSomeLeft);
    copyTestHooks = CopyTestHooks();
    EXPECT_EQ(sorted_lines(full.log), "failed x 28\nfailed y 28\n");
    EXPECT_EQ(snapshot(t.sys("two")), "x=x\ny=y\n");
    EXPECT_EQ(snapshot(t.sys("full")), "");
    CRecorder stop;
    stop.cancelAfter = 1;
    EXPECT_EQ(CopyTree(t.wide("two"), t.wide("two-copy"), move, stop), -1);
    EXPECT_EQ(snapshot(t.sys("two")), "x=x\ny=y\n");
}

TEST_F(TreeWalk, MountsInsideAreReportedAndKept)
{
    build(t, {"d/", "d/m/", "d/f=1", "d/bind/", "elsewhere/", "elsewhere/e=2"});
    if (geteuid() != 0 || std::system(("mount -t tmpfs none '" + t.sys("d/m") + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount here (needs the superuser)";
    build(t, {"d/m/inside=3"});
    bool bound = std::system(("mount --bind '" + t.sys("elsewhere") + "' '" + t.sys("d/bind") + "'").c_str()) == 0;
    DirectoryUsage usage;
    CUsage counted;
    EXPECT_EQ(GetDirectoryUsage(t.wide("d"), usage, counted), 0);
    EXPECT_EQ(usage.files, 1);
    CDeleteRecorder events;
    EXPECT_EQ(DeleteTree(t.wide("d"), events), StatusSomeLeft);
    EXPECT_EQ(snapshot(t.sys("d/m")), "inside=3\n");
    EXPECT_EQ(events.log, counted.log);
    EXPECT_NE(events.log.find("mount m\n"), std::string::npos);
    if (bound) {
        EXPECT_NE(events.log.find("mount bind\n"), std::string::npos);
        EXPECT_EQ(std::system(("umount '" + t.sys("d/bind") + "'").c_str()), 0);
    }
    EXPECT_EQ(std::system(("umount '" + t.sys("d/m") + "'").c_str()), 0);
    EXPECT_EQ(snapshot(t.sys("elsewhere")), "e=2\n");
}
