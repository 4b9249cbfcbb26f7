#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Snapshot = CWindowHarness::Snapshot;

// The right half of a snapshot row (the rows are UTF-8; the frame and
// rule characters take three bytes a cell).
std::string right_half(const Snapshot& s, int y)
{
    const std::string& row = s.rows[static_cast<size_t>(y)];
    size_t i = 0;
    for (int cells = 0; cells < s.columns / 2 && i < row.size(); cells++) {
        i++;
        while (i < row.size() && (static_cast<unsigned char>(row[i]) & 0xC0) == 0x80)
            i++;
    }
    return row.substr(i);
}

bool right_shows(const Snapshot& s, const std::string& text)
{
    for (int y = 0; y < static_cast<int>(s.rows.size()) - 2; y++)
        if (right_half(s, y).find(text) != std::string::npos)
            return true;
    return false;
}

// The info panel in the real program: Ctrl+L and the menu's Info, and how
// it follows what happens in the directory it describes.
class InfoWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxinfo.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* name : {"a", "b", "c"})
            std::ofstream(root + "/" + name) << name;
        std::ofstream(root + "/dirinfo") << "Notes on this directory\n";
    }
    void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
    bool start()
    {
        if (!h.StartDisplay())
            return false;
        EXPECT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root, "-r", "/"}));
        EXPECT_TRUE(h.WaitWindow());
        EXPECT_TRUE(wait([](const Snapshot& s) { return s.title.rfind("Pannex: /", 0) == 0; }, "panels"));
        return true;
    }
    bool wait(const std::function<bool(const Snapshot&)>& pred, const char* what)
    {
        bool ok = h.WaitSnapshot(pred, s);
        if (!ok) {
            std::string d;
            for (const std::string& r : s.rows)
                d += r + "\n";
            ADD_FAILURE() << what << "\n" << d;
        }
        return ok;
    }
    // The right panel is an info panel about root with files files.
    bool describes(int files, const char* what)
    {
        std::string count = std::to_string(files) + " files use ";
        return wait(
            [&](const Snapshot& s) {
                return right_half(s, 0).find(" INFO ") != std::string::npos && right_shows(s, count) &&
                       right_shows(s, root) && right_shows(s, " Dir Info ") &&
                       right_shows(s, "Notes on this directory");
            },
            what);
    }
    bool files_again(const char* what)
    {
        return wait([](const Snapshot& s) { return right_half(s, 0).find(" INFO ") == std::string::npos; }, what);
    }

    CWindowHarness h;
    Snapshot s;
    std::string root;
};

}

TEST_F(InfoWindow, CtrlLAndTheCountFollowsACommand)
{
    if (!start())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(h.Key("ctrl+l"));
    ASSERT_TRUE(describes(4, "Ctrl+L"));
    // A file made from the command line shows in the count once the
    // command is done and the panels are back.
    ASSERT_TRUE(h.Type("touch new") && h.Key("Return"));
    ASSERT_TRUE(h.WaitExists(root + "/new"));
    EXPECT_TRUE(describes(5, "after touch"));
    ASSERT_TRUE(h.Key("ctrl+l"));
    EXPECT_TRUE(files_again("Ctrl+L again"));
}

TEST_F(InfoWindow, TheMenusInfoDoesWhatCtrlLDoes)
{
    if (!start())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(h.Key("F9") && h.Key("r") && h.Key("i"));
    ASSERT_TRUE(describes(4, "Right menu, Info"));
    ASSERT_TRUE(h.Key("F9") && h.Key("r") && h.Key("i"));
    EXPECT_TRUE(files_again("Right menu, Info again"));
}
