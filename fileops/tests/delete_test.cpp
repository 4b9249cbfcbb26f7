#include "fileops/delete.h"

#include "config/config.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "fileops/file_globals.h"
#include "fileops/tests/answer_script.h"
#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Deletions in a scratch directory, answering from a script.
class Delete : public CAnswerScript
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        set_config_defaults(config);
        CAnswerScript::SetUp();
        ResetFileGlobals();
    }
    void dirs(std::initializer_list<const char*> names)
    {
        for (const char* d : names)
            ASSERT_EQ(mkdir(t.sys(d).c_str(), 0755), 0) << d;
    }

    TempDir t;
};

}

TEST_F(Delete, DotNamesAndBackslashesAreOrdinaryNames)
{
    dirs({"a", "a/b", "a/b/c", "a/b/c/...", "a/keep", "x"});
    t.write("a/b/c/.../inside", "1");
    t.write("x\\y", "backslash");
    t.write("x/y", "slash");
    // The tree question, answered with YES.
    answers({'Y', 'E', 'S', KEY_RETURN});
    EXPECT_EQ(delete_dir(t.wide("a/b/c/..."), L"*"), 1);
    EXPECT_TRUE(asked("is not empty"));
    EXPECT_FALSE(t.exists("a/b/c/..."));
    EXPECT_TRUE(t.exists("a/b/c"));
    EXPECT_TRUE(t.exists("a/keep"));
    answers({});
    EXPECT_EQ(delete_file(t.wide("x\\y"), DeleteNoWindow), 1);
    EXPECT_FALSE(t.exists("x\\y"));
    EXPECT_EQ(t.read("x/y"), "slash");
    // ".." is never deleted.
    EXPECT_EQ(delete_dir(t.wide("a/b/.."), L"*"), 0);
    EXPECT_TRUE(t.exists("a/b"));
}

TEST_F(Delete, TheTreeQuestionWantsYesExactly)
{
    const struct { std::vector<int> keys; int confirmations; int result; } rows[] = {
        {{'y', 'e', 's', KEY_RETURN}, 0, -1},
        {{'Y', 'E', 'S', ' ', KEY_RETURN}, 0, -1},  // the field holds four characters
        {{KEY_ESC}, 0, -1},
        {{'Y', 'E', 'S', KEY_RETURN}, 0, 1},
        {{KEY_RETURN}, ConfirmYesPrompt, -1},        // buttons: Cancel is the default
        {{'y'}, ConfirmYesPrompt, 1},
        {{'a'}, ConfirmYesPrompt, 1},
        {{}, ConfirmDeleteTree, 1},                  // not asked at all
    };
    for (const auto& r : rows) {
        if (!t.exists("d")) {
            dirs({"d", "d/e"});
            t.write("d/e/f", "1");
        }
        config.Confirmations = r.confirmations;
        ResetFileGlobals();
        answers(r.keys);
        EXPECT_EQ(delete_dir(t.wide("d"), L"*"), r.result) << r.confirmations << " " << r.keys.size();
        EXPECT_EQ(t.exists("d"), r.result != 1);
        EXPECT_EQ(asked("Delete tree?"), !(r.confirmations & ConfirmDeleteTree));
    }
}

TEST_F(Delete, ReadOnlyFilesAreAskedAbout)
{
    const struct { int key; int result; bool gone; int policy; } rows[] = {
        {'y', 1, true, DeleteReadOnlyAsk},
        {'s', 0, false, DeleteReadOnlyAsk},
        {'a', 1, true, DeleteReadOnlyAll},
        {'e', 0, false, DeleteReadOnlyNone},
        {KEY_ESC, -1, false, DeleteReadOnlyAsk},
    };
    EXPECT_TRUE(t.as_ordinary_user([&] {
        for (const auto& r : rows) {
            ResetFileGlobals();
            t.write("ro", "x");
            EXPECT_EQ(chmod(t.sys("ro").c_str(), 0444), 0);
            answers({r.key});
            EXPECT_EQ(delete_file(t.wide("ro"), DeleteNoWindow), r.result) << r.key;
            EXPECT_TRUE(asked("File is Read Only, Delete anyway?"));
            EXPECT_EQ(!t.exists("ro"), r.gone);
            EXPECT_EQ(file_globals.del_all_RO, r.policy);
            unlink(t.sys("ro").c_str());
        }
        return !HasFailure();
    }));
}

