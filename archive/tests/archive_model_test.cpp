#include "archive/archive.h"
#include "archive/archive_file.h"
#include "archive/tests/archive_test_support.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

// A POSIX tar member: the header block (type '0', '5' or '2') and size
// bytes of data.
std::string tar_member(const std::string& name, size_t size = 0, char type = '0')
{
    std::string h(512, '\0');
    std::memcpy(&h[0], name.data(), std::min<size_t>(name.size(), 100));
    std::snprintf(&h[100], 8, "%07o", 0644);
    std::snprintf(&h[124], 12, "%011zo", size);
    std::snprintf(&h[136], 12, "%011o", 1614834368);
    h[156] = type;
    std::memcpy(&h[257], "ustar\0" "00", 8);
    std::memset(&h[148], ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : h)
        sum += c;
    std::snprintf(&h[148], 8, "%06o", sum);
    return h + std::string((size + 511) / 512 * 512, 'x');
}

std::string tar_of(const std::vector<std::string>& names)
{
    std::string t;
    for (const auto& n : names)
        t += tar_member(n, n.size());
    return t + std::string(1024, '\0');
}

// An archive read from bytes; the test's archive path is /x/t.tar.
struct MemoryArchive
{
    RecordingUI ui;
    std::unique_ptr<CArchiveMemoryFile> file;
    std::unique_ptr<Archive> archive;

    explicit MemoryArchive(const std::string& bytes, const wchar_t* path = L"/x/t.tar")
    {
        file = std::make_unique<CArchiveMemoryFile>(bytes.data(), bytes.size());
        archive = std::make_unique<Archive>(path, *file, ArchiveSettings{}, &ui);
    }
    Archive& operator*() { return *archive; }
    Archive* operator->() { return archive.get(); }
};

using Lines = std::vector<std::string>;

} // namespace

TEST(ArchiveModel, ListsEachDirectoryOnce)
{
    const struct { std::vector<std::string> members; const wchar_t* dir; Lines listing; } rows[] = {
        // Only a/b/c.txt is stored: a and b are implied, each listed once.
        {{"a/b/c.txt"}, L"", {"../", "a/"}}, {{"a/b/c.txt"}, L"a", {"../", "b/"}},
        {{"a/b/c.txt"}, L"a/b", {"../", "c.txt"}}, {{"a/b/c.txt"}, L"a/", {"../", "b/"}},
        // Stored and implied together, and a file beside a directory.
        {{"a/", "a/x", "a/b/", "a/b/y", "a/c/z", "f"}, L"", {"../", "f", "a/"}},
        {{"a/", "a/x", "a/b/", "a/b/y", "a/c/z", "f"}, L"a", {"../", "x", "b/", "c/"}},
        // "/" sorts below every other character: a/b lies before a-b.
        {{"a-b/1", "a.b/2", "a/b/3"}, L"", {"../", "a/", "a-b/", "a.b/"}},
        // Even below a control character: "a\x01" must not split "a".
        {{"a/x", "a\x01/y", "a/z"}, L"a", {"../", "x", "z"}},
        // Names differ by case.
        {{"Dir/1", "dir/2"}, L"dir", {"../", "2"}},
        {{"./x", "x"}, L"", {"../", "x", "x"}},
        {{"./d/", "./d/f"}, L"d", {"../", "f"}},
        // A directory that does not exist.
        {{"a/b/c.txt"}, L"b", {"(none)"}}, {{"a/b/c.txt"}, L"a/b/c.txt", {"(none)"}}, {{"ab/c"}, L"a", {"(none)"}},
        // Unsafe members at the root only, never as directories.
        {{"../up/x", "ok/y"}, L"", {"../", "../up/x", "ok/"}},
        {{"../up/x", "ok/y"}, L"..", {"(none)"}}, {{"../up/x", "ok/y"}, L"../up", {"(none)"}},
        {{"docs/../../evil", "docs/ok"}, L"docs", {"../", "ok"}},
    };
    for (const auto& r : rows) {
        MemoryArchive a(tar_of(r.members));
        ASSERT_EQ(a->status, 0);
        EXPECT_EQ(list_dir(*a, r.dir), r.listing) << r.members[0] << " in " << utf8(r.dir);
    }
}

