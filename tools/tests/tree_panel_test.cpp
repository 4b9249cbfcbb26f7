#include "config/config.h"
#include "entries/entry.h"
#include "panels/panel.h"
#include "panels/read_panel.h"
#include "tools/tests/scratch_dir.h"
#include "tools/tree_panel.h"
#include "tools/tree_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <sys/stat.h>

namespace {

// A panel's tree listing: "name:depth:mask" per entry, joined by "|".
std::string listing(const PANEL& p)
{
    std::string r;
    for (int i = 0; i < p.Count(); i++) {
        const entry* e = p.entries[i];
        char mask[24];
        std::snprintf(mask, sizeof mask, "%llx", e->size);
        r += (i ? "|" : "") + std::string(Westring(e->name).ToUTF8().c_str()) + ":" + std::to_string(e->depth) + ":" +
             mask;
    }
    return r;
}

// Settings as the program starts with, the tree files kept in dir.
class TreeUpkeep : public ::testing::Test
{
protected:
    void SetUp() override
    {
        set_config_defaults(config);
        config.TreeDir = dir.wide("trees");
        TreeSet.Clear();
    }
    void TearDown() override { TreeSet.Clear(); }
    ScratchDir dir;
};

}

TEST(TreeListing, EntriesCarryDepthAndBranchMask)
{
    CTree t('/', 1, L"/r", L"");
    t.Load(true);
    for (const wchar_t* p : {L"/r/a/x/deep", L"/r/a/y", L"/r/b"})
        t.AddPath(p);
    for (TREENODE* n = t.Root(); n; n = next_in_tree(n))
        n->expanded = true;
    PANEL p;
    treenodelist(&p, &t);
    // Bit d: the level-d node on the way has a sibling after it.
    EXPECT_EQ(listing(p), "/r:0:0|a:1:2|x:2:6|deep:3:6|y:2:2|b:1:0");
    for (int i = 0; i < p.Count(); i++)
        EXPECT_TRUE(IsTreeEntry(p.entries[i]));
    EXPECT_STREQ(treeFullPath(&p, &t, 3).c_str(), L"/r/a/x/deep");

    // Collapsed nodes hide their branch.
    t.Find(L"/r/a", false)->expanded = false;
    treenodelist(&p, &t);
    EXPECT_EQ(listing(p), "/r:0:0|a:1:2|b:1:0");

    // The deepest level keeps its own bit in the 64-bit mask.
    std::wstring deep = L"/r/b";
    for (int d = 2; d <= TreeMaxDepth; d++)
        deep += L"/n";
    ASSERT_NE(t.AddPath(deep.c_str()), nullptr);
    ASSERT_NE(t.AddPath((deep.substr(0, deep.size() - 2) + L"/m").c_str()), nullptr);
    EXPECT_EQ(t.AddPath((deep + L"/past").c_str()), nullptr) << "nothing below depth 63";
    expand_branch(t.Root(), true);
    t.Sort();
    treenodelist(&p, &t);
    const entry* last_but_one = p.entries[p.Count() - 2];
    EXPECT_EQ(last_but_one->depth, TreeMaxDepth);
    EXPECT_EQ(last_but_one->size, 1ULL << 63) << "m, then n after it at depth 63";
}

TEST(TreeListing, PositionCentresTheNode)
{
    CTree t('/', 1, L"/r", L"");
    t.Load(true);
    for (int i = 0; i < 29; i++) {
        wchar_t name[16];
        std::swprintf(name, 16, L"/r/d%02d", i);
        t.AddPath(name);
    }
    const struct { int child; int height; int top; int cursor; } rows[] = {
        {0, 10, 0, 1},     // near the top: no scrolling
        {13, 10, 10, 4},   // index 14: top 14 - 5 + 1, cursor 5 - 1
        {28, 10, 20, 9},   // the last page stays full
        {3, 40, 0, 4},     // a list shorter than the page
    };
    for (const auto& r : rows) {
        wchar_t name[16];
        std::swprintf(name, 16, L"/r/d%02d", r.child);
        PANEL p;
        position_tree(&p, &t, t.Find(name, false), r.height);
        EXPECT_EQ(p.top, r.top) << r.child;
        EXPECT_EQ(p.cursor, r.cursor) << r.child;
        EXPECT_EQ(p.entries[p.CurrentIndex()]->tree_node, t.Find(name, false));
    }
}