TEST_F(Delete, AMaskKeepsFilesAndTheirDirectories)
{
    dirs({"d", "d/keep", "d/go"});
    t.write("d/a.tmp", "1");
    t.write("d/b.txt", "2");
    t.write("d/keep/c.txt", "3");
    t.write("d/go/d.tmp", "4");
    config.Confirmations = ConfirmDeleteTree;
    answers({});
    EXPECT_EQ(delete_dir(t.wide("d"), L"*.tmp"), 0);
    EXPECT_TRUE(screens.empty()) << "no error for what the mask kept";
    EXPECT_FALSE(t.exists("d/a.tmp"));
    EXPECT_FALSE(t.exists("d/go"));
    EXPECT_EQ(t.read("d/b.txt"), "2");
    EXPECT_EQ(t.read("d/keep/c.txt"), "3");
}

TEST_F(Delete, ALinkToADirectoryGoesAsALink)
{
    dirs({"real"});
    t.write("real/f", "kept");
    ASSERT_EQ(symlink("real", t.sys("lnk").c_str()), 0);
    answers({});
    EXPECT_EQ(delete_file(t.wide("lnk"), DeleteNoWindow), 1);
    EXPECT_FALSE(t.exists("lnk"));
    EXPECT_EQ(t.read("real/f"), "kept");
}

TEST_F(Delete, DeletedEntriesLoseTheirDescriptions)
{
    dirs({"d", "e"});
    t.write("descript.ion", "d A directory\r\ne Another\r\nf A file\r\n");
    t.write("f", "1");
    t.write("d/x", "1");
    config.Confirmations = ConfirmDeleteTree;
    answers({});
    CDescriptionSet set;
    EXPECT_EQ(delete_dir(t.wide("d"), L"*", nullptr, &set), 1);  // a tree
    EXPECT_EQ(delete_dir(t.wide("e"), L"*", nullptr, &set), 1);  // an empty one
    EXPECT_EQ(set.Flush(), 0);
    EXPECT_EQ(t.read("descript.ion"), "f A file\r\n");
    EXPECT_EQ(delete_file(t.wide("f"), DeleteQuiet), 1);
    EXPECT_FALSE(t.exists("descript.ion")) << "the last line gone, the file goes";
}

TEST_F(Delete, QuietModeSaysNothingOfMissingFiles)
{
    answers({});
    EXPECT_EQ(delete_file(t.wide("missing"), DeleteQuiet), 0);
    EXPECT_EQ(delete_file(t.wide("nodir/missing"), DeleteQuiet), 0);
    EXPECT_TRUE(screens.empty());
    // Outside quiet mode the same failure is reported.
    answers({KEY_ESC});
    EXPECT_EQ(delete_file(t.wide("missing"), DeleteNoWindow), -1);
    EXPECT_TRUE(asked("File not found"));
    // Other failures are reported in quiet mode too: a path through a
    // file, and a directory the user may not change.
    t.write("afile", "x");
    answers({KEY_ESC});
    EXPECT_EQ(delete_file(t.wide("afile/x"), DeleteQuiet), -1);
    EXPECT_TRUE(asked("Path not found"));
    dirs({"locked"});
    t.write("locked/f", "x");
    ASSERT_EQ(chmod(t.sys("locked").c_str(), 0555), 0);
    EXPECT_TRUE(t.as_ordinary_user([&] {
        answers({KEY_ESC});
        return delete_file(t.wide("locked/f"), DeleteQuiet) == -1 && asked("Access Denied");
    }));
    chmod(t.sys("locked").c_str(), 0755);
}
