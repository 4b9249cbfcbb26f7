#include "panels/directory_history.h"
#include "panels/link_target_cache.h"
#include "panels/position_stack.h"
#include "panels/subdirectory_list.h"

#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(PosStack, OneRecordPerExactPath)
{
    CPosStack s;
    s.Store(L"/home/a", 3, L"x");
    s.Store(L"/home/A", 7, L"y");  // another directory on a case-sensitive system
    s.Store(L"/home/a", 5, L"z");
    EXPECT_EQ(s.Count(), 2);
    ASSERT_NE(s.Find(L"/home/a"), nullptr);
    EXPECT_EQ(s.Find(L"/home/a")->top, 5);
    EXPECT_EQ(s.Find(L"/home/a")->name, Westring(L"z"));
    EXPECT_EQ(s.Find(L"/home/A")->top, 7);
    EXPECT_EQ(s.Find(L"/home"), nullptr);
}

TEST(SubdirectoryList, KeepsNamesThatDifferOnlyInCase)
{
    CSubdirectoryList l;
    l.Add(L"photos");
    l.Add(L"Photos");
    l.Add(L"music");
    l.Seal();
    EXPECT_EQ(l.Count(), 3);
    EXPECT_TRUE(l.Contains(L"Photos"));
    EXPECT_TRUE(l.Contains(L"photos"));
    EXPECT_FALSE(l.Contains(L"PHOTOS"));
}

TEST(DirectoryHistory, NewestLastWithoutDuplicatesAndBounded)
{
    CDirectoryHistory h;
    h.Add(L"/a");
    h.Add(L"/b");
    h.Add(L"/a");
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h.At(0), Westring(L"/b"));
    EXPECT_EQ(h.At(1), Westring(L"/a"));
    h.Add(L"/A");  // a different directory
    EXPECT_EQ(h.Count(), 3);
    EXPECT_FALSE(h.DropLastIf(L"/a"));
    EXPECT_TRUE(h.DropLastIf(L"/A"));
    for (int i = 0; i < 150; i++)
        h.Add(Westring(L"/d") + static_cast<wchar_t>(L'0' + i % 10) + static_cast<wchar_t>(0x100 + i));
    EXPECT_EQ(h.Count(), CDirectoryHistory::MaxEntries);
    EXPECT_EQ(h.At(99), Westring(L"/d9") + static_cast<wchar_t>(0x100 + 149));
}

TEST(LinkTargetCache, ReadsEachLinkOnce)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(symlink("first", t.sys("l").c_str()), 0);
    CLinkTargetCache c;
    EXPECT_EQ(c.GetLinkTarget(t.wide("l")), Westring(L"first"));
    ASSERT_EQ(unlink(t.sys("l").c_str()), 0);
    ASSERT_EQ(symlink("second", t.sys("l").c_str()), 0);
    EXPECT_EQ(c.GetLinkTarget(t.wide("l")), Westring(L"first"));  // cached until the next read
    c.Clear();
    EXPECT_EQ(c.GetLinkTarget(t.wide("l")), Westring(L"second"));
}
