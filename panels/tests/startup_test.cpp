#include "config/config.h"
#include "config/px_filename.h"
#include "panels/country_info.h"
#include "panels/screen_geometry.h"
#include "panels/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Parsed
{
    int status;
    std::string out;
    START_OPTIONS opt;
};

Parsed parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "px");
    Parsed p;
    char* buf = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&buf, &len);
    config.IniFile = L"";
    p.status = parse_arguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), p.opt, out);
    std::fclose(out);
    p.out.assign(buf, len);
    std::free(buf);
    return p;
}

}

TEST(Arguments, UsageErrorsPrintAndFail)
{
    const std::string usage =
        "Usage:\tpx [ini_file] [-v|-e file_name] [-l|-r directory]\n\t-v: invoke internal viewer\n"
        "\t-e: invoke internal editor\n\t-l: specify left panel's directory\n"
        "\t-r: specify right panel's directory\n";
    const struct { std::vector<const char*> args; const char* out; } rows[] = {
        {{"-q"}, usage.c_str()},
        {{"\\Q"}, usage.c_str()},          // either option mark, any case
        {{"-v"}, "No file specified\n"},
        {{"-l", "/tmp", "-E"}, "No file specified\n"},
        {{"-l"}, usage.c_str()},            // a directory option without its directory
    };
    for (const auto& r : rows) {
        Parsed p = parse(r.args);
        EXPECT_EQ(p.status, 1) << r.args[0];
        EXPECT_EQ(p.out, r.out) << r.args[0];
    }
}

TEST(Arguments, OptionsAndTheConfigurationFile)
{
    Parsed p = parse({"-V", "notes.txt", "-r", "/srv", "-L", "/home", "-x", "/tmp/cd.sh"});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.opt.single, 'v');
    EXPECT_STREQ(p.opt.file.c_str(), L"notes.txt");
    EXPECT_STREQ(p.opt.left_dir.c_str(), L"/home");
    EXPECT_STREQ(p.opt.right_dir.c_str(), L"/srv");
    EXPECT_STREQ(p.opt.exit_file.c_str(), L"/tmp/cd.sh");

    // A directory given as the configuration file is ignored.
    p = parse({"/tmp"});
    EXPECT_EQ(p.status, 0);
    EXPECT_TRUE(config.IniFile.empty());

    // A file moves the history and the user menu beside it, with its base.
    char dir[] = "/tmp/pxargsXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    p = parse({"alt.cfg"});
    EXPECT_EQ(p.status, 0);
    std::wstring d = FileNameFromSys(dir).c_str();
    EXPECT_EQ(std::wstring(config.IniFile.c_str()), d + L"/alt.cfg");
    EXPECT_EQ(std::wstring(PXFilename(PXHistory).c_str()), d + L"/alt.hst");
    EXPECT_EQ(std::wstring(PXFilename(PXUserMenu).c_str()), d + L"/alt.mnu");
    ASSERT_EQ(chdir("/"), 0);
    rmdir(dir);
    config.IniFile = L"";
}

TEST(ExitFile, IsAShellCommandForAnyPath)
{
    EXPECT_STREQ(exit_file_line(L"/home/ann").c_str(), "cd -- '/home/ann'\n");
    EXPECT_STREQ(exit_file_line(L"/tmp/it's $here").c_str(), "cd -- '/tmp/it'\\''s $here'\n");
    EXPECT_STREQ(exit_file_line(FileNameFromSys("/tmp/\xE4")).c_str(), "cd -- '/tmp/\xE4'\n");

    // The line really takes a shell there.
    char dir[] = "/tmp/px it's XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string cmd = std::string(exit_file_line(FileNameFromSys(dir)).c_str());
    cmd.pop_back();
    FILE* f = popen((cmd + " && pwd").c_str(), "r");
    char buf[256] = {};
    ASSERT_NE(fgets(buf, sizeof buf, f), nullptr);
    pclose(f);
    EXPECT_EQ(std::string(buf), std::string(dir) + "\n");
    rmdir(dir);
}

TEST(Locale, DateFormats)
{
    const struct { const char* fmt; int order; char sep; } rows[] = {
        {"%m/%d/%y", 0, '/'}, {"%d.%m.%Y", 1, '.'}, {"%Y-%m-%d", 2, '-'}, {"%F", 2, '-'}, {"%d/%m/%Y", 1, '/'},
    };
    for (const auto& r : rows) {
        int order;
        char sep;
        parse_date_format(r.fmt, order, sep);
        EXPECT_EQ(order, r.order) << r.fmt;
        EXPECT_EQ(sep, r.sep) << r.fmt;
    }
}

TEST(ScreenGeometry, Toggles)
{
    const struct { int rows, lines, next; } ega[] = {
        {25, 0, 50}, {25, 43, 43}, {25, 60, 50}, {50, 0, 25}, {50, 60, 60}, {43, 0, 50}, {60, 0, 25},
    };
    for (const auto& r : ega)
        EXPECT_EQ(next_ega_rows(r.rows, r.lines), r.next) << r.rows << " " << r.lines;
    const struct { int cols, setting, next; } cols[] = {
        {80, 0, 132}, {132, 0, 80}, {132, 100, 100}, {132, 132, 80}, {100, 0, 80},
    };
    for (const auto& r : cols)
        EXPECT_EQ(next_columns(r.cols, r.setting), r.next) << r.cols << " " << r.setting;
}
