#include "archive/archive.h"
#include "archive/archiver_command.h"
#include "archive/tests/archiver_runner.h"
#include "config/ini_file.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string u8(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

TEST(ArchiverCommand, Pentry2cmd)
{
    const struct { const wchar_t* name; bool directory, file; const wchar_t* prefix; const wchar_t* spec;
                   bool list, patterns; const char* expected; } rows[] = {
        {L"a b", false, false, L"", L"!", false, false, "a\\ b"},
        {L"a b", false, false, L"", L"!", true, false, "a b"},           // list files take the bytes
        {L"*", false, true, L"", L"!", false, false, "\\*"},
        {L"x!y", false, true, L"", L"!", false, false, "x\\!y"},
        {L"$HOME", false, true, L"", L"!", false, false, "\\$HOME"},
        {L"-T", false, true, L"", L"!", false, false, "./-T"},           // never an option
        {L"-T", false, true, L"", L"!", true, false, "./-T"},
        {L"-T", false, false, L"docs/", L"!", false, false, "docs/-T"},  // a member keeps its name
        {L"r.txt", false, false, L"./docs/", L"!", false, false, "./docs/r.txt"},
        {L"docs", true, false, L"", L"!/*", false, false, "docs/\\*"},   // the template's "*" for the archiver
        {L"my docs", true, false, L"", L"! !/*", false, false, "my\\ docs my\\ docs/\\*"},
        {L"my docs", true, false, L"", L"! !/*", true, false, "my docs\nmy docs/*"},
        {L"a?b[1]", false, false, L"", L"!", false, true, "a\\[\\?\\]b\\[\\[\\]1\\]"},
        {L"a?b", false, false, L"", L"!", true, true, "a[?]b"},
        {L"x\ny", false, true, L"", L"!", false, false, "x'\n'y"},
    };
    for (const auto& r : rows) {
        ArchiveItem item;
        item.name = r.name;
        item.directory = r.directory;
        item.file = r.file;
        EXPECT_EQ(u8(pentry2cmd(item, r.prefix, r.spec, r.list, r.patterns)), r.expected) << u8(r.name);
    }
}

TEST(ArchiverCommand, FillsOrAppendsArchiveAndFiles)
{
    const struct { const wchar_t* command; const char* expected; } rows[] = {
        {L"zip -r", "zip -r /a\\ b/t.zip x"},
        {L"tar -xf %a", "tar -xf /a\\ b/t.zip x"},
        {L"gzip -dc %a > %f", "gzip -dc /a\\ b/t.zip > x"},
        {L"7z x %f -o. %a", "7z x x -o. /a\\ b/t.zip"},
        {L"50%off %a", "50%off /a\\ b/t.zip x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(u8(FillArchiveCommand(r.command, L"/a b/t.zip", L"x")), r.expected) << u8(r.command);
    // Into the archive through the shell: a new file beside it instead.
    Westring redirect;
    Westring line = FillArchiveCommand(L"gzip -c %f > %a", L"/d/n.gz", L"n", &redirect);
    EXPECT_EQ(u8(redirect.path()), "/d");
    EXPECT_NE(u8(redirect.filename()), "n.gz");
    EXPECT_EQ(u8(line), "gzip -c n > " + u8(redirect));
}

// A stub archiver that records each run: its arguments, NUL-separated,
// after a "RUN" line, and a list file's mode and bytes after "LIST".
class StubArchiver : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(t.path.empty());
        stub = t.write("stub",
                       "#!/bin/sh\n"
                       "{ printf 'RUN\\n'; for a; do printf '%s\\0' \"$a\"; done; printf '\\n'; } >> \"$0.log\"\n"
                       "for a; do case $a in @*) f=${a#@}; { printf 'LIST %s\\n' $(stat -c %a \"$f\");"
                       " cat \"$f\"; } >> \"$0.log\";; esac; done\n"
                       "exit ${STUB_EXIT:-0}\n");
        chmod(stub.c_str(), 0755);
        InitializeArchivers();
        use_runner_in(t.path);
        set_archive_command_room(0);
    }
    void TearDown() override
    {
        unsetenv("STUB_EXIT");
        set_archive_command_room(0);
        restore_runner();
    }
    std::string log() const { return TempDir::read(stub + ".log"); }
    // The arguments of every run.
    std::vector<std::vector<std::string>> runs() const
    {
        std::vector<std::vector<std::string>> out;
        std::string s = log();
        size_t at = 0;
        while ((at = s.find("RUN\n", at)) != std::string::npos) {
            at += 4;
            std::vector<std::string> args;
            while (at < s.size() && s[at] != '\n') {
                size_t end = s.find('\0', at);
                args.push_back(s.substr(at, end - at));
                at = end + 1;
            }
            out.push_back(args);
        }
        return out;
    }
    static std::vector<ArchiveItem> files(const std::vector<std::wstring>& names)
    {
        std::vector<ArchiveItem> items;
        for (const auto& n : names)
            items.push_back(file_item(n.c_str()));
        return items;
    }
    // The stub run with " a" as the template for adding items to archive.
    int add(const std::vector<ArchiveItem>& items, int* count, int type = ArchZip, const wchar_t* archive = L"/t.zip")
    {
        Westring command = FileNameFromSys(stub.c_str()) + L" a";
        return ExecMultiFile(command, archive, L"", items, type, ArchiveOpCompress, count);
    }
    TempDir t;
    std::string stub;
};

