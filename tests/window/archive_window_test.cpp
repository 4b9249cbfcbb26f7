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

bool shows(const CWindowHarness::Snapshot& s, const std::string& text)
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
std::string status(const CWindowHarness::Snapshot& s, int x)
{
    std::string t = cells(s.rows[21], x + 1, 12);
    return t.substr(0, t.find_last_not_of(' ') + 1);
}

// Archives in the real program: A (left panel) and B (right panel) under
// a scratch directory; px's temporary files go to a TMPDIR of the test's
// own, which must be empty once px has ended.
class ArchiveWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxarcwin.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* d : {"/A", "/B", "/tmp", "/bin"})
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0);
    }
    void TearDown() override { (void)!std::system(("rm -rf '" + root + "'").c_str()); }
    void write(const std::string& name, const std::string& text) { std::ofstream(root + name) << text; }
    std::string read(const std::string& name) const
    {
        std::ifstream f(root + name);
        std::stringstream s;
        s << f.rdbuf();
        return f ? s.str() : "<missing>";
    }
    bool exists(const std::string& name) const
    {
        struct stat st;
        return lstat((root + name).c_str(), &st) == 0;
    }
    void sh(const std::string& command)
    {
        ASSERT_EQ(std::system(("cd '" + root + "' && { " + command + "; } >/dev/null 2>&1").c_str()), 0) << command;
    }
    // What a shell command prints, run in the scratch directory.
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
    // Names in a directory, "." and ".." left out.
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
    // Starts px on A and B; a non-empty shell line runs in a mount
    // namespace of its own first (as root), then px in place of the shell.
    bool start(const std::string& namespace_setup = "")
    {
        if (!h.StartDisplay())
            return false;
        std::string old_tmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        setenv("PATH", (root + "/bin:" + old_path).c_str(), 1);
        if (namespace_setup.empty())
            EXPECT_TRUE(h.StartProgram(PX_PROGRAM, {"-l", root + "/A", "-r", root + "/B"}));
        else
            EXPECT_TRUE(h.StartProgram("unshare", {"-m", "sh", "-c",
                                                   namespace_setup + " && exec \"$0\" -l \"$1\" -r \"$2\"",
                                                   PX_PROGRAM, root + "/A", root + "/B"}));
        if (old_tmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", old_tmp.c_str(), 1);
        setenv("PATH", old_path.c_str(), 1);
        EXPECT_TRUE(h.WaitWindow());
        return true;
    }
    // Presses keys (blank-separated), then waits until the snapshot, newer
    // than the last one seen, satisfies pred.
    void step(const std::string& keys, const std::function<bool(const CWindowHarness::Snapshot&)>& pred,
              const char* what)
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
    std::string dump() const
    {
        std::string d;
        for (const std::string& r : s.rows)
            d += r + "\n";
        return d;
    }
    std::function<bool(const CWindowHarness::Snapshot&)> on(int x, const std::string& name)
    {
        return [x, name](const auto& s) { return status(s, x) == name; };
    }
    std::function<bool(const CWindowHarness::Snapshot&)> showing(const std::string& text)
    {
        return [text](const auto& s) { return shows(s, text); };
    }
    // Enters the zip that is A's last entry, opens its last member ("beta")
    // in the internal editor and types X at the end of the first line.
    void edit_last_member(const std::string& typed)
    {
        step("End Return", on(0, ".."), "into the zip");
        step("End F4", showing("Edit: "), "F4 on the member");
        step("End", [](const auto& s) { return s.rows[0].find("Col 5 ") != std::string::npos; }, "at the end");
        ASSERT_TRUE(h.Type("X"));
        step("", [&](const auto& s) { return s.rows[1].rfind(typed, 0) == 0; }, "typed");
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
    CWindowHarness::Snapshot s;
};

bool have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

}

// Enter and Ctrl+PgDn into a zip and a tgz (its tar nested through gzip),
// Ctrl+PgUp out of a directory and the archive onto what was left,
// Ctrl+backslash out of the nested one, an unknown file doing nothing.
TEST_F(ArchiveWindow, EnterLeaveAndNest)
{
    if (!have("zip") || !have("gzip"))
        GTEST_SKIP() << "zip and gzip make the archives";
    sh("cd A && mkdir docs && echo readme > docs/readme.txt && echo top > top.txt"
       " && zip -q -r t.zip docs top.txt && tar -cf t.tar top.txt && gzip -n t.tar && mv t.tar.gz t.tgz"
       " && rm -r docs top.txt && echo plain > plain.bin");
    if (!start())
        GTEST_SKIP() << h.Missing();
    // "..", plain.bin, t.tgz, t.zip
    step("", on(0, ".."), "start");
    step("End Return", showing("/A/t.zip "), "Enter into the zip");
    EXPECT_TRUE(shows(s, "top.txt")) << dump();
    step("Down ctrl+Next", on(0, ".."), "Ctrl+PgDn into docs");
    EXPECT_TRUE(shows(s, "/A/t.zip/docs")) << dump();
    step("ctrl+Prior", on(0, "docs"), "Ctrl+PgUp to the root");
    step("ctrl+Prior", on(0, "t.zip"), "Ctrl+PgUp out of the zip");
    step("Up Return", on(0, ".."), "Enter into the tgz");
    step("Down ctrl+Next", showing("/A/t.tgz/t.tar"), "the tar nested");
    EXPECT_TRUE(shows(s, "top.txt")) << dump();
    step("ctrl+backslash", on(0, "t.tgz"), "Ctrl+\\ out of both");
    step("Up ctrl+Next", on(0, "plain.bin"), "an unknown file");
    step("Down", on(0, "t.tgz"), "still in A");
    quit();
}

