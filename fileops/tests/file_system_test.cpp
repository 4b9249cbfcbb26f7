#include "fileops/file_system.h"

#include "temp_dir.h"

#include <cerrno>

using FileSystem = TempDirTest;

TEST(DosMove, NeverReplacesAnExistingName)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("a", "source");
    t.write("b", "target");
    ASSERT_EQ(symlink("nowhere", t.sys("dangling").c_str()), 0);

    const struct { const char* to; int result; } rows[] = {
        {"b", EEXIST},
        {"a", EEXIST},        // onto itself
        {"dangling", EEXIST}, // a link to nothing is still a name
        {"c", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DosMove(t.wide("a"), t.wide(r.to)), r.result) << r.to;
    EXPECT_EQ(t.read("b"), "target");
    EXPECT_EQ(t.read("c"), "source");
    EXPECT_FALSE(t.exists("a"));
}

TEST(DosMove, AcrossFileSystemsGivesEXDEV)
{
    TempDir t, shm("/dev/shm");
    ASSERT_TRUE(t.ok());
    struct stat a, b;
    if (!shm.ok() || stat(t.path.c_str(), &a) != 0 || stat(shm.path.c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system: /dev/shm is missing or on the same one as " << t.path;
    t.write("f", "x");
    EXPECT_EQ(DosMove(t.wide("f"), shm.wide("f")), EXDEV);
    EXPECT_TRUE(t.exists("f"));
}

TEST_F(FileSystem, UndecodableNameIsRenamedTimedAndDeleted)
{
    // "caf\xE9" is Latin-1, not UTF-8; decoded as text it would read as
    // "café", the name of the file beside it.
    const std::string raw = "caf\xE9", lookalike = "caf\xC3\xA9";
    t.write(raw, "raw");
    t.write(lookalike, "utf8");
    Westring name = t.wide(raw);

    const TimeStamp when(1600000000, 123456789);
    TimeStamp got, other;
    ASSERT_EQ(GetFileTime(t.wide(lookalike), other), 0);
    ASSERT_EQ(SetFileTime(name, when), 0);
    ASSERT_EQ(GetFileTime(name, got), 0);
    EXPECT_TRUE(got == when);
    ASSERT_EQ(GetFileTime(t.wide(lookalike), got), 0);
    EXPECT_TRUE(got == other);

    ASSERT_EQ(DosMove(name, t.wide(raw + ".old")), 0);
    EXPECT_EQ(t.read(raw + ".old"), "raw");
    EXPECT_EQ(t.read(lookalike), "utf8");

    ASSERT_EQ(DosDelete(t.wide(raw + ".old")), 0);
    EXPECT_FALSE(t.exists(raw + ".old"));
    EXPECT_EQ(t.read(lookalike), "utf8");
}

TEST_F(FileSystem, LongTextsAreReadWhole)
{
    std::string target(3000, 'x');
    for (size_t i = 100; i < target.size(); i += 100)
        target[i] = '/';
    ASSERT_EQ(symlink(target.c_str(), t.sys("link").c_str()), 0);
    EXPECT_EQ(FileNameToSys(GetLinkTarget(t.wide("link"))).c_str(), target);
    EXPECT_TRUE(GetLinkTarget(t.wide("missing")).empty());

    // A current directory deeper than any fixed buffer.
    std::string deep = t.path;
    for (int i = 0; i < 12; i++) {
        deep += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    Westring before = PxGetCwd();
    ASSERT_EQ(cdd(FileNameFromSys(deep.c_str())), 0);
    EXPECT_EQ(FileNameToSys(PxGetCwd()).c_str(), deep);
    ASSERT_EQ(cdd(before), 0);
}

TEST_F(FileSystem, AttributeWordAndDelete)
{
    t.write(".hidden", "");
    t.write("locked", "");
    chmod(t.sys("locked").c_str(), 0444);
    symlink("nowhere", t.sys("broken").c_str());
    symlink("locked", t.sys("tolocked").c_str());

    const struct { const char* name; int status; unsigned attr; } rows[] = {
        {".hidden", 0, AttrHidden},
        {"locked", 0, AttrReadOnly}, // by its bits, even for root
        {"broken", 0, AttrSymLink | AttrBrokenLink},
        {"absent", StatusNoMoreFiles, 0},
        {"absent/x", ENOENT, 0},
    };
    for (const auto& r : rows) {
        unsigned attr = 0;
        EXPECT_EQ(GetFileAttr(t.wide(r.name), attr), r.status) << r.name;
        EXPECT_EQ(attr, r.attr) << r.name;
    }

    // A link is removed whatever its target allows.
    EXPECT_EQ(DosDelete(t.wide("tolocked")), 0);
    EXPECT_TRUE(t.exists("locked"));
    EXPECT_EQ(DosDelete(t.wide("absent")), ENOENT);
}
