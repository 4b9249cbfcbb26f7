#include "fileops/copy_move.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "fileops/copy_data.h"
#include "fileops/delete.h"
#include "fileops/tests/answer_script.h"
#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <strings.h>

namespace {

// Copies and moves in a scratch directory, answering from a script.
class CopyMove : public CAnswerScript
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        CAnswerScript::SetUp();
        ResetFileGlobals();
        copyTestHooks = CopyTestHooks();
    }
    void TearDown() override
    {
        CAnswerScript::TearDown();
        copyTestHooks = CopyTestHooks();
    }
    static int run(bool moving, const Westring& a, const Westring& b)
    {
        CDescriptionSet d;
        copy_status status;
        int r = moving ? move_file(a, b, 1, 1, &status, d) : copy_file(a, b, 1, 1, &status, d);
        EXPECT_EQ(d.Flush(), 0);
        return r;
    }
    int copy(const std::string& a, const std::string& b) { return run(false, t.wide(a), t.wide(b)); }
    int move(const std::string& a, const std::string& b) { return run(true, t.wide(a), t.wide(b)); }
    static ino_t inode(const std::string& path)
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    void mtime(const std::string& name, time_t when)
    {
        struct timespec ts[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, t.sys(name).c_str(), ts, AT_SYMLINK_NOFOLLOW), 0);
    }

    TempDir t;
};

}

TEST_F(CopyMove, EditNameBuildsTheDestination)
{
    ASSERT_EQ(mkdir(t.sys("dst").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("dst/docs").c_str(), 0755), 0);
    std::string d = t.path + "/dst";
    const struct { std::string name, target, out; } rows[] = {
        {"/s/a.txt", d + "/", d + "/a.txt"},
        {"/s/a.txt", d, d + "/a.txt"},                 // an existing directory takes the name
        {"/s/docs", d + "/docs", d + "/docs"},         // same last component: merge, no dst/docs/docs
        {"/s/a.txt", d + "/new.txt", d + "/new.txt"},  // a new name
        {"/s/a.txt", d + "/*.bak", d + "/a.bak"},
        {"/s/a.b.c", d + "/*.*", d + "/a.b"},
        {"/s/readme", d + "/?x*", d + "/rxeadme"},
        {"/s/a ", d + "/ b ", d + "/ b "},             // blanks at the ends are part of names
        {"/s/\xe4", d + "/", d + "/\xe4"},             // a name that is not UTF-8 stays itself
        {"/s/x\\y", d + "/", d + "/x\\y"},             // a backslash is part of a name
        {"/s/a", "/", "/a"},
    };
    for (const auto& r : rows) {
        Westring out;
        ASSERT_EQ(editname(FileNameFromSys(r.name.c_str()), FileNameFromSys(r.target.c_str()), out), 0) << r.target;
        EXPECT_EQ(std::string(FileNameToSys(out).c_str()), r.out) << r.name << " to " << r.target;
    }
}

// Mode and times of the copy: CopyData.EveryPathCopiesBytesTimesAndMode.
TEST_F(CopyMove, NewTargetsAskNothingAndAMoveInOneFileSystemIsOneRename)
{
    t.write("a", "data");
    ino_t before = inode(t.sys("a"));
    answers({});
    EXPECT_EQ(copy("a", "b"), 0);
    EXPECT_EQ(t.read("b"), "data");
    EXPECT_EQ(move("a", "c"), 0);
    EXPECT_EQ(inode(t.sys("c")), before);
    EXPECT_EQ(t.names(), "b c");
    EXPECT_TRUE(screens.empty());
}

TEST_F(CopyMove, OverwriteAnswersAndTheirPolicies)
{
    const struct { int key; int result; const char* b; int mode_after; } rows[] = {
        {'y', 0, "NEW", OverwriteAsk},
        {'s', ItemSkippedQuietly, "OLD", OverwriteAsk},
        {'a', 0, "NEW", OverwriteAlways},
        {'e', ItemSkippedQuietly, "OLD", OverwriteNever},
        {KEY_ESC, -1, "OLD", OverwriteAsk},
        {'d', 0, "OLD", OverwriteIfOlder},  // All Older: the newer target is kept, the item done
    };
    for (const auto& r : rows) {
        ResetFileGlobals();
        screens.clear();
        t.write("a", "NEW");
        t.write("b", "OLD");
        mtime("a", 1000000000);
        mtime("b", 1100000000);
        answers({r.key});
        EXPECT_EQ(copy("a", "b"), r.result) << r.key;
        EXPECT_EQ(t.read("b"), r.b) << r.key;
        EXPECT_EQ(file_globals.overwrite_mode, r.mode_after) << r.key;
        EXPECT_TRUE(asked("File already exists, Overwrite?")) << r.key;
        EXPECT_TRUE(asked("All Older")) << r.key;
        EXPECT_EQ(t.names(), "a b") << "no temporary is left";
    }
    // With a policy nothing is asked.
    screens.clear();
    file_globals.overwrite_mode = OverwriteIfOlder;
    mtime("b", 900000000);
    answers({});
    EXPECT_EQ(copy("a", "b"), 0);
    EXPECT_EQ(t.read("b"), "NEW");
    EXPECT_TRUE(screens.empty());
}

