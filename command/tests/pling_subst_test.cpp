#include "command/pling_subst.h"

#include "command/tests/exec_test_support.h"
#include "command/quote_name.h"
#include "command/temp_files.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

struct SUBST_ROW
{
    const char* name;      // the current entry of the left panel
    const char* command;
    const char* expected;
    int result;
};

Westring subst(const char* command, const wchar_t* file = nullptr, char mode = SubstNormal, int* result = nullptr)
{
    Westring c = FileNameFromSys(command);
    int r = pling_subst(c, file, 0, mode);
    if (result)
        *result = r;
    return c;
}

class PlingSubst : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exec_test_settings();
        set_panel(panel_base[1], "/o t", {"x y", "o1", "o2", "o3"}, 0);
    }
    void TearDown() override
    {
        set_command_room(0);
        CleanupTmpFiles();
    }
};

}

TEST_F(PlingSubst, EveryEscapeAgainstAName)
{
    const SUBST_ROW rows[] = {
        {"plain", "echo !", "echo plain", 0}, {"plain", "echo !!", "echo !", 0}, {"plain", "!", "plain", 0},
        {"plain", "echo !!f", "echo !f", 0},          // "!!" is never the start of an escape
        {"plain", "echo !.bak", "echo plain.bak", 0},  // the next character is not consumed
        {"plain", "echo !f", "echo /d/plain", 0}, {"plain", "echo !F", "echo /o\\ t/x\\ y", 0},
        {"plain", "echo !p !P !s !S", "echo /d /o\\ t /d/ /o\\ t/", 0},
        {"plain", "echo !s!", "echo /d/plain", 0},    // consecutive substitutions: one word
        {"plain", "echo !S!", "echo /o\\ t/plain", 0},
        {"plain", "echo !n", "echo ", 0}, {"plain", "echo !x", "echo plain", 0},
        {"plain", "echo !l", "echo plain", 0},        // nothing tagged: the current name
        {"plain", "echo !lf", "echo /d/plain", 0},
        {"plain", "echo !L", "echo ", 0},             // ... and nothing from the other panel
        {"plain", "echo !t", "echo ", 1},             // no file given
        {"a b", "echo !", "echo a\\ b", 0}, {"a b", "echo !f", "echo /d/a\\ b", 0},
        {"a b", "echo !x.txt", "echo a\\ b.txt", 0},
        {"$HOME", "echo !", "echo \\$HOME", 0},       // a name is never expanded
        {"$HOME", "rm -rf !", "rm -rf \\$HOME", 0},
        {"-rf", "rm !", "rm ./-rf", 0},               // never an option
        {"-rf", "rm x!", "rm x-rf", 0},               // not the start of a word
        {"-rf", "rm !f", "rm /d/-rf", 0}, {"-rf", "ls -l;rm !", "ls -l;rm ./-rf", 0},
        {"a.tar.gz", "echo !x", "echo a.tar", 0},
        {".profile", "echo !x", "echo .profile", 0},  // a leading dot is no extension
        {".profile", "cp ! !x.bak", "cp .profile .profile.bak", 0},
        {"it's", "echo !", "echo it\\'s", 0},
    };
    for (const auto& r : rows) {
        set_panel(panel_base[0], "/d", {r.name, "other"}, 0);
        int result = 0;
        Westring out = subst(r.command, nullptr, SubstNormal, &result);
        EXPECT_EQ(narrow(out), r.expected) << r.name << " in " << r.command;
        EXPECT_EQ(result, r.result) << r.name << " in " << r.command;
    }
}

TEST_F(PlingSubst, PerFileNames)
{
    set_panel(panel_base[0], "/d", {"cur.c", "f1.c"}, 0);
    const struct { const char* command; const wchar_t* file; const char* expected; } rows[] = {
        {"cc -c !t", L"f1.c", "cc -c f1.c"},
        {"cc -o !tx !t", L"f1.c", "cc -o f1 f1.c"},
        {"cc -o !tx !t", L"a b.c", "cc -o a\\ b a\\ b.c"},
        {"echo !t !", L"f1.c", "echo f1.c cur.c"},   // "!" stays the current name
    };
    for (const auto& r : rows) {
        int result = 0;
        EXPECT_EQ(narrow(subst(r.command, r.file, SubstNormal, &result)), r.expected) << r.command;
        EXPECT_EQ(result, 1) << r.command;
    }
}

