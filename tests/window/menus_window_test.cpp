#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Snapshot = CWindowHarness::Snapshot;

// The row showing text, or -1.
int row_of(const Snapshot& s, const std::string& text)
{
    for (size_t y = 0; y < s.rows.size(); y++)
        if (s.rows[y].find(text) != std::string::npos)
            return static_cast<int>(y);
    return -1;
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The menus in the real program: history, directory boxes, the pull-down
// menu and the user menu. px reads px.ini from a scratch directory, so
// px.hst and px.mnu live beside it and two instances can share them.
class MenusWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxmenus.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        ini = root + "/px.ini";
        std::ofstream(ini) << "Confirmations=8\r\n";
    }
    void TearDown() override
    {
        nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    // Starts px on a display of h's own; false (with the test skipped or
    // failed) when it cannot.
    bool start(CWindowHarness& h, std::vector<std::string> args)
    {
        if (!h.StartDisplay()) {
            skipped = true;
            return false;
        }
        args.insert(args.begin(), ini);
        return h.StartProgram(PX_PROGRAM, args) && h.WaitWindow() &&
               h.WaitSnapshot([](const Snapshot& s) { return s.title.rfind(PANNEX_NAME ": /", 0) == 0; }, s);
    }
    bool wait_text(CWindowHarness& h, const std::string& text)
    {
        bool ok = h.WaitSnapshot([&](const Snapshot& s) { return row_of(s, text) >= 0; }, s);
        EXPECT_TRUE(ok) << "waiting for " << text << "\n" << dump();
        return ok;
    }
    bool wait_gone(CWindowHarness& h, const std::string& text)
    {
        bool ok = h.WaitSnapshot([&](const Snapshot& s) { return row_of(s, text) < 0; }, s);
        EXPECT_TRUE(ok) << "waiting for " << text << " to go\n" << dump();
        return ok;
    }
    void command(CWindowHarness& h, const std::string& text, size_t records)
    {
        ASSERT_TRUE(h.Type(text));
        ASSERT_TRUE(wait_text(h, ">" + text));
        ASSERT_TRUE(h.Key("Return"));
        ASSERT_EQ(h.WaitLines(root + "/px.hst", records).size(), records) << text;
        // Keys typed while the command still runs would go to it: wait for
        // the panels and an empty command line.
        ASSERT_TRUE(h.WaitSnapshot(
            [](const Snapshot& s) {
                if (s.rows.size() < 2 || s.rows[0].rfind("\u2554", 0) != 0)
                    return false;
                const std::string& line = s.rows[s.rows.size() - 2];
                size_t end = line.find_last_not_of(' ');
                return end != std::string::npos && line[end] == '>';
            },
            s))
            << dump();
    }
    // Several keys, one xdotool call each, in order.
    bool keys(CWindowHarness& h, std::initializer_list<const char*> list)
    {
        for (const char* k : list)
            if (!h.Key(k))
                return false;
        return true;
    }
    void quit(CWindowHarness& h)
    {
        ASSERT_TRUE(h.Key("F10"));
        EXPECT_EQ(h.WaitExit(10000), 0);
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    std::string root, ini;
    Snapshot s;
    bool skipped = false;
};

}

