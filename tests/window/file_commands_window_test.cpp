#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
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

bool shows(const CWindowHarness::Snapshot& s, const std::string& text)
{
    for (const std::string& r : s.rows)
        if (r.find(text) != std::string::npos)
            return true;
    return false;
}

// The name under the left panel's cursor, from its status line.
std::string status(const CWindowHarness::Snapshot& s)
{
    std::string t = cells(s.rows[21], 1, 30);
    return t.substr(0, t.find_last_not_of(' ') + 1);
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return in ? s.str() : "<missing>";
}

class FileCommandsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxfilecmd.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* d : {"/L", "/R", "/L/tree", "/L/tree/sub", "/outside"})
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
        for (const char* f : {"/L/t.txt", "/L/u.txt", "/L/tree/sub/file.c", "/outside/keep.me"})
            file(f);
        file("/L/run.sh");
        ASSERT_EQ(chmod((root + "/L/run.sh").c_str(), 0755), 0);
        ASSERT_EQ(symlink((root + "/outside").c_str(), (root + "/L/tree/out").c_str()), 0);
        ASSERT_EQ(symlink("t.txt", (root + "/L/v.lnk").c_str()), 0);
    }
    void TearDown() override
    {
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    void file(const std::string& name)
    {
        int fd = open((root + name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    // Presses keys (or types text when keys starts with "type:"), then
    // waits until the snapshot satisfies pred.
    void step(CWindowHarness& h, const std::string& keys,
              const std::function<bool(const CWindowHarness::Snapshot&)>& pred, const char* what)
    {
        if (keys.rfind("type:", 0) == 0) {
            ASSERT_TRUE(h.Type(keys.substr(5))) << what;
        } else {
            std::istringstream each(keys);
            for (std::string key; each >> key;)
                ASSERT_TRUE(h.Key(key)) << what << ": " << key;
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
    bool start(CWindowHarness& h)
    {
        if (!h.StartProgram(PX_PROGRAM, {"-l", root + "/L", "-r", root + "/R"}) || !h.WaitWindow())
            return false;
        step(h, "", [](const auto& s) { return status(s) == ".."; }, "start");
        return true;
    }
    void quit(CWindowHarness& h)
    {
        step(h, "F10", [](const auto& s) { return shows(s, "Are you sure"); }, "quit");
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(10000), 0);
    }
    std::string mode_of(const std::string& name) const
    {
        struct stat st;
        if (stat((root + name).c_str(), &st) != 0)
            return "missing";
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04o", st.st_mode & 07777);
        return buf;
    }
    std::string link_of(const std::string& name) const
    {
        char buf[4096] = {};
        return readlink((root + name).c_str(), buf, sizeof buf - 1) > 0 ? buf : "<none>";
    }

    std::string root;
    CWindowHarness::Snapshot s;
};

}

// Every command of the stage reached by its key in the real program, in
// one run: F7 (and the key bar's slot 7), Ctrl+Shift+F5, Ctrl+A, Ctrl+C and
// Ctrl+I. The listing: .. tree run.sh t.txt u.txt v.lnk (directories first).
TEST_F(FileCommandsWindow, EachCommandByItsKey)
{
    CWindowHarness h;
    if (!h.StartDisplay())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(start(h));

    step(h, "F7", [](const auto& s) { return shows(s, "Create the directory"); }, "F7");
    step(h, "type:newdir", [](const auto& s) { return shows(s, "newdir"); }, "type");
    step(h, "Return", [](const auto& s) { return status(s) == "newdir"; }, "made, cursor on it");
    step(h, "F7", [](const auto& s) { return shows(s, "Create the directory"); }, "F7 again");
    step(h, "type:t.txt", [](const auto& s) { return shows(s, "t.txt"); }, "a file's name");
    step(h, "Return", [](const auto& s) { return shows(s, "File already exists named"); }, "file exists");
    step(h, "Escape", [](const auto& s) { return !shows(s, "File already exists"); }, "close");
    step(h, "F7", [](const auto& s) { return shows(s, "Create the directory"); }, "F7 a third time");
    step(h, "type:tree", [](const auto& s) { return shows(s, "tree  "); }, "a directory's name");
    step(h, "Return", [](const auto& s) { return shows(s, "Directory already exists"); }, "directory exists");
    step(h, "Escape", [](const auto& s) { return !shows(s, "Directory already exists"); }, "close");
    // Slot 7 of the key bar is F7.
    ASSERT_TRUE(h.Xdotool({"mousemove", "--sync", std::to_string(50 * h.CellWidth() + h.CellWidth() / 2),
                           std::to_string(24 * h.CellHeight() + h.CellHeight() / 2), "click", "1"}));
    step(h, "", [](const auto& s) { return shows(s, "Create the directory"); }, "key-bar click");
    step(h, "Escape", [](const auto& s) { return !shows(s, "Create the directory"); }, "close");

    // One link: the proposal is the other panel's directory and the name.
    step(h, "Home Down Down Down Down", [](const auto& s) { return status(s) == "t.txt"; }, "to t.txt");
    std::string proposal = root + "/R/t.txt";
    step(h, "ctrl+shift+F5", [&](const auto& s) { return shows(s, proposal); }, "Ctrl+Shift+F5");
    step(h, "Return", [](const auto& s) { return !shows(s, "Make symbolic link"); }, "link made");
    EXPECT_EQ(link_of("/R/t.txt"), root + "/L/t.txt");
    // Two tagged: one link each into the directory, the tags cleared.
    step(h, "Down Insert Insert", [](const auto& s) { return shows(s, "2 selected files"); }, "two tagged");
    step(h, "ctrl+shift+F5", [](const auto& s) { return shows(s, "Make symbolic links to 2 files in"); }, "links");
    step(h, "Return", [](const auto& s) { return !shows(s, "Make symbolic links") && !shows(s, "selected"); },
         "links made");
    EXPECT_EQ(link_of("/R/u.txt"), root + "/L/u.txt");
    EXPECT_EQ(link_of("/R/v.lnk"), root + "/L/v.lnk");

    // Ctrl+A 7 5 0 Enter on t.txt.
    step(h, "Home Down Down Down Down", [](const auto& s) { return status(s) == "t.txt"; }, "to t.txt again");
    step(h, "ctrl+a", [](const auto& s) { return shows(s, " File  Attributes "); }, "Ctrl+A");
    step(h, "7 5 0", [](const auto& s) { return shows(s, "Other  [ ] [ ] [ ]"); }, "750");
    step(h, "Return", [](const auto& s) { return !shows(s, "File  Attributes"); }, "applied");
    EXPECT_EQ(mode_of("/L/t.txt"), "0750");

    // Ctrl+I on the symbolic link describes the link.
    step(h, "End", [](const auto& s) { return status(s).rfind("v.lnk", 0) == 0; }, "to v.lnk");
    step(h, "ctrl+i", [](const auto& s) { return shows(s, "Type: Symbolic Link") && shows(s, "Target: t.txt"); },
         "Ctrl+I");
    step(h, "Escape", [](const auto& s) { return !shows(s, "File Information"); }, "close");

    // Ctrl+C, upper case, recursing into tree: the link to the outside
    // directory is renamed, never entered.
    step(h, "Home Down Down", [](const auto& s) { return status(s) == "tree"; }, "to tree");
    step(h, "ctrl+c", [](const auto& s) { return shows(s, "Change case of"); }, "Ctrl+C");
    step(h, "alt+u alt+p alt+r", [](const auto& s) { return shows(s, "[X]  Recurse"); }, "upper, recurse");
    step(h, "Return", [](const auto& s) { return status(s) == "TREE"; }, "renamed");
    EXPECT_EQ(slurp(root + "/L/TREE/SUB/FILE.C"), "");
    EXPECT_EQ(link_of("/L/TREE/OUT"), root + "/outside");
    EXPECT_EQ(slurp(root + "/outside/keep.me"), "");

    quit(h);
}

// Alt+F6 on a script and on a text file, with a HOME that has no
// user-dirs.dirs and with one that names another desktop.
TEST_F(FileCommandsWindow, LaunchersGoToTheDesktop)
{
    unsetenv("XDG_CONFIG_HOME");
    for (bool userDirs : {false, true}) {
        CWindowHarness h;
        if (!h.StartDisplay())
            GTEST_SKIP() << h.Missing();
        std::string desktop = h.Home() + (userDirs ? "/Arbeitsfläche" : "/Desktop");
        if (userDirs) {
            ASSERT_EQ(system(("mkdir -p '" + h.Home() + "/.config'").c_str()), 0);
            std::ofstream(h.Home() + "/.config/user-dirs.dirs")
                << "# written by a test\nXDG_DESKTOP_DIR=\"$HOME/Arbeitsfläche\"\n";
        }
        ASSERT_TRUE(start(h));
        step(h, "Home Down Down", [](const auto& s) { return status(s) == "run.sh"; }, "to run.sh");
        step(h, "alt+F6", [](const auto& s) { return shows(s, "Terminal session"); }, "Alt+F6 script");
        step(h, "Return", [](const auto& s) { return !shows(s, "Make an object for"); }, "written");
        step(h, "Down", [](const auto& s) { return status(s) == "t.txt"; }, "to t.txt");
        step(h, "alt+F6", [](const auto& s) { return shows(s, "Make an object for") && !shows(s, "Terminal"); },
             "Alt+F6 text");
        step(h, "Return", [](const auto& s) { return !shows(s, "Make an object for"); }, "written");
        quit(h);
        std::string script = slurp(desktop + "/Run.desktop");
        EXPECT_NE(script.find("\nExec=\"" + root + "/L/run.sh\"\n"), std::string::npos) << script;
        std::string text = slurp(desktop + "/T.desktop");
        EXPECT_NE(text.find("\nExec=xdg-open \"" + root + "/L/t.txt\"\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\nName=T\n"), std::string::npos) << text;
    }
}
