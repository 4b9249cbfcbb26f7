#include "tools/find_replace.h"
#include "tools/tests/scratch_dir.h"

#include "fileops/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The names in a directory, to see that no temporary file was left.
std::set<std::string> names_in(const std::string& dir)
{
    std::set<std::string> r;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        r.insert(e.path().filename().string());
    return r;
}

// The file as a search would have found it.
entry* found_entry(const std::string& path)
{
    struct stat st;
    stat(path.c_str(), &st);
    entry* e = entry::Create(FileNameFromSys(path.c_str()));
    e->size = static_cast<unsigned long long>(st.st_size);
    e->time = TimeStamp(st.st_mtim.tv_sec, static_cast<unsigned>(st.st_mtim.tv_nsec));
    return e;
}

// Replaces in the file as found now, or as found earlier when found is given.
int replace(const ScratchDir& dir, const std::string& name, const Westring& text, const Westring& by, int& count,
            bool cs = true, entry* found = nullptr)
{
    ReplaceRequest r;
    r.text = text;
    r.replacement = by;
    r.case_sensitive = cs;
    r.code_page = 1252;
    entry* e = found ? found : found_entry(dir.sys(name));
    int rc = replace_in_file(dir.wide(name), r, e, count);
    entry::Destroy(e);
    return rc;
}

}

TEST(FindReplace, RewritesInTheFilesEncoding)
{
    ScratchDir dir;
    const struct { const char* what; std::string before; const wchar_t* text; const wchar_t* by; bool cs;
                   std::string after; int count; } rows[] = {
        {"longer", "a-b-a", L"a", L"xyz", true, "xyz-b-xyz", 2},
        {"shorter", "hello hello!", L"hello", L"hi", true, "hi hi!", 2},
        {"equal", "abcabc", L"bc", L"XY", true, "aXYaXY", 2},
        {"to nothing", "a,b,c", L",", L"", true, "abc", 2},
        {"a to e-acute in utf-8", "xax", L"a", L"\u00E9", true, "x\xC3\xA9x", 1},
        {"utf-8 search text", "caf\xC3\xA9 au lait", L"CAF\u00C9", L"tea", false, "tea au lait", 1},
        {"latin-1 file", "caf\xE9\x01", L"caf\u00E9", L"b\u00E8re", true, "b\xE8re\x01", 1},
        {"utf-16le with bom", std::string("\xFF\xFEo\0k\0 \0\n\0", 10), L"ok", L"fine", true,
         std::string("\xFF\xFE" "f\0i\0n\0e\0 \0\n\0", 14), 1},
        {"ignoring case", "Cat cAT", L"cat", L"dog", false, "dog dog", 2},
        {"no match", "nothing", L"zzz", L"y", true, "nothing", 0},
    };
    for (const auto& r : rows) {
        dir.write("f", r.before);
        int count = -1;
        EXPECT_EQ(replace(dir, "f", r.text, r.by, count, r.cs), 0) << r.what;
        EXPECT_EQ(count, r.count) << r.what;
        EXPECT_EQ(dir.read("f"), r.after) << r.what;
        EXPECT_EQ(names_in(dir.path), std::set<std::string>{"f"}) << r.what;
    }
}

TEST(FindReplace, KeepsModeLinksAndForeignFiles)
{
    ScratchDir dir;
    dir.write("script", "#!/bin/sh\necho old\n");
    chmod(dir.sys("script").c_str(), 0755);
    dir.write("target", "old text");
    ASSERT_EQ(symlink("target", dir.sys("link").c_str()), 0);
    dir.write("x.px@@@.tmp", "the user's own");
    int count = 0;
    ASSERT_EQ(replace(dir, "script", L"old", L"new", count), 0);
    struct stat st;
    ASSERT_EQ(stat(dir.sys("script").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(dir.read("script"), "#!/bin/sh\necho new\n");

    ASSERT_EQ(replace(dir, "link", L"old", L"new", count), 0);
    ASSERT_EQ(lstat(dir.sys("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dir.read("target"), "new text");
    EXPECT_EQ(dir.read("x.px@@@.tmp"), "the user's own");
    EXPECT_EQ(names_in(dir.path), (std::set<std::string>{"link", "script", "target", "x.px@@@.tmp"}));
}

TEST(FindReplace, RefusesAndSkipsWithoutHarm)
{
    ScratchDir dir;
    int count = 0;
    // Read-only: refused unless the user is root.
    dir.write("ro", "old");
    chmod(dir.sys("ro").c_str(), 0444);
    if (geteuid() != 0) {
        EXPECT_EQ(replace(dir, "ro", L"old", L"new", count), EACCES);
        EXPECT_EQ(dir.read("ro"), "old");
    }
    // Changed after it was found.
    dir.write("touched", "old");
    entry* e = found_entry(dir.sys("touched"));
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.sys("touched").c_str(), times, 0), 0);
    EXPECT_EQ(replace(dir, "touched", L"old", L"new", count, true, e), ReplaceChanged);
    EXPECT_EQ(dir.read("touched"), "old");
    // A Latin-1 file cannot hold a Greek letter.
    dir.write("latin", "caf\xE9 old\x01");
    EXPECT_EQ(replace(dir, "latin", L"old", L"\u03A9", count), ReplaceUnencodable);
    EXPECT_EQ(dir.read("latin"), "caf\xE9 old\x01");
    // Other hard links would be split from the new content.
    dir.write("one", "old");
    ASSERT_EQ(link(dir.sys("one").c_str(), dir.sys("two").c_str()), 0);
    EXPECT_EQ(replace(dir, "one", L"old", L"new", count), ReplaceHardLinks);
    EXPECT_EQ(names_in(dir.path), (std::set<std::string>{"latin", "one", "ro", "touched", "two"}));
}

TEST(FindReplace, FullDiskLeavesTheOriginal)
{
    ScratchDir dir;
    if (geteuid() != 0 || mount("tmpfs", dir.path.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    std::string text(40000, 'a');
    dir.write("f", text);
    int count = 0;
    EXPECT_EQ(replace(dir, "f", L"a", L"bb", count), ENOSPC);
    EXPECT_EQ(dir.read("f"), text);
    EXPECT_EQ(names_in(dir.path), std::set<std::string>{"f"});
    umount(dir.path.c_str());
}