TEST_F(TreeUpkeep, CheckTreeFollowsChangesMadeOutside)
{
    ASSERT_TRUE(dir.mkdirs("w/keep") && dir.mkdirs("w/gone") && dir.mkdirs("elsewhere"));
    PANEL p;
    p.path = dir.wide("w");
    CTree* t = TreeSet.GetTree(&p);
    ASSERT_NE(t, nullptr);
    t->complete = true;  // as if scanned
    ASSERT_NE(t->AddPath(dir.wide("w/keep").c_str()), nullptr);
    ASSERT_NE(t->AddPath(dir.wide("w/gone").c_str()), nullptr);
    ASSERT_NE(t->AddPath(dir.wide("w/gone/sub").c_str()), nullptr);

    // Outside the program: one directory removed, two made, a link and a
    // file added, and a twin that differs only in case.
    ASSERT_EQ(rmdir(dir.sys("w/gone").c_str()), 0);
    ASSERT_TRUE(dir.mkdirs("w/new") && dir.mkdirs("w/Keep"));
    ASSERT_EQ(symlink("../elsewhere", dir.sys("w/link").c_str()), 0);
    dir.write("w/file", "x");
    p.showing = true;  // only a showing panel is read
    read_panel(&p);
    ASSERT_EQ(p.subdirs.Count(), 4) << p.read_error << " " << p.Count();
    EXPECT_TRUE(check_tree(&p));
    TREENODE* w = t->Find(dir.wide("w").c_str(), false);
    std::string children;
    for (TREENODE* c = w->child; c; c = c->next)
        children += std::string(c->name.ToUTF8().c_str()) + " ";
    EXPECT_EQ(children, "Keep keep new ");
    EXPECT_FALSE(check_tree(&p)) << "nothing changed since";
    // The change was written.
    struct stat st;
    EXPECT_EQ(stat(FileNameToSys(t->DataFile()).c_str(), &st), 0);
    EXPECT_FALSE(t->changed);
}

TEST_F(TreeUpkeep, GraftFollowsAMovedDirectory)
{
    ASSERT_TRUE(dir.mkdirs("a/x/inner") && dir.mkdirs("b"));
    PANEL& p = panel_base[0];
    p.path = dir.wide();
    CTree* t = TreeSet.GetTree(&p);
    ASSERT_NE(t, nullptr);
    t->complete = true;
    for (const char* d : {"a/x/inner", "b"})
        t->AddPath(dir.wide(d).c_str());

    // Moved into another directory, the branch comes along.
    ASSERT_EQ(rename(dir.sys("a/x").c_str(), dir.sys("b/y").c_str()), 0);
    graft(L"a/x", L"b/y", 0);
    EXPECT_EQ(t->Find(dir.wide("a/x").c_str(), false), nullptr);
    TREENODE* inner = t->Find(dir.wide("b/y/inner").c_str(), false);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->depth, t->Find(dir.wide("b").c_str(), false)->depth + 2);
    // Renamed in place.
    ASSERT_EQ(rename(dir.sys("b").c_str(), dir.sys("c").c_str()), 0);
    graft(dir.wide("b").c_str(), dir.wide("c").c_str(), 0);
    EXPECT_NE(t->Find(dir.wide("c/y/inner").c_str(), false), nullptr);
    EXPECT_FALSE(t->changed) << "and written";
    p.path = Westring();
}

