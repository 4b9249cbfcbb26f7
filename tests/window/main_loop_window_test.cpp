#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct Output
{
    int status;
    std::string out;
};

// Runs px without a display and collects what it writes.
Output run_plain(const std::string& args)
{
    Output o;
    std::string cmd = "env -u DISPLAY '" + std::string(PX_PROGRAM) + "' " + args + " 2>&1";
    FILE* f = popen(cmd.c_str(), "r");
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        o.out.append(buf, n);
    int st = pclose(f);
    o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return o;
}

}

TEST(PxCommandLine, UsageErrorsNeedNoWindow)
{
    Output o = run_plain("-q");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Usage:\tpx [ini_file] [-v|-e file_name] [-l|-r directory]\n\t-v: invoke internal viewer\n"
                     "\t-e: invoke internal editor\n\t-l: specify left panel's directory\n"
                     "\t-r: specify right panel's directory\n");
    o = run_plain("-v");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "No file specified\n");
}

TEST(PxWindow, CommandLineTitleAndQuit)
{
    for (bool close : {false, true}) {
        CWindowHarness h;
        if (!h.StartDisplay())
            GTEST_SKIP() << h.Missing();
        ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {}));
        ASSERT_TRUE(h.WaitWindow());
        CWindowHarness::Snapshot s;
        ASSERT_TRUE(h.WaitSnapshot([](const CWindowHarness::Snapshot& s) { return s.title.rfind(PANNEX_NAME ": /", 0) == 0; }, s));
        ASSERT_TRUE(h.Type("echo hi"));
        ASSERT_TRUE(h.WaitSnapshot(
            [](const CWindowHarness::Snapshot& s) { return s.rows[23].find(">echo hi ") != std::string::npos; }, s));
        EXPECT_EQ(s.rows[24].substr(0, 8), "1Help   ");
        if (close)
            ASSERT_TRUE(h.CloseWindow());
        else
            ASSERT_TRUE(h.Key("F10"));
        ASSERT_TRUE(h.WaitSnapshot(
            [](const CWindowHarness::Snapshot& s) {
                for (const std::string& r : s.rows)
                    if (r.find("Are you sure you want to exit " PANNEX_NAME " ?") != std::string::npos)
                        return true;
                return false;
            },
            s));
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(10000), 0) << (close ? "closed" : "F10");
    }
}

TEST(PxWindow, ABadDirectiveInPxIniIsShown)
{
    CWindowHarness h;
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    std::string pxl = h.Home() + "/.pxl";
    mkdir(h.Home().c_str(), 0755);
    mkdir(pxl.c_str(), 0755);
    FILE* f = std::fopen((pxl + "/px.ini").c_str(), "w");
    // A key of an older version is no key now.
    std::fputs("PMClip=on\r\n", f);
    std::fclose(f);
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {}));
    ASSERT_TRUE(h.WaitWindow());
    CWindowHarness::Snapshot s;
    EXPECT_TRUE(h.WaitSnapshot(
        [](const CWindowHarness::Snapshot& s) {
            for (const std::string& r : s.rows)
                if (r.find("Bad directive (PMClip) in px.ini, line 1") != std::string::npos)
                    return true;
            return false;
        },
        s));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(h.Key("F10"));
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}