TEST_F(MenusWindow, HistorySurvivesARestart)
{
    {
        CWindowHarness h;
        if (!start(h, {}))
            GTEST_SKIP_("no display") ;
        command(h, "echo one", 1);
        command(h, "echo two", 2);
        quit(h);
    }
    EXPECT_EQ(file_text(root + "/px.hst"), "echo one\r\necho two\r\n");
    CWindowHarness h;
    ASSERT_TRUE(start(h, {}));
    ASSERT_TRUE(h.Key("alt+F8"));
    ASSERT_TRUE(wait_text(h, " History "));
    int y = row_of(s, "echo one");
    ASSERT_GE(y, 0);
    // The cell column: rows are UTF-8, frames take three bytes a cell.
    const std::string& r = s.rows[static_cast<size_t>(y)];
    int x = 0;
    for (size_t i = 0; i < r.find("echo one"); i++)
        x += (static_cast<unsigned char>(r[i]) & 0xC0) != 0x80;
    EXPECT_EQ(s.Attr(x, y), 0x3F);
    EXPECT_EQ(row_of(s, "echo two"), y + 1);
    EXPECT_EQ(s.Attr(x, y + 1), 0x0F) << s.attrs[static_cast<size_t>(y + 1)];
    ASSERT_TRUE(h.Key("Escape"));
    ASSERT_TRUE(wait_gone(h, " History "));
    ASSERT_TRUE(h.Key("ctrl+e"));
    ASSERT_TRUE(wait_text(h, ">echo two"));
    ASSERT_TRUE(h.Key("ctrl+e"));
    ASSERT_TRUE(wait_text(h, ">echo one"));
    ASSERT_TRUE(h.Key("Escape"));
    quit(h);
}

TEST_F(MenusWindow, DirectoryHistoryAndStoredPaths)
{
    mkdir((root + "/sub").c_str(), 0755);
    CWindowHarness h;
    if (!start(h, {"-l", root}))
        GTEST_SKIP_("no display");
    ASSERT_TRUE(wait_text(h, "sub"));
    ASSERT_TRUE(keys(h, {"Down", "Return"}));
    ASSERT_TRUE(wait_text(h, "/sub>"));
    ASSERT_TRUE(h.Key("ctrl+Prior"));
    ASSERT_TRUE(wait_gone(h, "/sub>"));
    for (const char* key : {"alt+shift+F8", "alt+backslash"}) {
        ASSERT_TRUE(h.Key(key));
        ASSERT_TRUE(wait_text(h, " Directory History "));
        EXPECT_GE(row_of(s, root + "/sub"), 0) << key;
        ASSERT_TRUE(h.Key(std::string(key) == "alt+backslash" ? "Return" : "Escape"));
        ASSERT_TRUE(wait_gone(h, " Directory History "));
    }
    ASSERT_TRUE(wait_text(h, "/sub>"));
    // Ctrl+Shift+3 stores the directory, Ctrl+3 comes back to it.
    ASSERT_TRUE(keys(h, {"ctrl+shift+3", "ctrl+Prior"}));
    ASSERT_TRUE(wait_gone(h, "/sub>"));
    ASSERT_TRUE(h.Key("ctrl+3"));
    ASSERT_TRUE(wait_text(h, "/sub>"));
    ASSERT_TRUE(h.Key("alt+F5"));
    ASSERT_TRUE(wait_text(h, " Stored Paths "));
    EXPECT_GE(row_of(s, "3 - " + root + "/sub"), 0) << dump();
    EXPECT_GE(row_of(s, "0 - Empty"), 0);
    ASSERT_TRUE(keys(h, {"Escape", "shift+F9"}));
    ASSERT_EQ(h.WaitLines(ini, 2).size() >= 2, true);
    quit(h);
    EXPECT_NE(file_text(ini).find("d3=" + root + "/sub\r\n"), std::string::npos);
}

