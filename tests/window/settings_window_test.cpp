#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool shows(const CWindowHarness::Snapshot& s, const std::string& text)
{
    for (const std::string& r : s.rows)
        if (r.find(text) != std::string::npos)
            return true;
    return false;
}

// A directory with a dot-file and two plain files, and the program's home.
class SettingsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!h.StartDisplay())
            GTEST_SKIP() << h.Missing();
        dir = h.Scratch("files");
        mkdir(dir.c_str(), 0755);
        for (const char* n : {"/.secret", "/zeta", "/alpha"})
            std::ofstream(dir + n) << n;
        mkdir(h.Home().c_str(), 0755);
        mkdir((h.Home() + "/.pxl").c_str(), 0755);
        ini = h.Home() + "/.pxl/px.ini";
    }
    void quit()
    {
        ASSERT_TRUE(h.Key("F10"));
        CWindowHarness::Snapshot s;
        ASSERT_TRUE(h.WaitSnapshot([](const CWindowHarness::Snapshot& s) { return shows(s, "Are you sure"); }, s));
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(10000), 0);
    }

    CWindowHarness h;
    std::string dir, ini;
};

}

TEST_F(SettingsWindow, HiddenOnShowsDotFiles)
{
    std::ofstream(ini) << "Hidden=on\r\n";
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", dir, "-r", dir}));
    ASSERT_TRUE(h.WaitWindow());
    CWindowHarness::Snapshot s;
    EXPECT_TRUE(h.WaitSnapshot([](const CWindowHarness::Snapshot& s) { return shows(s, ".secret"); }, s));
    quit();
}

TEST_F(SettingsWindow, ShiftF9WritesWhatTheNextStartReads)
{
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", dir, "-r", dir}));
    ASSERT_TRUE(h.WaitWindow());
    CWindowHarness::Snapshot first;
    ASSERT_TRUE(h.WaitSnapshot([](const CWindowHarness::Snapshot& s) { return shows(s, "alpha"); }, first));
    // Left panel brief and sorted by name reversed; then save.
    ASSERT_TRUE(h.Key("alt+shift+F1"));
    ASSERT_TRUE(h.Key("ctrl+F8"));
    ASSERT_TRUE(h.Key("shift+F9"));
    CWindowHarness::Snapshot before;
    ASSERT_TRUE(h.WaitSnapshot(
        [&](const CWindowHarness::Snapshot& s) {
            struct stat st;
            return stat(ini.c_str(), &st) == 0 && s.rows != first.rows;
        },
        before));
    quit();
    std::ifstream in(ini, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("LeftStyle=brief\r\n"), std::string::npos);
    EXPECT_NE(text.str().find("LeftSort=rname\r\n"), std::string::npos);

    CWindowHarness again;
    ASSERT_TRUE(again.StartDisplay());
    mkdir(again.Home().c_str(), 0755);
    mkdir((again.Home() + "/.pxl").c_str(), 0755);
    std::ofstream(again.Home() + "/.pxl/px.ini", std::ios::binary) << text.str();
    ASSERT_TRUE(again.StartProgram(PX_PROGRAM, {"-l", dir, "-r", dir}));
    ASSERT_TRUE(again.WaitWindow());
    CWindowHarness::Snapshot after;
    ASSERT_TRUE(again.WaitSnapshot([](const CWindowHarness::Snapshot& s) { return shows(s, "alpha"); }, after));
    // The same layout and order as when the settings were saved.
    for (int y = 0; y < 22; y++)
        EXPECT_EQ(after.rows[y], before.rows[y]) << "row " << y;
    again.Key("F10");
    again.Key("Return");
    EXPECT_EQ(again.WaitExit(10000), 0);
}
