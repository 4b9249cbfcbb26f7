#include "panels/directory.h"

#include "fileops/file_system.h"
#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Every result of one search, names in directory order.
std::vector<std::string> find_all(Directory& d, const wchar_t* pattern, unsigned long attributes, int& status)
{
    std::vector<std::string> names;
    entry* e = nullptr;
    for (status = d.FindFirst(pattern, attributes, &e); status == 0; status = d.FindNext(&e)) {
        names.push_back(FileNameToSys(Westring(e->name)).c_str());
        if (attributes & SearchAllocate)
            entry::Destroy(e);
    }
    d.FindEnd();
    std::sort(names.begin(), names.end());
    return names;
}

std::string joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& n : v)
        s += (s.empty() ? "" : " ") + n;
    return s;
}

}

TEST(WildSimple, MatchesCaseSensitively)
{
    const struct { const wchar_t* pattern; const wchar_t* name; int match; } rows[] = {
        {L"*", L"anything", 1},
        {L"", L"", 1},
        {L"*.txt", L"a.TXT", 0},        // unlike wild, case counts
        {L"a?c", L"abc", 1},
        {L"a?c", L"ac", 0},
        {L"*ab*ab", L"abXabab", 1},     // a star tried at every position
        {L"a[bc]", L"a[bc]", 1},        // no sets: brackets are characters
        {L"a[bc]", L"ab", 0},
        {L"*x", L"", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(wild_simple(r.pattern, r.name), r.match) << Westring(r.pattern).ToUTF8().c_str();
}

TEST(ReservedFile, KnowsTheProgramsOwnNames)
{
    EXPECT_EQ(reserved_file(L"descript.ion"), 1);
    EXPECT_EQ(reserved_file(L"DESCRIPT.ION"), 0);
    EXPECT_EQ(reserved_file(L"WP ROOT. SF"), 0);
    EXPECT_EQ(reserved_file(L"descript.ion~"), 0);
}

TEST(Directory, SearchAttributesChooseTheNames)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("file.c", "x");
    t.write(".hidden", "x");
    ASSERT_EQ(mkdir(t.sys("sub").c_str(), 0755), 0);
    ASSERT_EQ(symlink("sub", t.sys("sublink").c_str()), 0);

    const struct { const wchar_t* pattern; unsigned long attributes; const char* names; } rows[] = {
        {L"*", SearchPanel, ". .. .hidden file.c sub sublink"},
        {L"*", SearchAllocate, "file.c"},                              // no dot names, no directories
        {L"*", SearchDirectories, "file.c sub sublink"},
        {L"*", SearchDirectories | SearchDirsOnly | SearchHidden, ". .. sub sublink"},
        {L"*.c", SearchPanel, "file.c"},
        {L"s*", SearchPanel, "sub sublink"},
        {L"sub/*", SearchPanel, ". .."},                                // a directory part in the pattern
    };
    for (const auto& r : rows) {
        Directory d(FileNameFromSys(t.path.c_str()));
        int status;
        EXPECT_EQ(joined(find_all(d, r.pattern, r.attributes, status)), r.names) << r.attributes;
        EXPECT_EQ(status, StatusNoMoreFiles);
    }
}

TEST(Directory, EntriesCarryTheFileData)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("five", "12345");
    ASSERT_EQ(mkdir(t.sys("dir").c_str(), 0755), 0);
    ASSERT_EQ(symlink("five", t.sys("good").c_str()), 0);
    ASSERT_EQ(symlink("missing", t.sys("broken").c_str()), 0);
    struct timespec times[2] = {{1600000000, 5}, {1600000000, 5}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.sys("five").c_str(), times, 0), 0);

    const struct { const char* name; unsigned short attributes; unsigned long long size; } rows[] = {
        {"five", 0, 5},
        {"dir", AttrDirectory, 0},
        {"good", AttrSymLink, 5},                                  // the target's data
        {"broken", AttrSymLink | AttrBrokenLink, 7},               // its own: "missing"
    };
    Directory d(FileNameFromSys(t.path.c_str()));
    for (const auto& r : rows) {
        entry* e = nullptr;
        ASSERT_EQ(d.FindFirst(Westring(r.name).c_str(), SearchPanel, &e), 0) << r.name;
        EXPECT_EQ(e->attributes & ~AttrReadOnly, r.attributes) << r.name;
        EXPECT_EQ(e->size, r.size) << r.name;
        EXPECT_EQ(e->uid, getuid());
        EXPECT_EQ(e->match_pos, -1);
        if (std::string(r.name) == "five") {
            EXPECT_EQ(e->time.seconds, 1600000000);
            EXPECT_EQ(e->time.nanoseconds, 5u);
            EXPECT_TRUE(S_ISREG(e->mode));
        }
        entry::Destroy(e);
    }
}

TEST(Directory, OwnersKeepTheirFullIds)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("owned", "x");
    if (lchown(t.sys("owned").c_str(), 70000, 70001) != 0)
        GTEST_SKIP() << "only the superuser may give a file away";
    Directory d(FileNameFromSys(t.path.c_str()));
    entry* e = nullptr;
    ASSERT_EQ(d.FindFirst(L"owned", SearchPanel, &e), 0);
    EXPECT_EQ(e->uid, 70000u);  // not 70000 - 65536
    EXPECT_EQ(e->gid, 70001u);
    entry::Destroy(e);
}

TEST(Directory, ErrorsAreErrnoValues)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("f", "x");
    Directory d(FileNameFromSys(t.path.c_str()));
    EXPECT_EQ(d.FindFirst(L"missing/*", SearchPanel, nullptr), ENOENT);
    EXPECT_EQ(d.FindFirst(L"f/*", SearchPanel, nullptr), ENOTDIR);
    EXPECT_EQ(d.Find(L"nothing*", SearchPanel), StatusNoMoreFiles);
    EXPECT_EQ(d.Find(L"f", SearchPanel), 0);
}

TEST(Directory, UndecodableNameIsItsOwnEntry)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    // Latin-1 "café" beside its UTF-8 spelling: two names, two entries.
    t.write("caf\xE9", "1");
    t.write("caf\xC3\xA9", "22");
    Directory d(FileNameFromSys(t.path.c_str()));
    int status;
    std::vector<std::string> names = find_all(d, L"caf*", SearchPanel, status);
    EXPECT_EQ(names, (std::vector<std::string>{"caf\xC3\xA9", "caf\xE9"}));
    entry* e = nullptr;
    ASSERT_EQ(d.FindFirst(FileNameFromSys("caf\xE9").c_str(), SearchPanel, &e), 0);
    EXPECT_TRUE(IsRawNameByte(e->name[3]));
    EXPECT_EQ(e->size, 1u);
    entry::Destroy(e);
}
