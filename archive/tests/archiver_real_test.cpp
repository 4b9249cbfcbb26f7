#include "archive/archive.h"
#include "archive/archive_extract.h"
#include "archive/archiver_command.h"
#include "archive/tests/archive_test_support.h"
#include "archive/tests/archiver_runner.h"
#include "config/ini_file.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "foundation/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The archivers of the default table on archives they made: members come
// out byte-exact, alone, tagged, as a directory and from inside one, and
// adding and deleting change exactly what was named.

namespace {

bool have(const char* program)
{
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

int sh(const std::string& dir, const std::string& command)
{
    std::string line = "cd '" + dir + "' && { " + command + "; } >/dev/null 2>&1";
    return std::system(line.c_str());
}

class RealArchivers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(t.path.empty());
        InitializeArchivers();
        src = t.path + "/src";
        mkdir(src.c_str(), 0755);
        mkdir((src + "/docs").c_str(), 0755);
        mkdir((src + "/docs/sub").c_str(), 0755);
        t.write("src/top.txt", "top text\n");
        t.write("src/docs/report.txt", std::string(5000, 'r'));
        std::string bin;
        for (int i = 0; i < 70000; i++)
            bin += static_cast<char>(i * 7 % 251);
        t.write("src/docs/sub/deep.bin", bin);
        use_runner_in(t.path);
        // A message box the code under test shows closes at once.
        script_keys(console, {}, KEY_ESC);
    }
    void TearDown() override { restore_runner(); }

    std::unique_ptr<Archive> open(const std::string& path)
    {
        auto a = std::make_unique<Archive>(FileNameFromSys(path.c_str()), nullptr, ArchiveSettings{}, &ui);
        EXPECT_EQ(a->status, 0) << path;
        return a;
    }
    // A fresh directory under the test's own.
    std::string fresh(const std::string& name)
    {
        std::string d = t.path + "/" + name;
        mkdir(d.c_str(), 0755);
        return d;
    }
    void same(const std::string& a, const std::string& b)
    {
        EXPECT_EQ(TempDir::read(a), TempDir::read(b)) << a << " vs " << b;
        EXPECT_FALSE(TempDir::read(a).empty()) << a;
    }
    // Runs the type's template (ARCHIVER::Compress, Delete or Extract) on
    // items, in dir; the status.
    int run(int type, int key, const Westring& archive, const std::vector<ArchiveItem>& items, const std::string& dir)
    {
        (void)!chdir(dir.c_str());
        int rc = ExecMultiFile(Westring(Archiver[type].value[key].c_str()), archive, L"", items, type,
                               key == ARCHIVER::Extract ? ArchiveOpExtract : ArchiveOpCompress);
        (void)!chdir(t.path.c_str());
        return rc;
    }
    // Extracts items with the type's Extract template into a new directory.
    std::string extract(Archive& a, const std::vector<ArchiveItem>& items, const std::string& name)
    {
        std::string d = fresh(name);
        EXPECT_EQ(run(a.type, ARCHIVER::Extract, a.archivePath, items, d), 0);
        return d;
    }
    ArchiveItem item(Archive& a, const wchar_t* dir, const wchar_t* name)
    {
        const ArchiveEntry* m = a.FindMember(dir, name);
        EXPECT_NE(m, nullptr) << utf8(dir) << "/" << utf8(name);
        return m ? member_item(*m) : ArchiveItem();
    }
    ArchiveItem directory(Archive& a, const wchar_t* path)
    {
        const ArchiveEntry* m = a.FindMember(path, L"");
        ArchiveItem i = m ? member_item(*m) : ArchiveItem();
        if (!m)
            i.name = path;
        i.directory = true;
        return i;
    }

    TempDir t;
    std::string src;
    RecordingUI ui;
};

