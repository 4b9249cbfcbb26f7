#include "panels/change_dir.h"
#include "panels/directory_history.h"
#include "panels/read_panel.h"
#include "panels/sort_panel.h"
#include "panel_tree.h"

#include "fileops/file_system.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ReadPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        panel_test_settings();
        p.showing = true;
    }
    // Reads dir as a directory newly entered.
    void show(const Westring& dir)
    {
        p.path = dir;
        p.prev_path = L"";
        change_dir(&p, L"");
    }
    std::string current() const
    {
        return p.Current() ? std::string(FileNameToSys(Westring(p.Current()->name)).c_str()) : "";
    }

    PanelTree t;
    PANEL p;
};

}

TEST_F(ReadPanel, UpDirAndHiddenRules)
{
    t.file(".profile", 1);
    t.file("plain", 1);
    t.dir(".cache");
    const struct { bool hidden; const char* names; } rows[] = {
        {false, ".. plain"},                    // dot-files gone, ".." stays
        {true, ".. .cache .profile plain"},     // only "." is never listed
    };
    for (const auto& r : rows) {
        config.Hidden = r.hidden;
        show(t.root());
        EXPECT_EQ(listed(p), r.names) << r.hidden;
        EXPECT_EQ(p.subdirs.Count(), 1);        // hidden or not, the directory is known
    }
    show(L"/");
    ASSERT_GT(p.Count(), 0);
    for (int i = 0; i < p.Count(); i++) {
        EXPECT_NE(fncompare(p.entries[i]->name, L".."), 0);
        EXPECT_NE(fncompare(p.entries[i]->name, L"."), 0);
    }
}

TEST_F(ReadPanel, EverySortOrderKeepsTheGroups)
{
    config.Hidden = true;
    t.dir("zdir", 1000);
    t.dir("Adir", 3000);
    t.file(".hid", 50, 500);
    t.file("b.txt", 300, 3000);
    t.file("a.c", 100, 2000);
    t.file("C.txt", 200, 1000);
    t.file("_u.c", 100, 4000);
    t.file("noext", 100, 2000);
    const struct { sortby order; const char* names; } rows[] = {
        {SortName, ".. Adir zdir .hid _u.c a.c b.txt C.txt noext"},   // "_" before everything
        {SortExtension, ".. Adir zdir .hid noext _u.c a.c b.txt C.txt"},
        {SortTime, ".. Adir zdir .hid _u.c b.txt a.c noext C.txt"},  // newest first, equal times by name
        {SortSize, ".. Adir zdir .hid b.txt C.txt _u.c a.c noext"},  // largest first, equal sizes by name
        {static_cast<sortby>(SortName + SortReversed), ".. zdir Adir .hid noext C.txt b.txt a.c _u.c"},
        {static_cast<sortby>(SortExtension + SortReversed), ".. zdir Adir .hid C.txt b.txt a.c _u.c noext"},
        {static_cast<sortby>(SortTime + SortReversed), ".. zdir Adir .hid C.txt noext a.c b.txt _u.c"},
        {static_cast<sortby>(SortSize + SortReversed), ".. zdir Adir .hid noext a.c _u.c C.txt b.txt"},
    };
    for (const auto& r : rows) {
        p.sort = r.order;
        show(t.root());
        EXPECT_EQ(listed(p), r.names) << "order " << r.order;
    }
}

TEST_F(ReadPanel, SetSortKeepsTheCursorOnItsName)
{
    t.file("a", 3);
    t.file("b", 1);
    t.file("c", 2);
    show(t.root());
    goto_fname(&p, L"b");
    set_sort(&p, SortSize);
    EXPECT_EQ(listed(p), ".. a c b");
    EXPECT_EQ(current(), "b");
    EXPECT_EQ(config.LeftSort, SortSize);
    set_sort(&p, SortUnsorted);  // read again for the directory's own order
    EXPECT_EQ(current(), "b");
    EXPECT_EQ(p.Count(), 4);
}