// F5 of tagged members to the other panel, F5 from inside a directory,
// F6 out with Skip, F5 and F6 into the archive, F8 of a member and of a
// directory, F4 with a stub editor written back.
TEST_F(ArchiveWindow, ExtractAddDeleteAndEdit)
{
    if (!have("zip") || !have("unzip"))
        GTEST_SKIP() << "zip and unzip are the archivers";
    sh("cd A && mkdir docs && echo alpha > a.txt && echo beta > b.txt && echo report > docs/report.txt"
       " && zip -q -r t.zip a.txt b.txt docs && rm -r a.txt b.txt docs");
    write("/bin/stubedit", "#!/bin/sh\necho edited >> \"$1\"\n");
    sh("chmod 755 bin/stubedit");
    mkdir(h.Home().c_str(), 0755);
    mkdir((h.Home() + "/.pxl").c_str(), 0755);
    std::ofstream(h.Home() + "/.pxl/px.ini") << "Editor=stubedit\r\n";
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", on(0, ".."), "start");
    // "..", docs, a.txt, b.txt inside.
    step("End Return", on(0, ".."), "into the zip");
    step("Down Down Insert Insert F5", showing("Extract 2 files to"), "F5 tagged");
    EXPECT_TRUE(shows(s, root + "/B/ ")) << "the proposal ends in /\n" << dump();
    step("Return", [](const auto& s) { return shows(s, "a.txt") && cells(s.rows[3], 41, 5) == "b.txt"; },
         "extracted");
    EXPECT_EQ(read("/B/a.txt"), "alpha\n");
    EXPECT_EQ(read("/B/b.txt"), "beta\n");
    step("Home Down Return Down F5", showing("Extract \"report.txt\" to"), "F5 inside docs");
    step("Return", [](const auto& s) { return cells(s.rows[4], 41, 10) == "report.txt"; }, "extracted flat");
    EXPECT_EQ(read("/B/report.txt"), "report\n");
    EXPECT_FALSE(exists("/B/docs"));

    // F6 of a.txt and b.txt, a.txt skipped: only b.txt leaves the zip.
    ASSERT_EQ(unlink((root + "/B/b.txt").c_str()), 0);
    step("ctrl+Prior Down Insert Insert F6", showing("Extract and Move 2 files to"), "F6 tagged");
    step("Return", showing("File already exists"), "overwrite question");
    step("s", on(0, "a.txt"), "skipped");
    EXPECT_EQ(out("unzip -Z1 A/t.zip | sort | tr '\\n' ' '"), "a.txt docs/ docs/report.txt ");
    EXPECT_EQ(read("/B/b.txt"), "beta\n");

    // Into the archive from B: F5 of report.txt, F6 of b.txt.
    step("Tab End", on(40, "report.txt"), "B's last entry");
    step("F5", showing("Compress \"report.txt\" to"), "F5 into");
    step("Return", on(40, "report.txt"), "added");
    step("Up F6", showing("Compress and Move \"b.txt\" to"), "F6 into");
    step("Return", [](const auto& s) { return !shows(s, "Compress and Move"); }, "moved in");
    EXPECT_EQ(out("unzip -Z1 A/t.zip | sort | tr '\\n' ' '"), "a.txt b.txt docs/ docs/report.txt report.txt ");
    EXPECT_FALSE(exists("/B/b.txt"));
    EXPECT_TRUE(exists("/B/report.txt"));

    // F8 of a member and of a directory.
    step("Tab Home Down Down F8", showing("Do you wish to delete"), "F8 a.txt");
    step("Return", on(0, "b.txt"), "deleted");
    step("Home Down F8", showing("Do you wish to delete"), "F8 docs");
    step("Return", [](const auto& s) { return !shows(s, "Do you wish"); }, "the directory question");
    if (shows(s, "Delete tree?")) {
        ASSERT_TRUE(h.Type("YES"));
        step("Return", [](const auto& s) { return !shows(s, "Delete tree?"); }, "YES");
    }
    step("", on(0, "b.txt"), "docs gone");
    EXPECT_EQ(out("unzip -Z1 A/t.zip | sort | tr '\\n' ' '"), "b.txt report.txt ");

    // F4 runs the editor on a copy, which goes back into the zip.
    int before = s.seq;
    ASSERT_TRUE(h.Key("F4"));
    step("", [&](const auto& n) { return n.seq > before && status(n, 0) == "b.txt"; }, "edited");
    step("ctrl+Prior", on(0, "t.zip"), "left the zip");
    EXPECT_EQ(out("unzip -p A/t.zip b.txt"), "beta\nedited\n");
    quit();
    EXPECT_FALSE(exists("/B/.px-extract")) << out("ls -a B");
}

