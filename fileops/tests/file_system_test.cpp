#include "fileops/file_system.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void write_file(const std::string& path, const std::string& text)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
}

std::string read_file(const std::string& path)
{
    std::string text;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    char buf[256];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

}

TEST(DosMove, NeverReplacesAnExistingName)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    write_file(t.sys("a"), "source");
    write_file(t.sys("b"), "target");
    ASSERT_EQ(symlink("nowhere", t.sys("dangling").c_str()), 0);

    const struct { const char* to; int result; } rows[] = {
        {"b", EEXIST},
        {"a", EEXIST},        // onto itself
        {"dangling", EEXIST}, // a link to nothing is still a name
        {"c", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DosMove(t.wide("a"), t.wide(r.to)), r.result) << r.to;
    EXPECT_EQ(read_file(t.sys("b")), "target");
    EXPECT_EQ(read_file(t.sys("c")), "source");
    EXPECT_FALSE(exists(t.sys("a")));
}

TEST(DosMove, AcrossFileSystemsGivesEXDEV)
{
    TempDir here, shm("/dev/shm");
    ASSERT_TRUE(here.ok());
    struct stat a, b;
    if (!shm.ok() || stat(here.path.c_str(), &a) != 0 || stat(shm.path.c_str(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system: /dev/shm is missing or on the same one as "
                     << here.path;
    write_file(here.sys("f"), "x");
    EXPECT_EQ(DosMove(here.wide("f"), shm.wide("f")), EXDEV);
    EXPECT_TRUE(exists(here.sys("f")));
}

TEST(FileSystem, UndecodableNameIsRenamedTimedAndDeleted)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    // "caf\xE9" is Latin-1, not UTF-8; decoded as text it would read as
    // "café", the name of the file beside it.
    const std::string raw = "caf\xE9", lookalike = "caf\xC3\xA9";
    write_file(t.sys(raw), "raw");
    write_file(t.sys(lookalike), "utf8");
    Westring name = t.wide(raw);

    const TimeStamp when(1600000000, 123456789);
    TimeStamp got, other;
    ASSERT_EQ(GetFileTime(t.wide(lookalike), other), 0);
    ASSERT_EQ(SetFileTime(name, when), 0);
    ASSERT_EQ(GetFileTime(name, got), 0);
    EXPECT_TRUE(got == when);
    struct stat st;
    ASSERT_EQ(stat(t.sys(raw).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, when.seconds);
    ASSERT_EQ(GetFileTime(t.wide(lookalike), got), 0);
    EXPECT_TRUE(got == other);

    ASSERT_EQ(DosMove(name, t.wide(raw + ".old")), 0);
    EXPECT_EQ(read_file(t.sys(raw + ".old")), "raw");
    EXPECT_EQ(read_file(t.sys(lookalike)), "utf8");

    ASSERT_EQ(DosDelete(t.wide(raw + ".old")), 0);
    EXPECT_FALSE(exists(t.sys(raw + ".old")));
    EXPECT_EQ(read_file(t.sys(lookalike)), "utf8");
}

TEST(FileSystem, LongTextsAreReadWhole)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
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

TEST(FileSystem, AttributeWordAndDelete)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    write_file(t.sys(".hidden"), "");
    write_file(t.sys("locked"), "");
    chmod(t.sys("locked").c_str(), 0444);
    mkdir(t.sys("dir").c_str(), 0755);
    symlink("dir", t.sys("todir").c_str());
    symlink("nowhere", t.sys("broken").c_str());
    symlink("locked", t.sys("tolocked").c_str());

    const struct { const char* name; int status; unsigned attr; } rows[] = {
        {".hidden", 0, AttrHidden},
        {"locked", 0, AttrReadOnly}, // by its bits, even for root
        {"todir", 0, AttrSymLink | AttrDirectory},
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
    EXPECT_TRUE(exists(t.sys("locked")));
    EXPECT_EQ(DosDelete(t.wide("absent")), ENOENT);
}
