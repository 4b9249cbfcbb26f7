#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Snapshot = CWindowHarness::Snapshot;
using Pred = std::function<bool(const Snapshot&)>;

bool shows(const Snapshot& s, const std::string& text)
{
    for (const std::string& r : s.rows)
        if (r.find(text) != std::string::npos)
            return true;
    return false;
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

// The current entry's name on a panel's status line (x 0 or 40).
std::string status(const Snapshot& s, int x)
{
    std::string t = cells(s.rows[21], x + 1, 12);
    return t.substr(0, t.find_last_not_of(' ') + 1);
}

// Whether the left panel's entries (rows 1-20) show text.
bool in_left(const Snapshot& s, const std::string& text)
{
    for (size_t y = 1; y < s.rows.size() && y < 21; y++)
        if (cells(s.rows[y], 0, 40).find(text) != std::string::npos)
            return true;
    return false;
}

bool have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Archives of every kind entered as directories in the real program: the
// left panel shows A, the right one B, under a scratch directory; px's
// temporary files go to a TMPDIR of the test's own, empty once px ends.
class ArchivePanelsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxarcpan.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* d : {"/A", "/B", "/tmp", "/bin"})
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
    }
    void TearDown() override { (void)!std::system(("rm -rf '" + root + "'").c_str()); }
    void write(const std::string& name, const std::string& text) { std::ofstream(root + name) << text; }
    std::string read(const std::string& name) const
    {
        std::ifstream f(name[0] == '/' && name.rfind(root, 0) == 0 ? name : root + name);
        std::stringstream s;
        s << f.rdbuf();
        return f ? s.str() : "<missing>";
    }
    void sh(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + root + "' && { " + command + "; } >/dev/null 2>&1").c_str()), 0) << command;
    }
    std::string out(const std::string& command) const
    {
        std::string text;
        if (FILE* p = popen(("cd '" + root + "' && " + command + " 2>/dev/null").c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, p)) > 0)
                text.append(buf, n);
            pclose(p);
        }
        return text;
    }
    int count(const std::string& dir) const
    {
        int n = 0;
        if (DIR* d = opendir((root + dir).c_str())) {
            while (dirent* e = readdir(d))
                n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
            closedir(d);
        }
        return n;
    }
    // px.ini with these lines, read at start-up.
    void settings(const std::string& lines)
    {
        mkdir(h.Home().c_str(), 0755);
        mkdir((h.Home() + "/.pxl").c_str(), 0755);
        std::ofstream(h.Home() + "/.pxl/px.ini") << lines;
    }
    bool start()
    {
        if (!h.StartDisplay())
            return false;
        std::string old_tmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        setenv("PATH", (root + "/bin:" + old_path).c_str(), 1);
        EXPECT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root + "/A", "-r", root + "/B"}));
        if (old_tmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", old_tmp.c_str(), 1);
        setenv("PATH", old_path.c_str(), 1);
        EXPECT_TRUE(h.WaitWindow());
        return true;
    }
    // Presses keys (blank-separated), then waits until a snapshot newer than
    // the last one seen satisfies pred.
    void step(const std::string& keys, const Pred& pred, const char* what)
    {
        int before = s.seq;
        std::istringstream each(keys);
        std::string key;
        while (each >> key)
            ASSERT_TRUE(h.Key(key)) << what << ": " << key;
        EXPECT_TRUE(h.WaitSnapshot([&](const auto& n) { return (keys.empty() || n.seq > before) && pred(n); }, s))
            << what << "\n"
            << dump();
    }
    // A command line typed and run.
    void command(const std::string& line, const Pred& pred, const char* what)
    {
        ASSERT_TRUE(h.Type(line));
        step("Return", pred, what);
    }
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    Pred on(int x, const std::string& name)
    {
        return [x, name](const auto& s) { return status(s, x) == name; };
    }
    Pred showing(const std::string& text)
    {
        return [text](const auto& s) { return shows(s, text); };
    }
    // Moves the left panel's cursor onto name.
    void go(const std::string& name)
    {
        step("Home", on(0, ".."), "Home");
        for (int i = 0; i < 12 && status(s, 0) != name; i++) {
            std::string was = status(s, 0);
            step("Down", [&](const auto& n) { return status(n, 0) != was; }, "Down");
        }
        ASSERT_EQ(status(s, 0), name) << dump();
    }
    // The screen row showing text in the left panel, -1 when none does.
    int row_of(const std::string& text) const
    {
        for (size_t y = 1; y < s.rows.size() && y < 21; y++)
            if (cells(s.rows[y], 0, 40).find(text) != std::string::npos)
                return static_cast<int>(y);
        return -1;
    }
    void quit()
    {
        ASSERT_TRUE(h.Key("F10"));
        step("", showing("Are you sure"), "quit question");
        ASSERT_TRUE(h.Key("Return"));
        EXPECT_EQ(h.WaitExit(20000), 0);
        EXPECT_EQ(count("/tmp"), 0) << out("find tmp");
    }

    std::string root;
    CWindowHarness h;
    Snapshot s;
};

}

