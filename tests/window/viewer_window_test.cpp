#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
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

// The viewer reached by its keys in the real program.
class ViewerWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxviewwin.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
    std::string write(const std::string& name, const std::string& bytes)
    {
        std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    void sh(const std::string& command) { ASSERT_EQ(std::system(("cd '" + root + "' && " + command).c_str()), 0); }
    bool start(const std::vector<std::string>& args)
    {
        if (!h.StartDisplay())
            return false;
        EXPECT_TRUE(h.StartProgram(PX_PROGRAM, args));
        EXPECT_TRUE(h.WaitWindow());
        return true;
    }
    void step(const std::string& keys, const std::function<bool(const CWindowHarness::Snapshot&)>& pred,
              const char* what)
    {
        if (!keys.empty()) {
            ASSERT_TRUE(h.Key(keys)) << what;
        }
        EXPECT_TRUE(h.WaitSnapshot(pred, s)) << what << "\n" << dump();
    }
    void wait(const std::function<bool(const CWindowHarness::Snapshot&)>& pred, const char* what)
    {
        step("", pred, what);
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    // The panel row showing text with the cursor's colour on it.
    static bool cursor_on(const CWindowHarness::Snapshot& s, const std::string& text)
    {
        for (int y = 1; y < s.lines - 3; y++)
            if (s.rows[static_cast<size_t>(y)].find(text) != std::string::npos && s.Attr(1, y) == 0x30)
                return true;
        return false;
    }

    std::string root;
    CWindowHarness h;
    CWindowHarness::Snapshot s;
};

}

TEST_F(ViewerWindow, DashVShowsAFileAndEscapeEnds)
{
    std::string file = write("notes.txt", "first line\nsecond\n");
    if (!start({"-v", file}))
        GTEST_SKIP() << h.Missing();
    wait([&](const auto& s) { return shows(s, "View: " + file) && s.rows[1].rfind("first line", 0) == 0; },
         "the first page");
    EXPECT_EQ(s.cursor_type, 0);
    EXPECT_TRUE(shows(s, "1Help   2Unwrap"));
    EXPECT_EQ(s.title, PANNEX_NAME ": " + file);
    ASSERT_TRUE(h.Key("Escape"));
    EXPECT_EQ(h.WaitExit(10000), 0);
    // Nothing was written: no settings, no history.
    struct stat st;
    EXPECT_NE(stat((h.Home() + "/.pxl").c_str(), &st), 0);
}

TEST_F(ViewerWindow, DashVOnWhatCannotBeViewed)
{
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);
    const struct { std::string file; const char* message; } rows[] = {
        {root + "/missing", "No such file or directory"},
        {root + "/fifo", "Not a regular file"},
        {root, "Is a directory"},
    };
    for (const auto& r : rows) {
        CWindowHarness w;
        if (!w.StartDisplay())
            GTEST_SKIP() << w.Missing();
        ASSERT_TRUE(w.StartProgram(PX_PROGRAM, {"-v", r.file}));
        ASSERT_TRUE(w.WaitWindow());
        EXPECT_TRUE(w.WaitSnapshot([&](const auto& s) { return shows(s, r.message); }, s)) << r.file;
        ASSERT_TRUE(w.Key("Escape"));
        EXPECT_EQ(w.WaitExit(10000), 0) << r.file;
    }
}