TEST(ArchiveModel, DotSlashFlagsAndDuplicates)
{
    // The same stored name twice: the last one stored is listed (a tar
    // update appends). "./x" is another stored name and stays.
    std::string t = tar_member("x", 1) + tar_member("./x", 2) + tar_member("x", 3) + tar_member("d/", 0, '5') +
                    tar_member("d/", 0, '5') + std::string(1024, '\0');
    MemoryArchive a(t);
    ASSERT_EQ(a->status, 0);
    EXPECT_EQ(describe_all(*a), (Lines{"F x 3", "F x 2 ./", "D d"}));
    ArchiveListEntry e;
    ASSERT_EQ(a->FindFirst(L"", e), 0);
    ASSERT_EQ(a->FindNext(e), 0);
    EXPECT_FALSE(a->currentDotSlash);
    ASSERT_EQ(a->FindNext(e), 0);
    EXPECT_TRUE(a->currentDotSlash);
    EXPECT_EQ(e.size, 2u);
}

TEST(ArchiveModel, ListedEntries)
{
    std::string t = tar_member("d/", 0, '5') + tar_member("d/f", 5) + tar_member("ln", 0, '2') +
                    tar_member("../bad", 1) + std::string(1024, '\0');
    MemoryArchive a(t);
    a->archiveTime = TimeStamp(1700000000, 0);
    ArchiveListEntry e;
    auto next = [&] { return a->FindNext(e) == 0 ? utf8(e.name) : std::string("(none)"); };
    ASSERT_EQ(a->FindFirst(L"", e), 0);
    // ".." carries the archive's own time.
    EXPECT_EQ(utf8(e.name), "..");
    EXPECT_TRUE(e.IsDirectory());
    EXPECT_EQ(e.time, TimeStamp(1700000000, 0));
    EXPECT_EQ(e.member, nullptr);
    EXPECT_EQ(next(), "../bad");
    EXPECT_TRUE(e.unsafe && !e.IsDirectory());
    EXPECT_EQ(next(), "ln");
    EXPECT_TRUE(e.link);
    ASSERT_EQ(next(), "d");
    EXPECT_TRUE(e.IsDirectory());
    ASSERT_NE(e.member, nullptr);
    EXPECT_EQ(e.time.seconds, 1614834368);
    EXPECT_EQ(a->FindNext(e), -1);
    EXPECT_EQ(a->FindNext(e), -1);
    ASSERT_EQ(a->FindFirst(L"d", e), 0);
    ASSERT_EQ(next(), "f");
    EXPECT_EQ(e.size, 5u);
    EXPECT_EQ(e.packed, 1024u);
}

TEST(ArchiveModel, SymlinkedPathsAreUnsafe)
{
    std::string t = tar_member("etc", 0, '2') + tar_member("etc/passwd", 1) + tar_member("dir/", 0, '5') +
                    tar_member("dir/l", 0, '2') + tar_member("dir/l/deeper/x", 1) + tar_member("dir/lx", 1) +
                    std::string(1024, '\0');
    MemoryArchive a(t);
    EXPECT_EQ(describe_all(*a), (Lines{"F dir/l/deeper/x 1 unsafe", "F etc 0 link", "F etc/passwd 1 unsafe",
                                       "D dir", "F dir/l 0 link", "F dir/lx 1"}));
}

TEST(ArchiveModel, Totals)
{
    std::string t = tar_member("a", 10) + tar_member("d/", 0, '5') + tar_member("d/b", 600) + std::string(1024, '\0');
    MemoryArchive a(t);
    unsigned long long size, packed;
    a->GetTotals(size, packed);
    EXPECT_EQ(size, 610u);
    EXPECT_EQ(packed, 1024u + 1536u);
}

