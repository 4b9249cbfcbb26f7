#include "fileops/change_case.h"

#include "config/config.h"
#include "fileops/copy_data.h"
#include "fileops/descriptions.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <strings.h>

namespace {

std::string utf8(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

void settings(bool recurse, bool dirs = true, bool files = true)
{
    config.CaseModRecurse = recurse;
    config.CaseModDirs = dirs;
    config.CaseModFiles = files;
}

class ChangeCase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.ok());
        settings(false);
    }
    void TearDown() override
    {
        settings(false);
        copyTestHooks.sameInode = nullptr;
    }
    // Changes the case of an entry in the scratch directory.
    int change(const wchar_t* name, bool dir, char nameMode, char extMode, CCaseProgress& progress)
    {
        return change_entry_case(FileNameFromSys(t.path.c_str()), name, dir, false, nameMode, extMode, progress);
    }

    TempDir t;
    CCaseProgress quiet;
};

}

TEST_F(ChangeCase, EachModeOnNameAndExtension)
{
    const struct { const char* name; char nameMode, extMode; const char* want; } rows[] = {
        {"README.TXT", 'm', 'l', "Readme.txt"},
        {"README.TXT", 'l', 'u', "readme.TXT"},
        {"readme.txt", 'u', 'n', "README.txt"},
        {"README.TXT", 'n', 'm', "README.Txt"},
        {"o'brien's dog", 'm', 'm', "O'Brien's Dog"},
        {"i'll go", 'm', 'n', "I'll Go"},
        {"I'LL GO", 'm', 'n', "I'll Go"},          // the test runs on the capitals
        {"o's end", 'm', 'n', "O's End"},          // one letter after the apostrophe stays small
        {"2nd file", 'm', 'n', "2nd File"},
        {"a-b_c d", 'm', 'n', "A-B_C D"},
        {"a·b", 'm', 'n', "A·B"},                  // a middle dot is no letter
        {"straße", 'u', 'n', "STRAßE"},            // no one-letter capital for ß
        {"straße", 'm', 'n', "Straße"},            // ß is a letter
        {"ÄÖÜ", 'l', 'n', "äöü"},                  // beyond ASCII in any locale
        {"äöü", 'u', 'n', "ÄÖÜ"},
        {"ПРИВЕТ.ТХТ", 'm', 'l', "Привет.тхт"},
        {"caf\xe4.TXT", 'l', 'l', "caf\xe4.txt"},  // a byte that is not UTF-8 stays
        {"\xe4\xe4x", 'm', 'n', "\xe4\xe4X"},
        {"NODOT", 'l', 'u', "nodot"},              // no dot: no extension part
        {".profile", 'u', 'l', ".profile"},        // split at the last dot: all extension
        {".profile", 'l', 'u', ".PROFILE"},
        {"a.tar.GZ", 'u', 'l', "A.TAR.gz"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(utf8(changeNameCase(FileNameFromSys(r.name), r.nameMode, r.extMode)), r.want)
            << r.name << " " << r.nameMode << r.extMode;
}

TEST_F(ChangeCase, RecursionNeverLeavesTheTree)
{
    TempDir outside;
    ASSERT_TRUE(outside.ok());
    ASSERT_EQ(mkdir(t.sys("Top").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("Top/Sub").c_str(), 0755), 0);
    t.write("Top/Sub/File.Txt", "content");
    t.write("Top/descript.ion", "Sub the sub directory\r\n");
    outside.write("Keep.Me", "x");
    ASSERT_EQ(symlink(outside.path.c_str(), t.sys("Top/Sub/Out").c_str()), 0);
    settings(true);
    EXPECT_EQ(change(L"Top", true, 'u', 'u', quiet), 0);
    EXPECT_EQ(t.read("TOP/SUB/FILE.TXT"), "content");
    EXPECT_TRUE(t.exists("TOP/SUB/OUT"));           // the link itself is renamed
    EXPECT_EQ(outside.names(), "Keep.Me");          // but never entered
    EXPECT_EQ(t.read("TOP/descript.ion"), "SUB the sub directory\r\n");  // the line follows the name

    // Only files: directories keep their names.
    settings(true, false, true);
    EXPECT_EQ(change(L"TOP", true, 'l', 'l', quiet), 0);
    EXPECT_TRUE(t.exists("TOP/SUB/file.txt"));
}

TEST_F(ChangeCase, AnotherFileOfTheNewSpellingIsNeverReplaced)
{
    t.write("a", "small");
    t.write("A", "capital");
    struct Recorder : CCaseProgress
    {
        char Failed(int code, const Westring&) override
        {
            failed = code;
            return 's';
        }
        int failed = 0;
    } rec;
    EXPECT_GT(change(L"a", false, 'u', 'n', rec), 0);
    EXPECT_EQ(rec.failed, EEXIST);
    EXPECT_EQ(t.read("a"), "small");
    EXPECT_EQ(t.read("A"), "capital");
}

TEST_F(ChangeCase, ACaseOnlyRenameOfTheSameEntryIsAPlainRename)
{
    // Where no case-insensitive file system can be mounted, the identity
    // hook reports "readme" and "README" as one inode, as vfat would.
    t.write("readme", "text");
    t.write("README", "");  // stands for the same entry seen under the new spelling
    copyTestHooks.sameInode = [](const char* a, const char* b) { return strcasecmp(a, b) == 0; };
    EXPECT_EQ(change(L"readme", false, 'u', 'n', quiet), 0);
    EXPECT_EQ(t.names(), "README");
    EXPECT_EQ(t.read("README"), "text");
}

TEST_F(ChangeCase, EscapeStopsTheWalk)
{
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    t.write("d/a", "");
    settings(true);
    struct Stopper : CCaseProgress
    {
        bool Stopped() override { return true; }
    } stop;
    EXPECT_EQ(change(L"d", true, 'u', 'u', stop), -1);
    EXPECT_TRUE(t.exists("D/a"));  // the entry itself was done before the walk
}
