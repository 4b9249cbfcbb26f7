#include "tests/window/window_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs a shell command; its exit status, with its output and errors in out.
int run(const std::string& command, std::string& out)
{
    out.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have(const std::string& tool)
{
    std::string out;
    return run("command -v " + tool, out) == 0;
}

std::string shell_quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int row_of(const CWindowHarness::Snapshot& s, const std::string& text)
{
    for (size_t y = 0; y < s.rows.size(); y++)
        if (s.rows[y].find(text) != std::string::npos)
            return static_cast<int>(y);
    return -1;
}

// px installed into a fresh prefix, as a new user gets it.
class Install : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pxinstall.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        prefix = tmpl;
        std::string out;
        ASSERT_EQ(run(shell_quoted(CMAKE_COMMAND) + " --install " + shell_quoted(PANNEX_BINARY_DIR) + " --prefix " +
                          shell_quoted(prefix), out),
                  0)
            << out;
    }
    void TearDown() override { std::system(("rm -rf " + shell_quoted(prefix)).c_str()); }

    // The installed px started by command (a shell line) with the source
    // and build trees hidden under empty file systems, so that nothing can
    // come from them. False (the test then skips) where that cannot be done.
    bool start_hidden(CWindowHarness& h, const std::string& command)
    {
        std::string out;
        if (geteuid() != 0 || !have("unshare") ||
            run("unshare -m sh -c " + shell_quoted("mount -t tmpfs none " + shell_quoted(PANNEX_BINARY_DIR)), out) != 0) {
            why = "hiding the source and build trees needs root and a mount under unshare -m";
            return false;
        }
        if (!h.StartDisplay()) {
            why = h.Missing();
            return false;
        }
        std::string hide = "mount -t tmpfs none " + shell_quoted(PANNEX_BINARY_DIR) + " && mount -t tmpfs none " +
                           shell_quoted(PANNEX_SOURCE_DIR) + " && PATH=" + shell_quoted(prefix + "/bin") + ":$PATH && " +
                           "exec " + command;
        EXPECT_TRUE(h.StartProgram("unshare", {"-m", "sh", "-c", hide}));
        EXPECT_TRUE(h.WaitWindow());
        return true;
    }

    std::string prefix;
    std::string why;
};

}

TEST_F(Install, EveryFileInItsPlace)
{
    for (const char* file : {"bin/px", "share/pannex/syntax.ini", "share/pannex/px.pxh",
                             "share/doc/pannex/manual/index.html", "share/applications/pannex.desktop",
                             "share/icons/hicolor/16x16/apps/pannex.png", "share/icons/hicolor/32x32/apps/pannex.png",
                             "share/icons/hicolor/48x48/apps/pannex.png",
                             "share/icons/hicolor/scalable/apps/pannex.svg", "share/man/man1/px.1"})
        EXPECT_TRUE(exists(prefix + "/" + file)) << file;
    EXPECT_EQ(access((prefix + "/bin/px").c_str(), X_OK), 0);
    // The manifest the README's uninstall reads lists them all.
    std::ifstream manifest(std::string(PANNEX_BINARY_DIR) + "/install_manifest.txt");
    std::set<std::string> listed;
    for (std::string line; std::getline(manifest, line);)
        listed.insert(line);
    EXPECT_TRUE(listed.count(prefix + "/bin/px")) << "install_manifest.txt";
}

TEST_F(Install, DesktopEntryAndManualPageAreValid)
{
    std::string out;
    ASSERT_TRUE(have("desktop-file-validate")) << "scripts/install-deps installs desktop-file-utils";
    EXPECT_EQ(run("desktop-file-validate " + shell_quoted(prefix + "/share/applications/pannex.desktop"), out), 0) << out;
    EXPECT_EQ(out, "");
    std::ifstream desktop(prefix + "/share/applications/pannex.desktop");
    std::set<std::string> lines;
    for (std::string line; std::getline(desktop, line);)
        lines.insert(line);
    for (const char* line : {"Name=Pannex", "Exec=px", "Terminal=false", "Categories=System;FileTools;FileManager;"})
        EXPECT_TRUE(lines.count(line)) << line;

    ASSERT_TRUE(have("groff")) << "scripts/install-deps installs groff-base";
    std::string page = shell_quoted(prefix + "/share/man/man1/px.1");
    EXPECT_EQ(run("groff -ww -z -man " + page, out), 0) << out;
    EXPECT_EQ(out, "") << "groff warnings";
    ASSERT_TRUE(have("man")) << "scripts/install-deps installs man-db";
    EXPECT_EQ(run("MANWIDTH=80 man -l " + page + " | cat", out), 0) << out;
    EXPECT_NE(out.find("px [ini_file] [-v|-e file_name] [-l|-r directory]"), std::string::npos) << out;
}

// Found through PATH alone, px finds its syntax.ini beside itself and
// colours C.
TEST_F(Install, ColoursCInTheViewerFromItsOwnPrefix)
{
    std::string file = prefix + "/hello.c";
    std::ofstream(file) << "int main(void) { return 0; } /* note */\n";
    CWindowHarness h;
    if (!start_hidden(h, "px -v " + shell_quoted(file)))
        GTEST_SKIP() << why;
    CWindowHarness::Snapshot s;
    ASSERT_TRUE(h.WaitSnapshot([](const auto& s) { return row_of(s, "/* note */") >= 0; }, s));
    int y = row_of(s, "/* note */");
    std::set<int> colours;
    for (int x = 0; x < 20; x++)
        colours.insert(s.Attr(x, y));
    EXPECT_GT(colours.size(), 1u) << "one colour for the whole line: no syntax.ini found";
    ASSERT_TRUE(h.Key("Escape"));
    EXPECT_EQ(h.WaitExit(10000), 0);
}

TEST_F(Install, F1ShowsTheInstalledHelp)
{
    CWindowHarness h;
    if (!start_hidden(h, shell_quoted(prefix + "/bin/px") + " -l " + shell_quoted(prefix) + " -r " + shell_quoted(prefix)))
        GTEST_SKIP() << why;
    CWindowHarness::Snapshot s;
    ASSERT_TRUE(h.WaitSnapshot([](const auto& s) { return row_of(s, "share") >= 0; }, s));
    ASSERT_TRUE(h.Key("F1"));
    EXPECT_TRUE(h.WaitSnapshot([](const auto& s) { return row_of(s, "Moving around") >= 0; }, s))
        << "no help: px.pxh not found";
}
