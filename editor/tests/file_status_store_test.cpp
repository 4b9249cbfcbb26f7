#include "editor/file_status_store.h"

#include "foundation/nls.h"

#include <gtest/gtest.h>

TEST(FileStatusStore, NamesCountByTheirExactBytes)
{
    FileStatusStore store;
    // "ä.txt" as the Latin-1 byte E4 (kept by the file-name codec as a raw
    // byte) and as UTF-8; and two names differing in case only.
    const Westring names[] = {FileNameFromSys("\xE4.txt"), FileNameFromSys("\xC3\xA4.txt"), L"Notes", L"notes"};
    long long offset = 100;
    for (const Westring& n : names)
        store.Obtain(n).viewOffset = offset++;
    EXPECT_EQ(store.Count(), 4);
    offset = 100;
    for (const Westring& n : names) {
        HISTREC* r = store.Find(n);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->viewOffset, offset++);
        EXPECT_TRUE(r->name.strlen() == n.strlen() && fncompare(r->name.c_str(), n.c_str()) == 0);
    }
    EXPECT_EQ(store.Find(L"NOTES"), nullptr);
}