TEST_F(CopyMove, TheSameObjectIsNeverOverwritten)
{
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    t.write("d/f", "only copy");
    ASSERT_EQ(symlink("d", t.sys("l").c_str()), 0);
    ASSERT_EQ(link(t.sys("d/f").c_str(), t.sys("hard").c_str()), 0);
    const struct { const char* dst; int policy; } rows[] = {
        {"l/f", OverwriteAsk},     // through a linked directory
        {"l/f", OverwriteAlways},
        {"hard", OverwriteAlways}, // a hard link
        {"d/f", OverwriteAlways},  // the same name
    };
    for (const auto& r : rows) {
        for (bool moving : {false, true}) {
            ResetFileGlobals();
            file_globals.overwrite_mode = r.policy;
            screens.clear();
            answers({KEY_RETURN});
            int result = moving ? move("d/f", r.dst) : copy("d/f", r.dst);
            EXPECT_GT(result, 0) << r.dst;
            EXPECT_TRUE(asked("File cannot overwrite itself")) << r.dst << (moving ? " moving" : " copying");
            EXPECT_EQ(t.read("d/f"), "only copy") << r.dst;
        }
    }
}

namespace {
// Two spellings of one entry, as a file system that ignores case shows
// them: one inode.
bool same_spelling(const char* a, const char* b)
{
    return strcasecmp(std::strrchr(a, '/'), std::strrchr(b, '/')) == 0;
}
}

TEST_F(CopyMove, TwoSpellingsOfOneEntryAreRenamed)
{
    copyTestHooks.sameInode = same_spelling;
    t.write("readme", "content");
    // What the case-insensitive file system would show under the other
    // spelling; here a file of its own, which the hook makes the same.
    t.write("README", "content");
    ino_t before = inode(t.sys("readme"));
    answers({KEY_RETURN});
    EXPECT_EQ(move("readme", "README"), 0);
    EXPECT_TRUE(screens.empty()) << "no overwrite question, nothing deleted first";
    EXPECT_EQ(inode(t.sys("README")), before) << "one rename";
    EXPECT_EQ(t.names(), "README");
    // A copy onto the other spelling would copy the file onto itself.
    answers({KEY_RETURN});
    EXPECT_GT(copy("README", "readme2"), -1);
    t.write("readme", "content");
    screens.clear();
    answers({KEY_RETURN});
    EXPECT_GT(copy("readme", "README"), 0);
    EXPECT_TRUE(asked("File cannot overwrite itself"));
}

TEST_F(CopyMove, AFailedOverwriteKeepsTheOldTarget)
{
    // A move copies only across file systems: the target is on another
    // one where there is one.
    TempDir other("/dev/shm");
    struct stat a, b;
    bool across = other.ok() && stat(other.path.c_str(), &a) == 0 && stat(t.path.c_str(), &b) == 0 &&
                  a.st_dev != b.st_dev;
    const struct { const char* what; CopyTestHooks hooks; const char* message; } rows[] = {
        {"write", {.failWriteAt = 4096, .failWriteErrno = ENOSPC}, "No room for"},
        {"quota", {.failWriteAt = 0, .failWriteErrno = EDQUOT}, "No room for"},
        {"short write", {.failWriteAt = 100}, ""},
        {"fsync", {.failFsync = EIO}, "Error reading disk"},
        {"close", {.failClose = ENOSPC}, "No room for"},
    };
    std::string big(100000, 'x');
    for (const auto& r : rows) {
        for (bool moving : {false, true}) {
            if (moving && !across)
                continue;
            const TempDir& there = moving ? other : t;
            ResetFileGlobals();
            screens.clear();
            unlink(t.sys("b").c_str());
            t.write("a", big);
            there.write("b", "OLD");
            copyTestHooks = r.hooks;
            // Overwrite, then Skip at the failure.
            answers({'y', 's'});
            int result = run(moving, t.wide("a"), there.wide("b"));
            copyTestHooks = CopyTestHooks();
            EXPECT_GT(result, 0) << r.what;
            EXPECT_EQ(there.read("b"), "OLD") << r.what;
            EXPECT_TRUE(t.read("a") == big) << "the source stays";
            EXPECT_EQ(t.names(), moving ? "a" : "a b") << "no temporary";
            if (moving) {
                EXPECT_EQ(other.names(), "b") << "only the old target there";
            }
            if (*r.message) {
                EXPECT_TRUE(asked(r.message)) << r.message;
            }
            EXPECT_FALSE(asked(".px-")) << "messages name the target, never the temporary";
        }
    }
    if (!across)
        GTEST_SKIP() << "/dev/shm is not another file system here: the moves were not tried";
}