TEST_F(ReadPanel, SelectionAndCursorSurviveARereadOnly)
{
    for (const char* n : {"a", "b", "c", "d"})
        t.file(n, 10);
    t.dir("sub");
    show(t.root());
    for (int i = 0; i < p.Count(); i++) {
        entry* e = p.entries[i];
        if (fncompare(e->name, L"b") == 0 || fncompare(e->name, L"d") == 0)
            e->tagged = 1;
        if (fncompare(e->name, L"c") == 0)
            e->last_op = 1;
    }
    goto_fname(&p, L"c");
    t.file("aa", 10);  // a new name shifts the rest down
    change_dir(&p, L"", 1);
    EXPECT_EQ(listed(p), ".. sub a aa b c d");
    EXPECT_EQ(current(), "c");
    EXPECT_EQ(p.tagged_count, 2);
    EXPECT_EQ(p.tagged_bytes, 20u);
    EXPECT_EQ(p.entries[6]->tagged, 1);
    EXPECT_EQ(p.entries[5]->last_op, 1);

    goto_fname(&p, L"sub");
    change_dir(&p, L"sub");
    EXPECT_EQ(p.tagged_count, 0);
    EXPECT_EQ(p.CurrentIndex(), 0);
}

TEST_F(ReadPanel, UpDirRestoresThePositionLeft)
{
    for (int i = 0; i < 60; i++)
        t.dir("d" + std::to_string(100 + i));
    show(t.root());
    const Westring root = t.root();
    goto_fname(&p, L"d150");             // index 51: the third page
    ASSERT_EQ(p.top, 33);
    change_dir(&p, L"d150");
    EXPECT_EQ(p.path, root + L"/d150");
    EXPECT_EQ(current(), "..");
    EXPECT_EQ(p.back_path, root);
    change_dir(&p, L"..");
    EXPECT_EQ(p.path, root);
    EXPECT_EQ(current(), "d150");
    EXPECT_EQ(p.top, 33);
    EXPECT_EQ(DirectoryHistory.At(DirectoryHistory.Count() - 1), root + L"/d150");

    // Entered by name (as cd does): on the way back the cursor lands on
    // the directory left, on the last row when it lies past the first page.
    p.path = root + L"/d140";
    change_dir(&p, L"");
    change_dir(&p, L"..");
    EXPECT_EQ(current(), "d140");
    EXPECT_EQ(p.cursor, p.page_size - 1);
}

TEST_F(ReadPanel, BrokenLinkIsListedWithItsOwnData)
{
    t.link("dangling", "nowhere/at/all");
    show(t.root());
    ASSERT_EQ(listed(p), ".. dangling");
    const entry* e = p.entries[1];
    EXPECT_EQ(e->attributes & (AttrSymLink | AttrBrokenLink), AttrSymLink | AttrBrokenLink);
    EXPECT_EQ(e->size, 14u);
    EXPECT_TRUE(S_ISLNK(e->mode));
    EXPECT_EQ(e->group, GroupFile);
}

TEST_F(ReadPanel, LargeDirectoriesAreReadWhole)
{
    for (int n : {4096, 4097}) {
        // Made in memory when possible: thousands of files are slow to
        // create on some disks.
        PanelTree big(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : nullptr);
        for (int i = 0; i < n - 1; i++)  // ".." makes up the count
            close(creat(big.sys("f" + std::to_string(i)).c_str(), 0644));
        show(big.root());
        EXPECT_EQ(p.Count(), n);
        EXPECT_EQ(fncompare(p.entries[n - 1]->name, L"f999"), 0);
    }
}

TEST_F(ReadPanel, UndecodableNameIsListedAndEnteredAsItself)
{
    const std::string raw = "caf\xE9", utf8 = "caf\xC3\xA9";
    t.dir(raw);
    t.dir(utf8);
    t.file(raw + "/inside-raw", 1);
    t.file(utf8 + "/inside-utf8", 1);
    show(t.root());
    EXPECT_EQ(listed(p), ".. " + utf8 + " " + raw);
    goto_fname(&p, FileNameFromSys(raw.c_str()).c_str());
    change_dir(&p, p.Current()->name);
    EXPECT_EQ(listed(p), ".. inside-raw");
    change_dir(&p, L"..");
    EXPECT_EQ(current(), raw);
    goto_fname(&p, FileNameFromSys(utf8.c_str()).c_str());
    change_dir(&p, p.Current()->name);
    EXPECT_EQ(listed(p), ".. inside-utf8");
}

