#include "fileops/change_case.h"
#include "fileops/copy_data.h"
#include "fileops/copy_move.h"

#include "config/config.h"
#include "fileops/tests/answer_script.h"
#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {

// A file system of type made in an image of size MiB and mounted in a
// scratch directory, where the superuser and the kernel allow it; names
// are relative to its root.
class CImage
{
public:
    CImage(const char* type, int mib)
    {
        if (!dir.ok()) {
            why = "no scratch directory";
            return;
        }
        if (geteuid() != 0) {
            why = "mounting an image needs the superuser";
            return;
        }
        std::string img = dir.sys("img"), mnt = dir.sys("m");
        std::string make = std::string("truncate -s ") + std::to_string(mib) + "M '" + img + "' && mkfs." + type +
                           " '" + img + "' >/dev/null 2>&1 && mkdir '" + mnt + "' && mount -o loop '" + img + "' '" +
                           mnt + "' 2>/dev/null";
        if (std::system(make.c_str()) != 0) {
            why = std::string("no ") + type + " image can be made and mounted here (mkfs." + type +
                  ", a loop device and the kernel's " + type + " are needed)";
            return;
        }
        path = mnt;
    }
    ~CImage()
    {
        if (!path.empty())
            umount2(path.c_str(), MNT_DETACH);
    }
    Westring wide(const std::string& name) const { return dir.wide("m/" + name); }
    void write(const std::string& name, const std::string& text) const { dir.write("m/" + name, text); }
    std::string read(const std::string& name) const { return dir.read("m/" + name); }
    std::string names() const { return dir.names("m"); }

    std::string path, why;

private:
    TempDir dir;
};

// Nothing is asked on the way (a question gets Esc).
class Images : public CAnswerScript
{
protected:
    void SetUp() override
    {
        CAnswerScript::SetUp();
        ResetFileGlobals();
        answers({});
    }
};

}

// On a real case-insensitive file system: F6 and Ctrl+C change only the
// case, the content stays.
TEST_F(Images, RenamingOnVfatChangesOnlyTheCase)
{
    CImage vfat("vfat", 16);
    if (vfat.path.empty())
        GTEST_SKIP() << vfat.why << "; the identity hook's tests cover the case-insensitive path";
    vfat.write("readme", "content");
    vfat.write("notes", "notes");
    CDescriptionSet descriptions;
    copy_status status;
    EXPECT_EQ(FileRelation(vfat.wide("readme"), vfat.wide("README")), RelationSameEntry);
    EXPECT_EQ(FileRelation(vfat.wide("readme"), vfat.wide("readme")), RelationSameObject);
    EXPECT_EQ(move_file(vfat.wide("readme"), vfat.wide("README"), 1, 1, &status, descriptions), 0);
    config.CaseModRecurse = false;
    config.CaseModDirs = config.CaseModFiles = true;
    CCaseProgress quiet;
    EXPECT_EQ(change_entry_case(FileNameFromSys(vfat.path.c_str()), L"notes", false, false, 'u', 'n', quiet), 0);
    EXPECT_EQ(vfat.names(), "NOTES README");
    EXPECT_EQ(vfat.read("README"), "content");
    EXPECT_EQ(vfat.read("NOTES"), "notes");
    EXPECT_TRUE(screens.empty());
}

TEST_F(Images, ACopyOnBtrfsSharesItsBlocks)
{
    CImage btrfs("btrfs", 400);
    if (btrfs.path.empty())
        GTEST_SKIP() << btrfs.why;
    std::string data(256 << 20, '\0');
    for (size_t i = 0; i < data.size(); i += 4096)
        data[i] = static_cast<char>(i >> 20);
    btrfs.write("big", data);
    sync();
    struct statvfs before, after;
    ASSERT_EQ(statvfs(btrfs.path.c_str(), &before), 0);
    CDescriptionSet descriptions;
    copy_status status;
    ASSERT_EQ(copy_file(btrfs.wide("big"), btrfs.wide("copy"), 1, 1, &status, descriptions), 0);
    sync();
    ASSERT_EQ(statvfs(btrfs.path.c_str(), &after), 0);
    long long used = (static_cast<long long>(before.f_bfree) - static_cast<long long>(after.f_bfree)) *
                     static_cast<long long>(after.f_frsize);
    EXPECT_LT(used, 16ll << 20) << "a clone, not a second 256 MiB";
    EXPECT_TRUE(btrfs.read("copy") == data);
    EXPECT_TRUE(screens.empty());
}