TEST_F(ViewerWindow, DashVOnAProcFileReadsWhatItClaimsNot)
{
    if (!start({"-v", "/proc/self/status"}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return s.rows[1].rfind("Name:", 0) == 0; }, "/proc/self/status");
    ASSERT_TRUE(h.Key("End"));
    wait([](const auto& s) { return s.rows[0].find("100.00%") != std::string::npos; }, "its end");
    ASSERT_TRUE(h.Key("Escape"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ViewerWindow, F3OnTwoNamesOfTheSameLetters)
{
    // "ä.txt" in Latin-1 and in UTF-8: two files, each viewed for itself.
    write("\xE4.txt", "latin one\n");
    write("\xC3\xA4.txt", "utf eight\n");
    if (!start({"-l", root, "-r", root}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return shows(s, "1Help"); }, "start");
    std::string seen[2];
    for (int i = 0; i < 2; i++) {
        step("Down", [](const auto&) { return true; }, "down");
        step("F3", [](const auto& s) { return shows(s, "View: "); }, "F3");
        seen[i] = s.rows[1].substr(0, 9);
        step("Escape", [](const auto& s) { return !shows(s, "View: "); }, "back");
    }
    EXPECT_TRUE((seen[0] == "latin one" && seen[1] == "utf eight") ||
                (seen[0] == "utf eight" && seen[1] == "latin one"))
        << seen[0] << " / " << seen[1];
    ASSERT_TRUE(h.Key("F10"));
    wait([](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ViewerWindow, AltDownToNoMoreFilesAndBack)
{
    write("a.txt", "first\n");
    write("b.txt", "second\n");
    write("c.txt", "third\n");
    if (!start({"-l", root, "-r", root}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return shows(s, "1Help"); }, "start");
    step("Down", [](const auto& s) { return cursor_on(s, "a.txt"); }, "on a.txt");
    step("F3", [](const auto& s) { return s.rows[1].rfind("first", 0) == 0; }, "a.txt");
    step("alt+Down", [](const auto& s) { return s.rows[1].rfind("second", 0) == 0; }, "b.txt");
    step("alt+Down", [](const auto& s) { return s.rows[1].rfind("third", 0) == 0; }, "c.txt");
    step("alt+Down", [](const auto& s) { return shows(s, "No more files"); }, "past the last");
    step("Escape", [](const auto& s) { return !shows(s, "View: ") && cursor_on(s, "c.txt"); }, "back on c.txt");
    ASSERT_TRUE(h.Key("F10"));
    wait([](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ViewerWindow, ShiftF3AndTheMemoryOfPageAndCodePage)
{
    std::string lines;
    for (int i = 1; i <= 200; i++)
        lines += "line " + std::to_string(i) + "\n";
    write("long.txt", lines);
    write("cyr.txt", "\xE9 x\n");
    if (!start({"-l", root, "-r", root}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return shows(s, "1Help"); }, "start");
    step("shift+F3", [](const auto& s) { return shows(s, "View the file:"); }, "Shift+F3");
    ASSERT_TRUE(h.Type("long.txt"));
    step("Return", [](const auto& s) { return s.rows[1].rfind("line 1 ", 0) == 0; }, "viewing long.txt");
    step("Next", [](const auto& s) { return s.rows[1].rfind("line 23 ", 0) == 0; }, "PgDn");
    step("Next", [](const auto& s) { return s.rows[1].rfind("line 45 ", 0) == 0; }, "PgDn again");
    step("Escape", [](const auto& s) { return !shows(s, "View: "); }, "leave");
    ASSERT_TRUE(h.Key("Down"));
    step("Down", [](const auto& s) { return cursor_on(s, "long.txt"); }, "to long.txt");
    step("F3", [](const auto& s) { return s.rows[1].rfind("line 45 ", 0) == 0; }, "the page it was left at");
    step("Escape", [](const auto& s) { return !shows(s, "View: "); }, "leave");
    step("Up", [](const auto& s) { return cursor_on(s, "cyr.txt"); }, "to cyr.txt");
    step("F3", [](const auto& s) { return shows(s, "CP819"); }, "cyr.txt");
    step("alt+e", [](const auto& s) { return shows(s, "Select File Encoding"); }, "Alt+E");
    ASSERT_TRUE(h.Key("c"));
    ASSERT_TRUE(h.Key("Tab"));
    ASSERT_TRUE(h.Type("1251"));
    step("Return", [](const auto& s) { return shows(s, "CP1251") && s.rows[1].rfind("й x", 0) == 0; }, "CP1251");
    step("Escape", [](const auto& s) { return !shows(s, "View: "); }, "leave");
    step("F3", [](const auto& s) { return shows(s, "CP1251") && s.rows[1].rfind("й x", 0) == 0; },
         "CP1251 again");
    step("Escape", [](const auto& s) { return !shows(s, "View: "); }, "leave");
    ASSERT_TRUE(h.Key("F10"));
    wait([](const auto& s) { return shows(s, "Are you sure"); }, "quit question");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ViewerWindow, FollowModeAsTailF)
{
    std::string file = write("app.log", "started\n");
    if (!start({"-v", file}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return s.rows[1].rfind("started", 0) == 0; }, "the log");
    step("alt+f", [](const auto& s) { return shows(s, "Follow Mode ON - ESC to cancel"); }, "Alt+F");
    // Each change shows without a key; the waits are guards, not delays
    // (bench/viewer_follow_bench measures how soon each shows).
    sh("printf 'grown line\\n' >> app.log");
    wait([](const auto& s) { return s.rows[2].rfind("grown line", 0) == 0; }, "growth");
    sh(": > app.log");
    wait([](const auto& s) { return s.rows[1].find_first_not_of(' ') == std::string::npos &&
                                    s.rows[0].find("100.00%") != std::string::npos; },
         "truncated");
    sh("printf 'rotated in\\n' > new.log && mv new.log app.log");
    wait([](const auto& s) { return s.rows[1].rfind("rotated in", 0) == 0; }, "renamed over");
    sh("rm app.log");
    // The open file stays on the page: Escape ends following, nothing else.
    step("Escape", [](const auto& s) { return !shows(s, "Follow Mode") && shows(s, "1Help"); }, "Esc");
    EXPECT_EQ(s.rows[1].rfind("rotated in", 0), 0u) << dump();
    ASSERT_TRUE(h.Key("Escape"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(ViewerWindow, ExternalViewersAndDollarView)
{
    // Stubs first on PATH record the file they are given.
    std::string bin = root + "/bin";
    mkdir(bin.c_str(), 0755);
    for (const char* stub : {"pager", "logview"}) {
        std::string path = bin + "/" + stub;
        std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$(dirname \"$0\")/" << stub << ".args\"\n";
        chmod(path.c_str(), 0755);
    }
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (bin + ":" + old_path).c_str(), 1);
    write("a b.log", "log line\n");
    write("plain.txt", "plain text here\n");
    mkdir((h.Home()).c_str(), 0755);
    mkdir((h.Home() + "/.pxl").c_str(), 0755);
    std::ofstream(h.Home() + "/.pxl/px.ini") << "[Viewer Associations]\r\n*.log: logview\r\n";
    bool started = start({"-l", root, "-r", root});
    setenv("PATH", old_path.c_str(), 1);
    if (!started)
        GTEST_SKIP() << h.Missing();
    wait([&](const auto& s) { return shows(s, "plain.txt"); }, "the panel");
    // Entries: "..", "bin", "a b.log", "plain.txt".
    step("End", [&](const auto& s) { return cursor_on(s, "plain.txt"); }, "End");
    // Keys typed while a viewer program runs would go to it: after each,
    // wait for the panels to come back.
    auto ran = [&](const std::string& key, const std::string& entry) {
        int before = s.seq;
        ASSERT_TRUE(h.Key(key));
        wait([&](const auto& s) { return s.seq > before && cursor_on(s, entry); }, key.c_str());
    };
    auto first_line = [](const std::string& path) {
        std::string line;
        std::ifstream in(path);
        std::getline(in, line);
        return line;
    };
    // Alt+F3 runs Viewer2 ("pager" by default) on the file's path.
    ran("alt+F3", "plain.txt");
    EXPECT_TRUE(h.WaitExists(bin + "/pager.args"));
    EXPECT_EQ(first_line(bin + "/pager.args"), root + "/plain.txt");
    // F3 on a file a [Viewer Associations] line matches runs its command.
    step("Up", [&](const auto& s) { return cursor_on(s, "a b.log"); }, "Up");
    ran("F3", "a b.log");
    EXPECT_TRUE(h.WaitExists(bin + "/logview.args"));
    EXPECT_EQ(first_line(bin + "/logview.args"), root + "/a b.log");
    // $view opens the internal viewer on a name.
    ASSERT_TRUE(h.Type("$view plain.txt") && h.Key("Return"));
    wait([&](const auto& s) { return shows(s, "View: " + root + "/plain.txt") && shows(s, "plain text here"); },
         "$view");
    step("Escape", [&](const auto& s) { return cursor_on(s, "a b.log"); }, "Esc");
    ASSERT_TRUE(h.Key("F10"));
}