TEST_F(RealArchivers, ExtractAFileTaggedFilesADirectoryAndFromInsideOne)
{
    const struct { const char* program; const char* make; const char* archive; } rows[] = {
        {"unzip", "zip -qr ../t.zip top.txt docs", "t.zip"},
        {"7z", "7z a ../t.7z top.txt docs", "t.7z"},
        {"tar", "tar -cf ../t.tar top.txt docs", "t.tar"},
        {"arj", "arj a -r ../t.arj docs && arj a ../t.arj top.txt", "t.arj"},
    };  // lhasa cannot write: lha extracts the generated LZH below
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.archive);
        std::string maker(r.make, std::string(r.make).find(' '));
        if (!have(r.program) || !have(maker.c_str()))
            continue;
        ASSERT_EQ(sh(src, r.make), 0);
        auto a = open(t.path + "/" + r.archive);
        std::string dir = std::to_string(n++);

        Westring copy;
        std::string one = fresh(dir + "one");
        const ArchiveEntry* deep = a->FindMember(L"docs/sub", L"deep.bin");
        ASSERT_NE(deep, nullptr) << ::testing::PrintToString(describe_all(*a));
        ASSERT_EQ(ExtractFile(*a, *deep, FileNameFromSys(one.c_str()), copy), 0);
        EXPECT_EQ(FileNameToSys(copy).c_str(), one + "/docs/sub/deep.bin");
        same(one + "/docs/sub/deep.bin", src + "/docs/sub/deep.bin");

        std::string tagged = extract(*a, {item(*a, L"", L"top.txt"), item(*a, L"docs", L"report.txt")}, dir + "tag");
        same(tagged + "/top.txt", src + "/top.txt");
        same(tagged + "/docs/report.txt", src + "/docs/report.txt");

        std::string whole = extract(*a, {directory(*a, L"docs")}, dir + "dir");
        same(whole + "/docs/report.txt", src + "/docs/report.txt");
        same(whole + "/docs/sub/deep.bin", src + "/docs/sub/deep.bin");
        EXPECT_NE(access((whole + "/top.txt").c_str(), F_OK), 0);

        std::string inner = extract(*a, {directory(*a, L"docs/sub")}, dir + "inner");
        same(inner + "/docs/sub/deep.bin", src + "/docs/sub/deep.bin");
        EXPECT_NE(access((inner + "/docs/report.txt").c_str(), F_OK), 0);
    }
}

TEST_F(RealArchivers, SingleFileFormatsAndGeneratedOnes)
{
    if (!have("gzip") || !have("bzip2") || !have("unar") || !have("lha"))
        GTEST_SKIP();
    ASSERT_EQ(sh(src, "gzip -k top.txt && bzip2 -k docs/report.txt"), 0);
    // The generated ones have no source beside them: their listed size is checked.
    const struct { std::string archive; const wchar_t* name; std::string expect; } rows[] = {
        {src + "/top.txt.gz", L"top.txt", src + "/top.txt"},
        {src + "/docs/report.txt.bz2", L"report.txt", src + "/docs/report.txt"},
        {ARCHIVE_TEST_DATA "/rar4.rar", L"readme.txt", ""},
        {ARCHIVE_TEST_DATA "/level2.lzh", L"", ""},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.archive);
        auto a = open(r.archive);
        const ArchiveEntry* m = nullptr;
        for (int i = 0; i < a->Entries().Count() && !m; i++)
            if (!a->Entries().At(i)->IsDirectory() && (!*r.name || std::wcscmp(a->Entries().At(i)->name, r.name) == 0) &&
                (a->Entries().At(i)->size < 1000000 || a->Entries().At(i)->size == ArchiveSizeUnknown))
                m = a->Entries().At(i);
        ASSERT_NE(m, nullptr);
        std::string d = fresh("single" + std::to_string(n++));
        Westring copy;
        ASSERT_EQ(ExtractFile(*a, *m, FileNameFromSys(d.c_str()), copy), 0);
        struct stat st;
        ASSERT_EQ(stat(FileNameToSys(copy).c_str(), &st), 0);
        if (m->size != ArchiveSizeUnknown) {
            EXPECT_EQ(static_cast<unsigned long long>(st.st_size), m->size);
        }
        if (!r.expect.empty())
            same(FileNameToSys(copy).c_str(), r.expect);
    }
}