TEST_F(PlingSubst, TaggedLists)
{
    const std::vector<int> all = {0, 1, 2}, others = {1, 2, 3}, none;
    const struct { const char* command; std::vector<int> left, right; const char* expected; int left_after, right_after; } rows[] = {
        {"tar cf x !l", all, none, "tar cf x a\\ b ./-rf c ", 0, 0},
        {"cp !lf /t", all, none, "cp /d/a\\ b /d/-rf /d/c  /t", 0, 0},
        {"cp !L .", none, others, "cp /o\\ t/o1 /o\\ t/o2 /o\\ t/o3  .", 0, 0},
        {"cp !Lf .", none, others, "cp /o\\ t/o1 /o\\ t/o2 /o\\ t/o3  .", 0, 0},
        {"echo !l", none, others, "echo a\\ b", 0, 3},        // none tagged here: the current name
        {"echo !L", all, none, "echo ", 3, 0},
    };
    for (const auto& r : rows) {
        set_panel(panel_base[0], "/d", {"a b", "-rf", "c"}, 0, r.left);
        set_panel(panel_base[1], "/o t", {"x y", "o1", "o2", "o3"}, 0, r.right);
        EXPECT_EQ(narrow(subst(r.command)), r.expected) << r.command;
        EXPECT_EQ(tags_left(panel_base[0]), r.left_after) << r.command;
        EXPECT_EQ(tags_left(panel_base[1]), r.right_after) << r.command;
    }
    // What a list passed is marked as the last operation's (Alt+Grey +).
    set_panel(panel_base[0], "/d", {"a b", "-rf", "c"}, 0, {0, 2});
    (void)subst("echo !l");
    EXPECT_EQ(panel_base[0].entries[0]->last_op, 1);
    EXPECT_EQ(panel_base[0].entries[1]->last_op, 0);
    EXPECT_EQ(panel_base[0].entries[2]->last_op, 1);

    // Outside the normal mode a list is the current name, and tags stay.
    set_panel(panel_base[0], "/d", {"a b", "-rf", "c"}, 1, {0, 2});
    EXPECT_EQ(narrow(subst("echo !l", L"-rf", SubstAssociation)), "echo ./-rf");
    EXPECT_EQ(tags_left(panel_base[0]), 2);
}

TEST_F(PlingSubst, AListStopsBeforeTheCommandGetsTooLong)
{
    std::vector<std::string> names;
    std::vector<int> tagged;
    for (int i = 0; i < 10; i++) {
        names.push_back("name" + std::to_string(i));
        tagged.push_back(i);
    }
    set_panel(panel_base[0], "/d", names, 0, tagged);
    set_command_room(40);  // "echo " + 5 names of 6 bytes with blanks, and " | wc"
    EXPECT_EQ(narrow(subst("echo !l| wc")), "echo name0 name1 name2 name3 name4 | wc");
    EXPECT_EQ(tags_left(panel_base[0]), 5);
    EXPECT_FALSE(panel_base[0].entries[4]->tagged);
    EXPECT_TRUE(panel_base[0].entries[5]->tagged);  // the rest stays tagged for the next go
}

TEST_F(PlingSubst, Modes)
{
    set_panel(panel_base[0], "/d", {"cur"}, 0);
    const struct { const char* command; const wchar_t* file; char mode; const char* expected; int result; } rows[] = {
        {"less", L"a b", SubstAssociation, "less a\\ b", 0},   // the file goes last
        {"", L"a b", SubstAssociation, "a\\ b", 0},
        {"view ! --x", L"a b", SubstAssociation, "view a\\ b --x", 0},
        {"echo !x", L"a.c", SubstAssociation, "echo a", 0},
        {"echo !f", L"/abs/p q", SubstAssociation, "echo /abs/p\\ q", 0},
        // The first pass leaves everything for the real one, and tells
        // whether "!t" occurs.
        {"cc !t -o !tx !@ !! !f $HOME", nullptr, SubstFirstPass, "cc !t -o !tx !@ !! !f $HOME", 1},
        {"echo ! !l !p", nullptr, SubstFirstPass, "echo ! !l !p", 0},
    };
    for (const auto& r : rows) {
        int result = 0;
        EXPECT_EQ(narrow(subst(r.command, r.file, r.mode, &result)), r.expected) << r.command;
        EXPECT_EQ(result, r.result) << r.command;
    }
}

