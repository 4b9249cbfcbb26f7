#include "command/execute.h"
#include "command/scroll_back.h"
#include "console/colours.h"
#include "fileops/file_system.h"
#include "panels/change_dir.h"
#include "tests/screen/screen_helpers.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Commands typed and run inside px, on the windowless console: real
// programs on a real pseudo-terminal, the panels and the screen around them.

namespace {

std::string home(const std::string& name)
{
    return px_home() + "/" + name;
}

void write_mode(const std::string& path, const std::string& text, mode_t mode)
{
    write_file(path, text);
    chmod(path.c_str(), mode);
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// Typing a command line and Enter.
ScreenStep COMMAND(const std::string& line)
{
    return KEYS(typed({}, line, {KEY_RETURN}));
}

// An ini file of its own for one test, removed with it.
struct IniFile
{
    explicit IniFile(const std::string& text) { write_file(path, text); }
    ScratchDir dir{"pxexecini"};
    std::string path = dir.sys("px.ini");
};

void go_to_entry(const wchar_t* name)
{
    goto_fname(&panel_base[currpanel], name);
}

}

TEST(Exec, OutputShowsUnderThePanels)
{
    run_px({}, {COMMAND("echo hello > out; echo hello"), CHECK([] {
                    EXPECT_EQ(read_file(home("out")), "hello\n");
                    // Both panels were read again and list the new file.
                    int y = screen_row_of("out ");
                    ASSERT_GE(y, 0);
                    EXPECT_EQ(screen_text(console, y, 1, 4), "out ");
                    EXPECT_EQ(screen_text(console, y, 41, 4), "out ");
                    EXPECT_EQ(console.GetTitle().ToUTF8(), Estring(("Pannex: " + px_home()).c_str()));
                }),
                KEYS({ctrl('O')}), CHECK([] {
                    int echo = screen_row_of(">echo hello > out; echo hello");
                    ASSERT_GE(echo, 0);
                    EXPECT_EQ(row(echo).substr(0, px_home().size()), px_home());
                    EXPECT_EQ(console.Cell(0, echo).attr, config.Colours[ColourCommandLine]);
                    EXPECT_EQ(row(echo + 1).substr(0, 6), "hello ");
                    EXPECT_EQ(console.Cell(0, echo + 1).attr, 0x07);
                })});
}

TEST(Exec, ResultsAndThePerFileLoop)
{
    run_px({}, {CHECK([] {
        EXPECT_EQ(run(L"false", currpanel, L"", 0), 1);
        EXPECT_EQ(run(L"exit 7", currpanel, L"", 0), 7);
        EXPECT_EQ(run(L"kill -TERM $$", currpanel, L"", 0), -1);
        for (const char* f : {"f1", "f2", "f3"})
            write_file(home(f), "");
        PANEL* p = &panel_base[currpanel];
        change_dir(panel_base, currpanel, L"");
        for (int i = 0; i < p->Count(); i++)
            if (Westring(p->entries[i]->name).left(1) == L"f") {
                p->entries[i]->tagged = 1;
                p->tagged_count++;
            }
        ASSERT_EQ(p->tagged_count, 3);
        // The second file fails: the loop stops there. ("!=" would be the
        // current name followed by "=".)
        EXPECT_EQ(run_file(L"touch done-!t && test !t !!= f2", currpanel, L"", 0), 1);
        EXPECT_TRUE(exists(home("done-f1")));
        EXPECT_TRUE(exists(home("done-f2")));
        EXPECT_FALSE(exists(home("done-f3")));
    })});
}

TEST(Exec, InternalCd)
{
    // The panel and the process are in home's subdirectory sub (or home).
    auto at = [](const std::string& sub) {
        return CHECK([sub] {
            std::string dir = sub.empty() ? px_home() : home(sub);
            EXPECT_EQ(FileNameToSys(panel_base[currpanel].path).c_str(), dir);
            EXPECT_EQ(FileNameToSys(PxGetCwd()).c_str(), dir);
        });
    };
    run_px({}, {CHECK([] { mkdir(home("sub dir").c_str(), 0755); }),
                COMMAND("cd sub\\ dir"), at("sub dir"),
                COMMAND("cd .."), at(""),
                COMMAND("cd ~/sub\\ dir"), at("sub dir"),
                COMMAND("cd"), at(""),
                COMMAND("cd nosuch"), CHECK([] {
                    EXPECT_GE(screen_row_of("Invalid directory"), 0);
                    EXPECT_GE(screen_row_of(home("nosuch")), 0);
                }),
                KEYS({KEY_ESC}), at("")});
}

TEST(Exec, WhatTheChildGets)
{
    IniFile ini("PathAppend=/opt/pa\r\n[Environment]\nGREETING=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n"
                "PATH=$PATH:/opt/x\n");
    setenv("http_proxy", "http://lower:1", 1);
    setenv("HTTP_PROXY", "http://upper:2", 1);
    std::string path = std::getenv("PATH");
    run_px({ini.path.c_str()},
           {COMMAND("env > e1"), COMMAND("env > e2"), COMMAND("env > e3"), COMMAND("set GREETING=hi there"),
            COMMAND("env > e4; tty > tty.out"), CHECK([path] {
                std::string e1 = read_file(home("e1")), e3 = read_file(home("e3")), e4 = read_file(home("e4"));
                EXPECT_NE(e1.find("\nGREETING=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n"), std::string::npos) << e1;
                for (const std::string& line : {"PATH=" + path + ":/opt/x:/opt/pa", std::string("TERM=xterm"),
                                                 std::string("http_proxy=http://lower:1"), std::string("HTTP_PROXY=http://upper:2")})
                    EXPECT_NE(e3.find("\n" + line + "\n"), std::string::npos) << line << "\n" << e3;
                EXPECT_NE(e4.find("\nGREETING=hi there\n"), std::string::npos) << e4;
                EXPECT_EQ(read_file(home("tty.out")).rfind("/dev/pts/", 0), 0u);
            })});
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
}

TEST(Exec, AssociationsAndExecutablesByEnterAndDoubleClick)
{
    IniFile ini("[Associations]\n*.txt: printf '[%s]' ! > assoc.out\n");
    int cursor_row = 0;
    run_px({ini.path.c_str()},
           {CHECK([] {
                write_file(home("a b.txt"), "");
                write_mode(home("tool"), "#!/bin/sh\necho \"ran $0\" > tool.out\n", 0755);
                write_file(home("plain"), "");
            }),
            KEYS({ctrl('R')}), CHECK([] { go_to_entry(L"a b.txt"); }), KEYS({KEY_RETURN}), CHECK([&] {
                EXPECT_EQ(read_file(home("assoc.out")), "[a b.txt]");
                std::remove(home("assoc.out").c_str());
                go_to_entry(L"a b.txt");
                cursor_row = 1 + panel_base[currpanel].cursor;
                console.InputButton(CConsole::EvDoubleClick, 1, 5, cursor_row, 0);
            }),
            KEYS({}), CHECK([] {
                EXPECT_EQ(read_file(home("assoc.out")), "[a b.txt]");
                go_to_entry(L"tool");
            }),
            KEYS({KEY_RETURN}), CHECK([] {
                EXPECT_EQ(read_file(home("tool.out")), "ran " + home("tool") + "\n");
                go_to_entry(L"plain");
            }),
            // Neither associated nor executable: nothing runs.
            KEYS({KEY_RETURN}), CHECK([] { EXPECT_EQ(screen_row_of(">plain"), -1); })});
}

TEST(Exec, ARemovedDirectoryRunsNothing)
{
    run_px({}, {CHECK([] { mkdir(home("gone").c_str(), 0755); }), COMMAND("cd gone"),
                CHECK([] { EXPECT_EQ(rmdir(home("gone").c_str()), 0); }), COMMAND("touch x"), CHECK([] {
                    EXPECT_GE(screen_row_of("No such file or directory"), 0);
                    EXPECT_GE(screen_row_of(home("gone")), 0);
                }),
                KEYS({KEY_ESC}), CHECK([] { EXPECT_FALSE(exists(home("x"))); })});
}

TEST(Exec, ADirectoryNamedHomeRemovesOnlyItself)
{
    run_px({}, {CHECK([] {
                    mkdir(home("$HOME").c_str(), 0755);
                    write_file(home("$HOME/f"), "");
                    write_file(home("keep"), "precious");
                }),
                KEYS({ctrl('R')}), CHECK([] { go_to_entry(L"$HOME"); }), KEYS(type_keys("rm -rf ")),
                KEYS({KEY_CTRL_RETURN}), CHECK([] { EXPECT_GE(screen_row_of(">rm -rf \\$HOME "), 0); }),
                KEYS({KEY_RETURN}), CHECK([] {
                    EXPECT_FALSE(exists(home("$HOME")));
                    EXPECT_EQ(read_file(home("keep")), "precious");
                })});
}

TEST(Exec, ALongListStopsAndSaysSo)
{
    int passed = 0;
    run_px({}, {CHECK([] {
                    for (int i = 0; i < 5000; i++) {
                        char name[80];
                        std::snprintf(name, sizeof name, "%04d_%055d", i, 0);
                        close(open(home(name).c_str(), O_CREAT | O_WRONLY, 0644));
                    }
                }),
                KEYS({ctrl('R'), KEY_CTRL_GREY_PLUS}),
                CHECK([] { EXPECT_EQ(panel_base[currpanel].tagged_count, 5000); }),
                COMMAND("printf '%s\\n' !l | wc -l > count"), CHECK([&] {
                    int y = screen_row_of("names passed");
                    ASSERT_GE(y, 0);
                    std::string text = row(y);
                    size_t at = text.find("Command line too long: ");
                    ASSERT_NE(at, std::string::npos) << text;
                    passed = std::atoi(text.c_str() + at + 23);
                    EXPECT_NE(text.find(" of 5000 names passed"), std::string::npos) << text;
                    EXPECT_GT(passed, 1000);
                    EXPECT_LT(passed, 5000);
                }),
                KEYS({KEY_RETURN}), CHECK([&] {
                    EXPECT_EQ(std::atoi(read_file(home("count")).c_str()), passed);
                    EXPECT_EQ(panel_base[currpanel].tagged_count, 5000 - passed);
                })});
}

TEST(Exec, ScrollBackOfCommandOutputAndSwitchedOff)
{
    int length = 0;
    // After clear, nothing from before the command scrolls into the buffer.
    run_px({}, {CHECK([] { ScrollBack.Clear(); }), COMMAND("clear; seq -f 'L%03g' 1 200"),
                CHECK([&] { length = ScrollBack.Count(); }), KEYS({ctrl('B')}), CHECK([] {
                    // The last page ends with the screen as it was.
                    int y = screen_row_of("L200");
                    EXPECT_GE(y, 20);
                    EXPECT_EQ(screen_row_of("10Quit"), -1);
                }),
                KEYS({KEY_HOME}), CHECK([] { EXPECT_EQ(row(0).substr(0, 5), "L001 "); }), KEYS({KEY_PGDN}),
                CHECK([] { EXPECT_EQ(row(0).substr(0, 5), "L024 "); }),  // a page less two lines
                KEYS({KEY_ESC}), CHECK([&] {
                    EXPECT_EQ(ScrollBack.Count(), length);
                    EXPECT_GE(screen_row_of("10Quit"), 0);
                })});
    // Switched off: nothing is kept, and Ctrl+B does nothing.
    IniFile ini("ConsoleScrollback=off\r\n");
    run_px({ini.path.c_str()}, {CHECK([] { ScrollBack.Clear(); }), COMMAND("seq 1 100"),
                                CHECK([] { EXPECT_EQ(ScrollBack.Count(), 0); }), KEYS({ctrl('B')}),
                                CHECK([] { EXPECT_GE(screen_row_of("10Quit"), 0); })});
}

TEST(Exec, CompletionPicksFromTheList)
{
    run_px({}, {CHECK([] {
                    write_file(home("report1.txt"), "");
                    write_file(home("report2.txt"), "");
                }),
                KEYS(type_keys("ls rep")), KEYS({KEY_CTRL_TAB}),
                CHECK([] { EXPECT_GE(screen_row_of(">ls report "), 0); }), KEYS({KEY_CTRL_TAB}), CHECK([] {
                    EXPECT_GE(screen_row_of("report1.txt"), 0);
                    EXPECT_GE(screen_row_of("report2.txt"), 0);
                }),
                KEYS({KEY_DOWN, KEY_RETURN}), CHECK([] { EXPECT_GE(screen_row_of(">ls report2.txt "), 0); })});
}

TEST(Exec, BuiltInsAndTheDesktopsFileWindow)
{
    // A stub file browser on PATH records what it was given.
    ScratchDir bin("pxexecbin");
    std::string old_path = std::getenv("PATH");
    std::string args = bin.sys("args");
    // (Written whole under another name first: the test reads it as it
    // appears.)
    write_mode(bin.sys("xdg-open"),
               "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args + ".tmp' && mv '" + args + ".tmp' '" + args + "'\n", 0755);
    setenv("PATH", (bin.path + ":" + old_path).c_str(), 1);
    run_px({}, {CHECK([] { write_file(home("notes.txt"), "first note\n"); }), COMMAND("$view notes.txt"),
                CHECK([] {
                    // The internal viewer, on the name taken relative to the
                    // command's directory.
                    EXPECT_EQ(row(0).rfind("View: " + home("notes.txt"), 0), 0u) << row(0);
                    EXPECT_EQ(row(1).rfind("first note", 0), 0u) << row(1);
                }),
                KEYS({KEY_ESC}), CHECK([] { mkdir(home("a dir").c_str(), 0755); }), COMMAND("cd a\\ dir"),
                KEYS({ctrl('W')}), CHECK([args] {
                    // Started in the background: wait for what it writes.
                    for (int i = 0; i < 2000 && read_file(args) == "<missing>"; i++)
                        usleep(5000);
                    EXPECT_EQ(read_file(args), home("a dir") + "\n");
                })});
    setenv("PATH", old_path.c_str(), 1);
}
