#include "fileops/copy_move.h"

#include "console/console.h"
#include "console/console_test_support.h"
#include "console/key_codes.h"
#include "fileops/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

// A file system of type made in an image of size MiB and mounted in a
// scratch directory, where the superuser and the kernel allow it.
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
    std::string path, why;

private:
    TempDir dir;
};

class Images : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console.SetDisplay(&display);
        console.SetSize(80, 25, "", 0);
        script_keys(console, {}, KEY_ESC);
        ResetFileGlobals();
    }
    void TearDown() override
    {
        script_keys(console, {}, 0);
        console.SetDisplay(nullptr);
    }
    CRecordingDisplay display;
};

}

TEST_F(Images, RenamingOnVfatChangesOnlyTheCase)
{
    CImage vfat("vfat", 16);
    if (vfat.path.empty())
        GTEST_SKIP() << vfat.why << "; the identity hook's test covers the case-insensitive path";
    {
        int fd = open((vfat.path + "/readme").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "content", 7), 7);
        close(fd);
    }
    CDescriptionSet d;
    copy_status status;
    EXPECT_EQ(move_file(FileNameFromSys((vfat.path + "/readme").c_str()),
                        FileNameFromSys((vfat.path + "/README").c_str()), 1, 1, &status, d),
              0);
    char buf[16] = {};
    int fd = open((vfat.path + "/README").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(read(fd, buf, sizeof buf), 7);
    close(fd);
    EXPECT_STREQ(buf, "content");
}

TEST_F(Images, ACopyOnBtrfsSharesItsBlocks)
{
    CImage btrfs("btrfs", 400);
    if (btrfs.path.empty())
        GTEST_SKIP() << btrfs.why;
    constexpr long long Size = 256ll << 20;
    {
        int fd = open((btrfs.path + "/big").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        std::vector<char> block(1 << 20);
        for (long long done = 0; done < Size; done += static_cast<long long>(block.size())) {
            for (size_t i = 0; i < block.size(); i += 4096)
                block[i] = static_cast<char>(done >> 20);
            ASSERT_EQ(write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
        }
        ASSERT_EQ(fsync(fd), 0);
        close(fd);
    }
    sync();
    struct statvfs before, after;
    ASSERT_EQ(statvfs(btrfs.path.c_str(), &before), 0);
    CDescriptionSet d;
    copy_status status;
    ASSERT_EQ(copy_file(FileNameFromSys((btrfs.path + "/big").c_str()), FileNameFromSys((btrfs.path + "/copy").c_str()),
                        1, 1, &status, d),
              0);
    sync();
    ASSERT_EQ(statvfs(btrfs.path.c_str(), &after), 0);
    long long used = (static_cast<long long>(before.f_bfree) - static_cast<long long>(after.f_bfree)) *
                     static_cast<long long>(after.f_frsize);
    EXPECT_LT(used, 16ll << 20) << "a clone, not a second 256 MiB";
    EXPECT_EQ(std::system(("cmp -s '" + btrfs.path + "/big' '" + btrfs.path + "/copy'").c_str()), 0);
}
