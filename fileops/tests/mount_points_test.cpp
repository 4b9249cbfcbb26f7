#include "fileops/mount_points.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

const char* const fixture = FILEOPS_TEST_DATA "/mounts";

std::string narrow(const Westring& s)
{
    return FileNameToSys(s).c_str();
}

}

TEST(MountPoints, LoadsTableWithEscapes)
{
    const struct { const char* device; const char* mountPoint; const char* type; } rows[] = {
        {"/dev/vda", "/", "ext4"},
        {"proc", "/proc", "proc"},
        {"tmpfs", "/dev/shm", "tmpfs"},
        {"/dev/sdb1", "/media/My Disk", "vfat"},
        {"//srv/share", "/mnt/tab\tdir", "cifs"},
        {"/dev/sdc1", "/mnt/back\\slash", "ext4"}, // \134 is a backslash
        {"odd\\x", "/mnt/odd\\9", "ext2"},         // no escape: kept as written
        {"overlay", "/srv/overlay", "overlay"},    // a line of 1,500 bytes
        {"tmpfs", "/mnt", "tmpfs"},
        {"/dev/sdd1", "/mnt", "ext4"},
        {"/dev/sde1", "/mnt/data", "xfs"},
    };
    CMountPointList all;
    ASSERT_TRUE(all.Load(true, fixture));
    ASSERT_EQ(all.count, static_cast<int>(std::size(rows))); // "short line" is dropped
    for (int i = 0; i < all.count; i++) {
        EXPECT_EQ(narrow(all.At(i)->device), rows[i].device) << i;
        EXPECT_EQ(narrow(all.At(i)->mountPoint), rows[i].mountPoint) << i;
        EXPECT_EQ(narrow(all.At(i)->fsType), rows[i].type) << i;
    }
    EXPECT_EQ(narrow(all.At(3)->ToStr(10, 16)), "/dev/sdb1  /media/My Disk   vfat");

    CMountPointList visible; // without tmpfs and /proc, which has no blocks
    ASSERT_TRUE(visible.Load(false, fixture));
    EXPECT_EQ(visible.count, all.count - 3);
    EXPECT_FALSE(visible.Load(true, FILEOPS_TEST_DATA "/no-such-table"));
}

TEST(MountPoints, FileSystemOfPathIsLongestPrefix)
{
    const struct { const wchar_t* path; const char* type; const char* mountPoint; } rows[] = {
        {L"/home/u", "ext4", "/"},
        {L"/", "ext4", "/"},
        {L"/media/My Disk", "vfat", "/media/My Disk"},
        {L"/media/My Disk/a/b", "vfat", "/media/My Disk"},
        {L"/media/My Diskette", "ext4", "/"}, // a prefix only at a "/" boundary
        {L"/mnt/x", "ext4", "/mnt"},          // the later mount hides the tmpfs
        {L"/mnt/data/y", "xfs", "/mnt/data"},
        {L"/mnt/back\\slash/z", "ext4", "/mnt/back\\slash"},
        {L"/mnt/tab\tdir", "cifs", "/mnt/tab\tdir"},
        {L"/srv/overlay/q", "overlay", "/srv/overlay"},
    };
    for (const auto& r : rows) {
        Estring type;
        Westring mountPoint;
        ASSERT_TRUE(GetUnixFSInfo(type, mountPoint, r.path, fixture)) << narrow(r.path);
        EXPECT_STREQ(type.c_str(), r.type) << narrow(r.path);
        EXPECT_EQ(narrow(mountPoint), r.mountPoint) << narrow(r.path);
    }
    Estring type;
    Westring mountPoint;
    EXPECT_FALSE(GetUnixFSInfo(type, mountPoint, L"relative", fixture));
}

TEST(MountPoints, NoticesChangedTable)
{
    TempDir t;
    ASSERT_TRUE(t.ok());
    std::stringstream text;
    text << std::ifstream(fixture).rdbuf();
    t.write("mounts", text.str());
    CMountPointList list;
    ASSERT_TRUE(list.Load(true, t.sys("mounts").c_str()));
    EXPECT_FALSE(list.IsStale());
    std::ofstream(t.sys("mounts"), std::ios::app) << "/dev/sdf1 /media/stick vfat rw 0 0\n";
    EXPECT_TRUE(list.IsStale());
    ASSERT_TRUE(list.Load(true, t.sys("mounts").c_str()));
    EXPECT_FALSE(list.IsStale());
}