// Enter into a 7z, an arj, an lzh, a gzip keeping its name and a bzip2
// lists the member; Ctrl+PgUp comes back onto the archive file; a double
// click on a zip enters it too.
TEST_F(ArchivePanelsWindow, EveryKindEntersAndLeaves)
{
    for (const char* p : {"7z", "arj", "lha", "gzip", "bzip2", "zip"})
        if (!have(p))
            GTEST_SKIP() << p << " is needed";
    sh("cd A && echo seven > seven.txt && 7z a -bd s.7z seven.txt && rm seven.txt"
       " && echo arjmember > arjm.txt && arj a j.arj arjm.txt && rm arjm.txt"
       " && cp '" PANNEX_SOURCE_DIR "/archive/tests/data/level0.lzh' l.lzh"
       " && echo inner > inner.txt && gzip -N inner.txt && mv inner.txt.gz n.gz"
       " && echo bz > data.txt && bzip2 data.txt && mv data.txt.bz2 d.bz2"
       " && echo zipped > z.txt && zip -q t.zip z.txt && rm z.txt");
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", on(0, ".."), "start");
    const struct
    {
        const char* archive;
        const char* member;
    } rows[] = {
        {"s.7z", "seven.txt"}, {"j.arj", "arjm.txt"}, {"l.lzh", "top0.txt"}, {"n.gz", "inner.txt"}, {"d.bz2", "d"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.archive);
        go(r.archive);
        step("Return", showing("/A/" + std::string(r.archive) + " "), "Enter");
        EXPECT_TRUE(row_of(r.member) > 0) << dump();
        step("ctrl+Prior", on(0, r.archive), "Ctrl+PgUp");
        EXPECT_TRUE(shows(s, root + "/A ")) << dump();
    }
    int y = row_of("t.zip");
    ASSERT_GT(y, 0) << dump();
    ASSERT_TRUE(h.Xdotool({"mousemove", "--sync", std::to_string(2 * h.CellWidth() + h.CellWidth() / 2),
                           std::to_string(y * h.CellHeight() + h.CellHeight() / 2)}));
    ASSERT_TRUE(h.Xdotool({"click", "--repeat", "2", "1"}));
    step("", showing("/A/t.zip "), "double click");
    EXPECT_TRUE(row_of("z.txt") > 0) << dump();
    step("ctrl+Prior", on(0, "t.zip"), "out of the zip");
    quit();
}