TEST_F(MenusWindow, PullDownMenu)
{
    CWindowHarness h;
    if (!start(h, {}))
        GTEST_SKIP_("no display");
    Snapshot before = s;
    ASSERT_TRUE(h.Key("F9"));
    ASSERT_TRUE(wait_text(h, "    Left    Files    Commands    Options    Right  "));
    EXPECT_EQ(s.Attr(4, 0), 0x0F);
    EXPECT_EQ(s.Attr(12, 0), 0x30);
    ASSERT_TRUE(h.Key("Right"));
    ASSERT_TRUE(h.WaitSnapshot([](const Snapshot& s) { return s.Attr(12, 0) == 0x0F; }, s));
    EXPECT_EQ(s.Attr(4, 0), 0x30);
    ASSERT_TRUE(h.Key("Down"));
    ASSERT_TRUE(wait_text(h, "Manual       Shift-F1"));
    EXPECT_EQ(s.Attr(12, 2), 0x0F);
    ASSERT_TRUE(keys(h, {"Escape", "Escape"}));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& s) { return s.rows == before.rows; }, s)) << dump();
    EXPECT_EQ(s.attrs, before.attrs);
    EXPECT_EQ(s.cursor_x, before.cursor_x);
    EXPECT_EQ(s.cursor_y, before.cursor_y);
    EXPECT_EQ(s.title, before.title);
    for (const char* open : {"ctrl+n", "shift+F10", "mouse"}) {
        if (std::string(open) == "mouse") {
            ASSERT_TRUE(h.Xdotool({"mousemove", "--sync", std::to_string(33 * h.CellWidth() + 2),
                                   std::to_string(h.CellHeight() / 2), "click", "3"}));
        } else {
            ASSERT_TRUE(h.Key(open));
        }
        ASSERT_TRUE(wait_text(h, "    Left    Files    Commands    Options    Right  ")) << open;
        ASSERT_TRUE(keys(h, {"Escape", "Escape"}));
        ASSERT_TRUE(wait_gone(h, "    Left    Files    Commands    Options    Right  ")) << open;
    }
    ASSERT_TRUE(keys(h, {"F9", "o", "c"}));
    ASSERT_TRUE(wait_text(h, " Configuration "));
    ASSERT_TRUE(h.Key("Escape"));
    ASSERT_TRUE(wait_gone(h, " Configuration "));
    quit(h);
}

TEST_F(MenusWindow, UserMenuOfTheDirectoryUnderTheOwnerRule)
{
    mkdir((root + "/work").c_str(), 0755);
    std::string menu = root + "/work/px.mnu";
    std::ofstream(menu) << "m: Mark it\n  touch !.mark\nt: Each tagged\n  touch !t.each\nc: Go up\n  cd ..\n";
    for (const char* n : {"one", "two"})
        std::ofstream(root + "/work/" + n) << n;
    chmod(menu.c_str(), 0644);
    std::ofstream(root + "/px.mnu") << "h: Home menu\n  ls\n";
    CWindowHarness h;
    if (!start(h, {"-l", root + "/work"}))
        GTEST_SKIP_("no display");
    ASSERT_TRUE(h.Key("F2"));
    ASSERT_TRUE(wait_text(h, " User Menu "));
    EXPECT_GE(row_of(s, "m Mark it"), 0);
    EXPECT_GE(row_of(s, "c Go up"), 0);
    // An entry runs on the entry under the cursor ("..", then "one").
    ASSERT_TRUE(keys(h, {"Escape", "Down", "F2"}));
    ASSERT_TRUE(wait_text(h, " User Menu "));
    ASSERT_TRUE(h.Key("m"));
    EXPECT_TRUE(h.WaitExists(root + "/work/one.mark")) << (h.ReadSnapshot(s), dump());
    ASSERT_TRUE(wait_gone(h, " User Menu "));
    // "!t" once per tagged entry: one and two (Insert moves on; one.mark
    // and px.mnu lie between them now).
    ASSERT_TRUE(keys(h, {"Insert", "Down", "Down", "Insert", "F2"}));
    ASSERT_TRUE(wait_text(h, " User Menu "));
    ASSERT_TRUE(h.Key("t"));
    ASSERT_TRUE(wait_gone(h, " User Menu "));
    for (const char* n : {"one.each", "two.each"})
        EXPECT_TRUE(h.WaitExists(root + "/work/" + n)) << n << (h.ReadSnapshot(s), dump());
    // A cd entry moves the panel.
    ASSERT_TRUE(h.Key("F2"));
    ASSERT_TRUE(wait_text(h, " User Menu "));
    ASSERT_TRUE(h.Key("c"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& s) { return s.title == PANNEX_NAME ": " + root; }, s)) << dump();
    // Back into work, whose menu comes next.
    ASSERT_TRUE(h.Type("cd work") && h.Key("Return"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& s) { return s.title == PANNEX_NAME ": " + root + "/work"; }, s));
    EXPECT_EQ(access((root + "/work/one.mark").c_str(), F_OK), 0);
    chmod(menu.c_str(), 0666);
    ASSERT_TRUE(h.Key("F2"));
    ASSERT_TRUE(wait_text(h, "Menu file ignored: another user can change it"));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(wait_text(h, "h Home menu"));
    ASSERT_TRUE(keys(h, {"Escape", "shift+F2"}));
    ASSERT_TRUE(wait_text(h, " Main Menu "));
    EXPECT_GE(row_of(s, "h Home menu"), 0);
    ASSERT_TRUE(h.Key("Escape"));
    ASSERT_TRUE(wait_gone(h, " Main Menu "));
    quit(h);
}