TEST_F(ReadPanel, MissingDirectoriesStayEmptyAndFilesMoveUp)
{
    t.file("plain", 1);
    show(t.root());
    p.path = t.root() + L"/gone";   // vanished meanwhile: an empty list
    change_dir(&p, L"");
    EXPECT_EQ(listed(p), "..");
    EXPECT_EQ(p.read_error, 0);

    // Not a directory (after the message): back up, on the name that failed.
    show(t.root());
    p.path = t.root() + L"/plain";
    change_dir(&p, L"");
    EXPECT_EQ(p.path, t.root());
    EXPECT_EQ(current(), "plain");
}

TEST_F(ReadPanel, AnUnreadableDirectoryMovesUp)
{
    t.dir("locked");
    show(t.root());
    ASSERT_EQ(chmod(t.sys("locked").c_str(), 0), 0);
    EXPECT_TRUE(t.as_ordinary_user([&] {
        goto_fname(&p, L"locked");
        change_dir(&p, L"locked");
        EXPECT_EQ(p.path, t.root());
        EXPECT_EQ(current(), "locked");
        return !HasFailure();
    }));
    EXPECT_EQ(chmod(t.sys("locked").c_str(), 0755), 0);
}

TEST_F(ReadPanel, CaseFilterChangesOnlyWhatIsDrawn)
{
    t.file("ReadMe.TXT", 1);
    t.dir("Docs");
    show(t.root());
    ASSERT_FALSE(p.fs_type.empty());
    config.CaseFilter = Westring(L"nfs,") + p.fs_type.upcase();
    change_dir(&p, L"", 1);
    EXPECT_EQ(listed(p), ".. Docs ReadMe.TXT");
    EXPECT_EQ(p.entries[1]->DisplayName(), Westring(L"DOCS"));
    EXPECT_EQ(p.entries[2]->DisplayName(), Westring(L"readme.txt"));
    change_dir(&p, L"Docs");
    EXPECT_EQ(p.path, t.root() + L"/Docs");
}

TEST(ChangeVirtualWD, EachComponentMustExistAsADirectory)
{
    PanelTree t;
    ASSERT_TRUE(t.ok());
    t.dir("abc");
    t.file("file", 1);
    std::string deep = "abc";
    for (int i = 0; i < 36; i++)  // well past 511 characters
        deep += "/directory-level-" + std::to_string(i);
    ASSERT_EQ(system(("mkdir -p " + t.sys(deep)).c_str()), 0);

    PANEL p;
    p.path = t.root();
    const struct { std::string to; bool ok; std::string path; } rows[] = {
        {"a?c", false, ""},              // no wildcard search: "abc" is not "a?c"
        {"ab*", false, ""},
        {"file", false, ""},
        {"missing", false, ""},
        {"abc/", true, "/abc"},
        {"abc/../abc/.", true, "/abc"},  // relative to the panel, normalised
        {deep, true, "/" + deep},        // the last: the panel stays there
    };
    for (const auto& r : rows) {
        p.path = t.root();
        EXPECT_EQ(p.ChangeVirtualWD(Westring(r.to.c_str())), r.ok) << r.to;
        EXPECT_EQ(p.path, t.root() + Westring(r.path.c_str())) << r.to;
    }
    EXPECT_GT(p.path.strlen(), 600);
    t.file(deep + "/leaf", 7);
    p.showing = true;
    panel_test_settings();
    change_dir(&p, L"");
    EXPECT_EQ(listed(p), ".. leaf");
    change_dir(&p, L"..");
    EXPECT_EQ(listed(p), ".. directory-level-35");
}
