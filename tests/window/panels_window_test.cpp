#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// n cells of a snapshot row from cell x (UTF-8 in, UTF-8 out).
std::string cells(const std::string& row, int x, int n)
{
    size_t i = 0;
    auto skip = [&] {
        i++;
        while (i < row.size() && (static_cast<unsigned char>(row[i]) & 0xC0) == 0x80)
            i++;
    };
    for (int k = 0; k < x && i < row.size(); k++)
        skip();
    size_t from = i;
    for (int k = 0; k < n && i < row.size(); k++)
        skip();
    return row.substr(from, i - from);
}

// A scratch tree: A with two directories and three files, B with three
// files of different sizes.
class PanelsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxpanels.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* d : {"/A", "/A/alpha", "/A/beta", "/B"})
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
        file("/A/c.txt", 3000);
        file("/A/d.bin", 10);
        file("/A/e", 500);
        file("/B/small", 1);
        file("/B/large", 9999);
        file("/B/mid", 50);
    }
    void TearDown() override
    {
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    void file(const std::string& name, off_t size)
    {
        int fd = open((root + name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, size), 0);
        close(fd);
    }
    // Presses keys, then waits until the snapshot satisfies pred.
    void step(const std::string& keys, const std::function<bool(const CWindowHarness::Snapshot&)>& pred,
              const char* what)
    {
        if (!keys.empty()) {
            ASSERT_TRUE(h.Key(keys)) << what;
        }
        EXPECT_TRUE(h.WaitSnapshot(pred, s)) << what << "\n" << dump();
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    // The name on the status line of a panel (x 0 or 40).
    static std::string status(const CWindowHarness::Snapshot& s, int x)
    {
        std::string t = cells(s.rows[21], x + 1, 12);
        return t.substr(0, t.find_last_not_of(' ') + 1);
    }

    std::string root;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

TEST_F(PanelsWindow, BothDirectoriesListedAndMovedAround)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root + "/A", "-r", root + "/B"}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return cells(s.rows[6], 1, 1) == "e"; }, "start");
    const char* left[] = {"..", "alpha", "beta", "c.txt", "d.bin", "e"};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(cells(s.rows[1 + i], 1, std::string(left[i]).size()), left[i]);
    EXPECT_EQ(cells(s.rows[1], 15, 8), "\u25BAUP-DIR\u25C4");
    EXPECT_EQ(cells(s.rows[4], 15, 8), "    3000");
    const char* right[] = {"..", "large", "mid", "small"};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(cells(s.rows[1 + i], 41, std::string(right[i]).size()), right[i]);
    // ".." under the cursor in "Directory High", directories in
    // "Directories", files in "Panel".
    EXPECT_EQ(s.Attr(1, 1), 0x20);
    EXPECT_EQ(s.Attr(1, 2), 0x1A);
    EXPECT_EQ(s.Attr(1, 4), 0x1B);
    EXPECT_EQ(s.Attr(41, 1), 0x1A);  // no cursor bar in the other panel

    step("Down", [](const auto& s) { return status(s, 0) == "alpha"; }, "Down");
    EXPECT_EQ(s.Attr(1, 2), 0x20);
    step("End", [](const auto& s) { return status(s, 0) == "e"; }, "End");
    step("Home", [](const auto& s) { return status(s, 0) == ".."; }, "Home");
    std::string b = root + "/B>";
    step("Tab", [&](const auto& s) { return s.rows[23].rfind(b, 0) == 0; }, "Tab");
    EXPECT_EQ(s.Attr(41, 1), 0x20);
    step("ctrl+F6", [](const auto& s) { return cells(s.rows[2], 41, 5) == "large"; }, "Ctrl+F6");
    step("ctrl+F8", [](const auto& s) { return cells(s.rows[2], 41, 5) == "small"; }, "Ctrl+F8");
    EXPECT_EQ(cells(s.rows[4], 41, 5), "large");
    step("alt+shift+F1", [](const auto& s) { return cells(s.rows[1], 41, 13) == "..          \u2502"; },
         "Alt+Shift+F1");
    std::string a = root + "/A";
    step("Tab", [&](const auto& s) { return s.rows[23].rfind(a + ">", 0) == 0; }, "Tab back");
    step("Down", [](const auto& s) { return status(s, 0) == "alpha"; }, "Down");
    step("Return", [&](const auto& s) { return s.rows[23].rfind(a + "/alpha>", 0) == 0; }, "Enter");
    EXPECT_EQ(status(s, 0), "..");
    // The title X shows and the snapshot's agree.
    EXPECT_EQ(s.title, PANNEX_NAME ": " + a + "/alpha");
    EXPECT_EQ(h.WaitWindowName(PANNEX_NAME ": " + a + "/alpha"), PANNEX_NAME ": " + a + "/alpha");
    step("ctrl+Prior", [&](const auto& s) { return s.rows[23].rfind(a + ">", 0) == 0; }, "Ctrl+PgUp");
    EXPECT_EQ(status(s, 0), "alpha");

    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) {
        for (const std::string& r : s.rows)
            if (r.find("Are you sure") != std::string::npos)
                return true;
        return false;
    }, "quit");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}
