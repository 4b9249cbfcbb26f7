#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Snapshot = CWindowHarness::Snapshot;

// What a key is expected to do on a panel of files.
enum class Does
{
    Window,   // opens a dialog, menu or window: Esc leaves it
    Change,   // changes the panels: the undo key puts them back
    Program,  // runs a program: the marker file appears
    Saves,    // writes the settings file; the screen stays
};

struct KEYCASE
{
    const char* key;   // as xdotool names it
    Does does;
    const char* undo;  // Change: the key that reverses it
    const char* marker;  // Program: the file the program makes
};

// Every function key with and without Shift, Ctrl and Alt that the main
// loop binds, pressed in one px on a panel of files: each must answer with
// a new snapshot and do what the table says, and the screen must come back
// to the panels exactly as they were.
TEST(FunctionKeysWindow, EveryFunctionKeyDoesItsJob)
{
    CWindowHarness h;
    char tmpl[] = "/tmp/pxfkeys.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string root = tmpl;
    struct Cleanup
    {
        std::string root;
        ~Cleanup() { std::system(("rm -rf '" + root + "'").c_str()); }
    } cleanup{root};
    std::string files = root + "/files", other = root + "/other", bin = root + "/bin";
    for (const std::string& d : {files, other, bin, files + "/sub"})
        mkdir(d.c_str(), 0755);
    std::ofstream(files + "/a.txt") << std::string(100, 'a');
    std::ofstream(files + "/b.txt") << "b";
    std::ofstream(files + "/c.log") << std::string(50, 'c');
    // The browser Shift+F1 looks for, and the second viewer and editor.
    std::string browser = bin + "/x-www-browser";
    std::ofstream(browser) << "#!/bin/sh\necho \"$@\" > '" << root << "/browser'\n";
    chmod(browser.c_str(), 0755);
    mkdir(h.Home().c_str(), 0755);
    mkdir((h.Home() + "/.pxl").c_str(), 0755);
    for (const std::string& menu : {files + "/px.mnu", h.Home() + "/.pxl/px.mnu"}) {
        std::ofstream(menu) << "e: Echo\n  echo hi\n";
        chmod(menu.c_str(), 0644);
    }
    // The stubs leave the file they are given alone: a touch of it would
    // change the time its panel shows whenever a minute turns meanwhile.
    for (const char* program : {"viewer2", "editor2"}) {
        std::string stub = bin + "/" + program + "-stub";
        std::ofstream(stub) << "#!/bin/sh\ntouch '" << root << "/" << program << "'\n";
        chmod(stub.c_str(), 0755);
    }
    std::ofstream(h.Home() + "/.pxl/px.ini") << "Viewer2=viewer2-stub\r\nEditor2=editor2-stub\r\n";
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (bin + ":" + old_path).c_str(), 1);
    bool started = h.StartDisplay() && h.StartProgram(PX_PROGRAM, {"-l", files, "-r", other});
    setenv("PATH", old_path.c_str(), 1);
    if (!started && !h.Missing().empty())
        GTEST_SKIP() << h.Missing();
    ASSERT_TRUE(started);
    ASSERT_TRUE(h.WaitWindow());

    Snapshot s;
    auto dump = [&] {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    };
    // The panels and the key bar, without the command line's row.
    auto screen = [](const Snapshot& snap) {
        std::vector<std::string> rows(snap.rows.begin(), snap.rows.end());
        if (rows.size() >= 2)
            rows.erase(rows.end() - 2);
        return rows;
    };
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& x) { return x.title == "Pannex: " + files; }, s)) << dump();
    // A command and two directories in the histories, so that their boxes
    // have something to show.
    ASSERT_TRUE(h.Type("cd sub"));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& x) { return x.title == "Pannex: " + files + "/sub"; }, s)) << dump();
    ASSERT_TRUE(h.Type("cd .."));
    ASSERT_TRUE(h.Key("Return"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& x) { return x.title == "Pannex: " + files; }, s)) << dump();
    // The cursor on the last file (c.log).
    Snapshot start;
    ASSERT_TRUE(h.ReadSnapshot(start));
    ASSERT_TRUE(h.Key("End"));
    ASSERT_TRUE(h.WaitSnapshot([&](const Snapshot& x) { return x.seq != start.seq; }, s));
    // The screen once it stops changing: no new snapshot for a while.
    Snapshot base = s;
    for (int i = 0; i < 20 && h.WaitSnapshot([&](const Snapshot& x) { return x.seq != base.seq; }, s, 500); i++)
        base = s;
    const std::vector<std::string> panels = screen(base);

    auto back_to_panels = [&](const char* key) {
        // A menu may take more than one Esc; a command's output one more
        // repaint.
        for (int i = 0; i < 3; i++) {
            if (h.WaitSnapshot([&](const Snapshot& x) { return screen(x) == panels; }, s, 3000))
                return true;
            h.Key("Escape");
        }
        ADD_FAILURE() << key << ": the panels did not come back\n" << dump();
        return false;
    };

    const std::vector<KEYCASE> table = {
        {"F1", Does::Window},
        {"shift+F1", Does::Program, nullptr, "browser"},
        {"F2", Does::Window},
        {"shift+F2", Does::Window},
        {"F3", Does::Window},
        {"alt+F3", Does::Program, nullptr, "viewer2"},
        {"ctrl+shift+F3", Does::Program, nullptr, "viewer2"},
        {"shift+F3", Does::Window},
        {"F4", Does::Window},
        {"alt+F4", Does::Program, nullptr, "editor2"},
        {"ctrl+shift+F4", Does::Program, nullptr, "editor2"},
        {"shift+F4", Does::Window},
        {"F5", Does::Window},
        {"shift+F5", Does::Window},
        {"F6", Does::Window},
        {"shift+F6", Does::Window},
        {"F7", Does::Window},
        {"shift+F7", Does::Window},
        {"F8", Does::Window},
        {"shift+F8", Does::Window},
        {"F9", Does::Window},
        {"shift+F10", Does::Window},
        {"F10", Does::Window},
        {"shift+F9", Does::Saves},
        {"ctrl+F1", Does::Change, "ctrl+F1"},
        {"ctrl+F2", Does::Change, "ctrl+F2"},
        {"ctrl+F4", Does::Change, "ctrl+F3"},
        {"ctrl+F6", Does::Change, "ctrl+F3"},
        {"ctrl+F8", Does::Change, "ctrl+F8"},
        {"alt+F1", Does::Window},
        {"alt+F2", Does::Window},
        {"alt+F5", Does::Window},
        {"alt+F6", Does::Window},
        {"alt+F7", Does::Window},
        {"alt+F8", Does::Window},
        {"alt+F9", Does::Change, "alt+F9"},
        {"alt+F10", Does::Window},
        {"alt+shift+F1", Does::Change, "alt+shift+F2"},
        {"alt+shift+F3", Does::Change, "alt+shift+F2"},
        {"alt+shift+F4", Does::Change, "alt+shift+F2"},
        {"alt+shift+F5", Does::Change, "alt+shift+F2"},
        {"alt+shift+F8", Does::Window},
        {"alt+shift+F9", Does::Change, "alt+shift+F9"},
        {"ctrl+shift+F5", Does::Window},
    };
    for (const KEYCASE& k : table) {
        SCOPED_TRACE(k.key);
        Snapshot before;
        ASSERT_TRUE(h.ReadSnapshot(before));
        if (k.marker)
            unlink((root + "/" + k.marker).c_str());
        if (k.does == Does::Saves)
            unlink((h.Home() + "/.pxl/px.ini").c_str());
        ASSERT_TRUE(h.Key(k.key));
        switch (k.does) {
        case Does::Window:
        case Does::Change:
            EXPECT_TRUE(h.WaitSnapshot(
                [&](const Snapshot& x) { return x.seq != before.seq && screen(x) != panels; }, s))
                << k.key << " showed nothing new\n" << dump();
            if (k.does == Does::Change)
                ASSERT_TRUE(h.Key(k.undo));
            else
                ASSERT_TRUE(h.Key("Escape"));
            break;
        case Does::Program:
            EXPECT_TRUE(h.WaitExists(root + "/" + k.marker)) << k.key << " ran nothing";
            break;
        case Does::Saves:
            EXPECT_TRUE(h.WaitSnapshot([&](const Snapshot& x) { return x.seq != before.seq; }, s));
            EXPECT_TRUE(h.WaitExists(h.Home() + "/.pxl/px.ini"));
            break;
        }
        if (!back_to_panels(k.key))
            break;
    }
    // Still running: F10 was answered with Esc.
    h.Key("F10");
    h.Key("y");
    EXPECT_EQ(h.WaitExit(10000), 0);
}

} // namespace