// Inside a zip: cd on the command line into one of its directories, "!"
// naming a member on the command line, F3 with an external viewer, then
// the archive changed and removed from outside and re-read.
TEST_F(ArchivePanelsWindow, CommandLineViewerAndChangesFromOutside)
{
    if (!have("zip"))
        GTEST_SKIP() << "zip makes the archive";
    sh("cd A && mkdir docs && echo readme > docs/readme.txt && printf 'alpha\\001\\n' > a.txt"
       " && echo beta > b.txt && zip -q -r t.zip a.txt b.txt docs && rm -r a.txt b.txt docs");
    // The viewer copies what it got, then says where from.
    write("/bin/stubview", "#!/bin/sh\ncat \"$1\" > \"" + root + "/view.copy\"\nprintf '%s\\n' \"$1\" > \"" + root +
                               "/view.args\"\n");
    sh("chmod 755 bin/stubview");
    settings("Viewer=stubview\r\n");
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", on(0, ".."), "start");
    command("cd t.zip/docs", showing("/A/t.zip/docs "), "cd into the archive");
    EXPECT_TRUE(row_of("readme.txt") > 0) << dump();
    step("ctrl+Prior", on(0, "docs"), "up to the archive's root");

    // "..", docs, a.txt, b.txt
    step("Down", on(0, "a.txt"), "onto a.txt");
    command("cat ! > out", [](const auto& s) { return status(s, 0) == "a.txt"; }, "cat !");
    EXPECT_FALSE(h.WaitLines(root + "/A/out", 1).empty());
    EXPECT_EQ(read("/A/out"), "alpha\001\n");

    int before = s.seq;
    ASSERT_TRUE(h.Key("F3"));
    ASSERT_FALSE(h.WaitLines(root + "/view.args", 1).empty());
    step("", [&](const auto& n) { return n.seq > before && status(n, 0) == "a.txt"; }, "back from the viewer");
    std::string viewed = read("/view.args");
    EXPECT_EQ(viewed.rfind(root + "/tmp/", 0), 0u) << viewed;
    EXPECT_EQ(viewed.substr(viewed.rfind('/') + 1), "a.txt\n");
    EXPECT_EQ(read("/view.copy"), "alpha\001\n");

    sh("zip -q -d A/t.zip a.txt");
    step("ctrl+r", [](const auto& s) { return in_left(s, "b.txt") && !in_left(s, "a.txt"); },
         "Ctrl+R after a member went");
    ASSERT_EQ(unlink((root + "/A/t.zip").c_str()), 0);
    step("ctrl+r", [&](const auto& s) { return shows(s, root + "/A ") && !shows(s, "t.zip"); },
         "Ctrl+R after the archive went");
    EXPECT_TRUE(row_of("out") > 0) << dump();
    quit();
}

// Things that are not archives, or not safe, stay closed; and the keys that
// do nothing inside an archive change neither the screen nor the archive.
TEST_F(ArchivePanelsWindow, RefusalsAndInertKeys)
{
    if (!have("zip") || !have("python3"))
        GTEST_SKIP() << "zip and python3 make the archives";
    sh("cd A && echo plain > plain.bin && cp '" PANNEX_SOURCE_DIR "/archive/tests/data/bad_checksum.tar' bad.tar"
       " && echo alpha > a.txt && zip -q t.zip a.txt && rm a.txt"
       " && python3 -c 'import zipfile; zipfile.ZipFile(\"u.zip\", \"w\").writestr(\"../../B\", \"e\")'");
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", on(0, ".."), "start");
    for (const char* name : {"plain.bin", "bad.tar"}) {
        SCOPED_TRACE(name);
        go(name);
        std::string was = dump();
        step("ctrl+Next Down", [&](const auto& n) { return status(n, 0) != name; }, "Ctrl+PgDn, then Down");
        step("Up", on(0, name), "back up");
        EXPECT_EQ(dump(), was);
    }

    // "../../B" resolved from the archive's root names B: Enter and
    // Ctrl+PgDn on the member used to take the panel out there.
    go("u.zip");
    step("Return", showing("/A/u.zip "), "into the unsafe zip");
    step("Down", on(0, "../../B"), "onto the member");
    for (const char* key : {"Return", "ctrl+Next"}) {
        SCOPED_TRACE(key);
        step(key, showing("Unsafe name in archive:"), "refused");
        step("Escape", [](const auto& s) { return !shows(s, "Unsafe name"); }, "message gone");
        EXPECT_TRUE(shows(s, "/A/u.zip ")) << dump();
        EXPECT_EQ(status(s, 0), "../../B");
    }
    step("ctrl+Prior", on(0, "u.zip"), "out");
    EXPECT_EQ(count("/tmp"), 0);

    std::string zip = read("/A/t.zip");
    go("t.zip");
    step("Return Down", on(0, "a.txt"), "into t.zip");
    std::string was = dump();
    for (const char* key : {"F7", "ctrl+a", "shift+F5"}) {
        SCOPED_TRACE(key);
        // Up lands on ".." only if the key opened nothing over the panel.
        step(std::string(key) + " Up", on(0, ".."), "the key, then Up");
        step("Down", on(0, "a.txt"), "back down");
        EXPECT_EQ(dump(), was);
    }
    EXPECT_EQ(read("/A/t.zip"), zip);
    step("ctrl+Prior", on(0, "t.zip"), "out");
    quit();
}