// Menu files in UTF-16LE with a mark and in the text code page (1251):
// F2 lists their Cyrillic titles and runs their commands as written.
TEST_F(MenusWindow, UserMenusInUtf16AndACodePage)
{
    std::ofstream(ini) << "Confirmations=8\r\nTextCodePage=1251\r\n";
    std::u16string u16 = u"r: \u041F\u0440\u0438\u0432\u0435\u0442 utf16\n  touch !.u16\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : u16)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    for (const char* d : {"/u16", "/cp"})
        mkdir((root + d).c_str(), 0755);
    std::ofstream(root + "/u16/px.mnu", std::ios::binary) << bytes;
    std::ofstream(root + "/cp/px.mnu", std::ios::binary) << "r: \xCF\xF0\xE8\xE2\xE5\xF2 cp1251\n  touch !.cp\n";
    for (const char* f : {"/u16/one", "/cp/one"})
        std::ofstream(root + f) << "x";
    CWindowHarness h;
    if (!start(h, {"-l", root + "/u16"}))
        GTEST_SKIP_("no display");
    ASSERT_TRUE(keys(h, {"Down", "F2"}));
    ASSERT_TRUE(wait_text(h, "r \u041F\u0440\u0438\u0432\u0435\u0442 utf16"));
    ASSERT_TRUE(h.Key("r"));
    EXPECT_TRUE(h.WaitExists(root + "/u16/one.u16")) << (h.ReadSnapshot(s), dump());
    ASSERT_TRUE(wait_gone(h, " User Menu "));
    ASSERT_TRUE(h.Type("cd ../cp") && h.Key("Return"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& s) { return s.title == PANNEX_NAME ": " + root + "/cp"; }, s));
    ASSERT_TRUE(keys(h, {"Home", "Down", "F2"}));
    ASSERT_TRUE(wait_text(h, "r \u041F\u0440\u0438\u0432\u0435\u0442 cp1251"));
    ASSERT_TRUE(h.Key("r"));
    EXPECT_TRUE(h.WaitExists(root + "/cp/one.cp")) << (h.ReadSnapshot(s), dump());
    ASSERT_TRUE(wait_gone(h, " User Menu "));
    quit(h);
}

TEST_F(MenusWindow, TwoInstancesShareTheHistory)
{
    {
        CWindowHarness a, b;
        if (!start(a, {}))
            GTEST_SKIP_("no display");
        ASSERT_TRUE(start(b, {}));
        command(a, "echo a1", 1);
        command(b, "echo b1", 2);
        command(a, "echo a2", 3);
        command(b, "echo b2", 4);
        quit(a);
        quit(b);
    }
    EXPECT_EQ(file_text(root + "/px.hst"), "echo a1\r\necho b1\r\necho a2\r\necho b2\r\n");
    CWindowHarness c;
    ASSERT_TRUE(start(c, {}));
    ASSERT_TRUE(c.Key("alt+F8"));
    ASSERT_TRUE(wait_text(c, " History "));
    int y = row_of(s, "echo a1");
    ASSERT_GE(y, 0);
    for (const char* cmd : {"echo b1", "echo a2", "echo b2"})
        EXPECT_EQ(row_of(s, cmd), ++y) << cmd;
    ASSERT_TRUE(c.Key("Escape"));
    quit(c);
}
