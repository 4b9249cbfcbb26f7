#include "command/completion.h"
#include "command/tests/exec_test_support.h"
#include "fileops/tests/temp_dir.h"
#include "panels/command_line.h"

#include <sys/stat.h>

namespace {

class Completion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exec_test_settings();
        ASSERT_TRUE(dir.ok() && bin.ok());
        for (const char* d : {"usr", "sub", "sub/deeper", "Makedir"})
            mkdir(dir.sys(d).c_str(), 0755);
        for (const char* f : {"report1.txt", "report2.txt", "a b.txt", "Makefile", "makefile", "cost$5", "star*",
                              "new\nline", "sub/inner.c", "solo.c"})
            dir.write(f, "x");
        for (const char* p : {"pxtool", "pxtoy", "pxplain"}) {
            bin.write(p, "#!/bin/sh\n");
            chmod(bin.sys(p).c_str(), std::string(p) == "pxplain" ? 0644 : 0755);
        }
        mkdir(bin.sys("pxdir").c_str(), 0755);
        SessionEnv.Set("PATH", bin.path.c_str());
        setenv("PATH", bin.path.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", "/usr/local/bin:/usr/bin:/bin", 1);
        exec_test_settings();
    }

    // The line after completion at the end (cursor in brackets when it is
    // not at the end), or "unchanged".
    std::string complete(const std::string& text, const std::vector<int>& keys = {})
    {
        for (int k : keys)
            console.Queue().Put({CConsole::EvKey, k, 0, 0, 0, 0});
        Westring line = FileNameFromSys(text.c_str());
        int cursor = line.strlen();
        if (!FileCompletion(line, cursor, dir.wide(""), L""))
            return "unchanged";
        EXPECT_EQ(cursor, line.strlen());
        return narrow(line);
    }

    TempDir dir, bin;
};

}

TEST_F(Completion, Words)
{
    const struct { const char* line; const char* expected; } rows[] = {
        {"ls u", "ls usr/"},                           // a directory: no blank after it
        {"ls report", "unchanged"},                    // needs the list: Esc fails it
        {"ls rep", "ls report"},                       // the shared beginning first
        {"cat a\\ ", "cat a\\ b.txt "},               // an escaped blank is part of the word
        {"cat <so", "cat <solo.c "},                   // after a redirection: a file
        {"cat x>so", "cat x>solo.c "},
        {"ls nothing", "unchanged"},
        {"ls Make", "unchanged"},                       // Makefile, Makedir/: the list (Esc)
        {"ls Makef", "ls Makefile "},
        {"ls makef", "ls makefile "},
        {"ls cos", "ls cost\\$5 "},
        {"ls sta", "ls star\\* "},
        {"ls new", "ls new'\n'line "},
        {"ls sub/in", "ls sub/inner.c "},
        {"ls sub/d", "ls sub/deeper/"},
        {"pxto", "unchanged"},                         // programs: pxtool and pxtoy
        {"pxtoo", "pxtool "},
        {"pxpl", "unchanged"},                         // not executable
        {"pxdi", "unchanged"},                         // a directory is no program
        {"ls ", "unchanged"},                          // no word
        {"ls /us", "ls /usr/"},                        // an absolute path leaves the directory
    };
    for (const auto& r : rows)
        EXPECT_EQ(complete(r.line), r.expected) << r.line;
}

TEST_F(Completion, TheListAndACursorInside)
{
    // A second Ctrl+Tab on "report" lists both; Down and Enter take the
    // second.
    EXPECT_EQ(complete("ls report", {KEY_DOWN, KEY_RETURN}), "ls report2.txt ");
    EXPECT_EQ(complete("ls report", {KEY_CTRL_RETURN}), "ls report1.txt ");
    EXPECT_EQ(complete("ls sub/", {KEY_RETURN}), "ls sub/deeper/");
    // The cursor in the middle: the text after it stays.
    Westring line = L"cat rep | wc";
    int cursor = 7;
    ASSERT_TRUE(FileCompletion(line, cursor, dir.wide(""), L""));
    EXPECT_EQ(narrow(line), "cat report | wc");
    EXPECT_EQ(cursor, 10);
}

TEST_F(Completion, NotPastTheLineLimit)
{
    std::string pad(MaxCommandLine - 14, 'x');  // the result is 511 long
    EXPECT_EQ(complete("echo " + pad + " so").size(), std::string("echo " + pad + " solo.c ").size());
    pad += "x";
    EXPECT_EQ(complete("echo " + pad + " so"), "unchanged");
}
