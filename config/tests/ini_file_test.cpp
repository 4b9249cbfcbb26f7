#include "command/environment.h"
#include "command/scroll_back.h"
#include "config/associations.h"
#include "config/config.h"
#include "config/ini_file.h"
#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Reads px.ini files from a directory of its own; the messages the reader
// shows are collected from the screen as each box waits for its answer.
class IniFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.IniFile = FileNameFromSys(ini.c_str());
        console.SetSize(80, 25, "", 0);
        script_keys(console, {}, KEY_ESC);
        console.idle_hook = [this] {
            for (int y = 0; y < console.Lines(); y++) {
                std::string row = screen_text(console, y);
                size_t a = row.find_first_not_of(" \xE2\x95\x91");
                if (row.find("\xE2\x95\x91") != std::string::npos && a != std::string::npos &&
                    row.find("Bad") != std::string::npos)
                    messages.push_back(row.substr(a, row.find_last_not_of(" \xE2\x95\x91") - a + 1));
                if (row.find("Syntax error") != std::string::npos)
                    messages.push_back("Syntax error in association");
            }
        };
    }
    void TearDown() override
    {
        console.idle_hook = nullptr;
        console.Queue().SetFallbackKey(0);
        config.IniFile = L"";
        for (Westring& d : dirstore)
            d = L"";
    }
    void read(const std::string& text)
    {
        tmp.write("px.ini", text);
        messages.clear();
        configure(0);
    }
    std::string slurp(const std::string& path) const { return TempDir::read(path); }

    TempDir tmp;
    std::string dir = tmp.path, ini = tmp.file("px.ini");
    std::vector<std::string> messages;
};

}

TEST_F(IniFile, MissingOrEmptyGivesTheDefaults)
{
    for (bool exists : {false, true}) {
        if (exists)
            tmp.write("px.ini", "");
        messages.clear();
        config.Hidden = true;
        configure(0);
        EXPECT_TRUE(messages.empty());
        EXPECT_FALSE(config.Hidden);
        EXPECT_EQ(config.LeftSort, SortName);
        EXPECT_EQ(config.RightStyle, DetailFull);
        EXPECT_EQ(config.TabWidth, 8);
        EXPECT_STREQ(config.Viewer2.c_str(), L"pager");
        EXPECT_EQ(config.Colours[0], 0x1B);
    }
}

