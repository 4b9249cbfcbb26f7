#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
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

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The editor reached by its keys in the real program.
class EditorWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxeditwin.XXXXXX";
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
    void settings(const std::string& ini)
    {
        mkdir(h.Home().c_str(), 0755);
        mkdir((h.Home() + "/.pxl").c_str(), 0755);
        std::ofstream(h.Home() + "/.pxl/px.ini") << ini;
    }
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
        std::istringstream each(keys);
        for (std::string key; each >> key;)
            ASSERT_TRUE(h.Key(key)) << what << ": " << key;
        EXPECT_TRUE(h.WaitSnapshot(pred, s)) << what << "\n" << dump();
    }
    void wait(const std::function<bool(const CWindowHarness::Snapshot&)>& pred, const char* what)
    {
        step("", pred, what);
    }
    // Types text and waits until the editor's first row shows line.
    void type(const std::string& text, const std::string& line)
    {
        ASSERT_TRUE(h.Type(text));
        wait([&](const auto& s) { return s.rows[1].rfind(line, 0) == 0; }, text.c_str());
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
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

TEST_F(EditorWindow, DashEMakesSavesAndAsksBeforeLosingChanges)
{
    std::string file = root + "/new.txt";
    if (!start({"-e", file}))
        GTEST_SKIP() << h.Missing();
    step("", [](const auto& s) { return shows(s, "File does not exist, Create?"); }, "create?");
    step("Return", [&](const auto& s) { return shows(s, "Edit: ") && shows(s, "new.txt") && shows(s, "2Save   3SaveAs"); }, "empty");
    type("h\xC3\xA9llo", "h\xC3\xA9llo");
    step("F2", [](const auto& s) { return s.rows[0].substr(34, 5) == " U   "; }, "saved");
    EXPECT_EQ(slurp(file), "h\xC3\xA9llo");
    type("x", "h\xC3\xA9llox");
    step("Escape", [](const auto& s) { return shows(s, "There are unsaved changes"); }, "question");
    ASSERT_TRUE(h.Key("d"));
    EXPECT_EQ(h.WaitExit(10000), 0);
    EXPECT_EQ(slurp(file), "h\xC3\xA9llo");
}

TEST_F(EditorWindow, FromThePanelsAndTheViewer)
{
    // A stub Editor2 first on PATH records the file it is given.
    std::string bin = root + "/bin";
    mkdir(bin.c_str(), 0755);
    std::ofstream(bin + "/editor") << "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$(dirname \"$0\")/editor.args\"\n";
    chmod((bin + "/editor").c_str(), 0755);
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (bin + ":" + old_path).c_str(), 1);
    // "ä.txt" in Latin-1 beside its UTF-8 spelling: F4 saves to the file
    // it opened.
    std::string latin = write("\xE4.txt", "latin\n");
    std::string utf = write("\xC3\xA4.txt", "utf\n");
    std::string page;
    for (int i = 1; i <= 100; i++)
        page += "row " + std::to_string(i) + "\n";
    std::string paged = write("paged.txt", page);
    bool started = start({"-l", root, "-r", root});
    setenv("PATH", old_path.c_str(), 1);
    if (!started)
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return shows(s, "paged.txt"); }, "the panel");

    // Entries: "..", "bin", "paged.txt" and the two "ä.txt" in some order.
    step("Home Down Down", [](const auto& s) { return cursor_on(s, "paged.txt"); }, "paged");
    step("Down F4", [](const auto& s) { return shows(s, "Edit: "); }, "F4");
    std::string first = s.rows[1].substr(0, 5);
    type("F", "F" + first);
    step("F2 Escape", [](const auto& s) { return !shows(s, "Edit: "); }, "saved and left");
    if (first == "latin") {
        EXPECT_EQ(slurp(latin), "Flatin\n");
        EXPECT_EQ(slurp(utf), "utf\n");
    } else {
        EXPECT_EQ(slurp(utf), "Futf\n");
        EXPECT_EQ(slurp(latin), "latin\n");
    }

    // Alt+F4 runs Editor2, "editor" when unset.
    int before = s.seq;
    ASSERT_TRUE(h.Key("Up") && h.Key("alt+F4"));
    wait([&](const auto& s) { return s.seq > before && cursor_on(s, "paged.txt"); }, "Alt+F4");
    EXPECT_TRUE(h.WaitExists(bin + "/editor.args"));
    EXPECT_EQ(slurp(bin + "/editor.args"), paged + "\n");
    // Ctrl+Shift+F4 does the same.
    std::remove((bin + "/editor.args").c_str());
    before = s.seq;
    ASSERT_TRUE(h.Key("ctrl+shift+F4"));
    wait([&](const auto& s) { return s.seq > before && cursor_on(s, "paged.txt"); }, "Ctrl+Shift+F4");
    EXPECT_TRUE(h.WaitExists(bin + "/editor.args"));
    EXPECT_EQ(slurp(bin + "/editor.args"), paged + "\n");

    // The viewer's Alt+F4 opens the editor at its top line.
    step("F3", [](const auto& s) { return shows(s, "View: "); }, "F3");
    step("Next", [](const auto& s) { return s.rows[1].rfind("row ", 0) == 0 && s.rows[1] != "row 1"; }, "a page on");
    std::string top = s.rows[1].substr(0, s.rows[1].find(' ', 4));
    step("alt+F4", [&](const auto& s) { return shows(s, "Edit: ") && s.rows[1].rfind(top, 0) == 0; }, "viewer Alt+F4");
    EXPECT_NE(s.rows[0].find("Line " + top.substr(4)), std::string::npos) << s.rows[0];
    step("Escape", [](const auto& s) { return !shows(s, "Edit: "); }, "back");

    // Shift+F4 with a new name asks to make it; the cursor then stands on it.
    step("shift+F4", [](const auto& s) { return shows(s, "Edit the file:"); }, "Shift+F4");
    ASSERT_TRUE(h.Type("made.txt"));
    step("Return", [](const auto& s) { return shows(s, "File does not exist, Create?"); }, "create?");
    step("Return", [](const auto& s) { return shows(s, "Edit: "); }, "made");
    type("new", "new");
    step("F2 Escape", [](const auto& s) { return cursor_on(s, "made.txt"); }, "on the new file");
    EXPECT_EQ(slurp(root + "/made.txt"), "new");
    ASSERT_TRUE(h.Key("F10"));
}

