#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <ftw.h>
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

// File find in the real program: a tree with one file holding the text,
// px started on it with the search kept below the panel's directory.
class FindWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxfind.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        mkdir((root + "/deep").c_str(), 0755);
        mkdir((root + "/deep/er").c_str(), 0755);
        std::ofstream(root + "/deep/er/found.txt") << "the word zanzibar is here\n";
        std::ofstream(root + "/other.txt") << "nothing\n";
    }
    void TearDown() override
    {
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    bool start()
    {
        if (!h.StartDisplay())
            return false;
        mkdir(h.Home().c_str(), 0755);
        mkdir((h.Home() + "/.pxl").c_str(), 0755);
        std::ofstream(h.Home() + "/.pxl/px.ini") << "FFRootSearch=off\nFFRecurse=on\n";
        return h.StartProgram(PX_PROGRAM, {"-l", root, "-r", root}) && h.WaitWindow();
    }
    void step(const std::string& keys, const std::function<bool(const CWindowHarness::Snapshot&)>& pred,
              const char* what)
    {
        if (!keys.empty()) {
            ASSERT_TRUE(h.Key(keys)) << what;
        }
        EXPECT_TRUE(h.WaitSnapshot(pred, s, 20000)) << what << "\n" << dump();
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }

    std::string root;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

TEST_F(FindWindow, AltF7FindsByContentAndGoToReachesTheFile)
{
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("alt+F7", [](const auto& s) { return shows(s, " File Find ") && shows(s, "File(s) to find:"); }, "dialog");
    ASSERT_TRUE(h.Type("*.txt"));
    ASSERT_TRUE(h.Key("alt+t"));
    ASSERT_TRUE(h.Type("zanzibar"));
    step("Return", [](const auto& s) { return shows(s, "Search Complete:") && shows(s, "deep/er/found.txt"); },
         "search");
    EXPECT_FALSE(shows(s, "other.txt"));
    // F1 shows the find topic; Esc comes back to the results.
    // F1 shows the find topic, F1 there the contents on top of it; Esc
    // twice comes back to the results.
    step("F1", [](const auto& s) { return shows(s, "Alt+F7 searches for files"); }, "help");
    step("F1", [](const auto& s) { return shows(s, "Pannex shows two file panels"); }, "contents");
    step("Escape", [](const auto& s) { return shows(s, "Alt+F7 searches for files"); }, "back to the find topic");
    step("Escape", [](const auto& s) { return shows(s, "Search Complete:"); }, "back from help");
    step("Return", [&](const auto& s) { return !shows(s, " File Find ") && shows(s, "found.txt") && shows(s, "/er"); },
         "GoTo");
    EXPECT_EQ(s.title, "Pannex: " + root + "/deep/er");
    step("alt+shift+F7", [](const auto& s) { return shows(s, " File Find ") && shows(s, "deep/er/found.txt"); },
         "reopen");
    step("Escape", [](const auto& s) { return !shows(s, " File Find "); }, "leave");
    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(FindWindow, EscStopsASearchInAHugeFile)
{
    // A sparse file far larger than the test could read: the search is
    // still inside it when Esc arrives.
    int fd = open((root + "/huge.bin").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 1LL << 40), 0);
    close(fd);
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("alt+F7", [](const auto& s) { return shows(s, " File Find "); }, "dialog");
    ASSERT_TRUE(h.Type("huge.bin"));
    ASSERT_TRUE(h.Key("alt+t"));
    ASSERT_TRUE(h.Type("zanzibar"));
    // The status line names the directory being searched.
    step("Return",
         [&](const auto& s) {
             for (const std::string& r : s.rows)
                 if (r.find(root) != std::string::npos && r.find("║") != std::string::npos &&
                     r.find("═") == std::string::npos)
                     return true;
             return false;
         },
         "searching");
    step("Escape", [](const auto& s) { return shows(s, "Search Stopped:"); }, "stopped");
    EXPECT_TRUE(shows(s, " File Find "));
    step("Escape", [](const auto& s) { return !shows(s, " File Find "); }, "leave");
    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}