TEST_F(PlingSubst, Prompts)
{
    set_panel(panel_base[0], "/d", {"cur"}, 0);
    auto type = [](const std::string& text, int last) {
        for (char c : text)
            console.Queue().Put({CConsole::EvKey, c, 0, 0, 0, 0});
        console.Queue().Put({CConsole::EvKey, last, 0, 0, 0, 0});
    };
    type("a b$HOME!x", KEY_RETURN);
    int result = 0;
    // The first pass inserts the answer as one word, protected from the
    // real pass's "!" and "$" handling.
    Westring c = subst("grep !i\"Text?\" !t", nullptr, SubstFirstPass, &result);
    EXPECT_EQ(narrow(c), "grep a\\ b\\$HOME\\!!x !t");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(pling_subst(c, L"f", 0, SubstNormal), 1);
    EXPECT_EQ(narrow(c), "grep a\\ b\\$HOME\\!x f");

    type("two words", KEY_RETURN);
    EXPECT_EQ(narrow(subst("echo !i")), "echo two\\ words");
    type("x", KEY_ESC);
    EXPECT_EQ(pling_subst(c = L"echo !i !", nullptr, 0, SubstNormal), -1);  // Esc cancels all
}

TEST_F(PlingSubst, AnotherCommandCharacter)
{
    config.CmdChar = L'%';
    set_panel(panel_base[0], "/d", {"a b"}, 0);
    EXPECT_EQ(narrow(subst("echo %f ! %%")), "echo /d/a\\ b ! %");
    EXPECT_EQ(narrow(subst("view", L"a b", SubstAssociation)), "view a\\ b");
}

TEST_F(PlingSubst, VariablesOnlyInTypedText)
{
    SessionEnv.Set("FOO", "bar");
    const SUBST_ROW rows[] = {
        {"n", "echo $FOO", "echo bar", 0},
        {"n", "echo $FOO$x", "echo barx", 0},     // a closing "$" goes with the name
        {"n", "echo $FOO/x", "echo bar/x", 0},
        {"n", "echo $foo", "echo $foo", 0},       // names are exact
        {"n", "echo $NOSUCH", "echo $NOSUCH", 0}, // unknown names stay for the shell
        {"n", "echo \\$FOO", "echo \\$FOO", 0},
        {"n", "echo '$FOO' \"$FOO\"", "echo '$FOO' \"bar\"", 0},
        {"n", "echo 'it''s' $FOO", "echo 'it''s' bar", 0},
        {"$FOO", "echo !", "echo \\$FOO", 0},     // inside a substituted name: never
        {"$FOO", "echo !f", "echo /d/\\$FOO", 0},
    };
    for (const auto& r : rows) {
        set_panel(panel_base[0], "/d", {r.name}, 0);
        EXPECT_EQ(narrow(subst(r.command)), r.expected) << r.command;
    }
    SessionEnv.Set("foo", "low");
    EXPECT_EQ(narrow(subst("echo $foo $FOO")), "echo low bar");
}

TEST_F(PlingSubst, ListFile)
{
    set_panel(panel_base[0], "/d", {"a b", "l\nf", "-x", "plain"}, 3, {0, 1, 2});
    Westring c = L"xargs -a !@ echo";
    ASSERT_EQ(pling_subst(c, nullptr, 0, SubstNormal), 0);
    std::string cmd = narrow(c);
    ASSERT_EQ(cmd.rfind("xargs -a ", 0), 0u);
    std::string path = narrow(DequoteName(FileNameFromSys(cmd.substr(9, cmd.size() - 9 - 5).c_str())));
    std::ifstream f(path);
    std::stringstream text;
    text << f.rdbuf();
    // LF line ends; a line feed inside a name is escaped for list readers.
    EXPECT_EQ(text.str(), "a\\ b\nl\\\nf\n./-x\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(tags_left(panel_base[0]), 3);

    set_panel(panel_base[0], "/d", {"only"}, 0);
    c = L"cat !@";
    ASSERT_EQ(pling_subst(c, nullptr, 0, SubstNormal), 0);
    std::ifstream g(narrow(DequoteName(FileNameFromSys(narrow(c).substr(4).c_str()))));
    std::stringstream one;
    one << g.rdbuf();
    EXPECT_EQ(one.str(), "only\n");
}