TEST_F(IniFile, SpellingsOfTheTypes)
{
    read("Hidden=ON\nClock=yes\nShadows = off \nLeftSort=rsize\nRightSort=Extension\nLeftStyle=BriefWide\n"
         "RightStyle=tree\nLeftType=info\nTimeMode=24\nCmdChar=#\nStartupSide=R\nFontFamily=Mono\n"
         "Editor=vim \xC3\xA4\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(config.Hidden);
    EXPECT_FALSE(config.Clock);       // only "on" switches on
    EXPECT_FALSE(config.Shadows);
    EXPECT_EQ(config.LeftSort, 8);    // size, reversed
    EXPECT_EQ(config.RightSort, SortExtension);
    EXPECT_EQ(config.LeftStyle, DetailBriefWide);
    EXPECT_EQ(config.RightStyle, DetailTree);  // a panel left showing the tree
    EXPECT_EQ(config.LeftType, PanelInfo);
    EXPECT_EQ(config.TimeMode, 24);
    EXPECT_EQ(config.CmdChar, L'#');
    EXPECT_EQ(config.StartupSide, L'R');
    EXPECT_STREQ(config.Editor.c_str(), L"vim \x00E4");
    read("TimeMode=12h\nRightSort=bogus\n");
    EXPECT_EQ(config.TimeMode, 12);
    EXPECT_EQ(config.RightSort, SortName);
}

TEST_F(IniFile, NumbersOutOfRangeKeepTheDefault)
{
    read("FontSize=abc\nMaxHist=99999999999999\nCodePage=-5\nScrollDelay=25ms\nCMPTime=3\nTabWidth=12\n"
         "MouSpeed=0\nLines=300\n");
    EXPECT_EQ(config.FontSize, 12);
    EXPECT_EQ(config.MaxHist, 500);
    EXPECT_EQ(config.CodePage, 0);
    EXPECT_EQ(config.ScrollDelay, 10);
    EXPECT_EQ(config.CMPTime, 3);
    EXPECT_EQ(config.TabWidth, 8);     // outside 1..8
    EXPECT_EQ(config.MouSpeed, 8);
    EXPECT_EQ(config.ScreenRows, 25);  // more than 250 rows
    console.SetSize(80, 25, "", 0);
}

TEST_F(IniFile, ClipboardAndShellSwitches)
{
    read("XClipboard=off\nWaitShell=on\n");
    EXPECT_FALSE(config.XClipboard);
    EXPECT_TRUE(config.WaitShell);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(save_config(), 0);
    std::string saved = slurp(ini);
    EXPECT_NE(saved.find("XClipboard=off\r\n"), std::string::npos);
    EXPECT_NE(saved.find("WaitShell=on\r\n"), std::string::npos);
    // The names older versions used are no keys at all.
    read("PMClip=off\nWaitDOS=on\n");
    EXPECT_TRUE(config.XClipboard);
    EXPECT_FALSE(config.WaitShell);
    EXPECT_EQ(messages, (std::vector<std::string>{"Bad directive (PMClip) in px.ini, line 1",
                                                  "Bad directive (WaitDOS) in px.ini, line 2"}));
}

TEST_F(IniFile, ColoursStoredPathsAndBadDirectives)
{
    read("Colours=1 2 3\nd3=/srv/data\nd10=/x\nBogus=1\n");
    EXPECT_EQ(config.Colours[0], 1);
    EXPECT_EQ(config.Colours[2], 3);
    EXPECT_EQ(config.Colours[3], 0x3E);  // the rest keep their defaults
    EXPECT_STREQ(dirstore[3].c_str(), L"/srv/data");
    EXPECT_EQ(messages, (std::vector<std::string>{"Bad directive (d10) in px.ini, line 3",
                                                  "Bad directive (Bogus) in px.ini, line 4"}));
}

TEST_F(IniFile, AssociationsArchiversAndEnvironment)
{
    read("*.txt: less\n"
         "[Viewer Associations]\n*.pdf: evince !\n(*.c: bad\n"
         "[Archiver:ZIP]\nExtract=unzip\n[Archiver:NOPE]\ndelete=zip -d\n"
         "[Environment]\nPATH=$PATH:/opt/bin\nCITY=\xD0\x9C\xD0\xBE\n");
    ASSERT_EQ(execAssociations.count, 1);
    EXPECT_STREQ(execAssociations.At(0)->mask.c_str(), L"*.txt");
    EXPECT_STREQ(execAssociations.At(0)->value.c_str(), L"less");
    ASSERT_EQ(viewAssociations.count, 1);
    EXPECT_EQ(messages, std::vector<std::string>{"Syntax error in association"});
    // The unknown archiver's lines belong to the one before it.
    EXPECT_STREQ(Archiver[0].value[ARCHIVER::Extract].c_str(), "unzip");
    EXPECT_STREQ(Archiver[0].value[ARCHIVER::Delete].c_str(), "zip -d");
    std::string path = std::string(ConfEnv.Get("PATH"));
    EXPECT_EQ(path, std::string(Env.Get("PATH")) + ":/opt/bin");
    EXPECT_STREQ(ConfEnv.Get("CITY"), "\xD0\x9C\xD0\xBE");  // UTF-8 kept, not cut to a code page

    std::string text = config_text().c_str();
    EXPECT_NE(text.find("[Associations]\r\n*.txt: less\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Environment]\nCITY=\xD0\x9C\xD0\xBE\nPATH=$PATH:/opt/bin\n\n"), std::string::npos);
    // Ten sections of seven keys, the keys not given at their defaults.
    EXPECT_NE(text.find("[Archiver:ZIP]\r\nCompress=zip -r\r\nCompressListfileSwitch=-@ <\r\n"
                        "Extract=unzip\r\nExtractListfileSwitch=\r\nDelete=zip -d\r\n"
                        "CompressDirSpec=! !/*\r\nExtractDirSpec=!/*\r\n\r\n"),
              std::string::npos);
    size_t sections = 0, keys = 0;
    for (size_t at = text.find("[Archiver:"); at != std::string::npos; at = text.find("[Archiver:", at + 1)) {
        sections++;
        size_t end = text.find("\r\n\r\n", at);
        for (size_t k = text.find("\r\n", at); k < end; k = text.find("\r\n", k + 2))
            keys++;
    }
    EXPECT_EQ(sections, 10u);
    EXPECT_EQ(keys, 70u);
}

TEST_F(IniFile, ArchiverSectionOverridesFieldByField)
{
    read("[Archiver:GZIP]\nCompress=pigz -c %f > %a\n");
    EXPECT_STREQ(Archiver[6].value[ARCHIVER::Compress].c_str(), "pigz -c %f > %a");
    EXPECT_STREQ(Archiver[6].value[ARCHIVER::Extract].c_str(), "gzip -dc %a > %f");
    EXPECT_STREQ(Archiver[8].value[ARCHIVER::Delete].c_str(), "7z d -spd");
    // Reading again (Edit Associations) starts from the defaults.
    read("");
    EXPECT_STREQ(Archiver[6].value[ARCHIVER::Compress].c_str(), "gzip -c %f > %a");
}

TEST_F(IniFile, SaveReadSaveIsByteIdentical)
{
    read("Hidden=on\nLeftSort=rname\n*.c: gcc !\nd0=/home\n[Environment]\nX=1\n");
    ASSERT_EQ(save_config(), 0);
    std::string first = slurp(ini);
    EXPECT_NE(first.find("\r\nHidden=on\r\n"), std::string::npos);
    EXPECT_NE(first.find("LeftSort=rname\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\nd0=/home\r\n"), std::string::npos);
    configure(0);
    ASSERT_EQ(save_config(), 0);
    EXPECT_EQ(slurp(ini), first);

    // Reversed unsorted is written as unsorted.
    config.RightSort = static_cast<sortby>(9);
    ASSERT_EQ(save_config(), 0);
    EXPECT_NE(slurp(ini).find("RightSort=unsorted\r\n"), std::string::npos);
}

TEST_F(IniFile, SavingNeverLosesTheOldFile)
{
    // A symbolic link at the ini path keeps naming the file it names.
    std::string real = tmp.write("real.cfg", "Hidden=on\n");
    ASSERT_EQ(symlink(real.c_str(), ini.c_str()), 0);
    configure(0);
    config.Clock = true;
    ASSERT_EQ(save_config(), 0);
    struct stat st;
    ASSERT_EQ(lstat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(slurp(real).find("Clock=on\r\n"), std::string::npos);
}

TEST_F(IniFile, AFileSizeLimitLeavesTheOldFileAndNoTemporary)
{
    // The same failure as a full disk, without privileges: a child process
    // whose files may not grow past 100 bytes saves a longer px.ini.
    read("Hidden=on\n");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(save_config() == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "save_config did not report EFBIG";
    EXPECT_EQ(slurp(ini), "Hidden=on\n");
    // Nothing but the ini itself is left in its directory.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"px.ini"});
}

TEST_F(IniFile, FailuresLeaveTheOldFile)
{
    // A small file system of our own: first read-only, then full.
    std::string mnt = dir + "/small";
    mkdir(mnt.c_str(), 0755);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no small tmpfs can be mounted here";
    std::string small_ini = tmp.write("small/px.ini", "Hidden=on\n");
    config.IniFile = FileNameFromSys(small_ini.c_str());
    configure(0);

    ASSERT_EQ(mount("tmpfs", mnt.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=8k"), 0);
    int readonly_err = save_config();
    ASSERT_EQ(mount("tmpfs", mnt.c_str(), "tmpfs", MS_REMOUNT, "size=8k"), 0);
    std::string after_readonly = slurp(small_ini);

    tmp.write("small/filler", std::string(64 * 1024, 'x'));
    int full_err = save_config();
    std::string after_full = slurp(small_ini);
    umount(mnt.c_str());

    EXPECT_EQ(readonly_err, EROFS);
    EXPECT_EQ(after_readonly, "Hidden=on\n");
    EXPECT_EQ(full_err, ENOSPC);
    EXPECT_EQ(after_full, "Hidden=on\n");
}

TEST_F(IniFile, ScrollBackSettingsReachTheBuffer)
{
    const struct { const char* text; bool collect; int lines; } rows[] = {
        {"", true, 10000},
        {"ConsoleScrollback=off\nScrollbackLines=100\n", false, 100},
        {"ScrollbackLines=1000000\n", true, 1000000},
        {"ScrollbackLines=99\n", true, 10000},        // below the range: the default stays
        {"ScrollbackLines=1000001\n", true, 10000},
    };
    for (const auto& r : rows) {
        read(r.text);
        EXPECT_EQ(config.ConsoleScrollback, r.collect) << r.text;
        EXPECT_EQ(config.ScrollbackLines, r.lines) << r.text;
        EXPECT_EQ(ScrollBackCollecting(), r.collect) << r.text;
        EXPECT_EQ(ScrollBack.Capacity(), r.lines) << r.text;
    }
    // Written right after ConsoleScrollback; the terminal's default changed
    // with the Debian alternative.
    read("ScrollbackLines=250\n");
    std::string text = config_text().c_str();
    EXPECT_NE(text.find("ConsoleScrollback=on\r\nScrollbackLines=250\r\n"), std::string::npos);
    EXPECT_NE(text.find("Background=x-terminal-emulator -e ! &\r\n"), std::string::npos);
    read("");
}