// F4 on a member with the internal editor: the saved text goes back into
// the zip when the editor closes.
TEST_F(ArchiveWindow, TheInternalEditorWritesAMemberBack)
{
    if (!have("zip") || !have("unzip"))
        GTEST_SKIP() << "zip and unzip are the archivers";
    sh("cd A && echo alpha > a.txt && echo beta > b.txt && zip -q t.zip a.txt b.txt && rm a.txt b.txt");
    if (!start())
        GTEST_SKIP() << h.Missing();
    edit_last_member("betaX");
    step("F2 Escape", [](const auto& s) { return !shows(s, "Edit: ") && status(s, 0) == "b.txt"; }, "saved, closed");
    EXPECT_EQ(out("unzip -p A/t.zip b.txt"), "betaX\n");
    EXPECT_EQ(out("unzip -p A/t.zip a.txt"), "alpha\n");
    quit();
}

// When the archive cannot be written (a read-only mount) the edited copy
// stays at the path the message names, also after px has ended.
TEST_F(ArchiveWindow, AnEditThatCannotGoBackStaysWhereTheMessageSays)
{
    if (!have("zip") || !have("unzip"))
        GTEST_SKIP() << "zip and unzip are the archivers";
    if (geteuid() != 0 || std::system("unshare -m true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "a read-only mount needs root and unshare -m";
    sh("cd A && echo beta > b.txt && zip -q t.zip b.txt && rm b.txt");
    std::string a = root + "/A";
    if (!start("mount --bind '" + a + "' '" + a + "' && mount -o remount,bind,ro '" + a + "'"))
        GTEST_SKIP() << h.Missing();
    edit_last_member("betaX");
    step("F2 Escape", showing("An error occurred updating"), "the write-back fails");
    step("Return", showing("The changed copy is kept in"), "where the copy is");
    std::string kept;
    for (const std::string& r : s.rows) {
        size_t at = r.find(root + "/tmp/");
        if (at != std::string::npos) {
            kept = r.substr(at, r.find("b.txt", at) + 5 - at);
            break;
        }
    }
    ASSERT_FALSE(kept.empty()) << dump();
    EXPECT_EQ(read(kept.substr(root.size())), "betaX\n");
    step("Return", on(0, "b.txt"), "back on the member");
    EXPECT_EQ(out("unzip -p A/t.zip b.txt"), "beta\n");
    // Leaving tries once more, says so again, and the copy stays.
    ASSERT_TRUE(h.Key("F10"));
    step("", showing("Are you sure"), "quit question");
    step("Return", showing("An error occurred updating"), "tried again");
    step("Return", [&](const auto& s) { return shows(s, "The changed copy is kept in") && shows(s, kept); },
         "kept again");
    ASSERT_TRUE(h.Key("Return"));
    EXPECT_EQ(h.WaitExit(20000), 0);
    EXPECT_EQ(read(kept.substr(root.size())), "betaX\n");
}

// Shift+F7 makes ZIP, TAR, 7ZIP and GZIP archives of the current file.
TEST_F(ArchiveWindow, MakeArchives)
{
    if (!have("zip") || !have("tar") || !have("7z") || !have("gzip"))
        GTEST_SKIP() << "zip, tar, 7z and gzip make the archives";
    write("/A/notes.txt", "some notes\n");
    if (!start())
        GTEST_SKIP() << h.Missing();
    step("", on(0, ".."), "start");
    const struct
    {
        const char* type_key;
        const char* name;
        const char* made;
        const char* list;
    } rows[] = {
        {"alt+z", "z", "/B/z.zip", "unzip -Z1 B/z.zip"},
        {"alt+t", "t", "/B/t.tar", "tar -tf B/t.tar"},
        {"alt+7", "s", "/B/s.7z", "7z l -slt B/s.7z | sed -n 's/^Path = //p' | tail -n 1"},
        {"alt+g", "g", "/B/g.gz", "gzip -dc B/g.gz"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        step("End shift+F7", showing(" Compress Files "), "Shift+F7");
        EXPECT_TRUE(shows(s, root + "/B/notes")) << dump();
        ASSERT_TRUE(h.Key("ctrl+y"));
        ASSERT_TRUE(h.Type(root + "/B/" + r.name));
        ASSERT_TRUE(h.Key(r.type_key));
        // Keys typed while the archiver runs would go to it: wait for the
        // panels to come back, showing the new archive.
        std::string made = std::string(r.made).substr(3);
        step("Return", [&](const auto& n) { return shows(n, made) && !shows(n, " Compress Files "); },
             "made");
        EXPECT_TRUE(h.WaitExists(root + r.made)) << dump();
    }
    EXPECT_EQ(out("unzip -Z1 B/z.zip"), "notes.txt\n");
    EXPECT_EQ(out("tar -tf B/t.tar"), "notes.txt\n");
    EXPECT_EQ(out(rows[2].list), "notes.txt\n");
    EXPECT_EQ(out("gzip -dc B/g.gz"), "some notes\n");
    quit();
}