TEST_F(StubArchiver, OneEntryAndTaggedOnesOnTheCommandLine)
{
    int count = 0;
    EXPECT_EQ(add(files({L"*"}), &count), 0);
    EXPECT_EQ(count, 1);
    Archiver[ArchZip].value[ARCHIVER::CompressListfileSwitch] = "";
    EXPECT_EQ(add(files({L"a?b", L"-T", L"x!y", L"$HOME", L"a\nb"}), &count), 0);
    EXPECT_EQ(count, 1);
    auto r = runs();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"a", "/t.zip", "*"}));
    EXPECT_EQ(r[1], (std::vector<std::string>{"a", "/t.zip", "a?b", "./-T", "x!y", "$HOME", "a\nb"}));
}

TEST_F(StubArchiver, ThreeThousandNamesRunTwiceEachNameOnce)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < 3000; i++) {
        std::wstring n = std::to_wstring(i);
        names.push_back(n + std::wstring(60 - n.size(), L'x'));
    }
    Archiver[ArchZip].value[ARCHIVER::CompressListfileSwitch] = "";
    int count = 0;
    EXPECT_EQ(add(files(names), &count), 0);
    EXPECT_EQ(count, 2);  // 3,000 x 61 bytes pass 128 KiB once
    std::multiset<std::string> seen;
    for (const auto& run : runs())
        for (size_t i = 2; i < run.size(); i++)
            seen.insert(run[i]);
    EXPECT_EQ(seen.size(), 3000u);
    for (const auto& n : names)
        EXPECT_EQ(seen.count(u8(n.c_str())), 1u);
}

TEST_F(StubArchiver, NoRunAfterAFailedOne)
{
    Archiver[ArchZip].value[ARCHIVER::CompressListfileSwitch] = "";
    set_archive_command_room(200);
    setenv("STUB_EXIT", "3", 1);
    std::vector<std::wstring> names;
    for (int i = 0; i < 20; i++)
        names.push_back(L"name" + std::to_wstring(i) + std::wstring(20, L'y'));
    int count = 0;
    EXPECT_EQ(add(files(names), &count), 3);
    EXPECT_EQ(count, 1);
}

TEST_F(StubArchiver, ListFileBytesAndModeAndALineFeedNameApart)
{
    // 7ZIP's "@" switch: the list file holds the names, a line feed name
    // goes on a command line of its own.
    int count = 0;
    std::vector<ArchiveItem> items = files({L"*", L"-T", L"\xe4\x20ac", L"a\nb"});
    items.push_back(file_item(L"my docs", true));
    Archiver[Arch7zip].value[ARCHIVER::CompressDirSpec] = "! !/*";
    EXPECT_EQ(add(items, &count, Arch7zip, L"/t.7z"), 0);
    EXPECT_EQ(count, 2);
    std::string l = log();
    EXPECT_NE(l.find("LIST 600\n*\n./-T\n\xc3\xa4\xe2\x82\xac\nmy docs\nmy docs/*\n"), std::string::npos) << l;
    auto r = runs();
    ASSERT_EQ(r.size(), 2u);
    ASSERT_EQ(r[0].size(), 3u);
    EXPECT_EQ(r[0][2].substr(0, 1), "@");
    EXPECT_EQ(access(r[0][2].c_str() + 1, F_OK), -1);  // the list file is gone
    EXPECT_EQ(r[1], (std::vector<std::string>{"a", "/t.7z", "a\nb"}));
}

TEST_F(StubArchiver, FindArchiverQuotesTheProgramsPath)
{
    Westring missing = L"no-such-archiver-here a";
    EXPECT_FALSE(FindArchiver(missing, false));
    Westring found = FileNameFromSys(stub.c_str()) + L" a -r";
    ASSERT_TRUE(FindArchiver(found, false));
    EXPECT_EQ(u8(found), stub + " a -r");
    Westring again = found;
    ASSERT_TRUE(FindArchiver(again, false));  // a quoted path is found again
    EXPECT_EQ(u8(again), u8(found));
}

TEST_F(StubArchiver, ARedirectIntoTheArchiveReplacesItOnlyOnSuccess)
{
    std::string gz = t.write("notes.gz", "old archive");
    t.write("notes", "new text");
    std::string fail = FileNameToSys(FileNameFromSys(stub.c_str())).c_str();
    setenv("STUB_EXIT", "1", 1);
    EXPECT_EQ(RunArchiveCommand(FileNameFromSys((fail + " -c %f > %a").c_str()), FileNameFromSys(gz.c_str()), L"notes"),
              1);
    EXPECT_EQ(TempDir::read(gz), "old archive");
    unsetenv("STUB_EXIT");
    // A compressor killed half-way through its output: the old archive
    // stays, and so does nothing of the half.
    EXPECT_NE(RunArchiveCommand(L"sh -c 'head -c 3 \"$0\"; kill -KILL $$' %f > %a", FileNameFromSys(gz.c_str()),
                                L"notes"),
              0);
    EXPECT_EQ(TempDir::read(gz), "old archive");
    EXPECT_EQ(RunArchiveCommand(L"cat %f > %a", FileNameFromSys(gz.c_str()), L"notes"), 0);
    EXPECT_EQ(TempDir::read(gz), "new text");
    // Nothing but the two files is left beside it.
    EXPECT_EQ(access((t.path + "/stub.log").c_str(), F_OK), 0);
}

}