TEST_F(RealArchivers, AddAndDeleteAFileADirectoryAndTaggedFiles)
{
    const struct { const char* program; int type; const char* archive; } rows[] = {
        {"zip", ArchZip, "w.zip"},
        {"7z", Arch7zip, "w.7z"},
        {"tar", ArchTar, "w.tar"},
        {"arj", ArchArj, "w.arj"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.archive);
        if (!have(r.program))
            continue;
        Westring archive = FileNameFromSys((t.path + "/" + r.archive).c_str());
        ASSERT_EQ(run(r.type, ARCHIVER::Compress, archive, {file_item(L"top.txt")}, src), 0);
        ASSERT_EQ(run(r.type, ARCHIVER::Compress, archive, {file_item(L"docs", true)}, src), 0);
        auto a = open(FileNameToSys(archive).c_str());
        EXPECT_NE(a->FindMember(L"", L"top.txt"), nullptr);
        EXPECT_NE(a->FindMember(L"docs/sub", L"deep.bin"), nullptr);
        std::string out = extract(*a, {item(*a, L"docs/sub", L"deep.bin")}, std::string("x") + r.archive);
        same(out + "/docs/sub/deep.bin", src + "/docs/sub/deep.bin");

        // Tagged: a file and a directory with its contents.
        std::vector<ArchiveItem> tagged = {item(*a, L"", L"top.txt"), directory(*a, L"docs/sub")};
        ASSERT_EQ(run(r.type, ARCHIVER::Delete, archive, tagged, t.path), 0);
        a = open(FileNameToSys(archive).c_str());
        EXPECT_EQ(a->FindMember(L"", L"top.txt"), nullptr);
        EXPECT_EQ(a->FindMember(L"docs/sub", L"deep.bin"), nullptr);
        EXPECT_NE(a->FindMember(L"docs", L"report.txt"), nullptr);
        ASSERT_EQ(run(r.type, ARCHIVER::Delete, archive, {directory(*a, L"docs")}, t.path), 0);
        a = std::make_unique<Archive>(archive, nullptr, ArchiveSettings{}, &ui);
        EXPECT_TRUE(a->status != 0 || a->Entries().Count() == 0) << describe_all(*a).size();
    }
}

// Debian's lha is lhasa, which cannot add: adding to an lzh fails and
// leaves the archive byte-identical.
TEST_F(RealArchivers, AddingWithAnLhaThatCannotWriteLeavesTheArchive)
{
    if (!have("lha") || std::system("lha a /dev/null/x.lzh /dev/null >/dev/null 2>&1") == 0)
        GTEST_SKIP() << "needs an lha that cannot add (lhasa)";
    std::string lzh = t.path + "/w.lzh";
    ASSERT_EQ(std::system(("cp '" ARCHIVE_TEST_DATA "/level2.lzh' '" + lzh + "'").c_str()), 0);
    std::string before = TempDir::read(lzh);
    EXPECT_NE(run(ArchLharc, ARCHIVER::Compress, FileNameFromSys(lzh.c_str()), {file_item(L"top.txt")}, src), 0);
    EXPECT_EQ(TempDir::read(lzh), before);
}

TEST_F(RealArchivers, AStarDeletesOnlyItself)
{
    t.write("src/*", "star");
    t.write("src/a", "a");
    t.write("src/b", "b");
    const struct { const char* program; int type; const char* archive; } rows[] = {
        {"zip", ArchZip, "s.zip"}, {"7z", Arch7zip, "s.7z"}, {"tar", ArchTar, "s.tar"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.archive);
        if (!have(r.program))
            continue;
        Westring archive = FileNameFromSys((t.path + "/" + r.archive).c_str());
        std::vector<ArchiveItem> three = {file_item(L"*"), file_item(L"a"), file_item(L"b")};
        ASSERT_EQ(run(r.type, ARCHIVER::Compress, archive, three, src), 0);
        auto a = open(FileNameToSys(archive).c_str());
        EXPECT_EQ(a->Entries().Count(), 3);
        ASSERT_EQ(run(r.type, ARCHIVER::Delete, archive, {item(*a, L"", L"*")}, t.path), 0);
        a = open(FileNameToSys(archive).c_str());
        EXPECT_EQ(describe_all(*a), (std::vector<std::string>{"F a 1", "F b 1"}));
    }
}

}