TEST_F(TreeUpkeep, ATreePanelOpensOnItsDirectory)
{
    ASSERT_TRUE(dir.mkdirs("w/inner"));
    PANEL p;
    p.path = dir.wide("w");
    CTree* t = TreeSet.GetTree(&p);
    ASSERT_NE(t, nullptr);
    // A complete tree is listed as it is, without a scan.
    t->complete = true;
    ASSERT_NE(t->AddPath(dir.wide("w/inner").c_str()), nullptr);
    expand_branch(t->Root(), false);
    read_tree(&p);
    ASSERT_GT(p.Count(), 1);
    EXPECT_EQ(p.entries[p.CurrentIndex()]->tree_node, t->Find(dir.wide("w").c_str(), false));
    EXPECT_STREQ(treeFullPath(&p, t, p.CurrentIndex()).c_str(), dir.wide("w").c_str());
    EXPECT_STREQ(p.entries[p.Count() - 1]->name, L"w") << "its ancestors were opened, not its branch";
}

TEST_F(TreeUpkeep, DirectorySizesGoIntoTheNodes)
{
    ASSERT_TRUE(dir.mkdirs("a/b"));
    ASSERT_EQ(symlink("a", dir.sys("link").c_str()), 0);
    EXPECT_EQ(tree_known_size(dir.wide("a/b")), -1);
    // A directory the tree lacks is added with its ancestors.
    EXPECT_TRUE(tree_store_size(dir.wide("a/b"), 4096));
    EXPECT_EQ(tree_known_size(dir.wide("a/b")), 4096);
    EXPECT_EQ(tree_known_size(dir.wide("link/b")), 4096) << "one node, however it is reached";
    EXPECT_EQ(tree_known_size(dir.wide("a")), -1);
    EXPECT_FALSE(tree_store_size(dir.wide("missing"), 1));
}

TEST_F(TreeUpkeep, EachFileSystemHasADataFileOfItsOwn)
{
    struct stat root;
    ASSERT_EQ(stat("/", &root), 0);
    uint32_t root_key = tree_device_key(root.st_dev);
    EXPECT_STREQ(tree_data_file(root_key).c_str(), dir.wide("trees/pxtree.dat").c_str());
    char other[64];
    std::snprintf(other, sizeof other, "trees/pxtree.%x.dat", root_key ^ 0x123);
    EXPECT_STREQ(tree_data_file(root_key ^ 0x123).c_str(), dir.wide(other).c_str());
    config.TreeDir = Westring();
    setenv("HOME", dir.path.c_str(), 1);
    EXPECT_STREQ(tree_data_file(root_key).c_str(), dir.wide(".pxl/pxtree.dat").c_str());

    Westring top;
    uint32_t key = 0;
    ASSERT_TRUE(tree_root_of(dir.wide(), top, key));
    struct stat here;
    ASSERT_EQ(stat(dir.path.c_str(), &here), 0);
    EXPECT_EQ(key, tree_device_key(here.st_dev));
    EXPECT_EQ(top.strlen() <= dir.wide().strlen(), true);
}

TEST_F(TreeUpkeep, APartialTreeIsNeverWrittenNorShownUnscanned)
{
    ASSERT_TRUE(dir.mkdirs("w/sub"));
    PANEL p;
    p.path = dir.wide("w");
    CTree* t = TreeSet.GetTree(&p);
    ASSERT_NE(t, nullptr);
    ASSERT_FALSE(t->complete) << "no data file yet";
    // What the panels learn is kept, but a data file holding only that
    // would be read back as the whole file system.
    ASSERT_NE(t->AddPath(dir.wide("w").c_str()), nullptr);
    p.showing = true;
    read_panel(&p);
    EXPECT_TRUE(check_tree(&p));
    EXPECT_NE(t->Find(dir.wide("w/sub").c_str(), false), nullptr);
    struct stat st;
    EXPECT_NE(stat(FileNameToSys(t->DataFile()).c_str(), &st), 0);
    EXPECT_TRUE(t->changed);
}