TEST_F(EditorWindow, CopyAndPasteThroughTheDesktopClipboard)
{
    std::string file = write("clip.txt", "alpha beta\n");
    settings("[General Options]\r\nXClipboard=on\r\n");
    if (!start({"-e", file}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return s.rows[1].rfind("alpha beta", 0) == 0; }, "the text");
    // Home after the copy: once the cursor is back, the copy was made.
    step("shift+End", [](const auto& s) { return s.rows[0].find("Col 11") != std::string::npos; }, "marked");
    step("ctrl+c Home", [](const auto& s) { return s.rows[0].find("Col 1 ") != std::string::npos; }, "copied");
    EXPECT_EQ(h.Clipboard(), "alpha beta");
    // Text another program put there comes in with Ctrl+V.
    std::string in = write("in", "from xclip");
    ASSERT_EQ(std::system(("DISPLAY=" + h.Display() + " xclip -selection clipboard -i < '" + in + "'").c_str()), 0);
    step("End ctrl+v", [](const auto& s) { return s.rows[1].rfind("alpha betafrom xclip", 0) == 0; }, "pasted");
    step("F2 Escape", [](const auto&) { return true; }, "left");
    EXPECT_EQ(h.WaitExit(10000), 0);
    EXPECT_EQ(slurp(file), "alpha betafrom xclip\n");
}

TEST_F(EditorWindow, AnAssociationEditedFromTheMenuWorksAtOnce)
{
    write("run.zzz", "x\n");
    settings("");
    if (!start({"-l", root, "-r", root}))
        GTEST_SKIP() << h.Missing();
    wait([](const auto& s) { return shows(s, "run.zzz"); }, "the panel");
    step("F9 c a", [](const auto& s) { return shows(s, "Edit: ") && shows(s, "px.ini"); }, "Edit Associations");
    ASSERT_TRUE(h.Key("ctrl+Next"));
    ASSERT_TRUE(h.Type("[Associations]"));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(h.Type("*.zzz: touch ran.out"));
    wait([](const auto& s) { return shows(s, "*.zzz: touch ran.out"); }, "typed");
    step("F2 Escape", [](const auto& s) { return !shows(s, "Edit: ") && shows(s, "run.zzz"); }, "saved");
    step("Home Down", [](const auto& s) { return cursor_on(s, "run.zzz"); }, "on run.zzz");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_TRUE(h.WaitExists(root + "/ran.out"));
    ASSERT_TRUE(h.Key("F10"));
}

// Undo across closing and reopening the file in one run; an outside change
// drops the history, and one that puts an older copy back is still caught
// when saving.
TEST_F(EditorWindow, HistoryAcrossReopeningAndOutsideChanges)
{
    std::string file = write("notes.txt", "abc\n");
    if (!start({"-l", root, "-r", root}))
        GTEST_SKIP() << h.Missing();
    step("Home Down", [](const auto& s) { return cursor_on(s, "notes.txt"); }, "on notes.txt");
    step("F4 End", [](const auto& s) { return shows(s, "Edit: ") && s.rows[0].find("Col 4 ") != std::string::npos; },
         "opened");
    type("xy", "abcxy");
    step("F2 Escape", [](const auto& s) { return cursor_on(s, "notes.txt"); }, "saved");
    EXPECT_EQ(slurp(file), "abcxy\n");
    step("F4 alt+BackSpace", [](const auto& s) { return shows(s, "Edit: ") && s.rows[1].rfind("abcx ", 0) == 0; },
         "undone after reopening");
    step("Escape d", [](const auto& s) { return cursor_on(s, "notes.txt"); }, "discarded");

    // Changed outside: the old history would garble the new text.
    std::ofstream(file, std::ios::binary) << "new text\n";
    step("F4 alt+BackSpace End",
         [](const auto& s) { return shows(s, "Edit: ") && s.rows[0].find("Col 9 ") != std::string::npos; }, "reopened");
    EXPECT_EQ(s.rows[1].rfind("new text ", 0), 0u) << dump();

    // An older copy of the same size put back while the file is open.
    std::ofstream(file, std::ios::binary) << "NEW TEXT\n";
    ASSERT_EQ(std::system(("touch -d '2001-02-03 04:05:06' '" + file + "'").c_str()), 0);
    type("z", "new textz");
    step("F2", [](const auto& s) { return shows(s, "File has been modified since it was loaded. Overwrite anyway?"); },
         "the question");
    step("Escape", [](const auto& s) { return !shows(s, "Overwrite anyway?"); }, "not saved");
    EXPECT_EQ(slurp(file), "NEW TEXT\n");
    step("Escape d", [](const auto& s) { return cursor_on(s, "notes.txt"); }, "left");
    ASSERT_TRUE(h.Key("F10"));
}
