#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool shows(const CWindowHarness::Snapshot& s, const std::string& text)
{
    for (const std::string& r : s.rows)
        if (r.find(text) != std::string::npos)
            return true;
    return false;
}

// The tools reached by their keys in the real program: the help and the
// directory tree.
class ToolsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxtools.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
    }
    void TearDown() override
    {
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
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
    // Writes the tree data file px reads for the file system holding root,
    // listing the way down to root and its directories, so that the
    // pop-up opens without scanning the machine. The file's name and
    // header follow the tree cache's rules: the kernel's 32-bit device
    // number, "pxtree.dat" for the file system of "/".
    void write_tree_file(const std::string& lines_below)
    {
        struct stat here, top;
        ASSERT_EQ(stat(root.c_str(), &here), 0);
        ASSERT_EQ(stat("/", &top), 0);
        std::string mount = root;
        while (mount != "/") {
            std::string parent = mount.substr(0, mount.rfind('/'));
            if (parent.empty())
                parent = "/";
            struct stat up;
            if (stat(parent.c_str(), &up) != 0 || up.st_dev != here.st_dev)
                break;
            mount = parent;
        }
        uint32_t key = static_cast<uint32_t>((major(here.st_dev) << 20) | (minor(here.st_dev) & 0xFFFFF));
        char name[40];
        if (here.st_dev == top.st_dev)
            std::snprintf(name, sizeof name, "pxtree.dat");
        else
            std::snprintf(name, sizeof name, "pxtree.%x.dat", key);
        std::string lines = "0" + mount + "\n";
        std::string rest = mount == "/" ? root : root.substr(mount.size());
        int depth = 0;
        for (size_t at = 1; at < rest.size();) {
            size_t slash = rest.find('/', at);
            lines += std::string(1, static_cast<char>('0' + ++depth)) + rest.substr(at, slash == std::string::npos ? slash : slash - at) + "\n";
            at = slash == std::string::npos ? rest.size() : slash + 1;
        }
        for (size_t at = 0; at < lines_below.size();) {
            size_t nl = lines_below.find('\n', at);
            lines += std::string(1, static_cast<char>(depth + lines_below[at])) + lines_below.substr(at + 1, nl - at);
            at = nl + 1;
        }
        std::string dir = h.Home() + "/.pxl";
        mkdir(h.Home().c_str(), 0755);
        mkdir(dir.c_str(), 0700);
        std::ofstream(dir + "/" + name, std::ios::binary) << std::string(reinterpret_cast<const char*>(&key), 4) + lines;
    }

    std::string root;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

TEST_F(ToolsWindow, F1ShowsTheContentsAndEscReturns)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root, "-r", root}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("F1", [](const auto& s) { return shows(s, "Pannex Help: Contents and Main Keys") && shows(s, " Help "); },
         "F1");
    EXPECT_TRUE(shows(s, "Esc to Exit"));
    step("Escape", [](const auto& s) { return !shows(s, "Esc to Exit"); }, "Esc");
    EXPECT_TRUE(shows(s, "1Help"));
    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ToolsWindow, AltF10LettersAndEnterChangeThePanel)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    for (const char* d : {"/alpha", "/beta", "/gamma", "/gamma/inner"})
        ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
    write_tree_file("1alpha\n1beta\n1gamma\n2inner\n");
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root, "-r", root}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("alt+F10", [](const auto& s) { return shows(s, " Directory Tree ") && shows(s, "gamma"); }, "Alt+F10");
    step("i", [](const auto& s) { return shows(s, "Search: i "); }, "type i");
    step("Return", [](const auto& s) { return !shows(s, " Directory Tree "); }, "Enter");
    std::string want = root + "/gamma/inner>";
    step("", [&](const auto& s) { return s.rows[23].rfind(want, 0) == 0; }, "the panel moved");
    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ToolsWindow, HelpIsThereWithAnIniFileNamed)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    // The help file is the program's own: "px my.ini" does not look for
    // my.pxh.
    std::ofstream(root + "/my.ini") << "[General Options]\n";
    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {root + "/my.ini", "-l", root}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("F1", [](const auto& s) { return shows(s, "Pannex Help: Contents and Main Keys"); }, "F1");
    step("Escape", [](const auto& s) { return !shows(s, "Esc to Exit"); }, "Esc");
    ASSERT_TRUE(h.Key("F10"));
    step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}
