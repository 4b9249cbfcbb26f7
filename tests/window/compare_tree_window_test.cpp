#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <ftw.h>
#include <set>
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

// The screen column of a byte offset in a UTF-8 row.
int column_of(const std::string& row, size_t at)
{
    int col = 0;
    for (size_t i = 0; i < at; i++)
        col += (static_cast<unsigned char>(row[i]) & 0xC0) != 0x80;
    return col;
}

// The attribute a panel draws name with: side 0 left half, 1 right; -1
// when the name is not shown there.
int name_attr(const CWindowHarness::Snapshot& s, const std::string& name, int side)
{
    for (size_t y = 1; y + 3 < s.rows.size(); y++) {
        const std::string& r = s.rows[y];
        for (size_t at = r.find("│" + name + " "); at != std::string::npos; at = r.find("│" + name + " ", at + 1)) {
            int x = column_of(r, at) + 1;
            if ((x >= s.columns / 2) == (side == 1))
                return s.Attr(x, static_cast<int>(y));
        }
        for (size_t at = r.find("║" + name + " "); at != std::string::npos; at = r.find("║" + name + " ", at + 1)) {
            int x = column_of(r, at) + 1;
            if ((x >= s.columns / 2) == (side == 1))
                return s.Attr(x, static_cast<int>(y));
        }
    }
    return -1;
}

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* f = popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, f))
            out += buf;
        pclose(f);
    }
    return out;
}

class CompareTreeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxcompare.XXXXXX";
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
    void quit()
    {
        ASSERT_TRUE(h.Key("F10"));
        step("", [](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(10000), 0);
    }

    std::string root;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

TEST_F(CompareTreeWindow, CtrlKTagsWhatDiffNames)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    std::string l = root + "/l", r = root + "/r";
    ASSERT_EQ(mkdir(l.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(r.c_str(), 0755), 0);
    const struct { const char* name; const char* left; const char* right; } files[] = {
        {"same", "abc", "abc"},
        {"content", "abc", "abd"},   // same size, other bytes
        {"longer", "abc", "abcd"},
        {"lonly", "x", nullptr},
        {"ronly", nullptr, "y"},
        {"Case", "z", nullptr},
        {"CASE", nullptr, "z"},
    };
    for (const auto& f : files) {
        if (f.left)
            std::ofstream(l + "/" + f.name) << f.left;
        if (f.right)
            std::ofstream(r + "/" + f.name) << f.right;
    }
    // What diff names, on each side.
    std::set<std::string> want[2];
    std::string out = run("cd '" + root + "' && LC_ALL=C diff -rq l r");
    for (size_t at = 0; at < out.size();) {
        size_t nl = out.find('\n', at);
        std::string line = out.substr(at, nl - at);
        at = nl == std::string::npos ? out.size() : nl + 1;
        char a[256], b[256];
        if (std::sscanf(line.c_str(), "Files l/%255s and r/%255s differ", a, b) == 2) {
            want[0].insert(a);
            want[1].insert(b);
        } else if (std::sscanf(line.c_str(), "Only in l: %255s", a) == 1) {
            want[0].insert(a);
        } else if (std::sscanf(line.c_str(), "Only in r: %255s", a) == 1) {
            want[1].insert(a);
        }
    }
    ASSERT_EQ(want[0].size(), 4u) << out;

    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", l, "-r", r}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return shows(s, "1Help"); }, "start");
    step("ctrl+k", [](const auto& s) { return shows(s, " Directory Compare "); }, "Ctrl+K");
    // Ignore dates and sizes, compare contents, tag unmatched (on).
    ASSERT_TRUE(h.Key("alt+i"));
    ASSERT_TRUE(h.Key("alt+g"));
    step("alt+c", [](const auto& s) { return shows(s, "[X]  Compare Contents"); }, "contents on");
    step("Return", [](const auto& s) { return !shows(s, " Directory Compare "); }, "compared");
    int untagged = name_attr(s, "same", 0);
    ASSERT_GE(untagged, 0) << dump();
    for (int side = 0; side < 2; side++)
        for (const auto& f : files) {
            if (!(side ? f.right : f.left))
                continue;
            int attr = name_attr(s, f.name, side);
            bool tagged = attr != untagged;
            EXPECT_EQ(tagged, want[side].count(f.name) == 1) << f.name << " side " << side << "\n" << dump();
        }
    quit();
}

TEST_F(CompareTreeWindow, ATreePanelIsWalkedAndChangesTheOtherPanel)
{
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    for (const char* d : {"/alpha", "/beta", "/beta/inner", "/gamma"})
        ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
    // A tree data file for the scratch directory's file system, listing
    // the way down to it and these directories, so that no scan of the
    // machine is needed. Its name and header follow the tree cache's
    // rules: the kernel's 32-bit device number, "pxtree.dat" for "/".
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
    std::snprintf(name, sizeof name, here.st_dev == top.st_dev ? "pxtree.dat" : "pxtree.%x.dat", key);
    std::string lines = "0" + mount + "\n";
    std::string rest = mount == "/" ? root : root.substr(mount.size());
    int depth = 0;
    for (size_t at = 1; at < rest.size();) {
        size_t slash = rest.find('/', at);
        lines += std::string(1, static_cast<char>('0' + ++depth)) +
                 rest.substr(at, slash == std::string::npos ? slash : slash - at) + "\n";
        at = slash == std::string::npos ? rest.size() : slash + 1;
    }
    auto level = [&](int d) { return std::string(1, static_cast<char>('0' + depth + d)); };
    lines += level(1) + "alpha\n" + level(1) + "beta\n" + level(2) + "inner\n" + level(1) + "gamma\n";
    ASSERT_EQ(mkdir((root + "/trees").c_str(), 0700), 0);
    std::ofstream(root + "/trees/" + name, std::ios::binary)
        << std::string(reinterpret_cast<const char*>(&key), 4) + lines;
    std::ofstream(root + "/px.ini") << "[General Options]\nRightStyle=tree\nTreeDir=" << root << "/trees\n";

    ASSERT_TRUE(h.StartProgram(PX_PROGRAM, {root + "/px.ini", "-l", root, "-r", root}));
    ASSERT_TRUE(h.WaitWindow());
    step("", [](const auto& s) { return shows(s, " TREE ") && shows(s, "├─alpha"); }, "start");
    ASSERT_TRUE(h.Key("Tab"));
    step("Down", [&](const auto& s) { return shows(s, root + "/alpha"); }, "Down");
    step("Down", [&](const auto& s) { return shows(s, root + "/beta"); }, "Down");
    step("KP_Subtract", [](const auto& s) { return shows(s, "├+beta") && !shows(s, "inner"); }, "Grey -");
    step("KP_Add", [](const auto& s) { return shows(s, "├─beta") && shows(s, "inner"); }, "Grey +");
    step("Return", [&](const auto& s) { return shows(s, " " + root + "/beta "); },
         "Enter");
    quit();
}
