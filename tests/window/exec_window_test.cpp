#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Commands run in the real px: keys typed into the window reach real
// programs on the pseudo-terminal, and the screen comes back as the
// snapshot shows it. Each test waits on the snapshot with a generous guard
// and never sleeps.

namespace {

using Snapshot = CWindowHarness::Snapshot;

std::string read_file(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return f ? s.str() : "<missing>";
}

void write_file(const std::string& path, const std::string& text, mode_t mode = 0644)
{
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
}

int row_of(const Snapshot& s, const std::string& text)
{
    for (size_t y = 0; y < s.rows.size(); y++)
        if (s.rows[y].find(text) != std::string::npos)
            return static_cast<int>(y);
    return -1;
}

// n cells of a snapshot row from cell x.
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

class ExecWindow : public ::testing::Test
{
protected:
    void SetUp() override { old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"; }
    void TearDown() override { setenv("PATH", old_path.c_str(), 1); }

    // Starts px with px.ini text (none when empty) and stub programs made
    // first in a directory put in front of PATH.
    bool start(const std::string& ini = "", const std::vector<std::pair<std::string, std::string>>& stubs = {})
    {
        if (!h.StartDisplay()) {
            skipped = true;
            return false;
        }
        mkdir(h.Home().c_str(), 0755);
        if (!ini.empty()) {
            mkdir((h.Home() + "/.pxl").c_str(), 0755);
            write_file(h.Home() + "/.pxl/px.ini", ini);
        }
        if (!stubs.empty()) {
            std::string bin = h.Scratch("stubs");
            mkdir(bin.c_str(), 0755);
            for (const auto& [name, script] : stubs)
                write_file(bin + "/" + name, "#!/bin/sh\n" + script, 0755);
            setenv("PATH", (bin + ":" + old_path).c_str(), 1);
        }
        return h.StartProgram(PX_PROGRAM, {}) && h.WaitWindow() && WaitPanels();
    }

    bool Wait(const std::function<bool(const Snapshot&)>& pred, int timeout_ms = 20000)
    {
        return h.WaitSnapshot(pred, s, timeout_ms);
    }
    bool WaitText(const std::string& text, int timeout_ms = 20000)
    {
        return Wait([&](const Snapshot& s) { return row_of(s, text) >= 0; }, timeout_ms);
    }
    // The panels are back and px waits for the next command.
    bool WaitPanels(int timeout_ms = 20000)
    {
        return Wait(
            [](const Snapshot& s) {
                return s.title.rfind("Pannex: /", 0) == 0 && s.rows.size() > 24 && s.rows[24].rfind("1Help", 0) == 0 &&
                       s.rows[0].rfind("\xE2\x95\x94", 0) == 0;
            },
            timeout_ms);
    }
    bool WaitTitle(const std::string& title, int timeout_ms = 20000)
    {
        return Wait([&](const Snapshot& s) { return s.title == title; }, timeout_ms);
    }
    bool Command(const std::string& line) { return h.Type(line) && h.Key("Return"); }
    std::string Scratch(const std::string& name) const { return h.Scratch(name); }
    // The contents of a file a command writes, once it holds something.
    std::string WaitFile(const std::string& name, int timeout_ms = 20000)
    {
        return h.WaitLines(Scratch(name), 1, timeout_ms).empty() ? "<missing>" : read_file(Scratch(name));
    }

    CWindowHarness h;
    Snapshot s;
    std::string old_path;
    bool skipped = false;
};

#define START(...)                                    \
    do {                                              \
        bool started_ = start(__VA_ARGS__);           \
        if (skipped)                                  \
            GTEST_SKIP() << h.Missing();              \
        ASSERT_TRUE(started_);                        \
    } while (0)

}

TEST_F(ExecWindow, ACommandWritesAFileAndCtrlOShowsItsOutput)
{
    START();
    ASSERT_TRUE(Command("echo hello > out; echo hello"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(WaitText("out "));
    int y = row_of(s, "out ");
    EXPECT_EQ(cells(s.rows[y], 1, 4), "out ");
    EXPECT_EQ(cells(s.rows[y], 41, 4), "out ");
    EXPECT_EQ(read_file(Scratch("out")), "hello\n");
    ASSERT_TRUE(h.Key("ctrl+o"));
    ASSERT_TRUE(WaitText(">echo hello > out; echo hello"));
    int echo = row_of(s, ">echo hello > out; echo hello");
    EXPECT_EQ(cells(s.rows[echo + 1], 0, 6), "hello ");
    EXPECT_EQ(s.Attr(0, echo + 1), 0x07);
}

TEST_F(ExecWindow, TypedInputReachesTheChild)
{
    START();
    ASSERT_TRUE(Command("python3 -c 'print(input()[::-1])'"));
    ASSERT_TRUE(WaitTitle("Pannex: python3 -c 'print(input()[::-1])'"));
    ASSERT_TRUE(h.Type("abc") && h.Key("Return"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Key("ctrl+o"));
    EXPECT_TRUE(WaitText("cba"));
    ASSERT_TRUE(h.Key("ctrl+o"));

    // Cooked mode: BackSpace erases (the pty's erase character, DEL).
    ASSERT_TRUE(Command("read x; echo \"[$x]\" > line"));
    ASSERT_TRUE(WaitTitle("Pannex: read x; echo \"[$x]\" > line"));
    ASSERT_TRUE(h.Type("abX") && h.Key("BackSpace") && h.Type("c") && h.Key("Return"));
    EXPECT_EQ(WaitFile("line"), "[abc]\n");
    ASSERT_TRUE(WaitPanels());

    // Raw mode: the bytes of each key. ä goes as UTF-8.
    // (The quotes keep "ready" off the command line, where it is typed.)
    ASSERT_TRUE(Command("stty raw -echo; echo re''ady; head -c 13 | od -An -tx1 > keys; stty sane"));
    ASSERT_TRUE(WaitText("ready"));
    ASSERT_TRUE(h.Type("\xC3\xA4") && h.Key("Return") && h.Key("F1") && h.Key("Up") && h.Key("BackSpace") &&
                h.Key("Down"));
    EXPECT_EQ(WaitFile("keys"), " c3 a4 0d 1b 4f 50 1b 5b 41 7f 1b 5b 42\n");
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(Command("printf '\\033[?1h'; stty raw -echo; echo re''ady2; head -c 3 | od -An -tx1 > app; stty sane"));
    ASSERT_TRUE(WaitText("ready2"));
    ASSERT_TRUE(h.Key("Up"));
    EXPECT_EQ(WaitFile("app"), " 1b 4f 41\n");  // application cursor keys
    ASSERT_TRUE(WaitPanels());
}

TEST_F(ExecWindow, CtrlCEndsACommandAndItsTitleIsShown)
{
    START();
    ASSERT_TRUE(Command("sleep 30"));
    ASSERT_TRUE(WaitTitle("Pannex: sleep 30"));
    ASSERT_TRUE(h.Key("ctrl+c"));
    EXPECT_TRUE(WaitPanels(10000));
    // A flood ends the same way, and the panels come back in their colours.
    ASSERT_TRUE(Command("yes"));
    ASSERT_TRUE(WaitTitle("Pannex: yes"));
    ASSERT_TRUE(WaitText("y"));
    ASSERT_TRUE(h.Key("ctrl+c"));
    EXPECT_TRUE(WaitPanels(10000));
}

TEST_F(ExecWindow, BackgroundAndX11ProgramsReturnAtOnce)
{
    START();
    ASSERT_TRUE(Command("sleep 5 &"));
    // Back long before the five seconds are over.
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(Command("xmessage -timeout 4 hi"));
    ASSERT_TRUE(WaitPanels());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    // "#" waits, even for an X11 program.
    ASSERT_TRUE(Command("#xmessage -timeout 1 waited"));
    EXPECT_TRUE(WaitTitle("Pannex: #xmessage -timeout 1 waited"));
    ASSERT_TRUE(WaitPanels());
    // No child of px is left behind, running or not.
    std::string ps;
    FILE* f = popen(("ps -o pid= --ppid " + std::to_string(h.ProgramPid())).c_str(), "r");
    char buf[256];
    while (f && fgets(buf, sizeof buf, f))
        ps += buf;
    if (f)
        pclose(f);
    EXPECT_EQ(ps, "");
}

TEST_F(ExecWindow, AltEnterAndTheManualUseTheirPrograms)
{
    START("", {{"x-terminal-emulator", "printf '%s\\n' \"$@\" > \"$HOME/../term.args\"\nshift\nexec \"$@\"\n"},
               {"x-www-browser", "printf '%s\\n' \"$@\" > \"$HOME/../browser.args\"\n"}});
    ASSERT_TRUE(h.Type("echo it\\'s | tr a-z A-Z > alt.out") && h.Key("alt+Return"));
    EXPECT_EQ(WaitFile("alt.out"), "IT'S\n");
    std::string shell = std::getenv("SHELL") && *std::getenv("SHELL") ? std::getenv("SHELL") : "/bin/sh";
    EXPECT_EQ(read_file(Scratch("term.args")), "-e\n" + shell + "\n-c\necho it\\'s | tr a-z A-Z > alt.out\n");
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Key("shift+F1"));
    // A px run from its build tree shows the manual the build made.
    std::string build = PX_PROGRAM;
    build = build.substr(0, build.rfind('/'));
    build = build.substr(0, build.rfind('/'));
    EXPECT_EQ(WaitFile("browser.args"), "file://" + build + "/data/manual/index.html\n");
}

TEST_F(ExecWindow, AssociationByEnterAndByDoubleClick)
{
    START("[Associations]\r\n*.txt: printf '[%s]' ! >> assoc.out\r\n");
    write_file(Scratch("a b.txt"), "");
    ASSERT_TRUE(h.Key("ctrl+r"));
    ASSERT_TRUE(WaitText("a b.txt"));
    int y = row_of(s, "a b.txt");
    std::string x = std::to_string(5 * h.CellWidth()), py = std::to_string(y * h.CellHeight() + h.CellHeight() / 2);
    // A click puts the cursor on the file, Enter runs its association.
    ASSERT_TRUE(h.Xdotool({"mousemove", "--sync", x, py}) && h.Xdotool({"click", "1"}));
    ASSERT_TRUE(Wait([&](const Snapshot& s) { return s.Attr(5, y) != s.Attr(5, y + 1); }));
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(WaitFile("assoc.out"), "[a b.txt]");
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Xdotool({"click", "--repeat", "2", "1"}));
    EXPECT_TRUE(h.WaitSnapshot([&](const Snapshot&) { return read_file(Scratch("assoc.out")) == "[a b.txt][a b.txt]"; }, s));
}

TEST_F(ExecWindow, CdVcdAndARemovedDirectory)
{
    const std::string target = "/tmp/px \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 dir";
    START("", {{"zenity", "echo '" + target + "'\n"}});
    mkdir(target.c_str(), 0755);
    mkdir(Scratch("sub").c_str(), 0755);
    mkdir(Scratch("gone").c_str(), 0755);
    ASSERT_TRUE(Command("cd sub"));
    EXPECT_TRUE(WaitTitle("Pannex: " + Scratch("sub")));
    ASSERT_TRUE(Command("cd .."));
    std::string root = Scratch("");
    root.pop_back();
    EXPECT_TRUE(WaitTitle("Pannex: " + root));
    ASSERT_TRUE(Command("cd nosuch"));
    EXPECT_TRUE(WaitText("Invalid directory"));
    ASSERT_TRUE(h.Key("Escape"));
    ASSERT_TRUE(Command("cd"));
    EXPECT_TRUE(WaitTitle("Pannex: " + h.Home()));
    ASSERT_TRUE(Command("vcd"));
    EXPECT_TRUE(WaitTitle("Pannex: " + target));
    ASSERT_TRUE(Command("cd " + Scratch("gone")));
    ASSERT_TRUE(WaitTitle("Pannex: " + Scratch("gone")));
    rmdir(Scratch("gone").c_str());
    ASSERT_TRUE(Command("touch x"));
    EXPECT_TRUE(WaitText("No such file or directory"));
    ASSERT_TRUE(h.Key("Escape"));
    rmdir(target.c_str());
    EXPECT_NE(access(Scratch("gone/x").c_str(), F_OK), 0);
    EXPECT_NE(access(Scratch("x").c_str(), F_OK), 0);
}

TEST_F(ExecWindow, ColoursAndCursorMovesOfRealPrograms)
{
    START();
    ASSERT_TRUE(Command("clear; printf '\\033[31mred\\033[0m \\033[1;44mbold\\033[0m\\n'; tput setaf 2; echo green; "
                        "tput sgr0; tput cup 5 10; echo th''ere; read x"));
    ASSERT_TRUE(WaitText("there"));
    EXPECT_EQ(cells(s.rows[0], 0, 8), "red bold");
    EXPECT_EQ(s.Attr(0, 0), 0x04);      // red on black
    EXPECT_EQ(s.Attr(4, 0), 0x1F);      // bold white on blue
    EXPECT_EQ(s.Attr(0, 1), 0x02);      // tput setaf 2
    EXPECT_EQ(cells(s.rows[5], 10, 5), "there");
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(Command("tput clear; read x"));
    ASSERT_TRUE(WaitTitle("Pannex: tput clear; read x"));
    EXPECT_TRUE(Wait([](const Snapshot& s) {
        for (const std::string& r : s.rows)
            if (r.find_first_not_of(' ') != std::string::npos)
                return false;
        return s.cursor_x == 0 && s.cursor_y == 0;
    }));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(WaitPanels());
}

TEST_F(ExecWindow, FullScreenProgramsRestoreTheScreen)
{
    START();
    write_file(Scratch("lines"), [] {
        std::string t;
        for (int i = 1; i <= 200; i++)
            t += "line " + std::to_string(i) + "\n";
        return t;
    }());
    ASSERT_TRUE(Command("echo before; less lines"));
    ASSERT_TRUE(WaitText("line 24"));
    EXPECT_EQ(row_of(s, "before"), -1);  // less has the whole screen
    ASSERT_TRUE(h.Key("q"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Key("ctrl+o"));
    ASSERT_TRUE(WaitText("before"));
    EXPECT_EQ(row_of(s, "line 24"), -1);
    ASSERT_TRUE(h.Key("ctrl+o"));

    ASSERT_TRUE(Command("vi -u NONE edited"));
    ASSERT_TRUE(WaitTitle("Pannex: vi -u NONE edited"));
    ASSERT_TRUE(WaitText("~"));
    ASSERT_TRUE(h.Type("ityped line") && h.Key("Escape") && h.Type(":wq") && h.Key("Return"));
    ASSERT_TRUE(WaitPanels());
    EXPECT_EQ(read_file(Scratch("edited")), "typed line\n");
    EXPECT_EQ(row_of(s, "~ "), -1);
}

TEST_F(ExecWindow, TheChildKnowsTheScreenSize)
{
    START();
    ASSERT_TRUE(Command("stty size > size1"));
    EXPECT_EQ(WaitFile("size1"), "25 80\n");
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Key("alt+shift+F9"));
    ASSERT_TRUE(Wait([](const Snapshot& s) { return s.columns == 132; }));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(Command("stty size > size2"));
    EXPECT_EQ(WaitFile("size2"), "25 132\n");
}

TEST_F(ExecWindow, FloodsEndWhenAsked)
{
    START();
    ASSERT_TRUE(Command("head -c 50M /dev/urandom"));
    ASSERT_TRUE(WaitTitle("Pannex: head -c 50M /dev/urandom"));
    EXPECT_TRUE(WaitPanels(120000));
    // Panels in their own colours: the frame of the left panel.
    EXPECT_EQ(s.Attr(0, 0), s.Attr(79, 0));
    EXPECT_EQ(s.Attr(0, 1), 0x1B);
    // A script printing without pause that ends on reading Esc.
    write_file(Scratch("flood.py"),
               "import sys, os, tty, select\n"
               "tty.setraw(0)\n"
               "while True:\n"
               "    os.write(1, b'flood flood flood flood flood flood flood flood flood flood\\r\\n' * 20)\n"
               "    if select.select([0], [], [], 0)[0] and os.read(0, 1) == b'\\x1b':\n"
               "        break\n");
    ASSERT_TRUE(Command("python3 flood.py; stty sane"));
    ASSERT_TRUE(WaitText("flood flood"));
    ASSERT_TRUE(h.Key("Escape"));
    EXPECT_TRUE(WaitPanels(60000));
}

TEST_F(ExecWindow, ScrollBackAndCompletionKeys)
{
    START();
    write_file(Scratch("report1.txt"), "");
    write_file(Scratch("report2.txt"), "");
    ASSERT_TRUE(Command("clear; seq -f 'L%03g' 1 200"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Key("ctrl+b"));
    ASSERT_TRUE(WaitText("L200"));
    ASSERT_TRUE(h.Key("Home"));
    EXPECT_TRUE(Wait([](const Snapshot& s) { return s.rows[0].rfind("L001", 0) == 0; }));
    ASSERT_TRUE(h.Key("Escape"));
    ASSERT_TRUE(WaitPanels());
    ASSERT_TRUE(h.Type("cat rep") && h.Key("ctrl+Tab") && h.Key("ctrl+Tab"));
    ASSERT_TRUE(WaitText("report2.txt"));
    ASSERT_TRUE(h.Key("Down") && h.Key("Return"));
    EXPECT_TRUE(WaitText(">cat report2.txt "));
}
