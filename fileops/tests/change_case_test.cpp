#include "fileops/change_case.h"

#include "config/config.h"
#include "fileops/copy_data.h"
#include "fileops/descriptions.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string utf8(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

Westring wide(const char* bytes)
{
    return FileNameFromSys(bytes);
}

void settings(bool recurse, bool dirs = true, bool files = true)
{
    config.CaseModRecurse = recurse;
    config.CaseModDirs = dirs;
    config.CaseModFiles = files;
}

}

TEST(ChangeCase, EachModeOnNameAndExtension)
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
        EXPECT_EQ(utf8(changeNameCase(wide(r.name), r.nameMode, r.extMode)), r.want)
            << r.name << " " << r.nameMode << r.extMode;
}

TEST(ChangeCase, WordCharactersAreLetters)
{
    const struct { wchar_t c; bool letter; } rows[] = {
        {L'a', true}, {L'Z', true}, {L'0', false}, {L'\'', false}, {L'_', false},
        {L'ß', true}, {L'Ж', true}, {L'·', false}, {0xDCE4, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(fnWordChar(r.c), r.letter) << static_cast<int>(r.c);
}

TEST(ChangeCase, RecursionNeverLeavesTheTree)
{
    TempDir t, outside;
    ASSERT_TRUE(t.ok() && outside.ok());
    ASSERT_EQ(mkdir(t.sys("Top").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(t.sys("Top/Sub").c_str(), 0755), 0);
    t.write("Top/Sub/File.Txt", "content");
    t.write("Top/descript.ion", "Sub the sub directory\r\n");
    outside.write("Keep.Me", "x");
    ASSERT_EQ(symlink(outside.path.c_str(), t.sys("Top/Sub/Out").c_str()), 0);
    settings(true);
    CCaseProgress quiet;
    EXPECT_EQ(change_entry_case(FileNameFromSys(t.path.c_str()), L"Top", true, false, 'u', 'u', quiet), 0);
    EXPECT_TRUE(t.exists("TOP/SUB/FILE.TXT"));
    EXPECT_EQ(t.read("TOP/SUB/FILE.TXT"), "content");
    EXPECT_TRUE(t.exists("TOP/SUB/OUT"));           // the link itself is renamed
    EXPECT_TRUE(outside.exists("Keep.Me"));         // but never entered
    EXPECT_EQ(t.read("TOP/descript.ion"), "SUB the sub directory\r\n");  // the line follows the name

    // Only files: directories keep their names.
    settings(true, false, true);
    EXPECT_EQ(change_entry_case(FileNameFromSys(t.path.c_str()), L"TOP", true, false, 'l', 'l', quiet), 0);
    EXPECT_TRUE(t.exists("TOP/SUB/file.txt"));
    settings(false);
}

TEST(ChangeCase, AnotherFileOfTheNewSpellingIsNeverReplaced)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("a", "small");
    t.write("A", "capital");
    settings(false);
    struct Recorder : CCaseProgress
    {
        char Failed(int code, const Westring&) override
        {
            failed = code;
            return 's';
        }
        int failed = 0;
    } rec;
    EXPECT_GT(change_entry_case(FileNameFromSys(t.path.c_str()), L"a", false, false, 'u', 'n', rec), 0);
    EXPECT_EQ(rec.failed, EEXIST);
    EXPECT_EQ(t.read("a"), "small");
    EXPECT_EQ(t.read("A"), "capital");
}

TEST(ChangeCase, ACaseOnlyRenameOfTheSameEntryIsAPlainRename)
{
    // Where no case-insensitive file system can be mounted, the identity
    // hook reports "readme" and "README" as one inode, as vfat would.
    TempDir t;
    ASSERT_TRUE(t.ok());
    t.write("readme", "text");
    t.write("README", "");  // stands for the same entry seen under the new spelling
    copyTestHooks.sameInode = [](const char* a, const char* b) {
        return strcasecmp(a, b) == 0;
    };
    settings(false);
    CCaseProgress quiet;
    int r = change_entry_case(FileNameFromSys(t.path.c_str()), L"readme", false, false, 'u', 'n', quiet);
    copyTestHooks.sameInode = nullptr;
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(t.exists("readme"));
    EXPECT_EQ(t.read("README"), "text");
}

TEST(ChangeCase, EscapeStopsTheWalk)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(mkdir(t.sys("d").c_str(), 0755), 0);
    t.write("d/a", "");
    settings(true);
    struct Stopper : CCaseProgress
    {
        bool Stopped() override { return true; }
    } stop;
    EXPECT_EQ(change_entry_case(FileNameFromSys(t.path.c_str()), L"d", true, false, 'u', 'u', stop), -1);
    EXPECT_TRUE(t.exists("D/a"));  // the entry itself was done before the walk
    settings(false);
}

// On a real case-insensitive file system, where the kernel can mount one.
TEST(ChangeCase, UpperCaseOnVfatKeepsTheContent)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a vfat image needs root";
    if (std::system("command -v mkfs.vfat >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mkfs.vfat (dosfstools) is not installed";
    TempDir t;
    ASSERT_TRUE(t.ok());
    std::string image = t.sys("fat.img"), mnt = t.sys("mnt");
    ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
    ASSERT_EQ(std::system(("truncate -s 8M '" + image + "' && mkfs.vfat '" + image + "' >/dev/null 2>&1").c_str()), 0);
    if (std::system(("mount -o loop '" + image + "' '" + mnt + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "the kernel cannot mount vfat here; the identity-hook test covers the case-only rename";
    t.write("mnt/readme", "the content");
    settings(false);
    CCaseProgress quiet;
    int r = change_entry_case(FileNameFromSys(mnt.c_str()), L"readme", false, false, 'u', 'n', quiet);
    bool listed = false;
    if (DIR* d = opendir(mnt.c_str())) {
        while (dirent* e = readdir(d))
            listed |= std::string(e->d_name) == "README";
        closedir(d);
    }
    std::string content = t.read("mnt/README");
    EXPECT_EQ(std::system(("umount '" + mnt + "'").c_str()), 0);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(listed);
    EXPECT_EQ(content, "the content");
}