TEST_F(CopyMove, ADirectoryIsNeverCopiedIntoItself)
{
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    t.write("d/f", "x");
    ASSERT_EQ(symlink("d", t.sys("l").c_str()), 0);
    for (const char* dst : {"d/sub", "l/sub", "l/sub/deeper"}) {
        screens.clear();
        answers({KEY_RETURN});
        EXPECT_EQ(copy("d", dst), -1) << dst;
        EXPECT_TRUE(asked("Directory cannot be copied into itself")) << dst;
        EXPECT_EQ(t.names("d"), "f") << dst << ": nothing was made";
    }
    screens.clear();
    answers({KEY_RETURN});
    EXPECT_EQ(move("d", "l/sub"), -1);
    EXPECT_TRUE(asked("Directory cannot be copied into itself"));
    EXPECT_EQ(t.names("d"), "f");
}

TEST_F(CopyMove, MergeIsAskedForTheChosenDirectoryOnly)
{
    for (const char* d : {"s", "s/in", "t", "t/s", "t/s/in"})
        ASSERT_EQ(mkdir(t.sys(d).c_str(), 0755), 0);
    t.write("s/in/f", "new");
    t.write("s/g", "g");
    // Merge, then Overwrite for the one file that exists.
    t.write("t/s/in/f", "old");
    answers({'y', 'y'});
    EXPECT_EQ(copy("s", "t/s"), 0);
    EXPECT_TRUE(asked("Directory already exists, merge with source?"));
    int merges = 0;
    for (const std::string& s : screens)
        merges += s.find("merge with source?") != std::string::npos;
    EXPECT_EQ(merges, 1) << "never for the nested directory";
    EXPECT_EQ(t.read("t/s/in/f"), "new");
    EXPECT_EQ(t.read("t/s/g"), "g");

    // A move within the file system merges by renaming and removes the
    // emptied source.
    screens.clear();
    t.write("s/g", "g2");
    answers({'y', 'a'});
    EXPECT_EQ(move("s", "t/s"), 0);
    EXPECT_FALSE(t.exists("s"));
    EXPECT_EQ(t.read("t/s/g"), "g2");
}

TEST_F(CopyMove, NamesThatAreNotUtf8AreCopiedAndDeletedAsThemselves)
{
    t.write("\xe4", "latin1");
    t.write("\xc3\xa4", "utf8");
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    answers({});
    EXPECT_EQ(copy("\xe4", "d/\xe4"), 0);
    EXPECT_EQ(t.read("d/\xe4"), "latin1");
    EXPECT_EQ(t.names("d"), "\xe4");
    EXPECT_EQ(delete_file(t.wide("\xe4"), DeleteQuiet), 1);
    EXPECT_EQ(t.names(), "d \xc3\xa4");
    EXPECT_EQ(t.read("\xc3\xa4"), "utf8");
}

TEST_F(CopyMove, DescriptionsTravelWithTheirFiles)
{
    t.write("descript.ion", "a Alpha file\r\n\"b c\" Bee\r\n");
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    t.write("a", "1");
    t.write("b c", "2");
    answers({});
    EXPECT_EQ(copy("a", "d/a"), 0);
    EXPECT_EQ(t.read("d/descript.ion"), "a Alpha file\r\n");
    EXPECT_EQ(move("b c", "d/b c"), 0);
    EXPECT_EQ(t.read("d/descript.ion"), "a Alpha file\r\n\"b c\" Bee\r\n");
    EXPECT_EQ(t.read("descript.ion"), "a Alpha file\r\n");
}