TEST(ArchiveModel, VirtualRootOfNestedArchives)
{
    MemoryArchive outer(tar_of({"in/t.tgz"}), L"/home/u/t.zip");
    EXPECT_EQ(utf8(outer->VirtualRoot()), "/home/u/t.zip");
    ArchiveListEntry e;
    ASSERT_EQ(outer->FindFirst(L"in", e), 0);
    RecordingUI ui;
    TempDir dir;
    std::string inner = dir.write("t.tgz", tar_of({"t.tar"}));
    Archive middle(Westring(inner.c_str()), &*outer, {}, &ui);
    ASSERT_EQ(middle.status, 0);
    EXPECT_EQ(utf8(middle.VirtualRoot()), "/home/u/t.zip/in/t.tgz");
    // At the parent's root the join has single slashes.
    std::string leaf = dir.write("t.tar", tar_of({"x"}));
    Archive innermost(Westring(leaf.c_str()), &middle, {}, &ui);
    EXPECT_EQ(utf8(innermost.VirtualRoot()), "/home/u/t.zip/in/t.tgz/t.tar");
    // The parent moving on later does not change where the child was.
    ASSERT_EQ(outer->FindFirst(L"", e), 0);
    EXPECT_EQ(utf8(middle.VirtualRoot()), "/home/u/t.zip/in/t.tgz");
    EXPECT_EQ(innermost.parent, &middle);
}

TEST(ArchiveModel, FixDotSlash)
{
    const struct { const wchar_t* in; const wchar_t* out; bool flag; } rows[] = {
        {L"./a/b", L"a/b", true}, {L".", L"", true}, {L"", L"", false},
        {L".a", L".a", false},    {L"a/./b", L"a/./b", false}, {L"./", L"", true},
    };
    for (const auto& r : rows) {
        std::wstring s = r.in;
        int len = static_cast<int>(s.size());
        EXPECT_EQ(Archive::FixDotSlash(s.data(), len), r.flag) << utf8(r.in);
        EXPECT_EQ(utf8(std::wstring(s.data(), static_cast<size_t>(len)).c_str()), utf8(r.out)) << utf8(r.in);
    }
}

TEST(ArchiveModel, ReloadSeesTheFileAgain)
{
    TempDir dir;
    std::string path = dir.write("r.tar", tar_of({"docs/a", "docs/b"}));
    RecordingUI ui;
    Archive* a = new Archive(Westring(path.c_str()), nullptr, {}, &ui);
    ASSERT_EQ(a->status, 0);
    ArchiveListEntry e;
    ASSERT_EQ(a->FindFirst(L"docs", e), 0);
    dir.write("r.tar", tar_of({"docs/a", "docs/c", "new"}));
    ASSERT_EQ(ArchiveReload(a, {}, &ui), 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(utf8(a->currentDirectory), "docs");
    EXPECT_EQ(list_dir(*a, L"docs"), (Lines{"../", "a", "c"}));
    // The directory the panel showed is gone: the reload lists the root.
    dir.write("r.tar", tar_of({"other"}));
    ASSERT_EQ(ArchiveReload(a, {}, &ui), 0);
    EXPECT_EQ(utf8(a->currentDirectory), "");
    // The file is gone: the archive goes too.
    std::remove(path.c_str());
    EXPECT_EQ(ArchiveReload(a, {}, &ui), -1);
    EXPECT_EQ(a, nullptr);
}

TEST(ArchiveModel, EmptyArchivesListOnlyTheParent)
{
    RecordingUI ui;
    Archive a(Westring((std::string(ARCHIVE_TEST_DATA) + "/empty.zip").c_str()), nullptr, {}, &ui);
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(list_dir(a, L""), (Lines{"../"}));
    EXPECT_EQ(list_dir(a, L"x"), (Lines{"(none)"}));
}
